#include "data/ClosedPeriods.h"

#include "data/Database.h"
#include "data/NameText.h"
#include "data/Refusal.h"
#include "data/Schema.h"
#include "data/SignedIn.h"
#include "data/TimeText.h"

#include <QCoreApplication>

namespace ClosedPeriods {

namespace {

// The periods and who closed them; where says which, with its values in params.
std::vector<Period> read(Database& database, const QString& with, const QString& where,
                         const QVariantList& params) {
    std::vector<Period> periods;
    if (Schema::version(database) < 5) {
        return periods;
    }
    const ResultSet rows = database.query(
        with +
            QStringLiteral("select p.closedPeriodId, p.categoryId, c.category, p.closedThrough, "
                           "p.closedByUserId, u.userName, p.closedAt from closedPeriod p "
                           "left join category c on c.categoryId = p.categoryId "
                           "left join \"user\" u on u.userId = p.closedByUserId "
                           "where p.reopenedAt is null") +
            where + QStringLiteral(" order by p.closedThrough desc, p.closedPeriodId desc"),
        params);
    for (const Row row : rows) {
        periods.push_back({row.integer(0), row.integer(1), row.text(2), row.dateTime(3).date(),
                           row.integer(4), row.text(5), row.dateTime(6)});
    }
    return periods;
}

QString dayText(const QDate& day) {
    return TimeText::format(day, TimeText::DD_MMM_YYYY);
}

QString closer(const Period& period) {
    return period.closedBy.isEmpty()
               ? QCoreApplication::translate("ClosedPeriods", "user %1").arg(period.closedByUserId)
               : NameText::isolated(period.closedBy);
}

} // namespace

std::optional<Period> covering(Database& database, int categoryId, const QDate& day) {
    // "union", not "union all": a loop in the parent ids ends.
    const std::vector<Period> found = read(
        database,
        QStringLiteral("with recursive up(id) as (select cast(? as integer) union "
                       "select c2.parentId from category c2 join up on c2.categoryId = up.id) "),
        QStringLiteral(" and p.closedThrough >= ? and (p.categoryId is null or p.categoryId in "
                       "(select id from up))"),
        {categoryId, QDateTime(day, QTime(0, 0))});
    if (found.empty()) {
        return std::nullopt;
    }
    return found.front();
}

std::optional<QString> refusal(Database& database, int categoryId, const QDateTime& start) {
    if (const std::optional<Period> period = covering(database, categoryId, start.date())) {
        return sentence(*period);
    }
    return std::nullopt;
}

QString sentence(const Period& period) {
    return Refusal::closedTime(closer(period), NameText::isolated(period.category),
                               period.through.toString(Qt::ISODate));
}

QString rateRefusal(const Period& period, const QDate& from) {
    return QCoreApplication::translate("ClosedPeriods",
                                       "A rate from %1 would change amounts already closed. %2")
        .arg(dayText(from), sentence(period));
}

std::vector<Period> closed(Database& database) {
    return read(database, {}, {}, {});
}

std::optional<QString> close(Database& database, int categoryId, const QDate& through, int byUserId,
                             const QDateTime& now) {
    if (!through.isValid() || through >= now.date()) {
        return QCoreApplication::translate("ClosedPeriods",
                                           "Only days that are over can be closed: close up to "
                                           "yesterday at the latest.");
    }
    std::optional<QString> refused;
    database.transaction([&] {
        refused.reset();
        if (categoryId > 0) {
            const QVariant manager = database.scalar(
                QStringLiteral("select ownerUserId from category where categoryId = ?"),
                {categoryId});
            if (manager.isNull()) {
                refused = QCoreApplication::translate("ClosedPeriods",
                                                      "The category chosen is no longer there.");
                return;
            }
            // On a signed-in server the server decides, administrators included.
            if (!SignedIn::isOn(database) && manager.toInt() != byUserId) {
                refused = QCoreApplication::translate(
                    "ClosedPeriods", "Only the manager of a category can close its time.");
                return;
            }
        }
        const QString running =
            database
                .scalar(QStringLiteral("select min(startTime) from tallyRec "
                                       "where endTime is null and startTime < ?"),
                        {QDateTime(through.addDays(1), QTime(0, 0))})
                .toString();
        if (!running.isEmpty()) {
            refused = QCoreApplication::translate("ClosedPeriods",
                                                  "A task started in that period is still "
                                                  "running: finish it before closing the period.");
            return;
        }
        database.execute(QStringLiteral("insert into closedPeriod (categoryId, closedThrough, "
                                        "closedByUserId, closedAt) values (?, ?, ?, ?)"),
                         {categoryId > 0 ? QVariant(categoryId) : QVariant(),
                          QDateTime(through, QTime(0, 0)), byUserId, now});
    });
    return refused;
}

bool reopen(Database& database, int categoryId, const QDate& through, int byUserId,
            const QDateTime& now) {
    bool reopened = false;
    database.transaction([&] {
        reopened = !database
                        .query(QStringLiteral("update closedPeriod set reopenedByUserId = ?, "
                                              "reopenedAt = ? where reopenedAt is null and "
                                              "coalesce(categoryId, 0) = ? and closedThrough = ? "
                                              "returning closedPeriodId"),
                               {byUserId, now, categoryId, QDateTime(through, QTime(0, 0))})
                        .isEmpty();
    });
    return reopened;
}

} // namespace ClosedPeriods
