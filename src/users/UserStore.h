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
// Adds a user of that name, made at created.
void add(Database& database, const QString& userName, const QDateTime& created);
void setActive(Database& database, int userId, bool active);
void remove(Database& database, int userId);

} // namespace UserStore
