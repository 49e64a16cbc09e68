#include "data/Database.h"

#include "data/ConnectFailure.h"
#include "data/DatabaseInternals.h"
#include "data/NetworkFileSystem.h"
#include "data/Refusal.h"
#include "data/Schema.h"
#include "data/ServerAddress.h"
#include "data/SqliteFile.h"
#include "data/StorableText.h"
#include "data/TextHash.h"
#include "data/TimeText.h"
#include "data/UpperVectorState.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <algorithm>
#include <limits>
#include <optional>
#include <sqlite3.h>
#include <unordered_map>

namespace {

constexpr std::size_t StatementCacheLimit = 256;
constexpr int ConnectTimeoutSeconds = 10;
// The longest pause between two tries at a lock: short, so a lock that is let go is taken soon.
constexpr int LongestPauseMs = 100;

QString nextConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("quillhour-%1").arg(++counter);
}

// A pause before the next try, growing with each try, never past the deadline.
void pause(int attempt, const QDeadlineTimer& deadline) {
    const int base = std::min(10 << std::min(attempt, 8), LongestPauseMs);
    const qint64 wanted = base + QRandomGenerator::global()->bounded(base);
    QThread::msleep(ulong(std::max<qint64>(0, std::min(wanted, deadline.remainingTime()))));
}

// Whether a statement may change the database. Rolling back only ever undoes.
bool isWrite(const QString& sql) {
    const QStringView text = QStringView(sql).trimmed();
    auto startsWith = [&](QLatin1String word) {
        return text.startsWith(word, Qt::CaseInsensitive);
    };
    if (startsWith(QLatin1String("select")) || startsWith(QLatin1String("with")) ||
        startsWith(QLatin1String("rollback"))) {
        return false;
    }
    if (startsWith(QLatin1String("pragma"))) {
        return text.contains(QLatin1Char('='));
    }
    return true;
}

// What a person reads when another program holds the database: the same words whichever engine
// said "locked".
DatabaseError busyError(const QString& shown, const QString& statement, const QString& code) {
    return DatabaseError(DatabaseError::Kind::Busy,
                         QCoreApplication::translate(
                             "Database", "Another program is holding the database %1 locked.")
                             .arg(shown),
                         statement, code);
}

DatabaseError diskFullError(const QString& shown, const QString& statement = {},
                            const QString& code = {}) {
    return DatabaseError(DatabaseError::Kind::DiskFull,
                         QCoreApplication::translate(
                             "Database", "The disk that holds the database %1 is full, so "
                                         "Quillhour cannot save to it. Make room on the disk; "
                                         "until then nothing more is saved.")
                             .arg(shown),
                         statement, code);
}

// detail says what shows the damage, in words that follow "is damaged: ".
DatabaseError damagedError(const QString& shown, const QString& detail,
                           const QString& statement = {}, const QString& code = {}) {
    return DatabaseError(DatabaseError::Kind::Damaged,
                         QCoreApplication::translate(
                             "Database", "The database %1 is damaged: %2. Quillhour writes "
                                         "nothing to it. Check it with \"quillhour "
                                         "--check-database %1\" and restore it from a backup.")
                             .arg(shown, detail),
                         statement, code, detail);
}

// An SQLite failure in words: a lock, a full disk, damage, or a file or folder that cannot be
// written are said as such; anything else is the fallback kind with the engine's own text after
// the prefix.
DatabaseError sqliteFailure(const QString& path, const QSqlError& error,
                            DatabaseError::Kind fallback, const QString& statement = {},
                            const QString& prefix = {}) {
    const QString shown = QDir::toNativeSeparators(path);
    const QString code = error.nativeErrorCode();
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) {
        text = error.text().trimmed();
    }
    bool numeric = false;
    const int primary = code.toInt(&numeric) & 0xff;
    if (numeric) {
        switch (primary) {
        case 5: // SQLITE_BUSY
        case 6: // SQLITE_LOCKED
            return busyError(shown, statement, code);
        case 13: // SQLITE_FULL
            return diskFullError(shown, statement, code);
        case 10: // SQLITE_IOERR: a write that found no room is one
            if (SqliteFile::diskFull(path)) {
                return diskFullError(shown, statement, code);
            }
            break;
        case 11: // SQLITE_CORRUPT
        case 26: // SQLITE_NOTADB
            return damagedError(
                shown,
                QCoreApplication::translate("Database", "the engine reports \"%1\"").arg(text),
                statement, code);
        case 8:  // SQLITE_READONLY
        case 14: // SQLITE_CANTOPEN
            if (const QString problem = SqliteFile::writeProblem(path); !problem.isEmpty()) {
                return DatabaseError(DatabaseError::Kind::ReadOnly, problem, statement, code);
            }
            break;
        default:
            break;
        }
    }
    return DatabaseError(fallback, prefix + text, statement, code);
}

