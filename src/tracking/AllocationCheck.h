#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <vector>

class Clock;
class Database;
class category;

// How much time categories have received against their allocations: the sums of finished
// time, the notifications already recorded, and the start-up check that compares a category's
// total with what it should have received since its start date.
namespace AllocationCheck {

inline constexpr int BelowMinimum = 1;
inline constexpr int AboveMaximum = 2;
// The notice of a running task that takes its category past the maximum has no type of its own:
// the start-up check's types say that check has told the manager, and this notice must not
// stand in for it. Its subject is the maximum's.
inline constexpr int RunningTaskOverMaximum = 0;
inline const QString BelowMinimumSubject = QStringLiteral("Not meeting expected minimums");
inline const QString AboveMaximumSubject = QStringLiteral("Exceeding maximums");

// Minutes of finished time on the category that started in the last periodDays days, today
// included (from the start of the day periodDays - 1 days ago to midnight at the end of today).
// A period of no days holds no time.
qint64 getCategoryPeriodTimeWorked(Database& database, const Clock& clock, int categoryId,
                                   int periodDays);
// Minutes of all finished time ever recorded against the category.
qint64 getCategoryTotalTimeWorked(Database& database, int categoryId);
// Whether any notification of this type about this category was ever recorded, whatever its
// status or addressee.
bool notificationExists(Database& database, int typeId, int categoryId);

// Whether the manager has been told since the moment given that the category is over its
// maximum (by a running task's notice or by the start-up check), whoever sent it and whatever
// became of it since. A running task is told about once, counted from its start, however often
// the program starts again and however many instances run it.
bool exceededNoticeSince(Database& database, int managerId, int categoryId, const QDateTime& since);

// Minutes a category should have received after some days at hours per periodDays days,
// rounded half to even; 0 for a period of no days.
qint64 expectedMinutes(int hours, int periodDays, qint64 days);

// A notification the start-up check calls for, addressed to the category's manager (who also
// sends it).
struct Finding {
    int categoryId = 0;
    int typeId = 0;
    int managerId = 0;
    QString subject;
    QString message;

    bool operator==(const Finding&) const = default;
};

// What one category's numbers call for at the moment now: total is its finished time, and the
// flags tell which notifications it already has. A check whose period has no days is skipped.
std::vector<Finding> evaluate(const category& thisCategory, qint64 total, bool minimumNotified,
                              bool maximumNotified, const QDateTime& now);

// Whether the start-up check can find anything for the category: a minimum or a maximum with a
// period of at least one day.
bool hasAllocation(const category& thisCategory);

// Whether the start-up check could still record a notice for the category, given which of its
// notices are already recorded: false when every notice its allocations call for is there.
bool canStillRecord(const category& thisCategory, bool minimumNotified, bool maximumNotified);

// The start-up check of every category given, in order, as of the clock's present moment.
// Categories whose manager is not among managerIds are skipped: a notification needs an addressee.
// The existing notifications are read with a few grouped queries for categories that have an
// allocation, then the sums only for those that can still record a notice, so the check costs
// little on a large time table with a long history of notices.
std::vector<Finding> startupFindings(Database& database, const Clock& clock,
                                     const std::vector<const category*>& categories,
                                     const QSet<int>& managerIds);

} // namespace AllocationCheck
