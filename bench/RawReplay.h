#pragma once

#include "data/Database.h"

#include <QString>
#include <QVariantList>
#include <memory>
#include <vector>

// One statement as the program sent it: its text and the values bound to it, in the form the
// engine received them.
struct SentStatement {
    QString sql;
    QVariantList values;
};

// Captures what a database sends while it lives: the statements of one run of a figure's work.
// With newDatabases, also what every database opened on this thread in the meantime sends (a
// start-up opens its own).
class StatementLog {
public:
    explicit StatementLog(Database& database);
    struct NewDatabases {};
    explicit StatementLog(NewDatabases);
    ~StatementLog();
    StatementLog(const StatementLog&) = delete;
    StatementLog& operator=(const StatementLog&) = delete;

    // Stops capturing and hands over what was sent.
    std::vector<SentStatement> take();

private:
    Database* m_database = nullptr;
    bool m_newDatabases = false;
    std::shared_ptr<std::vector<SentStatement>> m_sent;
};

// The same statements without the program: replayed on a connection of their own through the
// engine's C library (SQLite's C API, or libpq for PostgreSQL) in a bare loop. Each distinct
// text is prepared once; a run binds each statement's values, steps through every row reading
// every column, and resets it. What the program adds on top of this is its own cost.
class RawReplay {
public:
    // A file path or a postgresql:// URL, as Database::open takes.
    static std::unique_ptr<RawReplay> connect(const QString& location);
    virtual ~RawReplay() = default;

    // Prepares each distinct text not prepared yet and converts the values to the engine's C
    // form, ready for run(). Throws std::runtime_error with the engine's message.
    virtual void load(const std::vector<SentStatement>& statements) = 0;
    // Runs the loaded statements once, in order; returns the rows read. Throws
    // std::runtime_error when a statement fails.
    virtual quint64 run() = 0;

protected:
    RawReplay() = default;
};

// PostgreSQL takes numbered placeholders: "a = ? and b = '?'" becomes "a = $1 and b = '?'".
QString numberedPlaceholders(const QString& sql);
