#include "data/TimeCorrection.h"

#include "data/ClosedPeriods.h"
#include "data/Database.h"
#include "data/NameText.h"
#include "data/SignedInRules.h"
#include "data/TimeText.h"
#include "platform/Clock.h"

#include <QCoreApplication>

namespace {

QString gone() {
    return QCoreApplication::translate("TimeCorrection",
                                       "This time entry is no longer there: it was deleted "
                                       "meanwhile.");
}

QString stillRunning() {
    return QCoreApplication::translate("TimeCorrection",
                                       "This time entry is still running: it can be changed once "
                                       "it is finished.");
}

QString futureStart() {
    return QCoreApplication::translate("TimeCorrection", "A task cannot start in the future.");
}

QString tooLong() {
    return QCoreApplication::translate("TimeCorrection",
                                       "A time entry can be at most %1 minutes long.")
        .arg(TimeCorrection::LongestMinutes);
}

} // namespace

int TimeCorrection::Times::duration() const {
    return int(TimeText::minutesBetween(startTime, endTime));
}

TimeCorrection::TimeCorrection(Database& database, const Clock& clock)
    : m_database(database)
    , m_clock(clock) {}

TimeCorrection::Rights TimeCorrection::mayChange(int userId, int rowUserId, int managerUserId) {
    const bool allowed =
        userId > 0 && (userId == rowUserId || (managerUserId > 0 && userId == managerUserId));
    return {allowed, rowUserId, managerUserId};
}

TimeCorrection::Rights TimeCorrection::rightsOn(int userId, const Row& row) {
    return mayChange(userId, row.userId, managerOf(row.categoryId));
}

QString TimeCorrection::whoMayChange(const Rights& rights, int categoryId) {
    QString owner = NameText::isolated(userName(rights.rowUserId));
    if (owner.isEmpty()) {
        owner = QCoreApplication::translate("TimeCorrection", "its own user");
    }
    // A person who manages the category of their own time is named once.
    const bool otherManager = rights.managerUserId > 0 && rights.managerUserId != rights.rowUserId;
    const QString manager =
        otherManager ? NameText::isolated(userName(rights.managerUserId)) : QString();
    if (manager.isEmpty()) {
        return QCoreApplication::translate("TimeCorrection",
                                           "Only %1, whose time this is, may change it.")
            .arg(owner);
    }
    return QCoreApplication::translate(
               "TimeCorrection",
               "Only %1, whose time this is, or %2, the manager of %3, may change it.")
        .arg(owner, manager, NameText::isolated(categoryName(categoryId)));
}

std::optional<QString> TimeCorrection::problem(const Times& times) {
    if (!times.startTime.isValid() || !times.endTime.isValid()) {
        return QCoreApplication::translate("TimeCorrection",
                                           "The start and the end must both be a date and a time.");
    }
    if (times.endTime <= times.startTime) {
        return QCoreApplication::translate("TimeCorrection", "The end must be after the start.");
    }
    if (times.duration() > LongestMinutes) {
        return tooLong();
    }
    if (times.categoryId <= 0) {
        return QCoreApplication::translate("TimeCorrection", "Choose a category for the time.");
    }
    return std::nullopt;
}

std::optional<TimeCorrection::Row> TimeCorrection::read(int timeId) {
    const ResultSet rows = m_database.query(
        QStringLiteral("select timeId, startTime, endTime, duration, categoryId, userId "
                       "from tallyRec where timeId = ?"),
        {timeId});
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    const ::Row stored = rows.first();
    Row row;
    row.timeId = stored.integer(0);
    row.startTime = stored.dateTime(1);
    row.endTime = stored.dateTime(2);
    if (!stored.value(3).isNull()) {
        row.duration = stored.integer(3);
    }
    row.categoryId = stored.integer(4);
    row.userId = stored.integer(5);
    row.storedStart = stored.value(1);
    row.storedEnd = stored.value(2);
    return row;
}

