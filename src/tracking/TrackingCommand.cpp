#include "tracking/TrackingCommand.h"

#include "data/CategoryPaths.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/TimeCorrection.h"
#include "data/TimeText.h"
#include "data/task.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {

const QString KindNames[] = {QStringLiteral("start"), QStringLiteral("finish"),
                             QStringLiteral("cancel"), QStringLiteral("add")};
const QString MomentPattern = QStringLiteral("yyyy-MM-dd HH:mm");

using TimeText::toTheSecond;

QString shown(const QDateTime& moment) {
    return moment.toString(MomentPattern);
}

TrackingOutcome outcome(int status, const QString& message) {
    return {status, message};
}

} // namespace

QByteArray TrackingRequest::toLine() const {
    QJsonObject object{{QStringLiteral("kind"), KindNames[int(kind)]},
                       {QStringLiteral("category"), category}};
    if (kind == Kind::Add) {
        object.insert(QStringLiteral("minutes"), minutes);
        if (at.isValid()) {
            object.insert(QStringLiteral("at"), TimeText::toStorage(at));
        }
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<TrackingRequest> TrackingRequest::fromLine(const QByteArray& line) {
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    const auto kind = std::find(std::begin(KindNames), std::end(KindNames),
                                object.value(QStringLiteral("kind")).toString());
    if (kind == std::end(KindNames)) {
        return std::nullopt;
    }
    TrackingRequest request;
    request.kind = Kind(kind - std::begin(KindNames));
    request.category = object.value(QStringLiteral("category")).toString();
    request.minutes = object.value(QStringLiteral("minutes")).toInt();
    if (object.contains(QStringLiteral("at"))) {
        request.at = TimeText::fromStorage(object.value(QStringLiteral("at")).toVariant());
    }
    return request;
}

QDateTime TrackingRequest::momentFrom(const QString& text) {
    return QDateTime::fromString(text.trimmed(), MomentPattern);
}

QByteArray TrackingOutcome::toLine() const {
    return QJsonDocument(QJsonObject{{QStringLiteral("status"), status},
                                     {QStringLiteral("message"), message}})
        .toJson(QJsonDocument::Compact);
}

std::optional<TrackingOutcome> TrackingOutcome::fromLine(const QByteArray& line) {
    const QJsonObject object = QJsonDocument::fromJson(line).object();
    const QJsonValue status = object.value(QStringLiteral("status"));
    if (!status.isDouble()) {
        return std::nullopt;
    }
    return TrackingOutcome{status.toInt(), object.value(QStringLiteral("message")).toString()};
}

TrackingCommand::TrackingCommand(Database& database, const Clock& clock)
    : m_database(database)
    , m_clock(clock) {}

TrackingOutcome TrackingCommand::run(const TrackingRequest& request, int userId,
                                     int currentTaskId) {
    try {
        switch (request.kind) {
        case TrackingRequest::Kind::Start:
            return start(request, userId);
        case TrackingRequest::Kind::Finish:
        case TrackingRequest::Kind::Cancel:
            return end(request, userId, currentTaskId);
        case TrackingRequest::Kind::Add:
            return add(request, userId);
        }
    } catch (const DatabaseError& error) {
        return outcome(TrackingOutcome::Failed, error.message());
    }
    return outcome(TrackingOutcome::BadRequest, {});
}

std::optional<TrackingCommand::Named> TrackingCommand::resolve(const QString& text,
                                                               TrackingOutcome& refusal) {
    const CategoryPaths names(m_database);
    bool number = false;
    const int id = text.toInt(&number);
    std::vector<int> named;
    for (auto it = names.entries().cbegin(); it != names.entries().cend(); ++it) {
        if (it.key() > 0 &&
            (it->name == text || names.path(it.key()) == text || (number && it.key() == id))) {
            named.push_back(it.key());
        }
    }
    std::sort(named.begin(), named.end());
    if (named.size() == 1) {
        return Named{named.front(), names.path(named.front())};
    }
    if (named.empty()) {
        refusal =
            outcome(TrackingOutcome::BadRequest,
                    QCoreApplication::translate("TrackingCommand", "no category is named \"%1\"")
                        .arg(text));
        return std::nullopt;
    }
    QStringList candidates;
    for (const int each : named) {
        candidates.append(QStringLiteral("%1 (%2)").arg(names.path(each)).arg(each));
    }
    refusal = outcome(
        TrackingOutcome::BadRequest,
        QCoreApplication::translate(
            "TrackingCommand", "\"%1\" names more than one category: %2; give its path or its id")
            .arg(text, candidates.join(QStringLiteral(", "))));
    return std::nullopt;
}

QString TrackingCommand::pathOf(int categoryId) {
    return CategoryPaths(m_database).path(categoryId);
}

TrackingOutcome TrackingCommand::start(const TrackingRequest& request, int userId) {
    TrackingOutcome refusal;
    const std::optional<Named> named = resolve(request.category, refusal);
    if (!named) {
        return refusal;
    }
    const QDateTime now = toTheSecond(m_clock.now());
    tasks::startRow(m_database, now, named->categoryId, userId);
    return outcome(TrackingOutcome::Done,
                   QCoreApplication::translate("TrackingCommand", "Started %1 at %2.")
                       .arg(named->path, shown(now)));
}

std::optional<OpenTimeRow> TrackingCommand::runningTask(const TrackingRequest& request, int userId,
                                                        int currentTaskId,
                                                        TrackingOutcome& refusal) {
    std::optional<Named> named;
    if (!request.category.isEmpty() && !(named = resolve(request.category, refusal))) {
        return std::nullopt;
    }
    std::optional<OpenTimeRow> chosen;
    for (const OpenTimeRow& row : tasks::openRows(m_database)) {
        if (row.userId != userId || (named && row.categoryId != named->categoryId)) {
            continue;
        }
        // The window's current task first, else the most recently started (rows come oldest
        // first).
        if (!chosen || chosen->timeId != currentTaskId) {
            chosen = row;
        }
    }
    if (!chosen) {
        refusal = outcome(
            TrackingOutcome::BadRequest,
            named ? QCoreApplication::translate("TrackingCommand", "no task of yours runs on %1")
                        .arg(named->path)
                  : QCoreApplication::translate("TrackingCommand", "no task of yours is running"));
    }
    return chosen;
}

TrackingOutcome TrackingCommand::end(const TrackingRequest& request, int userId,
                                     int currentTaskId) {
    TrackingOutcome refusal;
    const std::optional<OpenTimeRow> row = runningTask(request, userId, currentTaskId, refusal);
    if (!row) {
        return refusal;
    }
    const QString path = pathOf(row->categoryId);
    DataContext context{m_database, m_clock};
    task running(context);
    running.taskId = row->timeId;
    running.startTime = row->startTime;
    if (request.kind == TrackingRequest::Kind::Cancel) {
        TimeCorrection(m_database, m_clock).remove(row->timeId, userId);
        return outcome(
            TrackingOutcome::Done,
            QCoreApplication::translate(
                "TrackingCommand", "Cancelled the task on %1 started at %2; its time is not kept.")
                .arg(path, shown(row->startTime)));
    }
    running.endTime = std::max(toTheSecond(m_clock.now()), row->startTime);
    running.duration = int(TimeText::minutesBetween(running.startTime, running.endTime));
    running.save();
    return outcome(
        TrackingOutcome::Done,
        QCoreApplication::translate("TrackingCommand", "Finished %1 after %2 (from %3 to %4).")
            .arg(path, TimeText::minToTime(running.duration), shown(running.startTime),
                 shown(running.endTime)));
}

TrackingOutcome TrackingCommand::add(const TrackingRequest& request, int userId) {
    TrackingOutcome refusal;
    const std::optional<Named> named = resolve(request.category, refusal);
    if (!named) {
        return refusal;
    }
    TimeCorrection::Times entry;
    entry.categoryId = named->categoryId;
    entry.startTime = toTheSecond(request.at.isValid() ? request.at : m_clock.now());
    entry.endTime = entry.startTime.addSecs(qint64(request.minutes) * 60);
    if (const std::optional<QString> refused =
            TimeCorrection(m_database, m_clock).add(entry, userId)) {
        return outcome(TrackingOutcome::BadRequest, *refused);
    }
    return outcome(TrackingOutcome::Done,
                   QCoreApplication::translate("TrackingCommand",
                                               "Added %n minutes to %1, from %2 to %3.", nullptr,
                                               request.minutes)
                       .arg(named->path, shown(entry.startTime), shown(entry.endTime)));
}
