#include "PrivateXServer.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <csignal>

// Two copies of the real program on one X display and one database, each for its own user: each
// marks its user active and publishes the other's main window as a window of its user's
// desktop, within a few seconds.
class TwoInstancesTest : public QObject {
    Q_OBJECT

private slots:
    void instancesPublishEachOther();

private:
    struct Instance {
        QTemporaryDir home;
        QProcess process;
    };
    static void start(Instance& instance, const QString& location, const QString& user,
                      const QString& display);
};

void TwoInstancesTest::start(Instance& instance, const QString& location, const QString& user,
                             const QString& display) {
    QDir(instance.home.path()).mkpath(QStringLiteral("config/Quillhour"));
    QFile config(instance.home.filePath(QStringLiteral("config/Quillhour/Quillhour.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    // QSettings writes a blank in a key as %20.
    config.write(QStringLiteral("[Settings]\nDatabase=%1\nUser=%2\nTray%20Icon=0\n")
                     .arg(location, user)
                     .toUtf8());
    config.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       instance.home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       instance.home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), instance.home.path());
    instance.process.setProcessEnvironment(environment);
    instance.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    instance.process.start(QStringLiteral(QUILLHOUR_BINARY), {});
    QVERIFY(instance.process.waitForStarted(10000));
}

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
    start(first, env.location(), QStringLiteral("Ann"), x.displayName());
    start(second, env.location(), QStringLiteral("Bob"), x.displayName());

    auto state = [&](int userId) {
        const bool active =
            env.database()
                .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {userId})
                .toBool();
        const int windows =
            env.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {userId});
        return active && windows == 1;
    };
    QElapsedTimer waited;
    waited.start();
    while (!(state(ann) && state(bob)) && waited.elapsed() < 30000) {
        QTest::qWait(200);
    }
    QVERIFY2(state(ann), "Ann's instance did not publish Bob's window");
    QVERIFY2(state(bob), "Bob's instance did not publish Ann's window");
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
        ::kill(pid_t(instance->process.processId()), SIGTERM);
        QVERIFY(instance->process.waitForFinished(20000));
        QCOMPARE(instance->process.exitCode(), 0);
    }
    QCOMPARE(env.count(QStringLiteral("process")), 0);
    QCOMPARE(env.count(QStringLiteral("user"), QStringLiteral("active = ?"), {true}), 0);
}

QTEST_GUILESS_MAIN(TwoInstancesTest)
#include "tst_twoinstances.moc"
