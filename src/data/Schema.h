#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class Database;

// Quillhour's tables. Column order is part of the format: the time records grid and the look-up
// lists read some columns by position.
namespace Schema {

// 1: the seven tables. 2: the change counts (dataChange and its triggers). 3: the trail of changed
// and deleted time rows (tallyRecChange). 4: the count of time rows (dataChange.times). 5: billing
// (rates over time, billable categories, closed periods, team settings).
inline constexpr int CurrentVersion = 5;

struct Table {
    QString name;
    QStringList columns;
};

// The seven tables with their columns, in order.
const std::vector<Table>& tables();

// Makes the tables, the indexes, the change counts, the schema version and the look-up rows in one
// transaction.
void create(Database& database);

// Brings a database of an older schema up to this one, one numbered step at a time in one
// transaction, keeping every row; true when it changed anything. An SQLite file is first copied
// beside itself (backupPath). A user the engine does not let change the tables gets
// DatabaseError::Kind::ReadOnly, and the database stays as it was.
bool upgrade(Database& database);

// Where the copy of an SQLite file of an older schema goes before it is upgraded: beside it,
// named after the schema it holds ("quillhour.db.schema-2.bak"), numbered when that is taken.
QString backupPath(const QString& databasePath, int version);

// The schema version recorded in the database (0 when none is recorded): SQLite's user_version,
// or on PostgreSQL the comment "Quillhour schema N" on the table "user".
int version(Database& database);

} // namespace Schema
