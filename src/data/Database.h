#pragma once

#include "data/DatabaseError.h"
#include "data/ResultSet.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// One row of a read handed on as it is read (Database::readEach); valid only inside the call
// that receives it. Fields by position.
class StreamedRow {
public:
    virtual ~StreamedRow() = default;
    // The field as query() gives it.
    virtual QVariant value(int column) const = 0;
    // A whole number; a null reads as 0.
    virtual qint64 integer64(int column) const = 0;
    // The field's text as the engine holds it, in UTF-8, without making a QString of it (valid
    // until the next row); false when the field is not such text, and value() reads it.
    virtual bool utf8(int column, QByteArrayView& text) const = 0;
    // The field when the engine holds it as a whole number, read without a value made for it;
    // false for any other field (a null too), which value() reads.
    virtual bool wholeNumber(int column, qint64& number) const = 0;

    // The readings of Row (integer, text, dateTime), each as Row gives it, taken straight from
    // the engine where the field allows.
    int integer(int column) const;
    QString text(int column) const;
    QDateTime dateTime(int column) const;
    bool isNull(int column) const { return value(column).isNull(); }
};

// The open shared database. Every statement goes through here with its values bound, never
// joined into the text. Queries are finished as soon as their rows are read, so no statement
// holds a lock while the program works on the results.
//
// Values: QDateTime and QDate are bound as storage text ("yyyy-MM-dd HH:mm:ss"), booleans as the
// engine's yes/no, a null QVariant as NULL. Bind yes/no values as bool, never as 0 or 1: the
// server's boolean column takes no numbers.
//
// Reading: date-time columns come back as text on SQLite and as QDateTime on PostgreSQL (read
// them with Row::dateTime); count(*) and sums of integer columns as 64-bit integers, sums of
// wider columns and averages as double; unquoted column names in lower case on PostgreSQL, which
// ResultSet looks up without regard to case.
//
// On PostgreSQL a lost connection is reported once (DatabaseError::Kind::Connection); the next
// statement connects again. Messages never show the password.
//
// Locks: the engine waits at most EngineWait for a lock another program holds (SQLite's busy
// timeout, PostgreSQL's lock_timeout). A statement or transaction that meets one is tried again
// until its patience runs out: the busy timeout for a person's action, nothing more for timer
// work (Patience(database, 0ms)), which tries again on its next tick instead.
//
// Once the SQLite file at the location is no longer the one that was opened (deleted, another
// file put in its place or copied over it), or the engine reports the database corrupt, every
// later write is refused with that error (Kind::Lost, Kind::Damaged); reads go on, except from a
// file written over behind the engine (another copied over it, or its pages damaged), whose pages
// no longer match what this connection knows. The engine's files beside it are never touched.
class Database {
public:
    enum class Engine { SQLite, PostgreSQL };

    // How long a person's action waits, in all, for a lock held by another program.
    static constexpr std::chrono::milliseconds BusyTimeout{10000};
    // How long the engine itself waits for a lock before it answers "busy".
    static constexpr std::chrono::milliseconds EngineWait{100};

    // Sets how long statements wait for locks while it lives; the previous wait comes back after.
    class Patience {
    public:
        Patience(Database& database, std::chrono::milliseconds wait);
        ~Patience();
        Patience(const Patience&) = delete;
        Patience& operator=(const Patience&) = delete;

    private:
        Database& m_database;
        std::chrono::milliseconds m_previous;
    };

    // How the pauses between two tries at a lock are spent while it lives: in pause, which is
    // given the length of the pause and answers false when the wait is to end now (the busy
    // error is thrown then, as when patience runs out). Without one the thread sleeps.
    using PauseFunction = std::function<bool(std::chrono::milliseconds)>;
    class Pause {
    public:
        Pause(Database& database, PauseFunction pause);
        ~Pause();
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        Database& m_database;
        PauseFunction m_previous;
    };

    // What --check-database found: the lines to print, and the verdict.
    struct CheckReport {
        enum class Verdict { Sound, Damaged, NotChecked };
        Verdict verdict = Verdict::NotChecked;
        QStringList lines;
    };

    // Opens an existing Quillhour database: a file path, or a postgresql:// URL.
    // Throws DatabaseError (Missing, NotADatabase, NotQuillhour, ReadOnly, Connection) and never
    // changes a file or database that is not a Quillhour database, nor one made by a newer
    // version.
    static std::unique_ptr<Database> open(const QString& location);
    // Opens an existing Quillhour database only to read it, as reports do: a file the person may
    // only read opens too, an earlier schema is read as it is (never upgraded), and nothing is
    // written at or beside the file or on the server. The same errors as open(), but ReadOnly.
    static std::unique_ptr<Database> openReadOnly(const QString& location);
    // Makes a new database with Quillhour's tables and look-up rows and returns it open.
    // Refuses (AlreadyExists) to touch a file that is already there, or a server database that
    // already holds tables; on a server everything is made in one transaction.
    static std::unique_ptr<Database> create(const QString& location);

