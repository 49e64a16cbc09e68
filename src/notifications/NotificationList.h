#pragma once

#include <QObject>

class frmMain;
class notification;
class NotificationsPage;
class TreeNode;

// The current user's notifications grouped by status, their details, and deletion.
class NotificationList : public QObject {
    Q_OBJECT

public:
    NotificationList(frmMain& main, NotificationsPage& page);

    void loadNotificationList();
    notification* getNotificationById(int notificationId) const;
    void LoadNotificationAttributes(notification* thisNotification);

    void notificationTree_NodeClick(TreeNode* node);
    void cmdDeleteNotification_Click();
    void lblFrom_Click();
    void lblTo_Click();
    void lblNotificationCategory_Click();

private:
    frmMain& m_main;
    NotificationsPage& m_page;
};
