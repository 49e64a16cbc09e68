#include "app/DesktopNotices.h"

#include "app/frmMain.h"
#include "data/NodeKeys.h"
#include "notifications/NotificationList.h"
#include "notifications/NotificationsPage.h"
#include "platform/DesktopNotifier.h"
#include "platform/desktop/WindowActivation.h"
#include "tracking/Reminders.h"
#include "tracking/TaskList.h"
#include "tracking/frmReminder.h"
#include "widgets/KeyedTree.h"

#include <QApplication>

namespace DesktopNotices {

void connect(frmMain& window, DesktopNotifier& notifier) {
    QObject::connect(&window.notificationList(), &NotificationList::unreadArrived, &notifier,
                     [&notifier](const QString& key, const QString& title, const QString& message) {
                         notifier.notify(title, message, key);
                     });
    QObject::connect(&window.reminders(), &Reminders::reminderDue, &window,
                     [&window, &notifier](int taskId, const QString& question) {
                         // Someone at the window sees the reminder window come up.
                         if (!window.isActiveWindow()) {
                             notifier.notify(frmMain::tr("Reminder"), question,
                                             NodeKeys::key(NodeKeys::Task, taskId));
                         }
                     });
    QObject::connect(&notifier, &DesktopNotifier::activated, &window,
                     [&window](const QString& target) {
                         window.guard().run([&] { window.showNoticeTarget(target); });
                     });
}

void showTarget(frmMain& window, const QString& target) {
    frmReminder& reminder = window.reminders().window();
    if (reminder.isVisible() && target == NodeKeys::key(NodeKeys::Task, reminder.taskId())) {
        bringToFront(&reminder);
        return;
    }
    window.showProgram();
    if (!window.isLoaded() || !window.isVisible() || QApplication::activeModalWidget() != nullptr) {
        return; // the window in front is waiting for an answer first
    }
    if (NodeKeys::idOf(NodeKeys::Notification, target)) {
        window.openTab(Shell::NotificationsTab);
        KeyedTree* tree = window.notificationsPage->notificationTree;
        if (TreeNode* node = tree->node(target); node != nullptr) {
            tree->selectNode(node);
            window.notificationList().notificationTree_NodeClick(node);
        }
    } else if (NodeKeys::idOf(NodeKeys::Task, target)) {
        window.selectTab(Shell::TasksTab);
        if (TreeNode* node = window.taskTree->node(target); node != nullptr) {
            window.taskTree->selectNode(node);
            window.taskList().taskTree_NodeClick(node);
        }
    }
}

} // namespace DesktopNotices
