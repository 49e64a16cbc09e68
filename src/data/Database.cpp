#include "data/Database.h"

#include "data/Schema.h"
#include "data/TimeText.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>
#include <unordered_map>

namespace {

constexpr int BusyTimeoutMs = 10000;
constexpr int StatementRetries = 3;
constexpr int TransactionRetries = 8;
constexpr std::size_t StatementCacheLimit = 256;

QString nextConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("quillhour-%1").arg(++counter);
}

DatabaseError errorFrom(const QSqlError& error, const QString& statement) {
    QString message = error.databaseText().trimmed();
    if (message.isEmpty()) {
        message = error.text().trimmed();
    }
    const QString code = error.nativeErrorCode();
    bool numeric = false;
    const int sqliteCode = code.toInt(&numeric);
    DatabaseError::Kind kind = DatabaseError::Kind::Statement;
    if (numeric && ((sqliteCode & 0xff) == 5 || (sqliteCode & 0xff) == 6)) {
        kind = DatabaseError::Kind::Busy;
    } else if (error.type() == QSqlError::ConnectionError) {
        kind = DatabaseError::Kind::Connection;
    }
    return DatabaseError(kind, message, statement, code);
}

void pause(int attempt) {
    const int base = 10 << std::min(attempt, 8);
    QThread::msleep(ulong(base + int(QRandomGenerator::global()->bounded(base))));
}

} // namespace

struct Database::Impl {
    QString connectionName;
    QString location;
    Engine engine = Engine::SQLite;
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>> statements;
    int transactionDepth = 0;
    quint64 statementCount = 0;