// PostgreSQL prepares only these; everything else (BEGIN, COMMIT, CREATE, COMMENT, SET) is sent
// as it is.
bool isPreparable(const QString& sql) {
    static const QRegularExpression dml(
        QStringLiteral("^\\s*(select|insert|update|delete|with|values)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return dml.match(sql).hasMatch();
}

// The server's own words without the decoration: "ERROR:  " or "FATAL:  " before them and the
// SQLSTATE in brackets at the end.
QString serverMessage(const QSqlError& error) {
    QString message = error.databaseText().trimmed();
    static const QRegularExpression code(QStringLiteral("\\s*\\([0-9A-Z]{0,5}\\)$"));
    message.remove(code);
    static const QRegularExpression severity(QStringLiteral("\\b(ERROR|FATAL|PANIC):\\s+"));
    message.remove(severity);
    if (message.isEmpty()) {
        message = error.driverText().trimmed();
    }
    return message.trimmed();
}

// A row of values read through Qt.
class ListedRow final : public StreamedRow {
public:
    explicit ListedRow(const QVariantList& values)
        : m_values(values) {}
    QVariant value(int column) const override { return m_values.at(column); }
    qint64 integer64(int column) const override { return m_values.at(column).toLongLong(); }
    bool utf8(int, QByteArrayView&) const override { return false; }
    bool wholeNumber(int, qint64&) const override { return false; }

private:
    const QVariantList& m_values;
};

// The row an SQLite statement has stepped to. Values are made as Qt's SQLite driver makes them.
class EngineRow final : public StreamedRow {
public:
    explicit EngineRow(sqlite3_stmt* statement)
        : m_statement(statement) {}
    QVariant value(int column) const override {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(m_statement, column));
        case SQLITE_BLOB:
            return QVariant(
                QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                           sqlite3_column_bytes(m_statement, column)));
        case SQLITE_NULL:
            return {};
        default: {
            // The text first, then its length: the order the engine asks for.
            const auto* text =
                static_cast<const QChar*>(sqlite3_column_text16(m_statement, column));
            return QVariant(
                QString(text, sqlite3_column_bytes16(m_statement, column) / int(sizeof(QChar))));
        }
        }
    }
    qint64 integer64(int column) const override {
        return sqlite3_column_int64(m_statement, column);
    }
    bool utf8(int column, QByteArrayView& text) const override {
        if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT) {
            return false;
        }
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        text = QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
        return true;
    }
    bool wholeNumber(int column, qint64& number) const override {
        if (sqlite3_column_type(m_statement, column) != SQLITE_INTEGER) {
            return false;
        }
        number = sqlite3_column_int64(m_statement, column);
        return true;
    }

private:
    sqlite3_stmt* m_statement;
};

} // namespace

struct Database::Impl {
    QString connectionName;
    QString location;
    QString password; // kept only to reconnect and to keep it out of every message
    Engine engine = Engine::SQLite;
    std::unordered_map<QString, std::unique_ptr<QSqlQuery>, TextHash> statements;
    bool broken = false; // the server connection was lost; reopen before the next statement
    int transactionDepth = 0;
    // The first statement that failed inside the open transaction, even if the work went on.
    std::optional<DatabaseError> transactionFailure;
    quint64 statementCount = 0;
    quint64 rowsDelivered = 0; // by the streaming statement now running
    std::chrono::milliseconds patience = BusyTimeout;
    std::function<void(bool)> waitObserver;
    // SQLite: the file that was opened, how it was last seen written (not watched on a network
    // file system, whose other computers' checkpoints this one never sees), and, once it is
    // lost or found damaged, why nothing more is written. A file copied over in place cannot
    // even be read any more: this connection would mix its pages with the log of the old one.
    SqliteFile::Identity identity;
    std::optional<SqliteFile::WriteWatch> writeWatch;
    std::optional<DatabaseError> stopped;
    bool readsStopped = false;
    bool readOnly = false; // opened by openReadOnly: the engine refuses every write
    StatementTrace trace;

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

    enum class Access { ReadWrite, ReadOnly };
    static std::unique_ptr<Impl> connectToServer(const QString& location,
                                                 Access access = Access::ReadWrite);

    QString shownLocation() const { return displayLocation(location); }

    QString scrub(QString text) const {
        // libpq does not repeat passwords, but a message is no place to find out otherwise.
        if (password.size() >= 3) {
            text.replace(password, QStringLiteral("********"));
        }
        return text;
    }

    DatabaseError connectFailure(const QSqlError& error) const {
        return DatabaseError(
            DatabaseError::Kind::Connection,
            scrub(ConnectFailure::text(serverMessage(error), error.nativeErrorCode(), location)));
    }

    // Whether a failed statement failed because the connection is gone. The driver does not
    // always say so: a server that shut down answers with 57P01 or not at all (no SQLSTATE), and
    // only a try tells a dead connection from a statement the server refused.
    bool connectionLost(const QString& code) const {
        QSqlDatabase db = connection();
        if (!db.isOpen()) {
            return true;
        }
        if (!code.isEmpty() && !code.startsWith(QLatin1String("08")) &&
            !code.startsWith(QLatin1String("57P"))) {
            return false;
        }
        QSqlQuery probe(db);
        if (probe.exec(QStringLiteral("select 1"))) {
            return false;
        }
        // A transaction that already failed refuses the probe too, on a sound connection.
        const QString answer = probe.lastError().nativeErrorCode();
        return !db.isOpen() || answer.isEmpty() || answer.startsWith(QLatin1String("08")) ||
               answer.startsWith(QLatin1String("57P"));
    }

    // A corrupt database is written no more from the moment the engine first says so.
    DatabaseError stop(DatabaseError error) {
        if (!stopped) {
            stopped = error;
        }
        return error;
    }

