#include "TestEnvironment.h"

#include "data/Schema.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QtTest>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Runs one statement on the server's maintenance database (the one the URL names).
void administer(const QString& statement) {
    static QAtomicInteger<int> counter;
    const QString name = QStringLiteral("quillhour-test-admin-%1").arg(++counter);
    const QUrl url(TestEnvironment::postgresUrl());
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName(QUrl::FullyDecoded));
        db.setPassword(url.password(QUrl::FullyDecoded));
        db.setDatabaseName(url.path().mid(1));
        if (!db.open()) {
            failure = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (!query.exec(statement)) {
                failure = query.lastError().text();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty()) {
        qFatal("%s: %s", qPrintable(statement), qPrintable(failure));
    }
}

// A database name no other test, running now or earlier, has used.
QString uniqueDatabaseName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("quillhour_test_%1_%2_%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter)
        .arg(QRandomGenerator::global()->bounded(1000000));
}

QString serverLocation(const QString& database) {
    QUrl url(TestEnvironment::postgresUrl());
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

} // namespace

QString TestEnvironment::postgresUrl() {
    static const QString url = [] {
        const QString setting = qEnvironmentVariable("QUILLHOUR_TEST_POSTGRES").trimmed();
        if (setting.isEmpty() || Database::isServerLocation(setting)) {
            return setting;
        }
        QFile file(setting);
        if (!file.open(QIODevice::ReadOnly)) {
            qFatal("QUILLHOUR_TEST_POSTGRES names %s, which holds no server URL (is the "
                   "test server running?)",
                   qPrintable(setting));
        }
        return QString::fromUtf8(file.readAll()).trimmed();
    }();
    return url;
}

TestEnvironment::TestEnvironment(const QDateTime& start)
    : clock(start)
    , settings(m_folder.filePath(QStringLiteral("settings.ini"))) {
    if (!m_folder.isValid()) {
        qFatal("Could not make a temporary folder for the test");
    }
    // Tests read dates in one known form, whatever the machine's own locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    // Someone who chose to share their window titles; the tests of the choice itself start
    // without it.
    settings.setValue(Settings::ShareWindowsKey, QStringLiteral("titles"));
    if (usesPostgres()) {
        m_location = newLocation(QString());
    } else {
        m_location = databasePath();
    }
    m_database = Database::create(m_location);
    m_context = std::make_unique<DataContext>(DataContext{*m_database, clock});
}

TestEnvironment::~TestEnvironment() {
    m_context.reset();
    m_database.reset();
    for (const QString& name : std::as_const(m_serverDatabases)) {
        administer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
        // The group roles of signed-in mode are the server's: they outlive the database.
        administer(QStringLiteral("DO $$ DECLARE role text; BEGIN FOR role IN SELECT rolname FROM "
                                  "pg_roles WHERE rolname IN ('%1_team', '%1_admin') LOOP "
                                  "EXECUTE format('DROP ROLE %I', role); END LOOP; END $$")
                       .arg(name));
    }
}

QString TestEnvironment::newLocation(const QString& name) {
    if (!usesPostgres()) {
        return m_folder.filePath(name);
    }
    const QString database = uniqueDatabaseName();
    administer(QStringLiteral("CREATE DATABASE %1").arg(database));
    m_serverDatabases.append(database);
    return serverLocation(database);
}

void TestEnvironment::syncIds() {
    if (m_database->engine() != Database::Engine::PostgreSQL) {
        return;
    }
    for (const auto& table : Schema::tables()) {
        const QString key = table.columns.first();
        if (table.name == QLatin1String("productivity") ||
            table.name == QLatin1String("allocationPeriod")) {
            continue; // plain integer keys
        }
        // Never backwards: like SQLite's AUTOINCREMENT, an id once given is not given again.
        const QString sequence = QStringLiteral("pg_get_serial_sequence('\"%1\"', '%2')")
                                     .arg(table.name.toLower(), key.toLower());
        m_database->scalar(QStringLiteral("select setval(%1, greatest(coalesce(max(%2), 0) + 1, "
                                          "nextval(%1)), false) from \"%3\"")
                               .arg(sequence, key, table.name.toLower()));
    }
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
    // Lower case: PostgreSQL keeps the unquoted names the tables were made with that way.
    QString sql = QStringLiteral("select count(*) from \"%1\"").arg(table.toLower());
    if (!where.isEmpty()) {
        sql += QStringLiteral(" where ") + where;
    }
    return m_database->scalar(sql, params).toInt();
}

LockHolder::LockHolder(const QString& location)
    : m_database(Database::open(location)) {
    if (m_database->engine() == Database::Engine::SQLite) {
        m_database->execute(QStringLiteral("BEGIN IMMEDIATE"));
    } else {
        m_database->execute(QStringLiteral("BEGIN"));
        m_database->execute(QStringLiteral("update \"user\" set email = email"));
    }
    m_held = true;
}

LockHolder::~LockHolder() {
    release();
}

void LockHolder::release() {
    if (m_held) {
        m_held = false;
        m_database->execute(QStringLiteral("ROLLBACK"));
    }
}

QString fullDevice(const QString& folder) {
    if (::geteuid() != 0) {
        return QStringLiteral("/dev/full");
    }
    const QString path = folder + QStringLiteral("/full");
    if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
        return {};
    }
    return path;
}
