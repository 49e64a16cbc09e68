#include "data/Database.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

// The real program, started as a user would start it, ended by SIGTERM: it shuts down
// properly, marking its user inactive and taking back its published windows.
class TerminationTest : public QObject {
    Q_OBJECT

private slots:
    void sigtermRunsTheShutdown_data();
    void sigtermRunsTheShutdown();
};

void TerminationTest::sigtermRunsTheShutdown_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TerminationTest::sigtermRunsTheShutdown() {
    QFETCH(int, signalNumber);
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("team.db"));
    int ann = 0;
    int bob = 0;
    {
        auto db = Database::create(path);
        ann = int(
            db->insert(QStringLiteral("insert into \"user\" (userName, active) values ('Ann', 0)"),
                       {}, QStringLiteral("userId")));
        bob = int(
            db->insert(QStringLiteral("insert into \"user\" (userName, active) values ('Bob', 1)"),
                       {}, QStringLiteral("userId")));
        db->execute(
            QStringLiteral("insert into category (category, parentId) values ('Design', 0)"));
        db->execute(
            QStringLiteral("insert into process (userId, processName) values (?, 'Bob''s mail')"),
            {bob});
    }
    QDir(home.path()).mkpath(QStringLiteral("config/Quillhour"));
    QFile config(home.filePath(QStringLiteral("config/Quillhour/Quillhour.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(
        QStringLiteral("[Settings]\nDatabase=%1\nUser=Ann\nTray%20Icon=0\n").arg(path).toUtf8());
    config.close();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(QUILLHOUR_BINARY), {});
    QVERIFY(program.waitForStarted(10000));

    auto db = Database::open(path);
    auto annActive = [&] {
        return db->scalar(QStringLiteral("select active from \"user\" where userId = ?"), {ann})
                   .toInt() == 1;
    };
    QElapsedTimer waited;
    waited.start();
    while (!annActive() && waited.elapsed() < 20000 && program.state() == QProcess::Running) {
        QTest::qWait(100);
    }
    QVERIFY2(annActive(), program.readAllStandardError().constData());
    // Something of Ann's to take back at the end.
    db->execute(
        QStringLiteral("insert into process (userId, processName) values (?, 'Ann''s editor')"),
        {ann});

    ::kill(pid_t(program.processId()), signalNumber);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(
        db->scalar(QStringLiteral("select active from \"user\" where userId = ?"), {ann}).toInt(),
        0);
    QCOMPARE(
        db->scalar(QStringLiteral("select count(*) from process where userId = ?"), {ann}).toInt(),
        0);
    // Another user's rows are not ours to remove.
    QCOMPARE(
        db->scalar(QStringLiteral("select count(*) from process where userId = ?"), {bob}).toInt(),
        1);
}

QTEST_GUILESS_MAIN(TerminationTest)
#include "tst_termination.moc"
