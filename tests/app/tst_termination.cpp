#include "RealProgram.h"
#include "data/Database.h"

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
    RealProgram program(home.path());
    program.writeSettings(path, QStringLiteral("Ann"));
    program.start();
    QVERIFY2(waitUntil([&] { return userActive(path, QStringLiteral("Ann")); }, 20000),
             qPrintable(program.output()));
    auto db = Database::open(path);
    // Something of Ann's to take back at the end.
    db->execute(
        QStringLiteral("insert into process (userId, processName) values (?, 'Ann''s editor')"),
        {ann});

    QCOMPARE(program.terminate(20000, signalNumber), 0);
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
