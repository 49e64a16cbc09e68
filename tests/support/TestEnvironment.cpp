#include "TestEnvironment.h"

#include <QLocale>
#include <QtTest>

TestEnvironment::TestEnvironment(const QDateTime& start)
    : clock(start)
    , settings(m_folder.filePath(QStringLiteral("settings.ini"))) {
    if (!m_folder.isValid()) {
        qFatal("Could not make a temporary folder for the test");
    }
    // Tests read dates in one known form, whatever the machine's own locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    m_database = Database::create(databasePath());
    m_context = std::make_unique<DataContext>(DataContext{*m_database, clock});
}

TestEnvironment::~TestEnvironment() {
    m_context.reset();
    m_database.reset();
}

int TestEnvironment::addUser(const QString& name, bool active, const QString& email) {
    return int(m_database->insert(
        QStringLiteral("insert into \"user\" (userName, created, details, email, active) "
                       "values (?, ?, ?, ?, ?)"),
        {name, clock.now(), QString(), email.isEmpty() ? QVariant() : QVariant(email), active},
        QStringLiteral("userId")));
}

int TestEnvironment::addCategory(const QString& name, int parentId, int ownerUserId,
                                 int minAllocation, int minPeriodId, int maxAllocation,
                                 int maxPeriodId, const QDateTime& startDate) {
    return int(m_database->insert(
        QStringLiteral("insert into category (category, parentId, description, minAllocation, "
                       "maxAllocation, minAllocationPeriodId, maxAllocationPeriodId, "
                       "chargingRate, folder, ownerUserId, productivityId, startDate) "
                       "values (?, ?, ?, ?, ?, ?, ?, 0, NULL, ?, 2, ?)"),
        {name, parentId, QString(), minAllocation, maxAllocation, minPeriodId, maxPeriodId,
         ownerUserId, startDate.isValid() ? startDate : clock.now()},
        QStringLiteral("categoryId")));
}

int TestEnvironment::addTime(int categoryId, int userId, const QDateTime& start,
                             const QDateTime& end, int duration) {
    return int(m_database->insert(
        QStringLiteral("insert into tallyRec (startTime, endTime, duration, categoryId, userId) "
                       "values (?, ?, ?, ?, ?)"),
        {start, end, duration, categoryId, userId}, QStringLiteral("timeId")));
}

int TestEnvironment::addOpenTime(int categoryId, int userId, const QDateTime& start) {
    return int(m_database->insert(
        QStringLiteral("insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
        {start, categoryId, userId}, QStringLiteral("timeId")));
}

int TestEnvironment::addNotification(int fromUserId, int toUserId, int categoryId, int typeId,
                                     const QString& subject, const QString& status,
                                     const QString& message, const QDateTime& created) {
    const QDateTime when = created.isValid() ? created : clock.now();
    return int(m_database->insert(
        QStringLiteral("insert into notification (fromUserId, toUserId, message, status, "
                       "statusDate, createDate, categoryId, typeId, subject) "
                       "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {fromUserId, toUserId, message, status, when, when, categoryId, typeId, subject},
        QStringLiteral("notificationId")));
}

int TestEnvironment::count(const QString& table, const QString& where, const QVariantList& params) {
    QString sql = QStringLiteral("select count(*) from \"%1\"").arg(table);
    if (!where.isEmpty()) {
        sql += QStringLiteral(" where ") + where;
    }
    return m_database->scalar(sql, params).toInt();
}
