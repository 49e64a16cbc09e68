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

ProductivityData ProductivityData::read(Database& database, const ProductivityFilter& filter,
                                        int maxDays) {
    ProductivityData data;
    const Conditions conditions = conditionsFor(filter);
    // Two statements, not one: each is then a single look-up at one end of an index.
    data.firstStart = TimeText::fromStorage(database.scalar(
        QStringLiteral("select min(startTime) from tallyRec where 1=1") + conditions.sql,
        conditions.params));
    if (!data.firstStart.isValid()) {
        return data;
    }
    data.lastStart = TimeText::fromStorage(database.scalar(
        QStringLiteral("select max(startTime) from tallyRec where 1=1") + conditions.sql,
        conditions.params));
    if (!data.lastStart.isValid() || data.lastStart < data.firstStart) {
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

    // One statement for every day: day n runs from midnight n days after the first day to the
    // next midnight, and each sum is a range of the start-time index. Grouping the rows by their
    // day text instead would sort every row of the table. A row counts on the day it starts,
    // even when it starts on the stroke of midnight.
    const QString dayStart = database.addDays(QStringLiteral("?"), QStringLiteral("n"));
    const QString nextDayStart = database.addDays(QStringLiteral("?"), QStringLiteral("n + 1"));
    const QString sql =
        QStringLiteral("with recursive days(n) as (select 0 union all select n + 1 from days "
                       "where n < ?) "
                       "select n, (select sum(duration) from tallyRec where startTime >= %1 "
                       "and startTime < %2%3) from days")
            .arg(dayStart, nextDayStart, conditions.sql);
    const QDateTime first(data.firstDay, QTime(0, 0));
    QVariantList params{charted - 1, first, first};
    params += conditions.params;
    const ResultSet totals = database.query(sql, params);
    for (int i = 0; i < totals.count(); ++i) {
        const QVariantList& values = totals.values(i);
        const qint64 day = values.at(0).toLongLong();
        if (day >= 0 && day < charted && !values.at(1).isNull()) {
            data.dayTotals[std::size_t(day)] = values.at(1).toLongLong();
        }
    }
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
