#pragma once

#include "data/ResultSet.h"

#include <QString>
#include <QStringList>
#include <optional>

class Database;

// The look-up tables behind the category editor: allocation periods (a name and a length in
// days) and productivity ratings. The editor shows names and turns them back into ids and days
// through these.
namespace CategoryLookups {

// The names in the tables' own order (by id).
QStringList productivityNames(Database& database);
QStringList allocationPeriodNames(Database& database);

// The rating's productivityId, or 0 when no rating has that name.
int getProductivityId(Database& database, const QString& name);
// The allocationPeriod row of that name (allocationPeriodId, days, allocationPeriod); nothing
// when no period has that name.
std::optional<Row> getAllocationPeriod(Database& database, const QString& strAllocation);
// The name of the first period (by id) that lasts that many days, or empty text.
QString getAllocationPeriodDescription(Database& database, int allocationPeriod);
// The days of that period; nothing when there is no such period.
std::optional<int> getAllocationPeriodDays(Database& database, int allocationPeriodId);

} // namespace CategoryLookups
