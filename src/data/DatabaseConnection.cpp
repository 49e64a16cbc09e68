#include "data/DatabaseConnection.h"

#include "data/StorableText.h"
#include "data/UpperVectorState.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <sqlite3.h>

namespace {

constexpr std::size_t StatementCacheLimit = 256;

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

// PostgreSQL prepares only these; everything else (BEGIN, COMMIT, CREATE, COMMENT, SET) is sent
// as it is.
bool isPreparable(const QString& sql) {
    static const QRegularExpression dml(
        QStringLiteral("^\\s*(select|insert|update|delete|with|values)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return dml.match(sql).hasMatch();
}

} // namespace

Database::Impl::~Impl() {
    statements.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isValid()) {
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connectionName);
}

QString Database::Impl::scrub(QString text) const {
    // libpq does not repeat passwords, but a message is no place to find out otherwise.
    if (password.size() >= 3) {
        text.replace(password, QStringLiteral("********"));
    }
    return text;
}

// Whether a failed statement failed because the connection is gone. The driver does not
// always say so: a server that shut down answers with 57P01 or not at all (no SQLSTATE), and
// only a try tells a dead connection from a statement the server refused.
bool Database::Impl::connectionLost(const QString& code) const {
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
DatabaseError Database::Impl::stop(DatabaseError error) {
    if (!stopped) {
        stopped = error;
    }
    return error;
}

// A server session waits no longer than the engine wait for a lock; the caller decides
// whether to try again.
void Database::Impl::configureSession() {
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

void Database::Impl::lose(const QString& what) {
    stopped = DatabaseError(
        DatabaseError::Kind::Lost,
        QCoreApplication::translate(
            "Database", "The database file %1 %2 while Quillhour was using it. To keep both "
                        "safe, Quillhour writes nothing more to it, so nothing you do from now "
                        "on is saved. Restart Quillhour once the right database is back in "
                        "its place.")
            .arg(shownLocation(), what));
}

void Database::Impl::damagedOnDisk() {
    stopped = DatabaseError(
        DatabaseError::Kind::Damaged,
        QCoreApplication::translate(
            "Database", "The database file %1 was damaged while Quillhour was using it: some "
                        "of its pages were changed on the disk by something other than the "
                        "database engine. To keep what is left safe, Quillhour neither reads "
                        "nor writes it any more and leaves its working files beside it as they "
                        "are, so nothing you do from now on is saved. Check the database "
                        "(quillhour --check-database) before you start Quillhour on it again.")
            .arg(shownLocation()));
}

// The engine copies the log into the file when its last connection closes. Into a file that is
// no longer the database the log belongs to, or one whose pages are damaged, that would mix the
// two for good; left beside it, the log still holds every change committed to it.
void Database::Impl::keepLogAtClose() {
    const QVariant handle = connection().driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        if (sqlite3* db = *static_cast<sqlite3* const*>(handle.constData()); db != nullptr) {
            sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, static_cast<int*>(nullptr));
        }
    }
}

// SQLite: whether the file at the location is still the one that was opened. Whatever is found,
// the program only stops: the engine's own files beside the database are never touched, since
// what looks like a replaced file may be a damaged one whose good pages live only in the log.
void Database::Impl::verifyFile() {
    if (engine != Engine::SQLite || !identity.exists || readsStopped ||
        (stopped && stopped->kind() == DatabaseError::Kind::Lost)) {
        return;
    }
    const SqliteFile::Identity now = SqliteFile::identityOf(location);
    if (now != identity) {
        // The log stays beside the path, where the right database finds it again once it is
        // put back.
        keepLogAtClose();
        lose(now.exists ? QCoreApplication::translate("Database", "was replaced by another file")
                        : QCoreApplication::translate("Database", "was deleted"));
        return;
    }
    if (!writeWatch) {
        return;
    }
    if (!writeWatch->writtenBehindTheEngine()) {
        header = writeWatch->header();
        return;
    }
    // Neither can be read through this connection any more: its pages no longer match the
    // log it knows.
    readsStopped = true;
    keepLogAtClose();
    if (SqliteFile::judgeOverwrite(header, writeWatch->header()) ==
        SqliteFile::Overwrite::Replaced) {
        lose(QCoreApplication::translate("Database", "was replaced by another file"));
    } else {
        damagedOnDisk();
    }
}

// Writing stops for good once the file is lost or damaged; reading too once another file
// was copied over it.
void Database::Impl::checkUsable(const QString& sql) {
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
void Database::Impl::ensureConnected() {
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
void Database::Impl::dropStatements() {
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context,
                                         const QString& message) {
        if (type == QtWarningMsg && message.startsWith(QLatin1String("Unable to free statement"))) {
            return;
        }
        if (previous != nullptr) {
            previous(type, context, message);
        }
    });
    statements.clear();
    qInstallMessageHandler(previous);
}

QSqlQuery& Database::Impl::prepared(const QString& sql) {
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

void Database::Impl::fail(QSqlQuery& query, const QString& sql, bool cached) {
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

ResultSet Database::Impl::runOnce(const QString& sql, const QVariantList& params,
                                  const std::function<void(const QVariantList&)>& onRow) {
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
    ResultSet result = readRows(*query, sql, direct == nullptr, onRow);
    query->finish();
    return result;
}

ResultSet Database::Impl::readRows(QSqlQuery& query, const QString& sql, bool cached,
                                   const std::function<void(const QVariantList&)>& onRow) {
    if (!query.isSelect()) {
        return {};
    }
    const QSqlRecord record = query.record();
    QStringList columns;
    columns.reserve(record.count());
    for (int i = 0; i < record.count(); ++i) {
        columns.append(record.fieldName(i));
    }
    ResultSet result(columns);
    const int width = int(columns.size());
    const bool normalise = engine == Engine::PostgreSQL;
    while (query.next()) {
        QVariantList values;
        values.reserve(width);
        for (int i = 0; i < width; ++i) {
            values.append(normalise ? fromEngine(query.value(i)) : query.value(i));
        }
        if (onRow) {
            ++rowsDelivered;
            try {
                onRow(values);
            } catch (...) {
                query.finish(); // no lock stays held by a reader that gave up
                throw;
            }
        } else {
            result.appendRow(std::move(values));
        }
    }
    if (query.lastError().isValid()) {
        fail(query, sql, cached);
    }
    return result;
}
