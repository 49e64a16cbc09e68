#pragma once

#include "data/Billing.h"
#include "reports/RateBook.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class Database;
class StreamedRow;

// Which time rows a timesheet covers. A row counts in the range by the day it starts, as the
// productivity chart counts it, whenever it ends.
struct ReportFilter {
    QDate from;         // first day, included
    QDate to;           // last day, included
    int userId = 0;     // 0: everyone
    int categoryId = 0; // 0: every category; otherwise it and all of its sub-categories
    // Running tasks (rows without an end) counted up to now; left out otherwise.
    bool includeRunning = false;
    QDateTime now;
};

enum class ReportGrouping { Entries, Category, User, Day, Week };

// A stored local date-time taken apart. Kept apart because a timesheet of every row reads a
// million of them, and making each a QDateTime looks up the time zone for each.
struct WallClock {
    QDate date;
    QTime time;
    QDateTime moment() const { return date.isValid() ? QDateTime(date, time) : QDateTime(); }
};

// One time row of a timesheet.
struct ReportEntry {
    qint64 timeId = 0;
    WallClock start;
    WallClock end; // for a running task: now
    bool running = false;
    qint64 minutes = 0; // the stored duration; for a running task the minutes up to now
    int categoryId = 0;
    QString category;     // its name
    QString categoryPath; // "Parent/Child"
    int userId = 0;
    QString user;
    int rate = 0;         // the rate used, in whole units (rateCents ÷ 100, rounded down)
    qint64 rateCents = 0; // the rate in force for the person and category on the day it started
    bool billable = true; // false: internal time, worth nothing
    qint64 amountCents = 0;
};

// One line of a grouped timesheet: a category, a user, a day or a week.
struct ReportLine {
    int id = 0;    // categoryId or userId
    QDate date;    // the day, or the first day of the week
    QString label; // category or user name; empty for days and weeks
    QString path;  // categories: "Parent/Child"
    int depth = 0; // categories: 0 at the top of the tree
    int rate = 0;  // categories: the hourly rate
    qint64 rows = 0;
    qint64 minutes = 0;
    qint64 billableMinutes = 0;
    qint64 amountCents = 0;
    // Categories: with every sub-category's time added (the tree's roll-up).
    qint64 totalMinutes = 0;
    qint64 totalAmountCents = 0;
};

struct ReportTotals {
    qint64 rows = 0;
    qint64 minutes = 0;
    qint64 billableMinutes = 0;
    qint64 amountCents = 0;
};

// Timesheets read from the time rows: totals per category, user, day or week, or the rows
// themselves, with what they are worth at the rate in force for each row (RateBook). An amount
// is the minutes ÷ 60 × the rate in cents, rounded to the nearest cent by the team's rule: for
// each time row (a line's amount is then the sum of its rows'), or for each line from its total
// minutes at each rate (the default: a line at one rate is its hours × the rate, to the cent).
//
// Finished rows are summed by the database; running tasks, which are few, are added here. The
// time rows are never all held in memory: entries() hands them on one by one.
class TimeReport {
public:
    struct CategoryInfo {
        int id = 0;
        int parentId = 0;
        QString name;
        QString path;
        int depth = 0;
        int rate = 0;
        int order = 0; // place in the tree: each category before its sub-categories, siblings
                       // by name without regard to case, then by id
    };

    // Reads the categories and users, whose names and rates the lines carry.
    explicit TimeReport(Database& database);

    // The lines of a grouping other than Entries, in order: categories in tree order (every
    // category that holds time itself or below it), users by name, days and weeks by date.
    // Weeks start on weekStart.
    std::vector<ReportLine> lines(const ReportFilter& filter, ReportGrouping grouping,
                                  Qt::DayOfWeek weekStart = Qt::Monday) const;
    // The time rows in order of their start, each handed to onEntry as it is read.
    void entries(const ReportFilter& filter,
                 const std::function<void(const ReportEntry&)>& onEntry) const;

    // A user's running tasks, whenever they started, in order of their start, counted up to
    // now.
    std::vector<ReportEntry> runningTasks(int userId, const QDateTime& now) const;

    static ReportTotals totals(const std::vector<ReportLine>& lines);

    // minutes ÷ 60 × rate in cents, to the nearest cent (never a tie: the exact value is a
    // whole number of thirds of a cent).
    static qint64 amountCents(qint64 minutes, qint64 rate);
    // minutes ÷ 60 × a rate in cents an hour, to the nearest cent, a half cent away from zero.
    static qint64 amountAt(qint64 minutes, qint64 rateCents);
    // A rate in cents as a number: "60" for 6000, "60.50" for 6050.
    static QString rateText(qint64 rateCents);

    Billing::Rounding rounding() const { return m_rounding; }
    // The team's currency (ISO 4217), or empty text when none is set.
    const QString& currency() const { return m_currency; }
    // Minutes as hours with two decimals, or cents as currency units with two decimals, a point
    // as the decimal mark: 90 minutes gives "1.50", 1234 cents "12.34".
    static QString hoursText(qint64 minutes);
    static QString centsText(qint64 cents);
    // The first day of the week that day is in.
    static QDate weekOf(const QDate& day, Qt::DayOfWeek weekStart);

    const QHash<int, CategoryInfo>& categories() const { return m_categories; }
    const QHash<int, QString>& users() const { return m_users; }
    // The categories in tree order, and the users (id and name) by name, as lists show them.
    std::vector<const CategoryInfo*> categoriesInOrder() const;
    std::vector<std::pair<int, QString>> usersByName() const;
    // The categories text may mean, by id: those of that name or of that path ("Parent/Child"),
    // and the one whose id it is. Two roots may share a name, and a name may hold a "/": the id
    // tells any category apart.
    std::vector<int> categoriesNamed(const QString& text) const;
    // The user of that name (the first made, when several share it), or 0.
    int userIdByName(const QString& name) const;

    // What the lines and entries call time on a category or of a user that is no more.
    static QString deletedCategory();
    static QString deletedUser();

private:
    struct Conditions; // which rows a statement reads
    Conditions conditionsFor(const ReportFilter& filter) const;

    struct Sum;      // what a line holds before the categories' roll-up
    struct Grouping; // what the lines are keyed by
    using Sums = std::map<qint64, Sum>;
    void addFinished(Sums& sums, const ReportFilter& filter, const Conditions& conditions,
                     const Grouping& grouping) const;
    void addRunning(Sums& sums, const ReportFilter& filter, const Conditions& conditions,
                    const Grouping& grouping) const;
    // The amounts of the lines by the rounding rule, once every row is in.
    void settle(Sums& sums) const;
    std::vector<ReportLine> categoryLines(const Sums& sums, int chosenCategoryId) const;
    std::vector<ReportLine> userOrDayLines(const Sums& sums, bool byUser) const;
    ReportEntry entryFrom(const StreamedRow& row, const QDateTime& now) const;
    void loadCategories();

    Database& m_database;
    QHash<int, CategoryInfo> m_categories;
    QHash<int, QString> m_users;
    RateBook m_rates;
    Billing::Rounding m_rounding = Billing::Rounding::PerLine;
    QString m_currency;
};
