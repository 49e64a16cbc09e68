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
        DiskFull,      // the disk that holds the database has no room left
        Damaged,       // the engine found the database corrupt, or the file is cut short
        Lost,          // the file at the location is no longer the one that was opened
        NoAccess,      // the file cannot be read at all
        Refused,       // the server's rules do not let this login make the change (signed-in
                       // mode); the message is a sentence for the person
    };

    DatabaseError(Kind kind, const QString& message, const QString& statement = {},
                  const QString& nativeCode = {}, const QString& engineText = {});

    Kind kind() const { return m_kind; }
    // The engine's message, or ours for the kinds the engine does not report.
    const QString& message() const { return m_message; }
    // The statement that failed, when one did.
    const QString& statement() const { return m_statement; }
    // The engine's own error code (an SQLite result code or a PostgreSQL SQLSTATE).
    const QString& nativeCode() const { return m_nativeCode; }
    // The engine's own words, where the message says it in other words.
    const QString& engineText() const { return m_engineText; }

    // A failure that goes away when the same work is tried again a moment later.
    bool isRetryable() const;
    // A failure after which nothing more may be written: the file was lost or is damaged.
    bool stopsWriting() const { return m_kind == Kind::Lost || m_kind == Kind::Damaged; }

private:
    Kind m_kind;
    QString m_message;
    QString m_statement;
    QString m_nativeCode;
    QString m_engineText;
};
