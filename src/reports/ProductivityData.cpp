#include "reports/ProductivityData.h"

#include "data/Database.h"
#include "data/Numbers.h"
#include "data/TimeText.h"

#include <algorithm>
#include <limits>

namespace {

struct Conditions {
    QString sql; // " and categoryId = ? and userId = ?", or parts of it
    QVariantList params;
};

Conditions conditionsFor(const ProductivityFilter& filter) {
    Conditions conditions;
    if (filter.categoryId > 0) {
        conditions.sql += QStringLiteral(" and categoryId = ?");
        conditions.params.append(filter.categoryId);
    }
    if (filter.userId > 0) {
        conditions.sql += QStringLiteral(" and userId = ?");
        conditions.params.append(filter.userId);
    }
    return conditions;
}

// Adds one category's allocation to a running sum the way the sum is defined: the rounding is
// applied after each category, so the order of the categories is fixed (by id).
qint64 addAllocation(qint64 sum, const QVariant& hours, const QVariant& days) {
    const int periodDays = days.isNull() ? 0 : days.toInt();
    if (periodDays <= 0) {
        return sum;
    }
    const double added = double(sum) + hours.toDouble() / periodDays * 60;
    return Numbers::roundHalfEven(added).value_or(sum);
}

qint64 wholeUnits(double value) {
    return Numbers::roundHalfEven(value).value_or(0);
}

} // namespace

void ProductivityData::readAllocations(Database& database, int categoryId, qint64& minimumPerDay,
                                       qint64& maximumPerDay) {
    QString sql = QStringLiteral(
        "select category.minAllocation, minPeriod.days, category.maxAllocation, maxPeriod.days "
        "from category "
        "left join allocationPeriod minPeriod "
        "on minPeriod.allocationPeriodId = category.minAllocationPeriodId "
        "left join allocationPeriod maxPeriod "
        "on maxPeriod.allocationPeriodId = category.maxAllocationPeriodId");
    QVariantList params;
    if (categoryId > 0) {
        sql += QStringLiteral(" where category.categoryId = ?");
        params.append(categoryId);
    }
    sql += QStringLiteral(" order by category.categoryId");
    minimumPerDay = 0;
    maximumPerDay = 0;
    const ResultSet rows = database.query(sql, params);
    for (int i = 0; i < rows.count(); ++i) {
        const QVariantList& values = rows.values(i);
        minimumPerDay = addAllocation(minimumPerDay, values.at(0), values.at(1));
        maximumPerDay = addAllocation(maximumPerDay, values.at(2), values.at(3));
    }
}

QDate ProductivityData::startDay(const QVariant& stored) {
    if (stored.isNull()) {
        return {};
    }
    if (stored.typeId() == QMetaType::QDateTime || stored.typeId() == QMetaType::QDate) {
        return TimeText::fromStorage(stored).date();
    }
    // Stored text is read the way the day's bounds compare it (Database::dayStart, dayEnd): a
    // date, alone or followed by a blank or "T" and the time.
    const QString text = stored.toString();
    const QDate day = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid() || (text.size() > 10 && text.at(10) >= QLatin1Char('U'))) {
        return {};
    }
    return day;
}

namespace {

// The earliest (or latest) start of the matching rows that can be read: the index gives the
// least (or greatest) stored value at once, and a value that cannot be read is stepped over.
QDateTime readableEnd(Database& database, const Conditions& conditions, bool latest) {
    const QString first = latest ? QStringLiteral("select max(startTime) from tallyRec where 1=1")
                                 : QStringLiteral("select min(startTime) from tallyRec where 1=1");
    const QString next = latest ? QStringLiteral("select max(startTime) from tallyRec where "
                                                 "startTime < ?")
                                : QStringLiteral("select min(startTime) from tallyRec where "
                                                 "startTime > ?");
    QVariant stored = database.scalar(first + conditions.sql, conditions.params);
    QDate day = ProductivityData::startDay(stored);
    while (!stored.isNull() && !day.isValid()) {
        stored = database.scalar(next + conditions.sql, QVariantList{stored} + conditions.params);
        day = ProductivityData::startDay(stored);
    }
    if (!day.isValid()) {
        return {};
    }
    const QDateTime moment = TimeText::fromStorage(stored);
    return moment.isValid() && moment.date() == day ? moment : QDateTime(day, QTime(0, 0));
}

} // namespace

