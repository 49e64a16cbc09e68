#pragma once

#include <QStringList>

class Database;

namespace Schema {

// What billing keeps (schema 5): rates in force from a day on (categoryRate, per category and
// optionally per person, in cents an hour), whether a category's time is billed
// (categoryBilling), the periods closed to changes of time
// (closedPeriod, a reopened one kept with who reopened it) and the team's own settings
// (teamSetting: currency, rounding).
// A closed period is held by the database itself: a trigger on the time rows refuses to add,
// change or delete a row that starts in one, whichever program writes it.
QStringList billingStatements(Database& database);

// The text an SQLite trigger refuses a write to closed time with; the program says it in words.
inline constexpr const char* ClosedPeriodMarker = "quillhour: closed period";

} // namespace Schema
