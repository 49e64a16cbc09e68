#include "MainWindowFixture.h"
#include "PrivateDesktop.h"
#include "RealProgram.h"
#include "app/SingleInstance.h"
#include "app/TrackingChannel.h"
#include "data/category.h"
#include "data/task.h"

#include <QGroupBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using Result = CommandResult;

// quillhour --start, --finish, --cancel and --add as a script runs them: the real program,
// handing its request to a window running with the database, or writing the database itself
// when none runs.
class TrackCommandTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void throughTheRunningWindow();
    void onTheDatabaseWithoutAWindow();

private:
    Result run(QStringList arguments) {
        return runCommand(m_home->path(), arguments << QStringLiteral("--database") << m_location);
    }
    QString settingsFile() const {
        return m_home->filePath(QStringLiteral("config/Quillhour/Quillhour.conf"));
    }
    // A team of two with two categories named Design, one under Clients and one under
    // Internal, and one whose name has a comma, quotes and letters beyond Latin.
    void makeTeam(TestEnvironment& env) {
        m_location = env.location();
        m_ann = env.addUser(QStringLiteral("Ann"));
        env.addUser(QStringLiteral("Bob"));
        m_clientDesign = env.addCategory(QStringLiteral("Design"), env.addCategory("Clients"));
        m_internalDesign = env.addCategory(QStringLiteral("Design"), env.addCategory("Internal"));
        m_odd = env.addCategory(QStringLiteral("Café, \"Ünïcode\" Ωμέγα"));
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("Database"), m_location);
        settings.setValue(QStringLiteral("User"), QStringLiteral("Ann"));
    }

    std::unique_ptr<QTemporaryDir> m_home;
    QString m_location;
    int m_ann = 0;
    int m_clientDesign = 0;
    int m_internalDesign = 0;
    int m_odd = 0;
};

void TrackCommandTest::init() {
    m_home = std::make_unique<QTemporaryDir>();
    PrivateDesktop::makeFolders(m_home->path());
    // This process finds the window's place where the program looks for it.
    qputenv("XDG_RUNTIME_DIR", m_home->filePath(QStringLiteral("runtime")).toLocal8Bit());
}

void TrackCommandTest::throughTheRunningWindow() {
    MainWindowFixture f;
    makeTeam(f);
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    SingleInstance instance(
        SingleInstance::socketPath(settingsFile(), Database::displayLocation(m_location)));
    QCOMPARE(instance.claim(), SingleInstance::Claim::First);
    instance.setTrackingHandler(
        [&f](const QByteArray& request) { return TrackingChannel::answer(f.window(), request); });

    // Started by path at the window's moment, and shown running there at once.
    const Result started = run({QStringLiteral("--start"), QStringLiteral("Clients/Design")});
    QCOMPARE(started.err, QString());
    QCOMPARE(started.exitCode, 0);
    QCOMPARE(started.out, QStringLiteral("Started Clients/Design at 2026-12-07 10:00.\n"));
    QCOMPARE(f.state().activeTasks->Count(), 1);
    QVERIFY(f.state().currentTask != nullptr);
    QCOMPARE(f.state().currentTask->category->categoryId, m_clientDesign);
    QVERIFY(!f.control<QGroupBox>(QStringLiteral("fraTime"))->isHidden());
    QVERIFY(f.window().taskTimerRunning());

    // A name two categories share is refused with both.
    const Result ambiguous = run({QStringLiteral("--start"), QStringLiteral("Design")});
    QCOMPARE(ambiguous.exitCode, 2);
    QVERIFY2(
        ambiguous.err.contains(QStringLiteral("Clients/Design (%1)").arg(m_clientDesign)) &&
            ambiguous.err.contains(QStringLiteral("Internal/Design (%1)").arg(m_internalDesign)),
        qPrintable(ambiguous.err));
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);

    // Finished 75 minutes on: the row holds them, and the window lets the task go.
    f.clock.advanceMinutes(75);
    const Result finished = run({QStringLiteral("--finish")});
    QCOMPARE(finished.exitCode, 0);
    QCOMPARE(finished.out, QStringLiteral("Finished Clients/Design after 01:15 (from 2026-12-07 "
                                          "10:00 to 2026-12-07 11:15).\n"));
    QCOMPARE(f.state().activeTasks->Count(), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec"),
                     QStringLiteral("duration = 75 and endTime is not "
                                    "null and userId = ?"),
                     {m_ann}),
             1);
    QCOMPARE(run({QStringLiteral("--cancel")}).exitCode, 2); // nothing runs now

    // Past time as "Add time..." takes it, and refused as it refuses it.
    const Result added =
        run({QStringLiteral("--add"), QStringLiteral("Café, \"Ünïcode\" Ωμέγα"),
             QStringLiteral("30"), QStringLiteral("--at"), QStringLiteral("2026-12-06 23:45")});
    QCOMPARE(added.exitCode, 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec"),
                     QStringLiteral("categoryId = ? and duration = 30 and userId = ?"),
                     {m_odd, m_ann}),
             1);
    const Result future =
        run({QStringLiteral("--add"), QString::number(m_odd), QStringLiteral("30"),
             QStringLiteral("--at"), QStringLiteral("2026-12-07 11:30")});
    QCOMPARE(future.exitCode, 2);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 2);
}