std::optional<QString> TimeCorrection::edit(const Row& asRead, const Times& to, int byUserId,
                                            std::optional<Row>* current) {
    if (current != nullptr) {
        current->reset();
    }
    if (to.startTime == asRead.startTime && to.endTime == asRead.endTime &&
        to.categoryId == asRead.categoryId) {
        return std::nullopt; // nothing to change, nothing to keep, nobody to tell
    }
    if (const std::optional<QString> wrong = problem(to)) {
        return wrong;
    }
    if (!asRead.endTime.isValid()) {
        return stillRunning();
    }
    std::optional<QString> refusal;
    std::optional<Row> now;
    m_database.transaction([&] {
        now.reset();
        refusal = editRefusal(asRead, to, byUserId);
        if (refusal) {
            return;
        }
        Row changed = asRead;
        changed.startTime = to.startTime;
        changed.endTime = to.endTime;
        changed.duration = to.duration();
        changed.categoryId = to.categoryId;
        if (!writeOver(asRead, changed)) {
            now = read(asRead.timeId);
            if (!now) {
                refusal = gone();
            } else if (!now->endTime.isValid()) {
                refusal = stillRunning();
                now.reset(); // nothing the dialog could show
            } else {
                refusal = QCoreApplication::translate(
                    "TimeCorrection", "Someone else changed this time entry meanwhile, and "
                                      "nothing was saved. It is shown as it is now.");
            }
            return;
        }
        record(asRead, changed, byUserId);
    });
    if (current != nullptr && now) {
        *current = std::move(now);
    }
    return refusal;
}

std::optional<QString> TimeCorrection::editRefusal(const Row& asRead, const Times& to,
                                                   int byUserId) {
    const Rights rights = rightsOn(byUserId, asRead);
    if (!rights.allowed) {
        return whoMayChange(rights, asRead.categoryId);
    }
    if (auto closed = ClosedPeriods::refusal(m_database, asRead.categoryId, asRead.startTime)) {
        return closed;
    }
    if (auto closed = ClosedPeriods::refusal(m_database, to.categoryId, to.startTime)) {
        return closed;
    }
    if (to.categoryId == asRead.categoryId) {
        return std::nullopt;
    }
    const int manager = managerOf(to.categoryId);
    if (manager < 0) {
        return QCoreApplication::translate("TimeCorrection",
                                           "The category chosen is no longer there.");
    }
    const Rights after = mayChange(byUserId, asRead.userId, manager);
    if (!after.allowed) {
        return QCoreApplication::translate("TimeCorrection", "The time cannot be moved to %1. ")
                   .arg(NameText::isolated(categoryName(to.categoryId))) +
               whoMayChange(after, to.categoryId);
    }
    return std::nullopt;
}

bool TimeCorrection::writeOver(const Row& asRead, const Row& changed) {
    // Written only over the row the person saw: whatever someone else saved since then is
    // kept, however the engine interleaves the two transactions.
    auto asStored = [](const QVariant& stored, const QDateTime& moment) {
        return stored.isValid() ? stored : QVariant(moment);
    };
    QVariantList params{changed.startTime,
                        changed.endTime,
                        *changed.duration,
                        changed.categoryId,
                        asRead.timeId,
                        asStored(asRead.storedStart, asRead.startTime),
                        asStored(asRead.storedEnd, asRead.endTime),
                        asRead.categoryId};
    QString sameDuration = QStringLiteral("duration is null");
    if (asRead.duration) {
        sameDuration = QStringLiteral("duration = ?");
        params.append(*asRead.duration);
    }
    const ResultSet written = m_database.query(
        QStringLiteral("update tallyRec set startTime = ?, endTime = ?, duration = ?, "
                       "categoryId = ? where timeId = ? and startTime = ? and endTime = ? "
                       "and categoryId = ? and %1 returning timeId")
            .arg(sameDuration),
        params);
    return !written.isEmpty();
}

void TimeCorrection::remove(int timeId, int byUserId) {
    m_database.transaction([&] {
        const std::optional<Row> before = read(timeId);
        if (!before) {
            return; // already gone: nothing to delete, nothing to tell
        }
        if (auto closed =
                ClosedPeriods::refusal(m_database, before->categoryId, before->startTime)) {
            throw DatabaseError(DatabaseError::Kind::Refused, *closed);
        }
        m_database.execute(QStringLiteral("delete from tallyRec where timeId = ?"), {timeId});
        record(*before, std::nullopt, byUserId);
    });
}

