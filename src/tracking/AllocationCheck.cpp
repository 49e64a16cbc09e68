#include "tracking/AllocationCheck.h"

#include "data/Database.h"
#include "data/Numbers.h"
#include "data/TimeText.h"
#include "data/category.h"
#include "platform/Clock.h"

#include <QHash>

namespace AllocationCheck {

namespace {

// Ids go into the grouped queries in lists of this length; a short last list is padded with
// its own last id, so each query keeps one text and the engine one prepared statement.
constexpr int IdsPerQuery = 100;

QString placeholders(int count) {
    QString text;
    text.reserve(count * 3);
    for (int i = 0; i < count; ++i) {
        text += i == 0 ? QStringLiteral("?") : QStringLiteral(", ?");
    }
    return text;
}

qint64 sumOf(const QVariant& value) {
    return value.isNull() ? 0 : value.toLongLong();
}

// Runs sql once for each slice of ids; sql ends in "in (%1)", which takes the placeholders,
// and before takes the values bound ahead of the ids.
template <typename Reader>
void forEachSlice(Database& database, const QString& sql, const QVariantList& before,
                  const QList<int>& ids, Reader read) {
    const QString text = sql.arg(placeholders(IdsPerQuery));
    for (qsizetype first = 0; first < ids.size(); first += IdsPerQuery) {
        QVariantList params = before;
        for (qsizetype i = 0; i < IdsPerQuery; ++i) {
            params.append(ids.at(std::min(first + i, ids.size() - 1)));
        }
        for (const Row row : database.query(text, params)) {
            read(row);
        }
    }
}

} // namespace

qint64 getCategoryPeriodTimeWorked(Database& database, const Clock& clock, int categoryId,
                                   int periodDays) {
    if (periodDays < 1) {
        return 0;
    }
    const QDate tomorrow = clock.now().date().addDays(1);
    const QDateTime end(tomorrow, QTime(0, 0));
    const QDateTime start(tomorrow.addDays(-periodDays), QTime(0, 0));
    // categoryId and a range of startTime: the category index holds every column read here.
    return sumOf(database.scalar(
        QStringLiteral("select sum(duration) from tallyRec where categoryId = ? and "
                       "startTime between ? and ? and endTime is not null"),
        {categoryId, start, end}));
}

qint64 getCategoryTotalTimeWorked(Database& database, int categoryId) {
    return sumOf(
        database.scalar(QStringLiteral("select sum(duration) from tallyRec where categoryId = ? "
                                       "and endTime is not null"),
                        {categoryId}));
}

bool notificationExists(Database& database, int typeId, int categoryId) {
    return !database
                .query(QStringLiteral("select notificationId from notification where typeId = ? "
                                      "and categoryId = ? limit 1"),
                       {typeId, categoryId})
                .isEmpty();
}

bool exceededNoticeSince(Database& database, int managerId, int categoryId,
                         const QDateTime& since) {
    return !database
                .query(QStringLiteral("select notificationId from notification where toUserId = ? "
                                      "and categoryId = ? and typeId in (?, ?) and createDate >= ? "
                                      "limit 1"),
                       {managerId, categoryId, RunningTaskOverMaximum, AboveMaximum, since})
                .isEmpty();
}

qint64 expectedMinutes(int hours, int periodDays, qint64 days) {
    if (periodDays < 1) {
        return 0;
    }
    return Numbers::roundHalfEven(double(hours) / double(periodDays) * double(days) * 60.0)
        .value_or(0);
}

bool hasAllocation(const category& thisCategory) {
    return (thisCategory.minAllocation > 0 && thisCategory.minAllocationPeriod >= 1) ||
           (thisCategory.maxAllocation > 0 && thisCategory.maxAllocationPeriod >= 1);
}

std::vector<Finding> evaluate(const category& thisCategory, qint64 total, bool minimumNotified,
                              bool maximumNotified, const QDateTime& now) {
    std::vector<Finding> found;
    const qint64 days = TimeText::daysBetween(thisCategory.startDate, now);
    const QString from = TimeText::format(thisCategory.startDate, TimeText::DD_MMM_YYYY);
    const QString today = TimeText::format(now, TimeText::DD_MMM_YYYY);

    if (thisCategory.minAllocationPeriod >= 1 && !minimumNotified) {
        const qint64 expected =
            expectedMinutes(thisCategory.minAllocation, thisCategory.minAllocationPeriod, days);
        if (total < expected) {
            found.push_back(
                {thisCategory.categoryId, BelowMinimum, thisCategory.ownerUserId,
                 BelowMinimumSubject,
                 QStringLiteral("Expected minimum time from ") + from + QStringLiteral(" to ") +
                     today + QStringLiteral(" is ") + TimeText::minToTime(expected) +
                     QStringLiteral(". Actual time recorded is ") + TimeText::minToTime(total)});
        }
    }
    if (thisCategory.maxAllocationPeriod >= 1 && !maximumNotified) {
        const qint64 expected =
            expectedMinutes(thisCategory.maxAllocation, thisCategory.maxAllocationPeriod, days);
        if (expected > 0 && expected < total) {
            found.push_back(
                {thisCategory.categoryId, AboveMaximum, thisCategory.ownerUserId,
                 AboveMaximumSubject,
                 QStringLiteral("Exceeded maximum time during period ") + from +
                     QStringLiteral(" to ") + today + QStringLiteral(" (") + QString::number(days) +
                     QStringLiteral(" days).  Maximum allocated time is ") +
                     TimeText::minToTime(expected) + QStringLiteral(". Actual time recorded is ") +
                     TimeText::minToTime(total)});
        }
    }
    return found;
}

bool canStillRecord(const category& thisCategory, bool minimumNotified, bool maximumNotified) {
    if (!hasAllocation(thisCategory)) {
        return false;
    }
    // The maximum's notice needs more than nothing expected, so an allocation of hours; the
    // minimum's is left to the sum whatever its hours, as evaluate leaves it.
    const bool minimumOpen = thisCategory.minAllocationPeriod >= 1 && !minimumNotified;
    const bool maximumOpen =
        thisCategory.maxAllocationPeriod >= 1 && !maximumNotified && thisCategory.maxAllocation > 0;
    return minimumOpen || maximumOpen;
}

std::vector<Finding> startupFindings(Database& database, const Clock& clock,
                                     const std::vector<const category*>& categories,
                                     const QSet<int>& managerIds) {
    std::vector<const category*> allocated;
    QList<int> ids;
    for (const category* each : categories) {
        if (each != nullptr && each->categoryId > 0 && managerIds.contains(each->ownerUserId) &&
            hasAllocation(*each)) {
            allocated.push_back(each);
            ids.append(each->categoryId);
        }
    }
    if (ids.isEmpty()) {
        return {};
    }

    // The notices first: a category that holds every notice it could record needs no sum, and
    // on a long history those are nearly all of them.
    QSet<int> minimumNotified;
    QSet<int> maximumNotified;
    forEachSlice(database,
                 QStringLiteral("select distinct typeId, categoryId from notification where typeId "
                                "in (?, ?) and categoryId in (%1)"),
                 {BelowMinimum, AboveMaximum}, ids, [&](const Row& row) {
                     (row.integer(0) == BelowMinimum ? minimumNotified : maximumNotified)
                         .insert(row.integer(1));
                 });

    std::vector<const category*> checked;
    QList<int> summed;
    for (const category* each : allocated) {
        const int id = each->categoryId;
        if (canStillRecord(*each, minimumNotified.contains(id), maximumNotified.contains(id))) {
            checked.push_back(each);
            summed.append(id);
        }
    }
    if (summed.isEmpty()) {
        return {};
    }

    QHash<int, qint64> totals;
    forEachSlice(database,
                 QStringLiteral("select categoryId, sum(duration) from tallyRec where endTime is "
                                "not null and categoryId in (%1) group by categoryId"),
                 {}, summed,
                 [&](const Row& row) { totals.insert(row.integer(0), row.integer64(1)); });

    const QDateTime now = clock.now();
    std::vector<Finding> found;
    for (const category* each : checked) {
        const int id = each->categoryId;
        for (Finding& finding : evaluate(*each, totals.value(id, 0), minimumNotified.contains(id),
                                         maximumNotified.contains(id), now)) {
            found.push_back(std::move(finding));
        }
    }
    return found;
}

} // namespace AllocationCheck
