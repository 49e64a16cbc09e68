#pragma once

#include "data/DatabaseError.h"

#include <QString>

class QSqlError;

// How the engines' failures are said to a person: the same words for the same trouble, whichever
// engine reported it. Not for use outside src/data.
namespace DatabaseInternals {

// What a person reads when another program holds the database: the same words whichever engine
// said "locked".
DatabaseError busyError(const QString& shown, const QString& statement, const QString& code);
DatabaseError diskFullError(const QString& shown, const QString& statement = {},
                            const QString& code = {});
// detail says what shows the damage, in words that follow "is damaged: ".
DatabaseError damagedError(const QString& shown, const QString& detail,
                           const QString& statement = {}, const QString& code = {});
// An SQLite failure in words: a lock, a full disk, damage, or a file or folder that cannot be
// written are said as such; anything else is the fallback kind with the engine's own text after
// the prefix.
DatabaseError sqliteFailure(const QString& path, const QSqlError& error,
                            DatabaseError::Kind fallback, const QString& statement = {},
                            const QString& prefix = {});
// The server's own words without the decoration: "ERROR:  " or "FATAL:  " before them and the
// SQLSTATE in brackets at the end.
QString serverMessage(const QSqlError& error);

} // namespace DatabaseInternals
