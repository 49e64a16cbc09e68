#pragma once

#include "tracking/TrackingCommand.h"

#include <QByteArray>

class frmMain;

// The window's side of quillhour --start, --finish, --cancel and --add given while it runs: the
// request is done for the window's own user, and the window shows the change at once.
class TrackingChannel {
public:
    static TrackingOutcome run(frmMain& window, const TrackingRequest& request);
    // The answer's line to a request's line.
    static QByteArray answer(frmMain& window, const QByteArray& request);
};
