#include "data/Database.h"
#include "reports/TimeReportParts.h"

#include <QStringList>

qint64 TimeReport::Grouping::keyOf(const QVariant& value) const {
    if (byCategory() || byUser()) {
        return value.toLongLong();
    }
    const QDate day = QDate::fromString(value.toString().left(10), Qt::ISODate);
    const QDate shown = by == ReportGrouping::Week ? weekOf(day, weekStart) : day;
    return shown.toJulianDay();
}

std::vector<ReportLine> TimeReport::lines(const ReportFilter& filter, ReportGrouping grouping,
                                          Qt::DayOfWeek weekStart) const {
    if (grouping == ReportGrouping::Entries || !filter.from.isValid() || !filter.to.isValid() ||
        filter.from > filter.to) {
        return {};
    }
    const Grouping by{grouping, weekStart};
    const Conditions conditions = conditionsFor(filter);
    Sums sums;
    addFinished(sums, filter, conditions, by);
    if (filter.includeRunning) {
        addRunning(sums, filter, conditions, by);
    }
    settle(sums);
    return by.byCategory() ? categoryLines(sums, filter.categoryId)
                           : userOrDayLines(sums, by.byUser());
}

void TimeReport::addFinished(Sums& sums, const ReportFilter& filter, const Conditions& conditions,
                             const Grouping& grouping) const {
    const QString key = grouping.byCategory() ? QStringLiteral("t.categoryId")
                        : grouping.byUser()   ? QStringLiteral("t.userId")
                                              : m_database.dayOf(QStringLiteral("t.startTime"));
    // What a row is worth depends on its category, and where rates change over time or per
    // person on its person and day as well; rounded per row, on its minutes too. Rows alike in
    // all of these are summed by the database.
    const bool dated = m_rates.dated();
    const bool perRow = m_rounding == Billing::Rounding::PerRow;
    QStringList by{key};
    auto column = [&](const QString& expression) {
        const qsizetype at = by.indexOf(expression);
        if (at >= 0) {
            return int(at);
        }
        by << expression;
        return int(by.size()) - 1;
    };
    const int categoryAt = column(QStringLiteral("t.categoryId"));
    const int userAt = dated ? column(QStringLiteral("t.userId")) : -1;
    const int dayAt = dated ? column(m_database.dayOf(QStringLiteral("t.startTime"))) : -1;
    const int durationAt = perRow ? column(QStringLiteral("coalesce(t.duration, 0)")) : -1;
    const int counted = int(by.size());
    // The rows are reached category by category, each a range of the index on category and
    // start time that holds every column the sums read, rather than through the index on start
    // time and then the rows themselves. Without a chosen category the categories are those of
    // the rows (one look-up in that index each), so time on a category that is gone counts too.
    const QString categories =
        filter.categoryId > 0
            ? conditions.with
            : QStringLiteral("with recursive sub(id) as (select min(categoryId) from tallyRec "
                             "union all select (select min(t2.categoryId) from tallyRec t2 "
                             "where t2.categoryId > sub.id) from sub where sub.id is not null) ");
    const QString columns = by.join(QStringLiteral(", "));
    m_database.queryEach(
        categories +
            QStringLiteral("select %1, count(*), sum(coalesce(t.duration, 0)) "
                           "from sub cross join tallyRec t")
                .arg(columns) +
            conditions.where +
            QStringLiteral(" and t.categoryId = sub.id and t.endTime is not null group by %1")
                .arg(columns),
        conditions.params(), [&](const QVariantList& values) {
            const int categoryId = values.at(categoryAt).toInt();
            const int userId = dated ? values.at(userAt).toInt() : 0;
            const QDate day =
                dated ? QDate::fromString(values.at(dayAt).toString().left(10), Qt::ISODate)
                      : QDate();
            const qint64 rows = values.at(counted).toLongLong();
            const qint64 minutes = values.at(counted + 1).toLongLong();
            const qint64 rate = m_rates.billedCents(categoryId, userId, day);
            Sum& sum = sums[grouping.keyOf(values.at(0))];
            sum.rows += rows;
            sum.minutes += minutes;
            if (m_rates.billable(categoryId)) {
                sum.billableMinutes += minutes;
            }
            if (perRow) {
                sum.amountCents += rows * amountAt(values.at(durationAt).toLongLong(), rate);
            } else {
                sum.minutesAtRate[rate] += minutes;
            }
        });
}

// Running tasks have no duration stored yet: they are counted here, up to now.
void TimeReport::addRunning(Sums& sums, const ReportFilter& filter, const Conditions& conditions,
                            const Grouping& grouping) const {
    m_database.readEach(
        conditions.with +
            QStringLiteral("select t.timeId, t.startTime, t.endTime, t.duration, "
                           "t.categoryId, t.userId from tallyRec t") +
            conditions.where + conditions.inCategory + QStringLiteral(" and t.endTime is null"),
        conditions.params(), [&](const StreamedRow& row) {
            const ReportEntry entry = entryFrom(row, filter.now);
            const qint64 id = grouping.byCategory() ? entry.categoryId
                              : grouping.byUser()
                                  ? entry.userId
                                  : grouping.keyOf(entry.start.date.toString(Qt::ISODate));
            Sum& sum = sums[id];
            sum.rows += 1;
            sum.minutes += entry.minutes;
            if (entry.billable) {
                sum.billableMinutes += entry.minutes;
            }
            if (m_rounding == Billing::Rounding::PerRow) {
                sum.amountCents += entry.amountCents;
            } else {
                sum.minutesAtRate[entry.billable ? entry.rateCents : 0] += entry.minutes;
            }
        });
}

void TimeReport::settle(Sums& sums) const {
    if (m_rounding == Billing::Rounding::PerRow) {
        return;
    }
    for (auto& line : sums) {
        Sum& sum = line.second;
        sum.amountCents = 0;
        for (const auto& [rate, minutes] : sum.minutesAtRate) {
            sum.amountCents += amountAt(minutes, rate);
        }
    }
}