    DatabaseError errorFrom(const QSqlError& error, const QString& statement) {
        const QString code = error.nativeErrorCode();
        if (engine == Engine::PostgreSQL) {
            const QString message = scrub(serverMessage(error));
            if (code == QLatin1String("55P03")) {
                return busyError(shownLocation(), statement, code);
            }
            if (code == QLatin1String("53100")) {
                return diskFullError(shownLocation(), statement, code);
            }
            if (code == QLatin1String("XX001") || code == QLatin1String("XX002")) {
                return stop(damagedError(
                    shownLocation(),
                    QCoreApplication::translate("Database", "the server reports \"%1\"")
                        .arg(message),
                    statement, code));
            }
            if (connectionLost(code)) {
                broken = true;
                return DatabaseError(
                    DatabaseError::Kind::Connection,
                    QCoreApplication::translate(
                        "Database", "The connection to the database server at %1 was lost: %2\n"
                                    "Quillhour connects again on its next step.")
                        .arg(shownLocation(), message),
                    statement, code);
            }
            if (code == QLatin1String("42501")) {
                return DatabaseError(DatabaseError::Kind::Refused, Refusal::sentence(message),
                                     statement, code, message);
            }
            return DatabaseError(DatabaseError::Kind::Statement, message, statement, code);
        }
        DatabaseError failure = sqliteFailure(location, error,
                                              error.type() == QSqlError::ConnectionError
                                                  ? DatabaseError::Kind::Connection
                                                  : DatabaseError::Kind::Statement,
                                              statement);
        if (!failure.stopsWriting()) {
            return failure;
        }
        // Another database copied over this one reads as damaged: say what happened to it.
        verifyFile();
        if (stopped && stopped->kind() == DatabaseError::Kind::Lost) {
            return *stopped;
        }
        return stop(std::move(failure));
    }

    // A server session waits no longer than the engine wait for a lock; the caller decides
    // whether to try again.
    void configureSession() {
        if (engine != Engine::PostgreSQL) {
            return;
        }
        QSqlQuery set(connection());
        if (!set.exec(QStringLiteral("SET lock_timeout = %1").arg(EngineWait.count()))) {
            throw errorFrom(set.lastError(), set.lastQuery());
        }
        if (readOnly && !set.exec(QStringLiteral("SET default_transaction_read_only = on"))) {
            throw errorFrom(set.lastError(), set.lastQuery());
        }
    }

    void lose(const QString& what) {
        stopped = DatabaseError(
            DatabaseError::Kind::Lost,
            QCoreApplication::translate(
                "Database", "The database file %1 %2 while Quillhour was using it. To keep both "
                            "safe, Quillhour writes nothing more to it, so nothing you do from now "
                            "on is saved. Restart Quillhour once the right database is back in "
                            "its place.")
                .arg(shownLocation(), what));
    }

    // SQLite: whether the file at the location is still the one that was opened.
    void verifyFile() {
        if (engine != Engine::SQLite || !identity.exists ||
            (stopped && stopped->kind() == DatabaseError::Kind::Lost)) {
            return;
        }
        const SqliteFile::Identity now = SqliteFile::identityOf(location);
        if (now != identity) {
            // The log beside the path holds changes to the file that was opened; whatever is put
            // at the path later (the right database brought back, or the replacement opened by
            // another program) would take them for its own and be damaged. They go into the file
            // this connection still has open, and the log is emptied.
            QSqlQuery(connection()).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
            lose(now.exists
                     ? QCoreApplication::translate("Database", "was replaced by another file")
                     : QCoreApplication::translate("Database", "was deleted"));
            return;
        }
        if (writeWatch && writeWatch->writtenBehindTheEngine()) {
            // Copied over in place: this connection's file is the replacement now. The log's
            // pages belong to the database that was there before; copied into the replacement
            // (by a checkpoint, at the latest when the last program closes) they would damage
            // it. Emptied, the log has nothing to copy, and the next start finds none.
            SqliteFile::emptyLog(location);
            readsStopped = true;
            lose(QCoreApplication::translate("Database", "was replaced by another file"));
        }
    }

    // Writing stops for good once the file is lost or damaged; reading too once another file
    // was copied over it.
    void checkUsable(const QString& sql) {
        const bool write = isWrite(sql);
        if (write && transactionDepth == 0) {
            verifyFile();
        }
        if (stopped && (write || readsStopped)) {
            throw *stopped;
        }
    }

    // After the server dropped the connection (a restart, a network fault) the next statement
    // opens a new one. Prepared statements died with the old connection.
    void ensureConnected() {
        if (engine != Engine::PostgreSQL) {
            return;
        }
        QSqlDatabase db = connection();
        if (!broken && db.isOpen()) {
            return;
        }
        dropStatements();
        db.close();
        if (!db.open()) {
            throw connectFailure(db.lastError());
        }
        broken = false;
        configureSession();
    }

