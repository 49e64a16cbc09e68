#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class Database;
class QSqlDatabase;
class QSqlError;

// What opening a database and checking one share. Not for use outside src/data.
namespace DatabaseInternals {

// Throws the engine failure in words.
using SqliteFailure = std::function<void(const QSqlError&)>;
using SqliteLook = std::function<void(QSqlDatabase&, const SqliteFailure&)>;

// Reads an SQLite file through the engine without writing to it or beside it: look gets the
// connection and a way to throw what the engine answered, said in words.
void readSqliteFile(const QString& path, const SqliteLook& look);

// The columns of each of Quillhour's tables that a database holds, by lower-case table name.
QHash<QString, QSet<QString>> sqliteColumns(QSqlDatabase& db, const SqliteFailure& fail);
// The same from the server's catalogue, for the schema the connection works in.
QHash<QString, QSet<QString>> serverColumns(Database& database);

// What is missing from a database that should hold Quillhour's tables, given the columns it has
// per table (names compared without regard to case): "process", "category.folder".
QStringList missingParts(const QHash<QString, QSet<QString>>& columnsByTable);

// The path of an SQLite file that is there and is a Quillhour database, told without writing
// anything. Throws what keeps it from being opened.
QString existingSqliteFile(const QString& location);
// A server database that holds Quillhour's tables, of a schema this version knows; throws
// NotQuillhour when it is not.
void checkServerTables(Database& database);

} // namespace DatabaseInternals
