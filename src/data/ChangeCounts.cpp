#include "data/ChangeCounts.h"

#include "data/Database.h"

ChangeCounts ChangeCounts::read(Database& database) {
    const ResultSet rows = database.query(
        QStringLiteral("select users, notifications, processes, times from dataChange"));
    if (rows.isEmpty()) {
        return {};
    }
    const Row row = rows.first();
    return {row.integer64(0), row.integer64(1), row.integer64(2), row.integer64(3)};
}