    // The driver tries to free each prepared statement on the server, and warns when there is no
    // server to free it on: after a lost connection that says nothing anyone can act on.
    void dropStatements() {
        static QtMessageHandler previous = nullptr;
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (type == QtWarningMsg &&
                    message.startsWith(QLatin1String("Unable to free statement"))) {
                    return;
                }
                if (previous != nullptr) {
                    previous(type, context, message);
                }
            });
        statements.clear();
        qInstallMessageHandler(previous);
    }

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

    // A timestamp column holds local wall-clock time with no zone; whatever zone the driver
    // labels it with, the program reads the same wall-clock time back.
    static QVariant fromEngine(QVariant value) {
        if (value.typeId() == QMetaType::QDateTime && !value.isNull()) {
            const QDateTime moment = value.toDateTime();
            return QDateTime(moment.date(), moment.time(), Qt::LocalTime);
        }
        return value;
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
        // The engine reads the schema while it prepares; see UpperVectorState.
        UpperVectorState::clear();
        if (!query->prepare(sql)) {
            const QSqlError error = query->lastError();
            query.reset();
            throw errorFrom(error, sql);
        }
        return *statements.emplace(sql, std::move(query)).first->second;
    }

    [[noreturn]] void fail(QSqlQuery& query, const QString& sql, bool cached) {
        const QSqlError error = query.lastError();
        query.finish();
        DatabaseError failure = errorFrom(error, sql);
        // A statement that failed to run may be left in a state the SQLite driver cannot reuse.
        // A server keeps its prepared statement whatever happened (freeing it inside a failed
        // transaction would fail and leave it there); only a changed table (0A000: "cached plan
        // must not change result type") needs it prepared again, and a lost connection drops
        // them all.
        const bool reusable =
            engine == Engine::PostgreSQL && failure.nativeCode() != QLatin1String("0A000");
        if (cached && !reusable && !broken) {
            statements.erase(sql);
        }
        throw failure;
    }

    // Runs a statement once. Its rows go to onRow as they are read when it is given (nothing is
    // kept then), else into the result.
    ResultSet runOnce(const QString& sql, const QVariantList& params,
                      const std::function<void(const QVariantList&)>& onRow = {}) {
        StorableText::check(params, sql);
        checkUsable(sql);
        ++statementCount;
        ensureConnected();
        std::unique_ptr<QSqlQuery> direct;
        QSqlQuery* query = nullptr;
        if (engine == Engine::PostgreSQL && !isPreparable(sql)) {
            if (!params.isEmpty()) {
                throw DatabaseError(DatabaseError::Kind::Statement,
                                    QStringLiteral("Values can only be bound into select, "
                                                   "insert, update and delete statements."),
                                    sql);
            }
            direct = std::make_unique<QSqlQuery>(connection());
            direct->setForwardOnly(true);
            if (trace) {
                trace(sql, {});
            }
            UpperVectorState::clear();
            if (!direct->exec(sql)) {
                fail(*direct, sql, false);
            }
            query = direct.get();
        } else {
            query = &prepared(sql);
            QVariantList sent;
            if (trace) {
                sent.reserve(params.size());
            }
            for (int i = 0; i < params.size(); ++i) {
                const QVariant value = toEngine(params.at(i));
                query->bindValue(i, value);
                if (trace) {
                    sent.append(value);
                }
            }
            if (trace) {
                trace(sql, sent);
            }
            // Binding went through one of Qt's hashes; see UpperVectorState.
            UpperVectorState::clear();
            if (!query->exec()) {
                fail(*query, sql, true);
            }
        }
        ResultSet result;
        if (query->isSelect()) {
            const QSqlRecord record = query->record();
            QStringList columns;
            columns.reserve(record.count());
            for (int i = 0; i < record.count(); ++i) {
                columns.append(record.fieldName(i));
            }
            result = ResultSet(columns);
            const int width = int(columns.size());
            const bool normalise = engine == Engine::PostgreSQL;
            while (query->next()) {
                QVariantList values;
                values.reserve(width);
                for (int i = 0; i < width; ++i) {
                    values.append(normalise ? fromEngine(query->value(i)) : query->value(i));
                }
                if (onRow) {
                    ++rowsDelivered;
                    try {
                        onRow(values);
                    } catch (...) {
                        query->finish(); // no lock stays held by a reader that gave up
                        throw;
                    }
                } else {
                    result.appendRow(std::move(values));
                }
            }
            if (query->lastError().isValid()) {
                fail(*query, sql, direct == nullptr);
            }
        }
        query->finish();
        return result;
    }

    // Runs a read on SQLite through the engine's own interface on this connection, handing each
    // row on as the engine steps to it. The statement is prepared for this read and finalized
    // when it ends, however it ends, so no lock outlives it.
    void streamSqlite(const QString& sql, const QVariantList& params,
                      const std::function<void(const StreamedRow&)>& onRow) {
        StorableText::check(params, sql);
        checkUsable(sql);
        ++statementCount;
        const QVariant handle = connection().driver()->handle();
        sqlite3* db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                          ? *static_cast<sqlite3* const*>(handle.constData())
                          : nullptr;
        if (db == nullptr) {
            throw DatabaseError(
                DatabaseError::Kind::Connection,
                QCoreApplication::translate("Database", "The database %1 is not open.")
                    .arg(shownLocation()),
                sql);
        }
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt* prepared = nullptr;
        // The engine reads the schema while it prepares; see UpperVectorState.
        UpperVectorState::clear();
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &prepared, nullptr) !=
            SQLITE_OK) {
            throw engineError(db, sql);
        }
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(prepared,
                                                                              &sqlite3_finalize);
        QVariantList sent;
        for (int i = 0; i < params.size(); ++i) {
            const QVariant value = toEngine(params.at(i));
            if (trace) {
                sent.append(value);
            }
            int bound = SQLITE_OK;
            if (value.isNull()) {
                bound = sqlite3_bind_null(prepared, i + 1);
            } else {
                switch (value.typeId()) {
                case QMetaType::Bool:
                case QMetaType::Int:
                case QMetaType::UInt:
                case QMetaType::Long:
                case QMetaType::LongLong:
                case QMetaType::Short:
                    bound = sqlite3_bind_int64(prepared, i + 1, value.toLongLong());
                    break;
                case QMetaType::Double:
                case QMetaType::Float:
                    bound = sqlite3_bind_double(prepared, i + 1, value.toDouble());
                    break;
                case QMetaType::QByteArray: {
                    const QByteArray bytes = value.toByteArray();
                    bound = sqlite3_bind_blob(prepared, i + 1, bytes.constData(), int(bytes.size()),
                                              SQLITE_TRANSIENT);
                    break;
                }
                default: {
                    const QByteArray utf8 = value.toString().toUtf8();
                    bound = sqlite3_bind_text(prepared, i + 1, utf8.constData(), int(utf8.size()),
                                              SQLITE_TRANSIENT);
                    break;
                }
                }
            }
            if (bound != SQLITE_OK) {
                throw engineError(db, sql);
            }
        }
        if (trace) {
            trace(sql, sent);
        }
        const EngineRow row(prepared);
        for (;;) {
            // Binding and the caller's work on the last row may have gone through Qt's hashes.
            UpperVectorState::clear();
            const int stepped = sqlite3_step(prepared);
            if (stepped == SQLITE_DONE) {
                return;
            }
            if (stepped != SQLITE_ROW) {
                throw engineError(db, sql);
            }
            ++rowsDelivered;
            onRow(row);
        }
    }

    DatabaseError engineError(sqlite3* db, const QString& sql) {
        return errorFrom(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(db)),
                                   QSqlError::StatementError,
                                   QString::number(sqlite3_extended_errcode(db))),
                         sql);
    }
};