void TrackCommandTest::onTheDatabaseWithoutAWindow() {
    TestEnvironment env;
    makeTeam(env);
    const auto open = [&] {
        return env.count(QStringLiteral("tallyRec"),
                         QStringLiteral("endTime is null and categoryId = ? and userId = ?"),
                         {m_internalDesign, m_ann});
    };

    QCOMPARE(run({QStringLiteral("--start"), QStringLiteral("Internal/Design")}).exitCode, 0);
    QCOMPARE(open(), 1);
    const Result finished = run({QStringLiteral("--finish"), QStringLiteral("Internal/Design")});
    QCOMPARE(finished.exitCode, 0);
    QVERIFY2(finished.out.startsWith(QStringLiteral("Finished Internal/Design after 00:0")),
             qPrintable(finished.out));
    QCOMPARE(open(), 0);

    // By id, then cancelled: the row goes.
    QCOMPARE(run({QStringLiteral("--start"), QString::number(m_internalDesign)}).exitCode, 0);
    QCOMPARE(run({QStringLiteral("--cancel")}).exitCode, 0);
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 1);

    QCOMPARE(run({QStringLiteral("--add"), QStringLiteral("Internal/Design"), QStringLiteral("45")})
                 .exitCode,
             0);
    QCOMPARE(env.count(QStringLiteral("tallyRec"), QStringLiteral("duration = 45")), 1);

    // Mistakes: one line, exit 2, nothing written.
    for (const QStringList& wrong :
         {QStringList{"--start", "Nowhere"}, QStringList{"--add", "Internal/Design", "0"},
          QStringList{"--add", "Internal/Design", "10", "--at", "yesterday"},
          QStringList{"--finish", "Clients/Design"}}) {
        const Result refused = run(wrong);
        QVERIFY2(refused.exitCode == 2, qPrintable(wrong.join(' ') + ": " + refused.err));
        QCOMPARE(refused.err.count(QLatin1Char('\n')), 1);
    }
    QCOMPARE(run({"--start", "Clients", "--at", "2026-12-01 10:00"}).exitCode, 2);
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 2);

    // A database that refuses (not a Quillhour database): exit 1.
    m_location = env.folder() + QStringLiteral("/other.db");
    QFile other(m_location);
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.write("not a database at all");
    other.close();
    QCOMPARE(run({QStringLiteral("--start"), QStringLiteral("Clients")}).exitCode, 1);
}

QTEST_MAIN(TrackCommandTest)
#include "tst_trackcommand.moc"
