#pragma once

#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <optional>
#include <vector>

class Database;

// What the team bills by, as the database keeps it: the rates in force from a day on, the
// categories whose time is not billed, and the team's own settings.
namespace Billing {

// A rate in force from a day on, in cents an hour: the category's, or one person's on it.
struct Rate {
    int categoryId = 0;
    int userId = 0; // 0: everyone without a rate of their own
    QDate from;
    qint64 cents = 0;
};

// How amounts are rounded to the cent: each time row on its own, or each line from its total
// minutes (the default).
enum class Rounding { PerRow, PerLine };

// The names of the team's settings.
inline const QString CurrencySetting = QStringLiteral("currency");
inline const QString RoundingSetting = QStringLiteral("rounding");

// Every rate, by category, person and day. A database of an earlier schema has none.
std::vector<Rate> rates(Database& database);
// Records a rate from a day on (the one of the same category, person and day replaced). The
// first rate of a category keeps its hourly rate as the rate before that day, so that time
// already recorded keeps its worth; a rate in force today becomes the hourly rate the category
// editor shows. Throws DatabaseError (Refused) when the day lies in a closed period of the
// category: an amount already closed never changes.
void setRate(Database& database, const Rate& rate, const QDate& today);

// The day the first rate of a category counts from: before any time was recorded.
inline const QDate FromTheStart = QDate(1900, 1, 1);

// The categories marked as not billed (their sub-categories are not billed either).
QSet<int> notBillable(Database& database);
void setBillable(Database& database, int categoryId, bool billable);

// A team setting, or empty text when it is not set (or the schema has none).
QString setting(Database& database, const QString& name);
void setSetting(Database& database, const QString& name, const QString& value);
Rounding rounding(Database& database);
// The team's currency as an ISO 4217 code, or empty text when none is set.
QString currency(Database& database);
// Whether code is three capital letters, as ISO 4217 codes are.
bool isCurrencyCode(const QString& code);

} // namespace Billing