namespace {
thread_local Database::StatementTrace traceForNewDatabases;
} // namespace

int StreamedRow::integer(int column) const {
    if (qint64 number = 0; wholeNumber(column, number) &&
                           number >= std::numeric_limits<int>::min() &&
                           number <= std::numeric_limits<int>::max()) {
        return int(number);
    }
    return detail::integerField(value(column), column);
}

QString StreamedRow::text(int column) const {
    if (QByteArrayView bytes; utf8(column, bytes)) {
        return QString::fromUtf8(bytes);
    }
    return detail::textField(value(column));
}

QDateTime StreamedRow::dateTime(int column) const {
    if (QByteArrayView bytes; utf8(column, bytes)) {
        return TimeText::fromStorage(bytes);
    }
    return TimeText::fromStorage(value(column));
}

Database::Database(std::unique_ptr<Impl> impl)
    : d(std::move(impl)) {
    d->trace = traceForNewDatabases;
}
Database::~Database() = default;

bool Database::isServerLocation(const QString& location) {
    return ServerAddress::isServerUrl(location);
}

QString Database::displayLocation(const QString& location) {
    if (!isServerLocation(location)) {
        return QDir::toNativeSeparators(location);
    }
    return ServerAddress::shown(location);
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

} // namespace

// A read-write connection to an SQLite file, waiting the engine wait for locks. A failure to
// open is said in words where it can be, else as the fallback kind.
std::unique_ptr<Database::Impl> Database::connectSqlite(const QString& path,
                                                        DatabaseError::Kind fallback,
                                                        const QString& failurePrefix) {
    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = path;
    impl->engine = Engine::SQLite;
    auto db = addSqlite(impl->connectionName, path,
                        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(EngineWait.count()));
    if (!db->open()) {
        // The connection goes with impl.
        throw sqliteFailure(path, db->lastError(), fallback, {}, failurePrefix);
    }
    impl->identity = SqliteFile::identityOf(path);
    if (!isNetworkFileSystem(path)) {
        impl->writeWatch.emplace(path);
    }
    return impl;
}

namespace {

QString newerSchemaMessage(const QString& shown, int version) {
    return QCoreApplication::translate(
               "Database", "The database %1 was made by a newer version of Quillhour (schema %2; "
                           "this version knows schema %3 and older). Use the newer version.")
        .arg(shown)
        .arg(version)
        .arg(Schema::CurrentVersion);
}

} // namespace

namespace DatabaseInternals {

QStringList missingParts(const QHash<QString, QSet<QString>>& columnsByTable) {
    QStringList missing;
    for (const auto& table : Schema::tables()) {
        const auto found = columnsByTable.constFind(table.name.toLower());
        if (found == columnsByTable.constEnd()) {
            missing.append(table.name);
            continue;
        }
        for (const QString& column : table.columns) {
            if (!found->contains(column.toLower())) {
                missing.append(table.name + QLatin1Char('.') + column);
            }
        }
    }
    return missing;
}

void readSqliteFile(const QString& path, const SqliteLook& look) {
    const QString name = nextConnectionName();
    std::optional<DatabaseError> failure;
    {
        const SqliteFile::ReadOnlyOpen how =
            SqliteFile::readOnlyOpen(path, int(Database::BusyTimeout.count()));
        auto db = addSqlite(name, how.name, how.options);
        auto fail = [&](const QSqlError& error) {
            throw sqliteFailure(path, error, DatabaseError::Kind::NotADatabase, {},
                                QCoreApplication::translate(
                                    "Database", "The file %1 could not be read as a database: ")
                                    .arg(QDir::toNativeSeparators(path)));
        };
        try {
            if (!db->open()) {
                fail(db->lastError());
            }
            look(*db, fail);
        } catch (const DatabaseError& error) {
            failure = error;
        }
        db->close();
    }
    QSqlDatabase::removeDatabase(name);
    if (failure) {
        throw *failure;
    }
}

QHash<QString, QSet<QString>> sqliteColumns(QSqlDatabase& db, const SqliteFailure& fail) {
    QStringList tables;
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("select name from sqlite_master where type = 'table'"))) {
            fail(query.lastError());
        }
        while (query.next()) {
            tables.append(query.value(0).toString().toLower());
        }
        if (query.lastError().isValid()) {
            fail(query.lastError());
        }
    }
    QHash<QString, QSet<QString>> columnsByTable;
    for (const auto& table : Schema::tables()) {
        if (!tables.contains(table.name.toLower())) {
            continue;
        }
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("select * from \"%1\" where 1 = 0").arg(table.name))) {
            fail(query.lastError());
        }
        QSet<QString>& columns = columnsByTable[table.name.toLower()];
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) {
            columns.insert(record.fieldName(i).toLower());
        }
    }
    return columnsByTable;
}

