#include "data/Lookup.h"

#include "data/Database.h"

#include <QRegularExpression>

namespace {
bool isPlainName(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch();
}
} // namespace

QVariant getValueById(Database& database, const QString& tableName, const QVariant& id,
                      const QString& column) {
    if (!isPlainName(tableName) || !isPlainName(column)) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QStringLiteral("getValueById needs plain table and column names, "
                                           "not \"%1\" and \"%2\".")
                                .arg(tableName, column));
    }
    if (id.isNull()) {
        return {};
    }
    // Quoted because "user" is a reserved word; in lower case because that is how PostgreSQL
    // keeps the unquoted names the tables were made with (SQLite ignores case either way).
    const ResultSet rows =
        database.query(QStringLiteral("select \"%1\" from \"%2\" where %3Id = ?")
                           .arg(column.toLower(), tableName.toLower(), tableName),
                       {id});
    if (rows.isEmpty()) {
        return {};
    }
    return rows.last().value(0);
}
