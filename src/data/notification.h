#pragma once

#include "data/DataContext.h"
#include "data/KeyedCollection.h"
#include "data/ResultSet.h"

#include <QDateTime>
#include <QString>
#include <functional>

class Database;
class TreeNode;
class user;

// A message from one user to another about a category: one row of the notification table.
class notification {
public:
    static inline const QString Unread = QStringLiteral("Unread");
    static inline const QString Read = QStringLiteral("Read");
    static inline const QString Deleted = QStringLiteral("Deleted");

    // A new record: "Unread", created and status-dated now.
    explicit notification(DataContext& context);

    QString subject;
    int typeId = 0; // 1 below the expected minimum, 2 above the maximum
    int categoryId = 0;
    QDateTime statusDate;
    QDateTime createDate;
    TreeNode* treeNode = nullptr; // not owned; set by the notification list
    QString message;
    ::user* toUser = nullptr;   // not owned
    ::user* fromUser = nullptr; // not owned
    int notificationId = 0;

    const QString& status() const { return m_status; }
    // A different status (compared exactly) stamps statusDate with the present time first.
    void setStatus(const QString& value);

    // Takes the columns of a row of the notification table but the two user ids, which the
    // caller turns into users (fromUserId, toUserId). Stored date-times are read with moment,
    // which may remember what it has read before.
    void readRow(const Row& row, const std::function<QDateTime(const QVariant&)>& moment);

    // Inserts the record when notificationId is 0, updates every column otherwise. The insert
    // does not learn the new id.
    void save();
    // Writes the status and its date of a stored record, and nothing else: marking a
    // notification read or deleted leaves what was sent as it was sent, whatever the record
    // made of it (a missing category reads as 0).
    void saveStatus();

private:
    DataContext* m_context;
    QString m_status = Unread;
};

class notifications : public KeyedCollection<notification> {
public:
    explicit notifications(DataContext& context)
        : m_context(&context) {}
    notification& Add(int notificationId, const QString& sKey = {});
    // The rows addressed to a user, by id: groups and nodes come in the same order on every
    // engine.
    static ResultSet rowsAddressedTo(Database& database, int userId);

private:
    DataContext* m_context;
};