QHash<QString, QSet<QString>> serverColumns(Database& database) {
    QHash<QString, QSet<QString>> columnsByTable;
    const ResultSet rows = database.query(
        QStringLiteral("select table_name, column_name from information_schema.columns "
                       "where table_schema = current_schema()"));
    for (const Row row : rows) {
        columnsByTable[row.text(0).toLower()].insert(row.text(1).toLower());
    }
    return columnsByTable;
}

} // namespace DatabaseInternals

using namespace DatabaseInternals;

namespace {

QString notQuillhourMessage(const QString& what, const QStringList& missing) {
    return QCoreApplication::translate(
               "Database", "%1 is a database, but not a Quillhour database: it lacks %2.")
        .arg(what, missing.join(QStringLiteral(", ")));
}

// What the file is, told without writing anything: a database at all, undamaged as far as its
// size shows, with our tables, of a schema this version knows.
void probeSqliteFile(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const SqliteFile::Facts facts = SqliteFile::inspect(path);
    if (!facts.readable) {
        throw DatabaseError(
            DatabaseError::Kind::NoAccess,
            QCoreApplication::translate("Database",
                                        "The database %1 cannot be read (%2). Ask its owner for "
                                        "access, or choose another database.")
                .arg(shown, facts.unreadableReason));
    }
    if (facts.size == 0) {
        throw DatabaseError(
            DatabaseError::Kind::NotADatabase,
            QCoreApplication::translate("Database", "The file %1 is empty: it holds no database.")
                .arg(shown));
    }
    if (!facts.sqliteHeader) {
        throw DatabaseError(
            DatabaseError::Kind::NotADatabase,
            QCoreApplication::translate("Database", "The file %1 is not a database.").arg(shown));
    }
    if (const QString damage = SqliteFile::damage(facts); !damage.isEmpty()) {
        throw damagedError(shown, damage);
    }
    readSqliteFile(path, [&](QSqlDatabase& db, const SqliteFailure& fail) {
        const QStringList missing = missingParts(sqliteColumns(db, fail));
        if (!missing.isEmpty()) {
            throw DatabaseError(
                DatabaseError::Kind::NotQuillhour,
                notQuillhourMessage(
                    QCoreApplication::translate("Database", "The file %1").arg(shown), missing));
        }
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
            fail(query.lastError());
        }
        const int version = query.value(0).toInt();
        if (version > Schema::CurrentVersion) {
            throw DatabaseError(DatabaseError::Kind::NotQuillhour,
                                newerSchemaMessage(shown, version));
        }
    });
}

} // namespace

// Connects to a PostgreSQL database. Nothing is written: the driver only sets the session's
// encoding and date style.
std::unique_ptr<Database::Impl> Database::Impl::connectToServer(const QString& location,
                                                                Access access) {
    ServerAddress address;
    QString problem;
    if (!ServerAddress::parse(location, address, problem)) {
        throw DatabaseError(DatabaseError::Kind::Connection, problem);
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        throw DatabaseError(DatabaseError::Kind::Connection,
                            QCoreApplication::translate(
                                "Database", "Quillhour cannot reach %1: the PostgreSQL driver for "
                                            "Qt is not installed (Debian package "
                                            "libqt6sql6-psql).")
                                .arg(Database::displayLocation(location)));
    }
    QStringList options = address.options;
    auto hasOption = [&](const QString& keyword) {
        return std::any_of(options.begin(), options.end(), [&](const QString& option) {
            return option.startsWith(keyword + QLatin1Char('='));
        });
    };
    if (!hasOption(QStringLiteral("connect_timeout"))) {
        options.append(QStringLiteral("connect_timeout=%1").arg(ConnectTimeoutSeconds));
    }
    if (!hasOption(QStringLiteral("application_name"))) {
        options.append(QStringLiteral("application_name=Quillhour"));
    }

    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = location.trimmed();
    impl->password = address.password;
    impl->engine = Engine::PostgreSQL;
    impl->readOnly = access == Access::ReadOnly;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), impl->connectionName);
    db.setHostName(address.host);
    db.setPort(address.port);
    db.setUserName(address.user);
    db.setPassword(address.password);
    db.setDatabaseName(address.database);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        throw impl->connectFailure(error);
    }
    impl->configureSession();
    return impl;
}

namespace {

// A server database that holds Quillhour's tables, of a schema this version knows.
void checkServerTables(Database& database) {
    const QString shown =
        QCoreApplication::translate("Database", "The database %1").arg(database.location());
    const QStringList missing = missingParts(serverColumns(database));
    if (!missing.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::NotQuillhour, notQuillhourMessage(shown, missing));
    }
    const int version = Schema::version(database);
    if (version > Schema::CurrentVersion) {
        throw DatabaseError(DatabaseError::Kind::NotQuillhour,
                            newerSchemaMessage(database.location(), version));
    }
}

// The path of an SQLite file that is there and is a Quillhour database, told without writing
// anything.
QString existingSqliteFile(const QString& location) {
    const QString path = location.trimmed();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        throw DatabaseError(DatabaseError::Kind::Missing,
                            QCoreApplication::translate("Database", "There is no database at %1.")
                                .arg(path.isEmpty()
                                         ? QCoreApplication::translate("Database", "an empty path")
                                         : QDir::toNativeSeparators(path)));
    }
    if (!info.isFile()) {
        throw DatabaseError(
            DatabaseError::Kind::NotADatabase,
            QCoreApplication::translate("Database", "%1 is a folder, not a database file.")
                .arg(QDir::toNativeSeparators(path)));
    }
    probeSqliteFile(path);
    return path;
}

} // namespace

