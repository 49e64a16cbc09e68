#include "data/EngineErrors.h"

#include "data/BillingSchema.h"
#include "data/ConnectFailure.h"
#include "data/DatabaseConnection.h"
#include "data/Refusal.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSqlError>
#include <sqlite3.h>

namespace DatabaseInternals {

DatabaseError busyError(const QString& shown, const QString& statement, const QString& code) {
    return DatabaseError(DatabaseError::Kind::Busy,
                         QCoreApplication::translate(
                             "Database", "Another program is holding the database %1 locked.")
                             .arg(shown),
                         statement, code);
}

DatabaseError diskFullError(const QString& shown, const QString& statement, const QString& code) {
    return DatabaseError(DatabaseError::Kind::DiskFull,
                         QCoreApplication::translate(
                             "Database", "The disk that holds the database %1 is full, so "
                                         "Quillhour cannot save to it. Make room on the disk; "
                                         "until then nothing more is saved.")
                             .arg(shown),
                         statement, code);
}

DatabaseError damagedError(const QString& shown, const QString& detail, const QString& statement,
                           const QString& code) {
    return DatabaseError(DatabaseError::Kind::Damaged,
                         QCoreApplication::translate(
                             "Database", "The database %1 is damaged: %2. Quillhour writes "
                                         "nothing to it. Check it with \"quillhour "
                                         "--check-database %1\" and restore it from a backup.")
                             .arg(shown, detail),
                         statement, code, detail);
}

DatabaseError sqliteFailure(const QString& path, const QSqlError& error,
                            DatabaseError::Kind fallback, const QString& statement,
                            const QString& prefix) {
    const QString shown = QDir::toNativeSeparators(path);
    const QString code = error.nativeErrorCode();
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) {
        text = error.text().trimmed();
    }
    // The database's own trigger on time in a closed period: the program says which period
    // before it writes; another program's write lands here.
    if (text.contains(QLatin1String(Schema::ClosedPeriodMarker))) {
        return DatabaseError(
            DatabaseError::Kind::Refused,
            QCoreApplication::translate("Database",
                                        "This time lies in a closed period: it cannot be added, "
                                        "changed or deleted."),
            statement, code, text);
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

} // namespace DatabaseInternals

using namespace DatabaseInternals;

DatabaseError Database::Impl::connectFailure(const QSqlError& error) const {
    return DatabaseError(
        DatabaseError::Kind::Connection,
        scrub(ConnectFailure::text(serverMessage(error), error.nativeErrorCode(), location)));
}

DatabaseError Database::Impl::errorFrom(const QSqlError& error, const QString& statement) {
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
                QCoreApplication::translate("Database", "the server reports \"%1\"").arg(message),
                statement, code));
        }
        if (connectionLost(code)) {
            broken = true;
            return DatabaseError(DatabaseError::Kind::Connection,
                                 QCoreApplication::translate(
                                     "Database",
                                     "The connection to the database server at %1 was lost: %2\n"
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
    DatabaseError failure =
        sqliteFailure(location, error,
                      error.type() == QSqlError::ConnectionError ? DatabaseError::Kind::Connection
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

DatabaseError Database::Impl::engineError(sqlite3* db, const QString& sql) {
    return errorFrom(QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(db)),
                               QSqlError::StatementError,
                               QString::number(sqlite3_extended_errcode(db))),
                     sql);
}