    // Whether a location names a database server rather than a file.
    static bool isServerLocation(const QString& location);
    // The location as it may be shown to a person: a server URL without its password.
    static QString displayLocation(const QString& location);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Engine engine() const;
    QString location() const; // display form, never with a password

    // An expression for the calendar day of a date-time column as "yyyy-MM-dd" text, the same on
    // every engine, for grouping and comparing by day:
    //   "select " + db.dayOf("startTime") + " as day, sum(duration) ... group by 1"
    QString dayOf(const QString& column) const;
    // The bounds of the calendar day a whole number of days after the day of moment (a bound
    // date-time or a date-time column), for comparing date-time columns with on every engine:
    // every value of that day, in whatever form it is stored (a bare date for midnight
    // included), is at least dayStart and less than dayEnd, and no value of another day is both:
    //   "startTime >= " + db.dayStart("?", "n") + " and startTime < " + db.dayEnd("?", "n")
    QString dayStart(const QString& moment, const QString& days) const;
    QString dayEnd(const QString& moment, const QString& days) const;

    // Runs a statement that returns no rows.
    void execute(const QString& sql, const QVariantList& params = {});
    // Runs a statement and returns all of its rows.
    ResultSet query(const QString& sql, const QVariantList& params = {});
    // Runs a statement and hands each row to onRow as it is read, keeping none of them, so
    // memory does not grow with the rows. The statement stays open (a read, holding no write
    // lock) until the last row is handed on, or until onRow throws; onRow sends no statements.
    void queryEach(const QString& sql, const QVariantList& params,
                   const std::function<void(const QVariantList& values)>& onRow);
    // As queryEach, for reads of many rows kept compactly: on SQLite each row is read straight
    // from the engine, without a value made for every field.
    void readEach(const QString& sql, const QVariantList& params,
                  const std::function<void(const StreamedRow& row)>& onRow);
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
    // outer transaction. A statement that fails inside work fails the whole transaction, even
    // when work catches the error and goes on: nothing of it is committed.
    void transaction(const std::function<void()>& work);
    bool inTransaction() const;

    // Statements sent to the engine since the database was opened (transaction control
    // included): a measure of the work that does not depend on the machine's speed.
    quint64 statementCount() const;

    // How long statements wait for a lock now (BusyTimeout unless a Patience says otherwise).
    std::chrono::milliseconds patience() const;
    void setPatience(std::chrono::milliseconds wait);
    // Told true when a statement starts waiting for a lock another program holds, and false when
    // the wait is over, so a window can show that it is busy.
    void setWaitObserver(std::function<void(bool waiting)> observer);
    const std::function<void(bool waiting)>& waitObserver() const;

    // SQLite: throws Kind::Lost, and refuses every later write, when the file at the location is
    // no longer the one that was opened. Done by itself before each write; the housekeeping tick
    // calls it too, and so also hears of damage found while reading. Throws the error that
    // stopped writing, whatever it was, once one has.
    void verifyFile();
    // The error that stopped all writing (the file lost, or damaged), if one did.
    std::optional<DatabaseError> writingStopped() const;

    // Runs the engine's integrity check on the database at location without changing it, or
    // anything beside it, and says what it found.
    static CheckReport check(const QString& location);
    // Told of every statement as it is sent: its text and the values bound to it in the form the
    // engine receives them (date-times as storage text, yes/no as 0 and 1 on SQLite). For the
    // benchmarks, which replay what the program sent; without a trace the cost is one test.
    using StatementTrace = std::function<void(const QString& sql, const QVariantList& values)>;
    void setStatementTrace(StatementTrace trace);
    // Every database opened or created on this thread while this is set starts with the trace,
    // so what a whole start-up sends can be captured; an empty trace ends it.
    static void setTraceForNewDatabases(StatementTrace trace);

private:
    struct Impl;
    explicit Database(std::unique_ptr<Impl> impl);
    static std::unique_ptr<Impl> connectSqlite(const QString& path, DatabaseError::Kind fallback,
                                               const QString& failurePrefix);
    ResultSet run(const QString& sql, const QVariantList& params,
                  const std::function<void(const QVariantList&)>& onRow = {});
    // Runs one attempt at a statement again while the database is busy, as long as patience
    // lasts and no row was handed on yet.
    ResultSet retried(const std::function<ResultSet()>& attempt);
    std::unique_ptr<Impl> d;
};