void TimeCorrection::removeCategoryRows(int categoryId, int byUserId) {
    const bool serverKeepsTrail = SignedIn::keepsTrail(m_database);
    m_database.transaction([&] {
        if (serverKeepsTrail) {
            m_database.execute(QStringLiteral("delete from tallyRec where categoryId = ?"),
                               {categoryId});
            return;
        }
        const QDateTime now = m_clock.now();
        m_database.execute(
            QStringLiteral("insert into tallyRecChange (timeId, userId, changedByUserId, "
                           "changeDate, kind, oldStartTime, oldEndTime, oldDuration, "
                           "oldCategoryId) select timeId, userId, ?, ?, ?, startTime, endTime, "
                           "duration, categoryId from tallyRec where categoryId = ? "
                           "order by timeId"),
            {byUserId, now, Deleted, categoryId});
        if (byUserId > 0) {
            const QString who = NameText::isolated(userName(byUserId));
            const QString category = NameText::isolated(categoryName(categoryId));
            const ResultSet owners = m_database.query(
                QStringLiteral("select userId, count(*), sum(duration) from tallyRec "
                               "where categoryId = ? and userId <> ? group by userId "
                               "order by userId"),
                {categoryId, byUserId});
            for (const ::Row owner : owners) {
                notify(owner.integer(0), byUserId, categoryId,
                       QStringLiteral("%1 deleted the category %2, and with it %3 of your time "
                                      "entries (%4).")
                           .arg(who, category)
                           .arg(owner.integer64(1))
                           .arg(TimeText::minToTime(owner.integer64(2))));
            }
        }
        m_database.execute(QStringLiteral("delete from tallyRec where categoryId = ?"),
                           {categoryId});
    });
}

std::optional<QString> TimeCorrection::add(const Times& entry, int userId, int* newId) {
    if (const std::optional<QString> wrong = problem(entry)) {
        return wrong;
    }
    if (entry.startTime > m_clock.now()) {
        return futureStart();
    }
    std::optional<QString> refusal;
    m_database.transaction([&] {
        refusal.reset();
        if (managerOf(entry.categoryId) < 0) {
            refusal = QCoreApplication::translate("TimeCorrection",
                                                  "The category chosen is no longer there.");
            return;
        }
        refusal = ClosedPeriods::refusal(m_database, entry.categoryId, entry.startTime);
        if (refusal) {
            return;
        }
        const int id = int(m_database.insert(
            QStringLiteral("insert into tallyRec (startTime, endTime, duration, categoryId, "
                           "userId) values (?, ?, ?, ?, ?)"),
            {entry.startTime, entry.endTime, entry.duration(), entry.categoryId, userId},
            QStringLiteral("timeId")));
        if (newId != nullptr) {
            *newId = id;
        }
    });
    return refusal;
}

std::optional<QString> TimeCorrection::startProblem(const QDateTime& start) const {
    if (!start.isValid()) {
        return QCoreApplication::translate("TimeCorrection",
                                           "The start must be a date and a time.");
    }
    const QDateTime now = m_clock.now();
    if (start > now) {
        return futureStart();
    }
    if (TimeText::minutesBetween(start, now) > LongestMinutes) {
        return tooLong();
    }
    return std::nullopt;
}

