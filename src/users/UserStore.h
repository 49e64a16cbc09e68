#pragma once

#include "data/ResultSet.h"

#include <QDateTime>
#include <QString>
#include <optional>

class Database;

// The user rules that read or change rows of the user table directly, beside the record's own
// refresh and save. Rows are read into records with user::readRow.
namespace UserStore {

// Every user row, in the order they were added (by id).
ResultSet everyUser(Database& database);
// Every user row, as the engine returns them.
ResultSet everyRow(Database& database);
// The first row of a user of exactly that name, or nothing.
std::optional<Row> findByName(Database& database, const QString& userName);
// Whether another user than exceptUserId has this name, with blanks around it left out as the
// lists leave them out: two users of one name cannot be told apart by name.
bool nameTaken(Database& database, const QString& userName, int exceptUserId = 0);
// Adds a user of that name, made at created; false, and nothing added, when the name is taken.
bool add(Database& database, const QString& userName, const QDateTime& created);
void setActive(Database& database, int userId, bool active);
void remove(Database& database, int userId);

} // namespace UserStore
