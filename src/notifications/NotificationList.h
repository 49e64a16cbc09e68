#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class CategoryTree;
class UserList;
struct Workspace;
class notification;
class notifications;
class NotificationsPage;
class QLabel;
class QVariant;
class TreeNode;
class user;

// The current user's notifications grouped by status, their details, and deletion.
class NotificationList : public QObject {
    Q_OBJECT

public:
    // categories selects the category of a notification; users shows its sender or addressee.
    NotificationList(Workspace& workspace, NotificationsPage& page, CategoryTree& categories,
                     UserList& users, QObject* parent = nullptr);
    ~NotificationList() override;

    // Rebuilds userNotifications from the rows addressed to the current user and adds the nodes
    // the tree lacks. Nodes already in the tree keep their place and look: a notification stays
    // under the group it was first shown in until its node is taken out.
    void loadNotificationList();
    // The loaded notification with that id, or nullptr.
    notification* getNotificationById(int notificationId) const;
    // Marks an unread notification read (its node comes back under "Read", selected) and shows
    // it in the details frame.
    void LoadNotificationAttributes(notification* thisNotification);

    void notificationTree_NodeClick(TreeNode* node);
    void cmdDeleteNotification_Click();
    void lblFrom_Click();
    void lblTo_Click();
    void lblNotificationCategory_Click();

signals:
    // An unread notification came for the current user since the list was first loaded for
    // them (written by this instance or another): its node key, the text of its node and its
    // message.
    void unreadArrived(const QString& key, const QString& title, const QString& message);

private:
    // A stored date-time, read once for as long as the stored value stays the same.
    QDateTime storedMoment(const QVariant& value);
    void showDetails(const notification& shown);
    void showUserOfLabel(const QLabel* label);
    static std::optional<int> tagOf(const QLabel* label);

    Workspace& m_work;
    NotificationsPage& m_page;
    CategoryTree& m_categories;
    UserList& m_users;
    // Stored date-times by their stored text: the values read by the last load, and those read
    // by the one under way. Reading a local date-time asks the system for the time zone each
    // time, and the same few hundred values come back every two seconds.
    QHash<QString, QDateTime> m_momentsRead;
    QHash<QString, QDateTime> m_momentsReading;
    // The unread notifications of the user whose list was loaded before, announced or not; a
    // first load for a user announces none of what was already there.
    int m_unreadUser = -1;
    QSet<int> m_unreadSeen;
};
