#include "PrivateSessionBus.h"
#include "RealProgram.h"
#include "data/Database.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

namespace {

// Ann manages Design, at most one hour a day; Bob has been working on it for three hours.
struct Team {
    QString path;
    int ann = 0;
};

Team makeTeam(const QString& folder) {
    Team team{folder + QStringLiteral("/team.db")};
    auto db = Database::create(team.path);
    team.ann =
        int(db->insert(QStringLiteral("insert into \"user\" (userName, active) values ('Ann', 0)"),
                       {}, QStringLiteral("userId")));
    const qint64 bob =
        db->insert(QStringLiteral("insert into \"user\" (userName, active) values ('Bob', 0)"), {},
                   QStringLiteral("userId"));
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 design =
        db->insert(QStringLiteral("insert into category (category, parentId, maxAllocation, "
                                  "maxAllocationPeriodId, minAllocation, minAllocationPeriodId, "
                                  "ownerUserId, startDate) values ('Design', 0, 1, 1, 0, 1, ?, ?)"),
                   {team.ann, now}, QStringLiteral("categoryId"));
    db->execute(
        QStringLiteral("insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
        {now.addSecs(-3 * 3600), design, bob});
    return team;
}

int notificationsFor(const QString& path, int userId) {
    return Database::open(path)
        ->scalar(QStringLiteral("select count(*) from notification where toUserId = ?"), {userId})
        .toInt();
}

// The services the bus starts on demand are the test's own, under folder/data, and none of the
// machine's.
QProcessEnvironment busEnvironment(const QString& folder) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("/data"));
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), folder + QStringLiteral("/none"));
    return environment;
}

} // namespace

// The real program on a private session bus: a notification that another instance writes for
// its user comes up on the desktop through org.freedesktop.Notifications, whose server the bus
// starts for it, and a desktop without that service costs nothing.
class DesktopNoticesTest : public QObject {
    Q_OBJECT

private slots:
    void newNotificationReachesTheDesktop();
    void noNotificationServiceFailsNothing();
};

void DesktopNoticesTest::newNotificationReachesTheDesktop() {
    QTemporaryDir folder;
    // The notification service is one the bus starts when the first notice comes, as desktops
    // install theirs; what it is called with goes to a file.
    const QString called = folder.filePath(QStringLiteral("calls"));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("data/dbus-1/services")));
    QFile service(folder.filePath(
        QStringLiteral("data/dbus-1/services/org.freedesktop.Notifications.service")));
    QVERIFY(service.open(QIODevice::WriteOnly));
    service.write(QStringLiteral("[D-BUS Service]\nName=org.freedesktop.Notifications\n"
                                 "Exec=/bin/sh -c 'exec \"%1\" > \"%2\"'\n")
                      .arg(QStringLiteral(NOTICE_SERVER_PROGRAM), called)
                      .toUtf8());
    service.close();
    PrivateSessionBus bus;
    QString error;
    const QString address = bus.start(folder.path(), error, busEnvironment(folder.path()));
    QVERIFY2(!address.isEmpty(), qPrintable(error));
    const auto stopServer = qScopeGuard([&] {
        QDBusConnection test = QDBusConnection::connectToBus(address, QStringLiteral("test"));
        const uint pid =
            test.interface()->servicePid(QStringLiteral("org.freedesktop.Notifications")).value();
        if (pid != 0) {
            ::kill(pid_t(pid), SIGTERM);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("test"));
    });
    auto calls = [&] {
        QFile file(called);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    const Team team = makeTeam(folder.path());
    RealProgram ann(folder.filePath(QStringLiteral("ann")));
    ann.writeSettings(team.path, QStringLiteral("Ann"));
    ann.setEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    ann.start();
    QVERIFY2(waitUntil([&] { return userActive(team.path, QStringLiteral("Ann")); }, 20000),
             qPrintable(ann.output()));
    QCOMPARE(notificationsFor(team.path, team.ann), 0);

    // Bob's instance finds his task over Design's maximum and tells Ann, its manager.
    RealProgram bob(folder.filePath(QStringLiteral("bob")));
    bob.writeSettings(team.path, QStringLiteral("Bob"));
    bob.start();
    QVERIFY2(waitUntil([&] { return notificationsFor(team.path, team.ann) == 1; }, 20000),
             qPrintable(bob.output()));

    QVERIFY2(waitUntil([&] { return calls().contains("Notify"); }, 10000),
             qPrintable(ann.output()));
    const QList<QByteArray> lines = calls().trimmed().split('\n');
    const QList<QByteArray> fields = lines.last().split('\t');
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields[1], QByteArray("Quillhour"));
    QCOMPARE(fields[2], QByteArray("Design - Exceeding maximums"));
    QVERIFY(fields[4].startsWith("default|"));
    // Once: later ticks do not tell it again.
    QTest::qWait(4500);
    QCOMPARE(calls().count("Notify"), 1);

    QCOMPARE(bob.terminate(), 0);
    QCOMPARE(ann.terminate(), 0);
}

void DesktopNoticesTest::noNotificationServiceFailsNothing() {
    QTemporaryDir folder;
    PrivateSessionBus bus;
    QString error;
    const QString address = bus.start(folder.path(), error, busEnvironment(folder.path()));
    QVERIFY2(!address.isEmpty(), qPrintable(error));

    const Team team = makeTeam(folder.path());
    RealProgram ann(folder.filePath(QStringLiteral("ann")));
    ann.writeSettings(team.path, QStringLiteral("Ann"));
    ann.setEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    ann.start();
    QVERIFY2(waitUntil([&] { return userActive(team.path, QStringLiteral("Ann")); }, 20000),
             qPrintable(ann.output()));
    RealProgram bob(folder.filePath(QStringLiteral("bob")));
    bob.writeSettings(team.path, QStringLiteral("Bob"));
    bob.start();
    QVERIFY(waitUntil([&] { return notificationsFor(team.path, team.ann) == 1; }, 20000));
    // Ann's instance reads the notification with nobody on the bus to show it, and goes on.
    QTest::qWait(4500);
    QVERIFY2(ann.isRunning(), qPrintable(ann.output()));
    QCOMPARE(bob.terminate(), 0);
    QCOMPARE(ann.terminate(), 0);
}

QTEST_GUILESS_MAIN(DesktopNoticesTest)
#include "tst_desktopnotices.moc"
