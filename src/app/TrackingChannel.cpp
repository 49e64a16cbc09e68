#include "app/TrackingChannel.h"

#include "app/frmMain.h"
#include "data/task.h"
#include "data/user.h"
#include "tracking/TaskTracker.h"

#include <QCoreApplication>

TrackingOutcome TrackingChannel::run(frmMain& window, const TrackingRequest& request) {
    ProgramState& state = window.state();
    if (!window.isLoaded() || !state.database || state.currentUser == nullptr) {
        return {TrackingOutcome::BadRequest,
                QCoreApplication::translate("TrackingChannel",
                                            "Quillhour is running without a user to record for; "
                                            "choose one in its window")};
    }
    const int current = state.currentTask != nullptr ? state.currentTask->taskId : 0;
    const TrackingOutcome outcome = TrackingCommand(window.database(), window.clock())
                                        .run(request, state.currentUser->userId, current);
    if (outcome.status == TrackingOutcome::Done) {
        window.guarded([&window] { window.tracker().followOwnRows(); })();
    }
    return outcome;
}

QByteArray TrackingChannel::answer(frmMain& window, const QByteArray& request) {
    const std::optional<TrackingRequest> asked = TrackingRequest::fromLine(request);
    if (!asked) {
        return TrackingOutcome{
            TrackingOutcome::BadRequest,
            QCoreApplication::translate("TrackingChannel",
                                        "the running Quillhour did not understand the request")}
            .toLine();
    }
    return run(window, *asked).toLine();
}