std::unique_ptr<Database> Database::open(const QString& location) {
    if (isServerLocation(location)) {
        std::unique_ptr<Database> database(new Database(Impl::connectToServer(location)));
        checkServerTables(*database);
        Schema::upgrade(*database);
        return database;
    }
    const QString path = existingSqliteFile(location);
    // Refused before the engine opens it for writing, which would make its working files.
    if (const QString problem = SqliteFile::writeProblem(path); !problem.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::ReadOnly, problem);
    }
    std::unique_ptr<Database> database(new Database(connectSqlite(
        path, DatabaseError::Kind::Connection,
        QCoreApplication::translate("Database", "The database %1 could not be opened: ")
            .arg(QDir::toNativeSeparators(path)))));
    database->execute(QStringLiteral("PRAGMA synchronous = NORMAL"));
    Schema::upgrade(*database);
    return database;
}

std::unique_ptr<Database> Database::openReadOnly(const QString& location) {
    if (isServerLocation(location)) {
        std::unique_ptr<Database> database(
            new Database(Impl::connectToServer(location, Impl::Access::ReadOnly)));
        checkServerTables(*database);
        return database;
    }
    const QString path = existingSqliteFile(location);
    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = path;
    impl->engine = Engine::SQLite;
    impl->readOnly = true;
    const SqliteFile::ReadOnlyOpen how = SqliteFile::readOnlyOpen(path, int(EngineWait.count()));
    auto db = addSqlite(impl->connectionName, how.name, how.options);
    if (!db->open()) {
        throw sqliteFailure(
            path, db->lastError(), DatabaseError::Kind::Connection, {},
            QCoreApplication::translate("Database", "The database %1 could not be opened: ")
                .arg(QDir::toNativeSeparators(path)));
    }
    impl->identity = SqliteFile::identityOf(path);
    return std::unique_ptr<Database>(new Database(std::move(impl)));
}