std::optional<QString> TimeCorrection::moveStart(int timeId, const QDateTime& start, int byUserId) {
    if (const std::optional<QString> wrong = startProblem(start)) {
        return wrong;
    }
    std::optional<QString> refusal;
    m_database.transaction([&] {
        refusal.reset();
        const std::optional<Row> before = read(timeId);
        if (!before || before->endTime.isValid()) {
            refusal =
                QCoreApplication::translate("TimeCorrection", "This task is no longer running.");
            return;
        }
        if (before->userId != byUserId) {
            refusal = QCoreApplication::translate(
                          "TimeCorrection", "Only %1, whose task this is, may change its start.")
                          .arg(NameText::isolated(userName(before->userId)));
            return;
        }
        refusal = ClosedPeriods::refusal(m_database, before->categoryId, start);
        if (refusal) {
            return;
        }
        Row changed = *before;
        changed.startTime = start;
        m_database.execute(
            QStringLiteral(
                "update tallyRec set startTime = ? where timeId = ? and endTime is null"),
            {start, timeId});
        record(*before, changed, byUserId);
    });
    return refusal;
}

bool TimeCorrection::farBack(const QDateTime& start, const QDateTime& now) {
    return start < QDateTime(now.date().addDays(-1), QTime(0, 0));
}

void TimeCorrection::record(const Row& from, const std::optional<Row>& to, int byUserId) {
    if (SignedIn::keepsTrail(m_database)) {
        return; // the server's triggers wrote it, in the changer's name
    }
    const QDateTime now = m_clock.now();
    auto optional = [](const std::optional<int>& value) {
        return value ? QVariant(*value) : QVariant();
    };
    auto moment = [](const QDateTime& value) {
        return value.isValid() ? QVariant(value) : QVariant();
    };
    m_database.execute(
        QStringLiteral("insert into tallyRecChange (timeId, userId, changedByUserId, changeDate, "
                       "kind, oldStartTime, oldEndTime, oldDuration, oldCategoryId, newStartTime, "
                       "newEndTime, newDuration, newCategoryId) "
                       "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {from.timeId, from.userId, byUserId, now, to ? Edited : Deleted, moment(from.startTime),
         moment(from.endTime), optional(from.duration), from.categoryId,
         to ? moment(to->startTime) : QVariant(), to ? moment(to->endTime) : QVariant(),
         to ? optional(to->duration) : QVariant(), to ? QVariant(to->categoryId) : QVariant()});
    if (byUserId == from.userId || byUserId <= 0) {
        return; // one's own time: nobody to tell
    }
    const QString who = NameText::isolated(userName(byUserId));
    const QString message =
        to ? QStringLiteral("%1 changed your time.\nFrom: %2\nTo: %3")
                 .arg(who, describe(from), describe(*to))
           : QStringLiteral("%1 deleted your time.\nFrom: %2\nTo: nothing (deleted)")
                 .arg(who, describe(from));
    notify(from.userId, byUserId, to ? to->categoryId : from.categoryId, message);
}

void TimeCorrection::notify(int toUserId, int byUserId, int categoryId, const QString& message) {
    const QDateTime now = m_clock.now();
    m_database.execute(QStringLiteral("insert into notification (fromUserId, toUserId, message, "
                                      "status, statusDate, createDate, categoryId, typeId, "
                                      "subject) values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                       {byUserId, toUserId, message, QStringLiteral("Unread"), now, now, categoryId,
                        TimeChangedType, Subject});
}

QString TimeCorrection::describe(const Row& row) {
    const QString category = NameText::isolated(categoryName(row.categoryId));
    if (!row.endTime.isValid()) {
        return QStringLiteral("%1, started %2, running")
            .arg(category, TimeText::defaultText(row.startTime));
    }
    return QStringLiteral("%1, %2 to %3 (%4)")
        .arg(category, TimeText::defaultText(row.startTime), TimeText::defaultText(row.endTime),
             TimeText::minToTime(row.duration.value_or(0)));
}

QString TimeCorrection::userName(int userId) {
    return m_database
        .scalar(QStringLiteral("select userName from \"user\" where userId = ?"), {userId})
        .toString();
}

QString TimeCorrection::categoryName(int categoryId) {
    return m_database
        .scalar(QStringLiteral("select category from category where categoryId = ?"), {categoryId})
        .toString();
}

int TimeCorrection::managerOf(int categoryId) {
    const QVariant manager = m_database.scalar(
        QStringLiteral("select ownerUserId from category where categoryId = ?"), {categoryId});
    return manager.isNull() ? -1 : manager.toInt();
}
