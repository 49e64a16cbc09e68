#include "PrivateXServer.h"
#include "RealProgram.h"
#include "data/Database.h"
#include "data/ResultSet.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <memory>
#include <optional>

// The idle time question of the real program on an X server of the test's own: the idle time
// comes from the server's screen saver counter, and the answers are given with the keyboard.
// Three programs, each on its own database with its own running task and a threshold of one
// minute, wait through 70 seconds without input together; one key press brings the question to
// each, which then gets its own answer: Alt+D, Alt+S and Alt+K.
class IdleRealTest : public QObject {
    Q_OBJECT

private slots:
    void answersFromTheKeyboard();

private:
    std::optional<QString> xdotool(const QStringList& arguments) const;

    PrivateXServer m_x;
};

std::optional<QString> IdleRealTest::xdotool(const QStringList& arguments) const {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_x.displayName());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(PrivateXServer::WaitMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

namespace {

struct Rows {
    int open = 0;
    int finished = 0;
    QDateTime firstStart;  // the task's first row
    QDateTime firstEnd;    // its end, when finished
    QDateTime secondStart; // a row started after it, when there is one
    bool secondOpen = false;
};

Rows rowsOf(const QString& path) {
    auto db = Database::open(path);
    const ResultSet rows =
        db->query(QStringLiteral("select startTime, endTime from tallyRec order by timeId"));
    Rows found;
    int index = 0;
    for (const Row row : rows) {
        (row.isNull(1) ? found.open : found.finished) += 1;
        if (index == 0) {
            found.firstStart = row.dateTime(0);
            found.firstEnd = row.isNull(1) ? QDateTime() : row.dateTime(1);
        } else if (index == 1) {
            found.secondStart = row.dateTime(0);
            found.secondOpen = row.isNull(1);
        }
        ++index;
    }
    return found;
}

bool near(const QDateTime& moment, const QDateTime& expected, int seconds) {
    return moment.isValid() && qAbs(moment.secsTo(expected)) <= seconds;
}

} // namespace

void IdleRealTest::answersFromTheKeyboard() {
    QString error;
    if (!m_x.start(error) || !m_x.startWindowManager(error)) {
        QFAIL(qPrintable(error));
    }
    QTemporaryDir folder;
    QVERIFY(folder.isValid());

    struct Instance {
        QString key;
        QString database;
        std::unique_ptr<RealProgram> program;
    };
    std::array<Instance, 3> instances{{{QStringLiteral("alt+d"), {}, {}},
                                       {QStringLiteral("alt+s"), {}, {}},
                                       {QStringLiteral("alt+k"), {}, {}}}};
    for (std::size_t i = 0; i < instances.size(); ++i) {
        Instance& each = instances[i];
        const QString home = folder.filePath(QStringLiteral("home%1").arg(i));
        QDir().mkpath(home);
        each.database = folder.filePath(QStringLiteral("team%1.db").arg(i));
        makeTeamDatabase(each.database);
        each.program = std::make_unique<RealProgram>(home);
        each.program->writeSettings(each.database, QStringLiteral("Ann"));
        QFile config(home + QStringLiteral("/config/Quillhour/Quillhour.conf"));
        QVERIFY(config.open(QIODevice::Append));
        config.write("Idle%20Minutes=1\n");
        config.close();
        each.program->setDisplay(m_x.displayName());
        each.program->start();
    }
    // Each main window is up, its task running.
    for (Instance& each : instances) {
        const QString pid = QString::number(each.program->programPid());
        QVERIFY2(waitUntil(
                     [&] {
                         return !xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                                          QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                          pid, QStringLiteral("--name"), QStringLiteral("Design")})
                                     .value_or(QString())
                                     .isEmpty();
                     },
                     PrivateXServer::WaitMs),
                 qPrintable(each.program->output()));
    }

    // The last input, then none for 70 seconds.
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("5"), QStringLiteral("5")}));
    const QDateTime idleStart = QDateTime::currentDateTime();
    QTest::qWait(70000);
    for (const Instance& each : instances) {
        QVERIFY2(each.program->isRunning(), qPrintable(each.program->output()));
        // Nothing is asked before the input comes.
        QCOMPARE(xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                          QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                          QString::number(each.program->programPid()), QStringLiteral("--name"),
                          QStringLiteral("^Idle Time$")})
                     .value_or(QString()),
                 QString());
    }
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("shift")}));
    const QDateTime back = QDateTime::currentDateTime();

    for (Instance& each : instances) {
        const QString pid = QString::number(each.program->programPid());
        QString window;
        QVERIFY2(waitUntil(
                     [&] {
                         window =
                             xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                                      QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid,
                                      QStringLiteral("--name"), QStringLiteral("^Idle Time$")})
                                 .value_or(QString());
                         return !window.isEmpty();
                     },
                     PrivateXServer::WaitMs),
                 qPrintable(each.program->output()));
        window = window.section(QLatin1Char('\n'), 0, 0);
        // The open rows stay as they were while the question waits.
        const Rows waiting = rowsOf(each.database);
        QCOMPARE(waiting.open, 1);
        QCOMPARE(waiting.finished, 0);
        QVERIFY(xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window}));
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), each.key}));
        QVERIFY2(waitUntil(
                     [&] {
                         return xdotool({QStringLiteral("search"), QStringLiteral("--all"),
                                         QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                         pid, QStringLiteral("--name"),
                                         QStringLiteral("^Idle Time$")})
                             .value_or(QString())
                             .isEmpty();
                     },
                     PrivateXServer::WaitMs),
                 qPrintable(each.key));
    }
    const QDateTime answered = QDateTime::currentDateTime();

    // Alt+D: finished at the idle start, and a new open row from the answer on.
    const Rows discarded = rowsOf(instances[0].database);
    QCOMPARE(discarded.finished, 1);
    QCOMPARE(discarded.open, 1);
    QVERIFY2(near(discarded.firstEnd, idleStart, 5), qPrintable(discarded.firstEnd.toString()));
    QVERIFY(discarded.secondOpen);
    QVERIFY2(discarded.secondStart >= back.addSecs(-1) && discarded.secondStart <= answered,
             qPrintable(discarded.secondStart.toString()));
    // Alt+S: finished at the idle start, nothing running.
    const Rows stopped = rowsOf(instances[1].database);
    QCOMPARE(stopped.finished, 1);
    QCOMPARE(stopped.open, 0);
    QVERIFY2(near(stopped.firstEnd, idleStart, 5), qPrintable(stopped.firstEnd.toString()));
    // Alt+K: the row runs on as it was.
    const Rows kept = rowsOf(instances[2].database);
    QCOMPARE(kept.finished, 0);
    QCOMPARE(kept.open, 1);
    QVERIFY(!kept.firstEnd.isValid());

    for (Instance& each : instances) {
        each.program->terminate();
    }
}

QTEST_MAIN(IdleRealTest)
#include "tst_idlereal.moc"
