#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

class Clock;
class Database;
struct OpenTimeRow;

// What a script asks of the tracking: a task started, finished or cancelled, or time added.
// It travels as one line to a running window, which does it for its own user.
struct TrackingRequest {
    enum class Kind { Start, Finish, Cancel, Add };

    Kind kind = Kind::Start;
    QString category; // a name, a path ("Parent/Child") or an id; may be empty to finish or cancel
    int minutes = 0;  // Add only
    QDateTime at;     // Add only: when the time began; invalid for now

    QByteArray toLine() const;
    static std::optional<TrackingRequest> fromLine(const QByteArray& line);
    // A moment as people give it to Add: "YYYY-MM-DD HH:MM", local time; invalid otherwise.
    static QDateTime momentFrom(const QString& text);
};

// How a request went: the exit status of the command line and the one line it prints.
struct TrackingOutcome {
    enum Status { Done = 0, Failed = 1, BadRequest = 2 };

    int status = Failed;
    QString message;

    QByteArray toLine() const;
    static std::optional<TrackingOutcome> fromLine(const QByteArray& line);
};

// Starts, finishes and cancels a user's tasks and adds their past time by the same rules and
// statements as the window's buttons, whether a window runs or not.
class TrackingCommand {
public:
    TrackingCommand(Database& database, const Clock& clock);

    // currentTaskId: the task a window shows as current, which finishing or cancelling without
    // a category takes first; 0 to take the most recently started.
    TrackingOutcome run(const TrackingRequest& request, int userId, int currentTaskId = 0);

private:
    struct Named {
        int categoryId = 0;
        QString path;
    };
    // The category the text names; a refusal naming the candidates when it names none or
    // several.
    std::optional<Named> resolve(const QString& text, TrackingOutcome& refusal);
    TrackingOutcome start(const TrackingRequest& request, int userId);
    TrackingOutcome end(const TrackingRequest& request, int userId, int currentTaskId);
    TrackingOutcome add(const TrackingRequest& request, int userId);
    // The user's running task the request means, or nothing (refusal says why).
    std::optional<OpenTimeRow> runningTask(const TrackingRequest& request, int userId,
                                           int currentTaskId, TrackingOutcome& refusal);
    QString pathOf(int categoryId);

    Database& m_database;
    const Clock& m_clock;
};
