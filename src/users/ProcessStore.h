#pragma once

#include "data/ResultSet.h"

#include <QStringList>

class Database;

// The rows of the process table: the titles of the open application windows each user's
// instance publishes.
namespace ProcessStore {

// Every row, oldest first.
ResultSet everyRow(Database& database);
// Replaces a user's rows with one per title, in one transaction.
void replaceOwn(Database& database, int userId, const QStringList& titles);
void deleteOwn(Database& database, int userId);
// How many rows a user has.
qint64 countOwn(Database& database, int userId);

} // namespace ProcessStore
