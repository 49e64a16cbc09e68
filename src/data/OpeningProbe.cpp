#include "data/Database.h"
#include "data/DatabaseConnection.h"
#include "data/DatabaseInternals.h"
#include "data/EngineErrors.h"
#include "data/Schema.h"
#include "data/SqliteFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlRecord>

namespace {

QString newerSchemaMessage(const QString& shown, int version) {
    return QCoreApplication::translate(
               "Database", "The database %1 was made by a newer version of Quillhour (schema %2; "
                           "this version knows schema %3 and older). Use the newer version.")
        .arg(shown)
        .arg(version)
        .arg(Schema::CurrentVersion);
}

QString notQuillhourMessage(const QString& what, const QStringList& missing) {
    return QCoreApplication::translate(
               "Database", "%1 is a database, but not a Quillhour database: it lacks %2.")
        .arg(what, missing.join(QStringLiteral(", ")));
}

} // namespace

namespace DatabaseInternals {

QStringList missingParts(const QHash<QString, QSet<QString>>& columnsByTable) {
    QStringList missing;
    for (const auto& table : Schema::tables()) {
        const auto found = columnsByTable.constFind(table.name.toLower());
        if (found == columnsByTable.constEnd()) {
            missing.append(table.name);
            continue;
        }
        for (const QString& column : table.columns) {
            if (!found->contains(column.toLower())) {
                missing.append(table.name + QLatin1Char('.') + column);
            }
        }
    }
    return missing;
}

void readSqliteFile(const QString& path, const SqliteLook& look) {
    const QString name = nextConnectionName();
    std::optional<DatabaseError> failure;
    {
        const SqliteFile::ReadOnlyOpen how =
            SqliteFile::readOnlyOpen(path, int(Database::BusyTimeout.count()));
        auto db = addSqlite(name, how.name, how.options);
        auto fail = [&](const QSqlError& error) {
            throw sqliteFailure(path, error, DatabaseError::Kind::NotADatabase, {},
                                QCoreApplication::translate(
                                    "Database", "The file %1 could not be read as a database: ")
                                    .arg(QDir::toNativeSeparators(path)));
        };
        try {
            if (!db->open()) {
                fail(db->lastError());
            }
            look(*db, fail);
        } catch (const DatabaseError& error) {
            failure = error;
        }
        db->close();
    }
    QSqlDatabase::removeDatabase(name);
    if (failure) {
        throw *failure;
    }
}

QHash<QString, QSet<QString>> sqliteColumns(QSqlDatabase& db, const SqliteFailure& fail) {
    QStringList tables;
    {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("select name from sqlite_master where type = 'table'"))) {
            fail(query.lastError());
        }
        while (query.next()) {
            tables.append(query.value(0).toString().toLower());
        }
        if (query.lastError().isValid()) {
            fail(query.lastError());
        }
    }
    QHash<QString, QSet<QString>> columnsByTable;
    for (const auto& table : Schema::tables()) {
        if (!tables.contains(table.name.toLower())) {
            continue;
        }
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("select * from \"%1\" where 1 = 0").arg(table.name))) {
            fail(query.lastError());
        }
        QSet<QString>& columns = columnsByTable[table.name.toLower()];
        const QSqlRecord record = query.record();
        for (int i = 0; i < record.count(); ++i) {
            columns.insert(record.fieldName(i).toLower());
        }
    }
    return columnsByTable;
}

QHash<QString, QSet<QString>> serverColumns(Database& database) {
    QHash<QString, QSet<QString>> columnsByTable;
    const ResultSet rows = database.query(
        QStringLiteral("select table_name, column_name from information_schema.columns "
                       "where table_schema = current_schema()"));
    for (const Row row : rows) {
        columnsByTable[row.text(0).toLower()].insert(row.text(1).toLower());
    }
    return columnsByTable;
}

namespace {

// What the file is, told without writing anything: a database at all, undamaged as far as its
// size shows, with our tables, of a schema this version knows.
void probeSqliteFile(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const SqliteFile::Facts facts = SqliteFile::inspect(path);
    if (!facts.readable) {
        throw DatabaseError(
            DatabaseError::Kind::NoAccess,
            QCoreApplication::translate("Database",
                                        "The database %1 cannot be read (%2). Ask its owner for "
                                        "access, or choose another database.")
                .arg(shown, facts.unreadableReason));
    }
    if (facts.size == 0) {
        throw DatabaseError(
            DatabaseError::Kind::NotADatabase,
            QCoreApplication::translate("Database", "The file %1 is empty: it holds no database.")
                .arg(shown));
    }
    if (!facts.sqliteHeader) {
        throw DatabaseError(
            DatabaseError::Kind::NotADatabase,
            QCoreApplication::translate("Database", "The file %1 is not a database.").arg(shown));
    }
    if (const QString damage = SqliteFile::damage(facts); !damage.isEmpty()) {
        throw damagedError(shown, damage);
    }
    readSqliteFile(path, [&](QSqlDatabase& db, const SqliteFailure& fail) {
        const QStringList missing = missingParts(sqliteColumns(db, fail));
        if (!missing.isEmpty()) {
            throw DatabaseError(
                DatabaseError::Kind::NotQuillhour,
                notQuillhourMessage(
                    QCoreApplication::translate("Database", "The file %1").arg(shown), missing));
        }
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
            fail(query.lastError());
        }
        const int version = query.value(0).toInt();
        if (version > Schema::CurrentVersion) {
            throw DatabaseError(DatabaseError::Kind::NotQuillhour,
                                newerSchemaMessage(shown, version));
        }
    });
}

} // namespace

// A server database that holds Quillhour's tables, of a schema this version knows.
void checkServerTables(Database& database) {
    const QString shown =
        QCoreApplication::translate("Database", "The database %1").arg(database.location());
    const QStringList missing = missingParts(serverColumns(database));
    if (!missing.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::NotQuillhour, notQuillhourMessage(shown, missing));
    }
    const int version = Schema::version(database);
    if (version > Schema::CurrentVersion) {
        throw DatabaseError(DatabaseError::Kind::NotQuillhour,
                            newerSchemaMessage(database.location(), version));
    }
}

// The path of an SQLite file that is there and is a Quillhour database, told without writing
// anything.
QString existingSqliteFile(const QString& location) {
    const QString path = location.trimmed();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        throw DatabaseError(DatabaseError::Kind::Missing,
                            QCoreApplication::translate("Database", "There is no database at %1.")
                                .arg(path.isEmpty()
                                         ? QCoreApplication::translate("Database", "an empty path")
                                         : QDir::toNativeSeparators(path)));
    }
    if (!info.isFile()) {
        throw DatabaseError(
            DatabaseError::Kind::NotADatabase,
            QCoreApplication::translate("Database", "%1 is a folder, not a database file.")
                .arg(QDir::toNativeSeparators(path)));
    }
    probeSqliteFile(path);
    return path;
}

} // namespace DatabaseInternals
