#include "data/notification.h"

#include "data/Database.h"
#include "data/user.h"
#include "platform/Clock.h"

notification::notification(DataContext& context)
    : m_context(&context) {
    createDate = context.clock.now();
    statusDate = context.clock.now();
}

void notification::setStatus(const QString& value) {
    if (value != m_status) {
        statusDate = m_context->clock.now();
    }
    m_status = value;
}

void notification::readRow(const Row& row,
                           const std::function<QDateTime(const QVariant&)>& moment) {
    notificationId = row.integer(QStringLiteral("notificationId"));
    message = row.text(QStringLiteral("message"));
    setStatus(row.text(QStringLiteral("status")));
    // After the status: the setter stamps the present time, the row has the real one.
    statusDate = moment(row.value(QStringLiteral("statusDate")));
    createDate = moment(row.value(QStringLiteral("createDate")));
    categoryId = row.integer(QStringLiteral("categoryId"));
    subject = row.text(QStringLiteral("subject"));
    typeId = row.integer(QStringLiteral("typeId"));
}

void notification::save() {
    if (fromUser == nullptr || toUser == nullptr) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QStringLiteral("A notification needs a sender and an addressee before "
                                           "it can be saved."));
    }
    Database& db = m_context->database;
    const QVariantList values = {fromUser->userId, toUser->userId, message, m_status, statusDate,
                                 createDate,       categoryId,     typeId,  subject};
    if (notificationId == 0) {
        db.execute(QStringLiteral("insert into notification (fromUserId, toUserId, message, "
                                  "status, statusDate, createDate, categoryId, typeId, subject) "
                                  "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   values);
        return;
    }
    QVariantList params = values;
    params.append(notificationId);
    db.execute(QStringLiteral("update notification set fromUserId = ?, toUserId = ?, message = ?, "
                              "status = ?, statusDate = ?, createDate = ?, categoryId = ?, "
                              "typeId = ?, subject = ? where notificationId = ?"),
               params);
}

void notification::saveStatus() {
    m_context->database.execute(QStringLiteral("update notification set status = ?, statusDate = ? "
                                               "where notificationId = ?"),
                                {m_status, statusDate, notificationId});
}

notification& notifications::Add(int notificationId, const QString& sKey) {
    auto record = std::make_unique<notification>(*m_context);
    record->notificationId = notificationId;
    return append(std::move(record), sKey);
}

ResultSet notifications::rowsAddressedTo(Database& database, int userId) {
    return database.query(
        QStringLiteral("select * from notification where toUserId = ? order by notificationId"),
        {userId});
}