ProductivityData ProductivityData::read(Database& database, const ProductivityFilter& filter,
                                        int maxDays) {
    ProductivityData data;
    const Conditions conditions = conditionsFor(filter);
    const qint64 matching =
        database
            .scalar(QStringLiteral("select count(*) from tallyRec where 1=1") + conditions.sql,
                    conditions.params)
            .toLongLong();
    if (matching == 0) {
        return data;
    }
    // Two statements, not one: each is then a single look-up at one end of an index.
    data.firstStart = readableEnd(database, conditions, false);
    data.lastStart = readableEnd(database, conditions, true);
    if (!data.firstStart.isValid() || !data.lastStart.isValid()) {
        data.unreadableRows = matching;
        return data;
    }
    data.hasRows = true;

    readAllocations(database, filter.categoryId, data.minimumPerDay, data.maximumPerDay);

    data.totalDays =
        int(std::min<qint64>(TimeText::daysBetween(data.firstStart, data.lastStart) + 1,
                             std::numeric_limits<int>::max()));
    const int charted = std::clamp(data.totalDays, 1, std::max(1, maxDays));
    data.firstDay = data.lastDay().addDays(-(charted - 1));
    data.dayTotals.assign(std::size_t(charted), 0);

    // One statement for every day: day n is a range of the start-time index, and its rows are
    // summed and counted. Grouping the rows by their day text instead would sort every row of
    // the table. A row counts on the day it starts, even when it starts on the stroke of
    // midnight or is stored as a bare date; a start that is no date at all falls in no day.
    const QString onDay =
        QStringLiteral("startTime >= %1 and startTime < %2%3")
            .arg(database.dayStart(QStringLiteral("?"), QStringLiteral("n")),
                 database.dayEnd(QStringLiteral("?"), QStringLiteral("n")), conditions.sql);
    const QString sql =
        QStringLiteral("with recursive days(n) as (select 0 union all select n + 1 from days "
                       "where n < ?) "
                       "select n, (select sum(duration) from tallyRec where %1), "
                       "(select count(*) from tallyRec where %1) from days")
            .arg(onDay);
    const QDateTime first(data.firstDay, QTime(0, 0));
    const QVariantList dayParams = QVariantList{first, first} + conditions.params;
    const ResultSet totals = database.query(sql, QVariantList{charted - 1} + dayParams + dayParams);
    qint64 readable = 0;
    for (int i = 0; i < totals.count(); ++i) {
        const QVariantList& values = totals.values(i);
        const qint64 day = values.at(0).toLongLong();
        if (day >= 0 && day < charted && !values.at(1).isNull()) {
            data.dayTotals[std::size_t(day)] = values.at(1).toLongLong();
        }
        readable += values.at(2).toLongLong();
    }
    if (data.shortened()) {
        // The days too long ago to chart hold readable rows too.
        const QDateTime earliest(data.firstStart.date(), QTime(0, 0));
        readable +=
            database
                .scalar(QStringLiteral("select count(*) from tallyRec where startTime "
                                       ">= %1 and startTime < %2%3")
                            .arg(database.dayStart(QStringLiteral("?"), QStringLiteral("0")),
                                 database.dayStart(QStringLiteral("?"), QStringLiteral("0")),
                                 conditions.sql),
                        QVariantList{earliest, first} + conditions.params)
                .toLongLong();
    }
    data.unreadableRows = std::max<qint64>(0, matching - readable);
    return data;
}

ProductivityLayout ProductivityData::layout(int innerHeight, int viewportWidth) const {
    ProductivityLayout chart;
    chart.innerHeight = innerHeight;
    chart.scale = 1;
    chart.minimumLevel = minimumPerDay;
    chart.maximumLevel = maximumPerDay;
    if (maximumPerDay > 0) {
        chart.scale = double(maximumPerDay) / (innerHeight / 2.0);
        chart.maximumLevel = wholeUnits(maximumPerDay / chart.scale);
        chart.minimumLevel = wholeUnits(minimumPerDay / chart.scale);
    }

    const int count = days();
    chart.drawingWidth = UnitsPerDay * count;
    chart.width = std::max(chart.drawingWidth, viewportWidth);
    chart.scrollMaximum = std::max(0, chart.width - viewportWidth);
    chart.scrollLargeStep = int(wholeUnits(chart.scrollMaximum / 10.0 + 1));

    chart.bars.reserve(std::size_t(count));
    if (count > 0) {
        chart.months.push_back({0, TimeText::format(firstDay, TimeText::MMMM), false});
    }
    for (int k = 0; k < count; ++k) {
        const QDate day = firstDay.addDays(k);
        const int x = UnitsPerDay * k;
        chart.bars.push_back({x, wholeUnits(double(dayTotals[std::size_t(k)]) / chart.scale), day});
        if (day.day() == 1) {
            if (k == 0) {
                chart.months.front().line = true;
            } else {
                chart.months.push_back({x, TimeText::format(day, TimeText::MMMM), true});
            }
        }
    }
    return chart;
}
