#pragma once

#include "data/Database.h"
#include "data/SqliteFile.h"
#include "data/TextHash.h"
#include "data/TimeText.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <unordered_map>

class QSqlError;
struct sqlite3;

// The connection behind a Database: the engine's connection, the statements prepared on it, the
// values bound to them, and what is known of the connection's health. Not for use outside
// src/data.
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
    PauseFunction pauser;
    // SQLite: the file that was opened, how it was last seen written (not watched on a network
    // file system, whose other computers' checkpoints this one never sees), and, once it is
    // lost or found damaged, why nothing more is written. A file copied over in place cannot
    // even be read any more: this connection would mix its pages with the log of the old one.
    SqliteFile::Identity identity;
    std::optional<SqliteFile::WriteWatch> writeWatch;
    QByteArray header; // the file's header as last seen written by the engine
    std::optional<DatabaseError> stopped;
    bool readsStopped = false;
    bool readOnly = false; // opened by openReadOnly: the engine refuses every write
    StatementTrace trace;

    ~Impl();

    QSqlDatabase connection() const { return QSqlDatabase::database(connectionName, false); }

    enum class Access { ReadWrite, ReadOnly };
    static std::unique_ptr<Impl> connectToServer(const QString& location,
                                                 Access access = Access::ReadWrite);

    QString shownLocation() const { return displayLocation(location); }
    QString scrub(QString text) const;

    // What the engines' failures mean to a person.
    DatabaseError connectFailure(const QSqlError& error) const;
    DatabaseError errorFrom(const QSqlError& error, const QString& statement);
    DatabaseError engineError(sqlite3* db, const QString& sql);

    bool connectionLost(const QString& code) const;
    DatabaseError stop(DatabaseError error);
    void configureSession();
    void lose(const QString& what);
    void damagedOnDisk();
    void keepLogAtClose();
    void verifyFile();
    void checkUsable(const QString& sql);
    void ensureConnected();
    void dropStatements();

    // Every statement binds its values through here, so they stay inline beside their callers.
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

    QSqlQuery& prepared(const QString& sql);
    [[noreturn]] void fail(QSqlQuery& query, const QString& sql, bool cached);

    // Runs a statement once. Its rows go to onRow as they are read when it is given (nothing is
    // kept then), else into the result.
    ResultSet runOnce(const QString& sql, const QVariantList& params,
                      const std::function<void(const QVariantList&)>& onRow = {});
    // The rows of a statement that has run, handed to onRow or kept in the result.
    ResultSet readRows(QSqlQuery& query, const QString& sql, bool cached,
                       const std::function<void(const QVariantList&)>& onRow);
    // Runs a read on SQLite through the engine's own interface on this connection, handing each
    // row on as the engine steps to it. The statement is prepared for this read and finalized
    // when it ends, however it ends, so no lock outlives it.
    void streamSqlite(const QString& sql, const QVariantList& params,
                      const std::function<void(const StreamedRow&)>& onRow);
};

namespace DatabaseInternals {

// A name no other connection of this program has.
QString nextConnectionName();
// An SQLite connection that is set up but not opened yet.
std::unique_ptr<QSqlDatabase> addSqlite(const QString& name, const QString& path,
                                        const QString& options);

} // namespace DatabaseInternals