std::unique_ptr<Database> Database::create(const QString& location) {
    if (isServerLocation(location)) {
        std::unique_ptr<Database> database(new Database(Impl::connectToServer(location)));
        // The check and the tables share one transaction: a failure half-way, or a second
        // program creating at the same moment, leaves the database as it was.
        database->transaction([&] {
            const qint64 tables =
                database
                    ->scalar(QStringLiteral("select count(*) from pg_catalog.pg_tables where "
                                            "schemaname not in ('pg_catalog', "
                                            "'information_schema')"))
                    .toLongLong();
            if (tables > 0) {
                throw DatabaseError(DatabaseError::Kind::AlreadyExists,
                                    QCoreApplication::translate(
                                        "Database", "The database %1 already holds tables; "
                                                    "Quillhour makes its tables only in an empty "
                                                    "database.")
                                        .arg(database->location()));
            }
            Schema::create(*database);
        });
        return database;
    }
    const QString path = location.trimmed();
    if (path.isEmpty()) {
        throw DatabaseError(
            DatabaseError::Kind::Missing,
            QCoreApplication::translate("Database", "No path was given for the new database."));
    }
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        throw DatabaseError(DatabaseError::Kind::AlreadyExists,
                            QCoreApplication::translate(
                                "Database", "%1 already exists; Quillhour will not overwrite it.")
                                .arg(QDir::toNativeSeparators(path)));
    }
    if (!SqliteFile::prepareNew(path)) {
        throw DatabaseError(
            DatabaseError::Kind::ReadOnly,
            QCoreApplication::translate("Database", "The folder %1 could not be created.")
                .arg(QDir::toNativeSeparators(info.absolutePath())));
    }

    auto removeFiles = [path] {
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                      QStringLiteral("-journal")}) {
            QFile::remove(path + suffix);
        }
    };

    std::unique_ptr<Impl> impl;
    try {
        impl = connectSqlite(
            path, DatabaseError::Kind::ReadOnly,
            QCoreApplication::translate("Database", "The database %1 could not be created: ")
                .arg(QDir::toNativeSeparators(path)));
    } catch (const DatabaseError&) {
        removeFiles();
        throw;
    }
    std::unique_ptr<Database> database(new Database(std::move(impl)));
    try {
        const QString mode =
            database->scalar(QStringLiteral("PRAGMA journal_mode = WAL")).toString().toLower();
        if (mode != QLatin1String("wal")) {
            throw DatabaseError(DatabaseError::Kind::Statement,
                                QCoreApplication::translate(
                                    "Database", "The new database could not be switched to "
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

QString Database::dayOf(const QString& column) const {
    if (d->engine == Engine::PostgreSQL) {
        return QStringLiteral("to_char(%1, 'YYYY-MM-DD')").arg(column);
    }
    // Stored text starts with the day: "yyyy-MM-dd HH:mm:ss".
    return QStringLiteral("substr(%1, 1, 10)").arg(column);
}

QString Database::dayStart(const QString& moment, const QString& days) const {
    if (d->engine == Engine::PostgreSQL) {
        return QStringLiteral(
                   "(date_trunc('day', cast(%1 as timestamp)) + (%2) * interval '1 day')")
            .arg(moment, days);
    }
    // Plain calendar arithmetic on the stored text: no time zone enters, so a day is a day on
    // the wall clock even when the clocks change. The bare date is the least text of its day.
    return QStringLiteral("date(%1, (%2) || ' days')").arg(moment, days);
}

QString Database::dayEnd(const QString& moment, const QString& days) const {
    if (d->engine == Engine::PostgreSQL) {
        return QStringLiteral(
                   "(date_trunc('day', cast(%1 as timestamp)) + ((%2) + 1) * interval '1 day')")
            .arg(moment, days);
    }
    // Above the day's text followed by a blank or "T" and a time, below the next day's text and
    // below the day's text followed by a letter (text that is no date-time of that day).
    return QStringLiteral("(date(%1, (%2) || ' days') || 'U')").arg(moment, days);
}

namespace {

// Tells the wait observer that a wait for a lock began, once, and that it ended.
class WaitSignal {
public:
    explicit WaitSignal(const std::function<void(bool)>& observer)
        : m_observer(observer) {}
    ~WaitSignal() {
        if (m_waiting && m_observer) {
            m_observer(false);
        }
    }
    WaitSignal(const WaitSignal&) = delete;
    WaitSignal& operator=(const WaitSignal&) = delete;
    void waiting() {
        if (!m_waiting && m_observer) {
            m_observer(true);
        }
        m_waiting = true;
    }

private:
    const std::function<void(bool)>& m_observer;
    bool m_waiting = false;
};

} // namespace

ResultSet Database::run(const QString& sql, const QVariantList& params,
                        const std::function<void(const QVariantList&)>& onRow) {
    return retried([&] { return d->runOnce(sql, params, onRow); });
}

ResultSet Database::retried(const std::function<ResultSet()>& once) {
    WaitSignal wait(d->waitObserver);
    const QDeadlineTimer deadline(d->patience);
    for (int attempt = 0;; ++attempt) {
        d->rowsDelivered = 0;
        try {
            return once();
        } catch (const DatabaseError& error) {
            if (d->transactionDepth > 0 && !d->transactionFailure) {
                d->transactionFailure = error;
            }
            // Inside a transaction the whole transaction is retried, not one statement of it;
            // rows already handed on cannot be taken back.
            if (d->transactionDepth > 0 || d->rowsDelivered > 0 || !error.isRetryable() ||
                deadline.hasExpired()) {
                throw;
            }
            wait.waiting();
            pause(attempt, deadline);
        }
    }
}

void Database::execute(const QString& sql, const QVariantList& params) {
    run(sql, params);
}

ResultSet Database::query(const QString& sql, const QVariantList& params) {
    return run(sql, params);
}

void Database::queryEach(const QString& sql, const QVariantList& params,
                         const std::function<void(const QVariantList&)>& onRow) {
    run(sql, params, onRow);
}

void Database::readEach(const QString& sql, const QVariantList& params,
                        const std::function<void(const StreamedRow&)>& onRow) {
    if (d->engine != Engine::SQLite) {
        run(sql, params, [&](const QVariantList& values) { onRow(ListedRow(values)); });
        return;
    }
    retried([&] {
        d->streamSqlite(sql, params, onRow);
        return ResultSet();
    });
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
    auto rollback = [this] {
        try {
            d->runOnce(QStringLiteral("ROLLBACK"), {});
        } catch (const DatabaseError&) {
            // The engine may already have rolled back; the original error is what counts.
        }
    };
    bool reconnected = false;
    WaitSignal wait(d->waitObserver);
    const QDeadlineTimer deadline(d->patience);
    for (int attempt = 0;; ++attempt) {
        bool begun = false;
        bool committing = false;
        try {
            d->transactionFailure.reset();
            d->runOnce(begin, {});
            begun = true;
            d->transactionDepth = 1;
            work();
            // Work that caught a failed statement and went on is not committed: PostgreSQL
            // would answer COMMIT with a silent rollback, SQLite would keep half the work.
            if (d->transactionFailure) {
                throw DatabaseError(*d->transactionFailure);
            }
            committing = true;
            d->runOnce(QStringLiteral("COMMIT"), {});
            d->transactionDepth = 0;
            return;
        } catch (const DatabaseError& thrown) {
            d->transactionDepth = 0;
            // The first failure is the cause; on PostgreSQL every later statement only says that
            // the transaction is aborted.
            const DatabaseError error = d->transactionFailure.value_or(thrown);
            d->transactionFailure.reset();
            // A connection lost before COMMIT was sent took the open transaction with it, so
            // the work can run once more on a new connection. After COMMIT was sent nobody
            // knows whether it arrived: that is reported, never repeated.
            const bool lost = error.kind() == DatabaseError::Kind::Connection;
            if (begun && !lost) {
                rollback();
            }
            if (lost && !committing && !reconnected && d->engine == Engine::PostgreSQL) {
                reconnected = true;
                continue;
            }
            if (!error.isRetryable() || deadline.hasExpired()) {
                throw error;
            }
            wait.waiting();
            pause(attempt, deadline);
        } catch (...) {
            d->transactionDepth = 0;
            d->transactionFailure.reset();
            if (begun) {
                rollback();
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

Database::Patience::Patience(Database& database, std::chrono::milliseconds wait)
    : m_database(database)
    , m_previous(database.patience()) {
    database.setPatience(wait);
}

Database::Patience::~Patience() {
    m_database.setPatience(m_previous);
}

std::chrono::milliseconds Database::patience() const {
    return d->patience;
}

void Database::setPatience(std::chrono::milliseconds wait) {
    d->patience = std::max(wait, std::chrono::milliseconds(0));
}

void Database::setWaitObserver(std::function<void(bool)> observer) {
    d->waitObserver = std::move(observer);
}

const std::function<void(bool)>& Database::waitObserver() const {
    return d->waitObserver;
}

void Database::verifyFile() {
    d->verifyFile();
    if (d->stopped) {
        throw *d->stopped;
    }
}

std::optional<DatabaseError> Database::writingStopped() const {
    return d->stopped;
}

void Database::setStatementTrace(StatementTrace trace) {
    d->trace = std::move(trace);
}

void Database::setTraceForNewDatabases(StatementTrace trace) {
    traceForNewDatabases = std::move(trace);
}
