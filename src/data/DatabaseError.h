#pragma once

#include <QString>
#include <stdexcept>

// The one error the data layer throws: the engine's own message, the statement that failed, and
// what kind of failure it was, so callers can tell "file missing" from "locked" without parsing
// text.
class DatabaseError : public std::runtime_error {
public:
    enum class Kind {
        Statement,     // the engine refused a statement
        Missing,       // no database at the given location
        NotADatabase,  // the file is not a database at all
        NotQuillhour,  // a database, but without Quillhour's tables
        ReadOnly,      // the file or its folder cannot be written
        AlreadyExists, // creation refused: something is already there
        Connection,    // the engine could not be reached or the connection was lost
        Busy,          // the database stayed locked by another program
    };

    DatabaseError(Kind kind, const QString& message, const QString& statement = {},
                  const QString& nativeCode = {});

    Kind kind() const { return m_kind; }
    // The engine's message, or ours for the kinds the engine does not report.
    const QString& message() const { return m_message; }
    // The statement that failed, when one did.
    const QString& statement() const { return m_statement; }
    // The engine's own error code (an SQLite result code or a PostgreSQL SQLSTATE).
    const QString& nativeCode() const { return m_nativeCode; }

    // A failure that goes away when the same work is tried again a moment later.
    bool isRetryable() const;

private:
    Kind m_kind;
    QString m_message;
    QString m_statement;
    QString m_nativeCode;
};
