#pragma once

#include "data/DatabaseError.h"
#include "data/ResultSet.h"

#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

// The open shared database. Every statement goes through here with its values bound, never
// joined into the text. Queries are finished as soon as their rows are read, so no statement
// holds a lock while the program works on the results.
//
// Values: QDateTime and QDate are bound as storage text ("yyyy-MM-dd HH:mm:ss"), booleans as the
// engine's yes/no, a null QVariant as NULL.
class Database {
public:
    enum class Engine { SQLite, PostgreSQL };

    // Opens an existing Quillhour database: a file path, or a postgresql:// URL.
    // Throws DatabaseError (Missing, NotADatabase, NotQuillhour, ReadOnly, Connection) and never
    // changes a file that is not a Quillhour database.
    static std::unique_ptr<Database> open(const QString& location);
    // Makes a new database with Quillhour's tables and look-up rows and returns it open.
    // Refuses (AlreadyExists) to touch a file that is already there.
    static std::unique_ptr<Database> create(const QString& location);

    // Whether a location names a database server rather than a file.
    static bool isServerLocation(const QString& location);
    // The location as it may be shown to a person: a server URL without its password.
    static QString displayLocation(const QString& location);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Engine engine() const;
    QString location() const; // display form

    // Runs a statement that returns no rows.
    void execute(const QString& sql, const QVariantList& params = {});
    // Runs a statement and returns all of its rows.
    ResultSet query(const QString& sql, const QVariantList& params = {});
    // The first field of the first row, or a null value when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    // Runs an INSERT and returns the id that the engine gave the new row (RETURNING idColumn).
    qint64 insert(const QString& sql, const QVariantList& params, const QString& idColumn);
    // Runs an INSERT with "RETURNING returning" appended and returns the row it gives back.
    ResultSet insertReturning(const QString& sql, const QVariantList& params,
                              const QString& returning);

    // Runs work inside one write transaction and commits it. On SQLite the transaction is opened
    // with BEGIN IMMEDIATE. When the database stays busy, or the engine reports a serialization
    // failure or deadlock, the whole of work runs again after a short pause, so work must only
    // send statements and keep its other effects until it has returned. Nested calls join the
    // outer transaction.
    void transaction(const std::function<void()>& work);
    bool inTransaction() const;

    // Statements sent to the engine since the database was opened (transaction control
    // included): a measure of the work that does not depend on the machine's speed.
    quint64 statementCount() const;

private:
    struct Impl;
    explicit Database(std::unique_ptr<Impl> impl);
    ResultSet run(const QString& sql, const QVariantList& params);
    std::unique_ptr<Impl> d;
};
