#pragma once

class DesktopNotifier;
class QString;
class frmMain;

// Notices on the desktop of new notifications, and of reminders that come while the window is
// not in use; a click on one shows what it was about.
namespace DesktopNotices {

void connect(frmMain& window, DesktopNotifier& notifier);
// The notification ("nid_...") or the running task ("tid_...") a notice was about.
void showTarget(frmMain& window, const QString& target);

} // namespace DesktopNotices
