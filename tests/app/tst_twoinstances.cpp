#include "PrivateXServer.h"
#include "RealProgram.h"
#include "TestEnvironment.h"

#include <QTemporaryDir>
#include <QtTest>

// Two copies of the real program on one X display and one database, each for its own user: each
// marks its user active and publishes the other's main window as a window of its user's
// desktop, within a few seconds.
class TwoInstancesTest : public QObject {
    Q_OBJECT

private slots:
    void instancesPublishEachOther();

private:
    // A person at their own account, with their own settings.
    struct Instance {
        QTemporaryDir home;
        RealProgram program{home.path()};

        void start(const QString& location, const QString& user, const QString& display) {
            program.writeSettings(location, user);
            program.setDisplay(display);
            program.start();
        }
    };
};

void TwoInstancesTest::instancesPublishEachOther() {
    TestEnvironment env;
    PrivateXServer x;
    QString error;
    if (!x.start(error) || !x.startWindowManager(error)) {
        QFAIL(qPrintable(error));
    }
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int bob = env.addUser(QStringLiteral("Bob"));
    env.addCategory(QStringLiteral("Design"));

    Instance first;
    Instance second;
    first.start(env.location(), QStringLiteral("Ann"), x.displayName());
    second.start(env.location(), QStringLiteral("Bob"), x.displayName());

    auto state = [&](int userId) {
        const bool active =
            env.database()
                .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {userId})
                .toBool();
        const int windows =
            env.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {userId});
        return active && windows == 1;
    };
    waitUntil([&] { return state(ann) && state(bob); }, 30000);
    QVERIFY2(state(ann), qPrintable(QStringLiteral("Ann's instance did not publish Bob's "
                                                   "window:\n") +
                                    first.program.output()));
    QVERIFY2(state(bob), qPrintable(QStringLiteral("Bob's instance did not publish Ann's "
                                                   "window:\n") +
                                    second.program.output()));
    // What each published is the other's main window: a Quillhour window, never its own.
    const QStringList titles = [&] {
        QStringList found;
        for (const Row row : env.database().query(
                 QStringLiteral("select processName from process order by userId"))) {
            found.append(row.text(0));
        }
        return found;
    }();
    QCOMPARE(titles.size(), 2);
    for (const QString& title : titles) {
        QVERIFY2(title.startsWith(QStringLiteral("Quillhour")), qPrintable(title));
    }

    for (Instance* instance : {&first, &second}) {
        QCOMPARE(instance->program.terminate(20000), 0);
    }
    QCOMPARE(env.count(QStringLiteral("process")), 0);
    QCOMPARE(env.count(QStringLiteral("user"), QStringLiteral("active = ?"), {true}), 0);
}

QTEST_GUILESS_MAIN(TwoInstancesTest)
#include "tst_twoinstances.moc"
