#include "PrivateSessionBus.h"
#include "RealProgram.h"
#include "data/Database.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

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

} // namespace

// The real program on a private session bus: a notification that another instance writes for
// its user comes up on the desktop through org.freedesktop.Notifications, and a desktop without
// that service costs nothing.
class DesktopNoticesTest : public QObject {
    Q_OBJECT

private slots:
    void newNotificationReachesTheDesktop();
    void noNotificationServiceFailsNothing();
};

void DesktopNoticesTest::newNotificationReachesTheDesktop() {
    QTemporaryDir folder;
    PrivateSessionBus bus;
    QString error;
    const QString address = bus.start(folder.path(), error);
    QVERIFY2(!address.isEmpty(), qPrintable(error));

    QProcess server;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    server.setProcessEnvironment(environment);
    server.start(QStringLiteral(NOTICE_SERVER_PROGRAM), {});
    const auto stopServer = qScopeGuard([&] {
        server.kill();
        server.waitForFinished(5000);
    });
    QVERIFY(server.waitForReadyRead(10000));
    QCOMPARE(server.readLine().trimmed(), QByteArray("ready"));

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

    QByteArray calls;
    QVERIFY2(waitUntil(
                 [&] {
                     calls += server.readAllStandardOutput();
                     return calls.contains("Notify");
                 },
                 10000),
             qPrintable(ann.output()));
    const QList<QByteArray> fields = calls.trimmed().split('\t');
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields[1], QByteArray("Quillhour"));
    QCOMPARE(fields[2], QByteArray("Design - Exceeding maximums"));
    QVERIFY(fields[4].startsWith("default|"));
    // Once: later ticks do not tell it again.
    QTest::qWait(4500);
    calls += server.readAllStandardOutput();
    QCOMPARE(calls.count("Notify"), 1);

    QCOMPARE(bob.terminate(), 0);
    QCOMPARE(ann.terminate(), 0);
}

void DesktopNoticesTest::noNotificationServiceFailsNothing() {
    QTemporaryDir folder;
    PrivateSessionBus bus;
    QString error;
    const QString address = bus.start(folder.path(), error);
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
