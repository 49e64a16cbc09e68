#include "categories/CategoryLookups.h"

#include "data/Database.h"

namespace CategoryLookups {

namespace {
QStringList names(Database& database, const QString& sql) {
    QStringList result;
    for (const Row row : database.query(sql)) {
        result.append(row.text(0));
    }
    return result;
}
} // namespace

QStringList productivityNames(Database& database) {
    return names(database, QStringLiteral("select productivity from productivity "
                                          "order by productivityId"));
}

QStringList allocationPeriodNames(Database& database) {
    return names(database, QStringLiteral("select allocationPeriod from allocationPeriod "
                                          "order by allocationPeriodId"));
}

int getProductivityId(Database& database, const QString& name) {
    const ResultSet rows = database.query(
        QStringLiteral("select productivityId from productivity where productivity = ? "
                       "order by productivityId"),
        {name});
    return rows.isEmpty() ? 0 : rows.first().integer(0);
}

std::optional<Row> getAllocationPeriod(Database& database, const QString& strAllocation) {
    const ResultSet rows = database.query(
        QStringLiteral("select allocationPeriodId, days, allocationPeriod from allocationPeriod "
                       "where allocationPeriod = ? order by allocationPeriodId"),
        {strAllocation});
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return rows.first();
}

QString getAllocationPeriodDescription(Database& database, int allocationPeriod) {
    const ResultSet rows = database.query(
        QStringLiteral("select allocationPeriod from allocationPeriod where days = ? "
                       "order by allocationPeriodId"),
        {allocationPeriod});
    return rows.isEmpty() ? QString() : rows.first().text(0);
}

std::optional<int> getAllocationPeriodDays(Database& database, int allocationPeriodId) {
    const ResultSet rows = database.query(
        QStringLiteral("select days from allocationPeriod where allocationPeriodId = ?"),
        {allocationPeriodId});
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return rows.first().integer(0);
}

} // namespace CategoryLookups
