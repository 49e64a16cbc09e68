#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class Database;

// Quillhour's tables. Column order is part of the format: the time records grid and the look-up
// lists read some columns by position.
namespace Schema {

// 1: the seven tables. 2: the change counts (dataChange and its triggers).
inline constexpr int CurrentVersion = 2;

struct Table {
    QString name;
    QStringList columns;
};

// The seven tables with their columns, in order.
const std::vector<Table>& tables();

// Makes the tables, the indexes, the change counts, the schema version and the look-up rows in one transaction.
void create(Database& database);

// Brings a database of an older schema up to this one, one numbered step at a time in one
// transaction, keeping every row; true when it changed anything.
bool upgrade(Database& database);

// The schema version recorded in the database (0 when none is recorded): SQLite's user_version,
// or on PostgreSQL the comment "Quillhour schema N" on the table "user".
int version(Database& database);

} // namespace Schema