    ~Impl() {
        statements.clear();
        {
            QSqlDatabase db = QSqlDatabase::database(connectionName, false);
            if (db.isValid()) {
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(connectionName);
    }

    QSqlDatabase connection() const { return QSqlDatabase::database(connectionName, false); }

    QVariant toEngine(const QVariant& value) const {
        switch (value.typeId()) {
        case QMetaType::QDateTime: {
            const QDateTime moment = value.toDateTime();
            return moment.isValid() ? QVariant(TimeText::toStorage(moment))
                                    : QVariant(QMetaType::fromType<QString>());
        }
        case QMetaType::QDate: {
            const QDate day = value.toDate();
            return day.isValid() ? QVariant(TimeText::toStorage(QDateTime(day, QTime(0, 0))))
                                 : QVariant(QMetaType::fromType<QString>());
        }
        case QMetaType::Bool:
            return engine == Engine::SQLite ? QVariant(value.toBool() ? 1 : 0) : value;
        default:
            return value;
        }
    }

    QSqlQuery& prepared(const QString& sql) {
        auto found = statements.find(sql);
        if (found != statements.end()) {
            return *found->second;
        }
        if (statements.size() >= StatementCacheLimit) {
            statements.clear();
        }
        auto query = std::make_unique<QSqlQuery>(connection());
        query->setForwardOnly(true);
        if (!query->prepare(sql)) {
            const QSqlError error = query->lastError();
            throw errorFrom(error, sql);
        }
        return *statements.emplace(sql, std::move(query)).first->second;
    }

    ResultSet runOnce(const QString& sql, const QVariantList& params) {
        ++statementCount;
        QSqlQuery& query = prepared(sql);
        for (int i = 0; i < params.size(); ++i) {
            query.bindValue(i, toEngine(params.at(i)));
        }
        if (!query.exec()) {
            const QSqlError error = query.lastError();
            query.finish();
            // A statement that failed to run may be left in a state the driver cannot reuse.
            statements.erase(sql);
            throw errorFrom(error, sql);
        }
        ResultSet result;
        if (query.isSelect()) {
            const QSqlRecord record = query.record();
            QStringList columns;
            columns.reserve(record.count());
            for (int i = 0; i < record.count(); ++i) {
                columns.append(record.fieldName(i));
            }
            result = ResultSet(columns);
            const int width = int(columns.size());
            while (query.next()) {
                QVariantList values;
                values.reserve(width);
                for (int i = 0; i < width; ++i) {
                    values.append(query.value(i));
                }
                result.appendRow(std::move(values));
            }
            if (query.lastError().isValid()) {
                const QSqlError error = query.lastError();
                query.finish();
                statements.erase(sql);
                throw errorFrom(error, sql);
            }
        }
        query.finish();
        return result;
    }
};

Database::Database(std::unique_ptr<Impl> impl)
    : d(std::move(impl)) {}
Database::~Database() = default;

bool Database::isServerLocation(const QString& location) {
    const QString trimmed = location.trimmed();
    return trimmed.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           trimmed.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString Database::displayLocation(const QString& location) {
    if (!isServerLocation(location)) {
        return QDir::toNativeSeparators(location);
    }
    return QUrl(location.trimmed()).toString(QUrl::RemovePassword);
}

namespace {

std::unique_ptr<QSqlDatabase> addSqlite(const QString& name, const QString& path,
                                        const QString& options) {
    auto db =
        std::make_unique<QSqlDatabase>(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name));
    db->setDatabaseName(path);
    db->setConnectOptions(options);
    return db;
}

// Looks at a file without any chance of writing to it: is it a database, and does it hold our
// tables?
void probeSqliteFile(const QString& path) {
    const QString name = nextConnectionName();
    {
        auto db = addSqlite(
            name, path,
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        const QString shown = QDir::toNativeSeparators(path);
        auto fail = [&](DatabaseError::Kind kind, const QString& message) {
            db->close();
            db.reset();
            QSqlDatabase::removeDatabase(name);
            throw DatabaseError(kind, message);
        };
        if (!db->open()) {
            fail(DatabaseError::Kind::NotADatabase,
                 QStringLiteral("The file %1 could not be opened as a database: %2")
                     .arg(shown, db->lastError().text()));
        }
        QStringList tables;
        {
            QSqlQuery query(*db);
            if (!query.exec(
                    QStringLiteral("select name from sqlite_master where type = 'table'"))) {
                const QString reason = query.lastError().databaseText();
                query.finish();
                query = QSqlQuery();
                fail(DatabaseError::Kind::NotADatabase,
                     QStringLiteral("The file %1 is not a database (%2).").arg(shown, reason));
            }
            while (query.next()) {
                tables.append(query.value(0).toString().toLower());
            }
        }
        QStringList missing;
        for (const auto& table : Schema::tables()) {
            if (!tables.contains(table.name.toLower())) {
                missing.append(table.name);
                continue;
            }
            QSqlQuery query(*db);
            if (!query.exec(QStringLiteral("select * from \"%1\" where 1 = 0").arg(table.name))) {
                missing.append(table.name);
                continue;
            }
            const QSqlRecord record = query.record();
            for (const QString& column : table.columns) {
                if (record.indexOf(column) < 0) {
                    missing.append(table.name + QLatin1Char('.') + column);
                }
            }
        }
        if (!missing.isEmpty()) {
            fail(DatabaseError::Kind::NotQuillhour,
                 QStringLiteral("The file %1 is a database, but not a Quillhour database: it "
                                "lacks %2.")
                     .arg(shown, missing.join(QStringLiteral(", "))));
        }
        db->close();
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

std::unique_ptr<Database> Database::open(const QString& location) {
    if (isServerLocation(location)) {
        throw DatabaseError(DatabaseError::Kind::Connection,
                            QStringLiteral("Database servers are not supported by this build: %1")
                                .arg(displayLocation(location)));
    }
    const QString path = location.trimmed();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        throw DatabaseError(DatabaseError::Kind::Missing,
                            QStringLiteral("There is no database at %1.")
                                .arg(path.isEmpty() ? QStringLiteral("an empty path")
                                                    : QDir::toNativeSeparators(path)));
    }
    if (!info.isFile()) {
        throw DatabaseError(DatabaseError::Kind::NotADatabase,
                            QStringLiteral("%1 is a folder, not a database file.")
                                .arg(QDir::toNativeSeparators(path)));
    }
    probeSqliteFile(path);
    const QFileInfo folder(info.absolutePath());
    // A file whose mode grants no write at all is read-only even to an administrator, who could
    // write it anyway: the owner marked it so on purpose.
    const bool writeBits =
        (info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) != 0;
    if (!info.isWritable() || !writeBits || !folder.isWritable()) {
        throw DatabaseError(
            DatabaseError::Kind::ReadOnly,
            QStringLiteral("The database %1 is read-only. Quillhour writes to the file and to its "
                           "folder; ask for write access or choose another database.")
                .arg(QDir::toNativeSeparators(path)));
    }

    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = path;
    impl->engine = Engine::SQLite;
    {
        auto db = addSqlite(impl->connectionName, path,
                            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        if (!db->open()) {
            throw DatabaseError(DatabaseError::Kind::Connection, db->lastError().text());
        }
    }
    std::unique_ptr<Database> database(new Database(std::move(impl)));
    database->execute(QStringLiteral("PRAGMA synchronous = NORMAL"));
    return database;
}

std::unique_ptr<Database> Database::create(const QString& location) {
    if (isServerLocation(location)) {
        throw DatabaseError(DatabaseError::Kind::Connection,
                            QStringLiteral("Database servers are not supported by this build: %1")
                                .arg(displayLocation(location)));
    }
    const QString path = location.trimmed();
    if (path.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::Missing,
                            QStringLiteral("No path was given for the new database."));
    }
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        throw DatabaseError(DatabaseError::Kind::AlreadyExists,
                            QStringLiteral("%1 already exists; Quillhour will not overwrite it.")
                                .arg(QDir::toNativeSeparators(path)));
    }
    if (!QDir().mkpath(info.absolutePath())) {
        throw DatabaseError(DatabaseError::Kind::ReadOnly,
                            QStringLiteral("The folder %1 could not be created.")
                                .arg(QDir::toNativeSeparators(info.absolutePath())));
    }

    auto removeFiles = [path] {
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                      QStringLiteral("-journal")}) {
            QFile::remove(path + suffix);
        }
    };

    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = path;
    impl->engine = Engine::SQLite;
    {
        auto db = addSqlite(impl->connectionName, path,
                            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        if (!db->open()) {
            const QString reason = db->lastError().text();
            db.reset();
            impl.reset();
            removeFiles();
            throw DatabaseError(DatabaseError::Kind::ReadOnly,
                                QStringLiteral("The database %1 could not be created: %2")
                                    .arg(QDir::toNativeSeparators(path), reason));
        }
    }
    std::unique_ptr<Database> database(new Database(std::move(impl)));
    try {
        const QString mode =
            database->scalar(QStringLiteral("PRAGMA journal_mode = WAL")).toString().toLower();
        if (mode != QLatin1String("wal")) {
            throw DatabaseError(DatabaseError::Kind::Statement,
                                QStringLiteral("The new database could not be switched to "
                                               "write-ahead logging (the engine answered \"%1\").")
                                    .arg(mode));
        }
        database->execute(QStringLiteral("PRAGMA synchronous = NORMAL"));
        Schema::create(*database);
    } catch (...) {
        database.reset();
        removeFiles();
        throw;
    }
    return database;
}

Database::Engine Database::engine() const {
    return d->engine;
}

QString Database::location() const {
    return displayLocation(d->location);
}

ResultSet Database::run(const QString& sql, const QVariantList& params) {
    for (int attempt = 0;; ++attempt) {
        try {
            return d->runOnce(sql, params);
        } catch (const DatabaseError& error) {
            // Inside a transaction the whole transaction is retried, not one statement of it.
            if (d->transactionDepth > 0 || !error.isRetryable() || attempt >= StatementRetries) {
                throw;
            }
            pause(attempt);
        }
    }
}

void Database::execute(const QString& sql, const QVariantList& params) {
    run(sql, params);
}

ResultSet Database::query(const QString& sql, const QVariantList& params) {
    return run(sql, params);
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    return run(sql, params).scalar();
}

ResultSet Database::insertReturning(const QString& sql, const QVariantList& params,
                                    const QString& returning) {
    ResultSet result = run(sql + QStringLiteral(" RETURNING ") + returning, params);
    if (result.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QStringLiteral("The insert returned no row."), sql);
    }
    return result;
}

qint64 Database::insert(const QString& sql, const QVariantList& params, const QString& idColumn) {
    return insertReturning(sql, params, idColumn).first().integer64(0);
}

void Database::transaction(const std::function<void()>& work) {
    if (d->transactionDepth > 0) {
        work();
        return;
    }
    const QString begin =
        d->engine == Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
    for (int attempt = 0;; ++attempt) {
        bool begun = false;
        try {
            d->runOnce(begin, {});
            begun = true;
            d->transactionDepth = 1;
            work();
            d->runOnce(QStringLiteral("COMMIT"), {});
            d->transactionDepth = 0;
            return;
        } catch (const DatabaseError& error) {
            d->transactionDepth = 0;
            if (begun) {
                try {
                    d->runOnce(QStringLiteral("ROLLBACK"), {});
                } catch (const DatabaseError&) {
                    // The engine may already have rolled back; the original error is what counts.
                }
            }
            if (!error.isRetryable() || attempt >= TransactionRetries) {
                throw;
            }
            pause(attempt);
        } catch (...) {
            d->transactionDepth = 0;
            if (begun) {
                try {
                    d->runOnce(QStringLiteral("ROLLBACK"), {});
                } catch (const DatabaseError&) {
                }
            }
            throw;
        }
    }
}

bool Database::inTransaction() const {
    return d->transactionDepth > 0;
}

quint64 Database::statementCount() const {
    return d->statementCount;
}
