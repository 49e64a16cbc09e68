#include "notifications/NotificationList.h"

#include "app/frmMain.h"

NotificationList::NotificationList(frmMain& main, NotificationsPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void NotificationList::loadNotificationList() {}
notification* NotificationList::getNotificationById(int) const {
    return nullptr;
}
void NotificationList::LoadNotificationAttributes(notification*) {}
void NotificationList::notificationTree_NodeClick(TreeNode*) {}
void NotificationList::cmdDeleteNotification_Click() {}
void NotificationList::lblFrom_Click() {}
void NotificationList::lblTo_Click() {}
void NotificationList::lblNotificationCategory_Click() {}
