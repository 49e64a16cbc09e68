#pragma once

#include <QDateTime>
#include <QString>

class Clock;
class Database;
class category;

// The numbers behind the two progress bars of the current task, and the end of a one-off entry.
namespace TaskProgress {

// A fraction of an allocation is passed only beyond 1: exactly the allocation is 100 %.
bool passed(double fraction);
// The whole percentage of a fraction, rounded down.
int wholePercent(double fraction);
// The bar's text: "Complete" once passed, otherwise the whole percentage, " %", " of ", the
// allocation and " hours" ("45 % of 2 hours").
QString percentText(double fraction, const QString& total);

// What the bars show for a task of duration minutes on a category: the finished time of the
// category in each allocation period plus the running task, against the allocation. The
// maximum is measured only once the minimum is passed or there is none; exceeded says that the
// maximum is passed.
struct Bars {
    bool minimumShown = false;
    double minimum = 0.0;
    bool maximumShown = false;    // bar 1 is visible
    bool maximumMeasured = false; // and has a fraction to show
    double maximum = 0.0;
    bool exceeded = false;
};
// At most one period sum per bar, and one for both when their periods are the same length.
Bars measure(Database& database, const Clock& clock, const category& thisCategory, qint64 duration);

// A one-off entry of minutes that starts at start ends that many minutes later, on the next
// day when it runs past midnight.
QDateTime oneOffEnd(const QDateTime& start, qint64 minutes);

} // namespace TaskProgress
