#include "MainWindowFixture.h"
#include "data/Database.h"

#include <QLabel>
#include <QProcess>
#include <QtTest>

// The main window while its database server restarts under it: no box stops the timers (and with
// them the running task's clock and the next try), the window says in words what happened, and
// the next ticks after the server's return connect again by themselves, with no key pressed. The
// test runs its own server, since it stops and starts it.
class ServerRestartTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void windowComesBackByItself();

private:
    void cluster(const QString& command);
};

void ServerRestartTest::cluster(const QString& command) {
    QProcess script;
    script.start(QStringLiteral(PG_CLUSTER), {command, QStringLiteral(PG_STATE)});
    QVERIFY(script.waitForFinished(120000));
    QVERIFY2(script.exitCode() == 0, script.readAllStandardError().constData());
}

void ServerRestartTest::initTestCase() {
    cluster(QStringLiteral("start"));
    qputenv("QUILLHOUR_TEST_POSTGRES", QByteArrayLiteral(PG_STATE "/url"));
    QVERIFY(TestEnvironment::usesPostgres());
}

void ServerRestartTest::cleanupTestCase() {
    cluster(QStringLiteral("stop"));
}

void ServerRestartTest::windowComesBackByItself() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.addOpenTime(design, ann, f.clock.now().addSecs(-90));
    QVERIFY(f.load());
    f.messages.clear();
    auto* bar = f.control<QWidget>(QStringLiteral("fraDatabase"));
    auto* notice = f.control<QLabel>(QStringLiteral("lblDatabaseNotice"));
    auto* clock = f.control<QLabel>(QStringLiteral("lblEndTime"));

    cluster(QStringLiteral("halt"));
    auto resume = qScopeGuard([&] { cluster(QStringLiteral("resume")); });
    for (int second = 0; second < 5; ++second) {
        f.clock.advanceSeconds(1);
        f.systemTick();
        f.taskTick();
        QCOMPARE(clock->text(), f.clock.now().toString(QStringLiteral("HH:mm:ss")));
    }
    QVERIFY(!bar->isHidden());
    QVERIFY2(notice->text().contains(QStringLiteral("database server")),
             qPrintable(notice->text()));
    QCOMPARE(f.messages.shown().size(), 0);

    resume.dismiss();
    cluster(QStringLiteral("resume"));
    f.systemTick();
    f.taskTick();
    QVERIFY2(bar->isHidden(), qPrintable(notice->text()));
    QCOMPARE(f.messages.shown().size(), 0);
    // Read through the window's own connection, the one that came back.
    Database& database = *f.state().database;
    QVERIFY(database.scalar(QStringLiteral("select active from \"user\" where userId = ?"), {ann})
                .toBool());
    QCOMPARE(database.scalar(QStringLiteral("select count(*) from tallyRec where endTime is null"))
                 .toInt(),
             1);
}

QTEST_MAIN(ServerRestartTest)
#include "tst_serverrestart.moc"
