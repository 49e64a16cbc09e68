#include "PrivateDesktop.h"
#include "PrivateXServer.h"
#include "data/Database.h"
#include "data/TimeText.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <functional>
#include <optional>
#include <xcb/xcb.h>

// The real program on an X server of its own: a task started with a click on Start survives the
// program being killed, and comes back when it starts again, counted from its first start.
//
// The click goes through the X server like a user's: the window is sized to fit the screen and
// the pointer is put on the centre of cmdStartNow. Qt draws its controls inside one X window, so
// the button's place comes from control_position, which builds the same window for the same
// user and category at the same size on the same display.
class RecoveryTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void killedTaskComesBack();
    void exceededTaskNotifiesOnceOverRestarts();

private:
    QProcessEnvironment environment() const;
    // Runs a program to its end and returns what it printed; nothing when it failed.
    std::optional<QString> run(const QString& program, const QStringList& arguments) const;
    std::optional<QString> xdotool(const QStringList& arguments) const {
        return run(QStringLiteral("xdotool"), arguments);
    }
    // The program's main window, once it is mapped with a title matching the pattern.
    QString waitForWindow(const QRegularExpression& title, QProcess& program) const;
    static bool waitUntil(const std::function<bool()>& done, int ms);
    void startProgram(QProcess& program) const;
    // Points the program's settings at another database.
    bool useDatabase(const QString& path) const;

    PrivateXServer m_x;
    QTemporaryDir m_home;
    QString m_database;
};

QProcessEnvironment RecoveryTest::environment() const {
    QProcessEnvironment env = PrivateDesktop::environment(m_home.path());
    env.insert(QStringLiteral("DISPLAY"), m_x.displayName());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

std::optional<QString> RecoveryTest::run(const QString& program,
                                         const QStringList& arguments) const {
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(program, arguments);
    if (!process.waitForFinished(PrivateXServer::WaitMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool RecoveryTest::waitUntil(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(100);
    }
    return true;
}

QString RecoveryTest::waitForWindow(const QRegularExpression& title, QProcess& program) const {
    QString found;
    waitUntil(
        [&] {
            if (program.state() != QProcess::Running) {
                return true;
            }
            const QStringList windows =
                xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                         QStringLiteral("--name"), QStringLiteral("Quillhour|Design|Capped")})
                    .value_or(QString())
                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString& window : windows) {
                if (title
                        .match(
                            xdotool({QStringLiteral("getwindowname"), window}).value_or(QString()))
                        .hasMatch()) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        PrivateXServer::WaitMs);
    return found;
}

void RecoveryTest::startProgram(QProcess& program) const {
    program.setProcessEnvironment(environment());
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(QUILLHOUR_BINARY), {});
}

bool RecoveryTest::useDatabase(const QString& path) const {
    QFile config(m_home.filePath(QStringLiteral("config/Quillhour/Quillhour.conf")));
    if (!config.open(QIODevice::WriteOnly)) {
        return false;
    }
    config.write(
        QStringLiteral("[Settings]\nDatabase=%1\nUser=Ann\nTray%20Icon=0\nShare%20Windows=titles\n")
            .arg(path)
            .toUtf8());
    return true;
}

void RecoveryTest::initTestCase() {
    QString error;
    QVERIFY2(m_x.start(error), qPrintable(error));
    QVERIFY(m_home.isValid());
    m_database = m_home.filePath(QStringLiteral("team.db"));
    {
        auto db = Database::create(m_database);
        db->execute(QStringLiteral("insert into \"user\" (userName, active) values (?, ?)"),
                    {QStringLiteral("Ann"), false});
        db->execute(QStringLiteral("insert into category (category, parentId) values (?, 0)"),
                    {QStringLiteral("Design")});
    }
    PrivateDesktop::makeFolders(m_home.path());
    QDir(m_home.path()).mkpath(QStringLiteral("config/Quillhour"));
    QVERIFY(useDatabase(m_database));
}

void RecoveryTest::killedTaskComesBack() {
    auto db = Database::open(m_database);
    auto openRows = [&] {
        return db->query(QStringLiteral("select timeId, startTime from tallyRec where endTime is "
                                        "null"));
    };

    QProcess first;
    startProgram(first);
    QVERIFY(first.waitForStarted(PrivateXServer::WaitMs));
    const QString window =
        waitForWindow(QRegularExpression(QStringLiteral("^Quillhour \\d+\\.\\d+$")), first);
    QVERIFY2(!window.isEmpty(), first.readAll().constData());

    // The window opens larger than the test's screen; made to fit, every control is on it.
    QVERIFY(xdotool({QStringLiteral("windowsize"), QStringLiteral("--sync"), window,
                     QStringLiteral("790"), QStringLiteral("590")}));
    const QString geometry =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window})
            .value_or(QString());
    const QRegularExpressionMatch size =
        QRegularExpression(QStringLiteral("WIDTH=(\\d+)\\s+HEIGHT=(\\d+)")).match(geometry);
    QVERIFY2(size.hasMatch(), qPrintable(geometry));
    const QStringList point =
        run(QStringLiteral(CONTROL_POSITION_PROGRAM),
            {QStringLiteral("cmdStartNow"), size.captured(1), size.captured(2),
             QStringLiteral("Ann"), QStringLiteral("Design")})
            .value_or(QString())
            .split(QLatin1Char(' '));
    QCOMPARE(point.size(), 2);

    QVERIFY(
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("--window"),
                 window, point[0], point[1], QStringLiteral("click"), QStringLiteral("1")}));
    QVERIFY2(waitUntil([&] { return openRows().count() == 1; }, PrivateXServer::WaitMs),
             "the click on Start wrote no open time row");
    const int timeId = openRows().first().integer(0);
    const QDateTime started = openRows().first().dateTime(1);
    // The timer has run: the caption names the task.
    QVERIFY(
        !waitForWindow(QRegularExpression(QStringLiteral("^Design - \\(\\d\\d:\\d\\d\\)$")), first)
             .isEmpty());

    ::kill(pid_t(first.processId()), SIGKILL);
    QVERIFY(first.waitForFinished(PrivateXServer::WaitMs));
    QCOMPARE(first.exitStatus(), QProcess::CrashExit);

    // A minute boundary passes, so a task started afresh would read differently from one that
    // counts from its first start.
    QVERIFY(waitUntil(
        [&] { return TimeText::minutesBetween(started, QDateTime::currentDateTime()) >= 1; },
        70000));

    QProcess second;
    startProgram(second);
    QVERIFY(second.waitForStarted(PrivateXServer::WaitMs));
    const QRegularExpression running(QStringLiteral("^Design - \\((\\d\\d):(\\d\\d)\\)$"));
    const QString again = waitForWindow(running, second);
    QVERIFY2(!again.isEmpty(), second.readAll().constData());
    const QRegularExpressionMatch caption =
        running.match(xdotool({QStringLiteral("getwindowname"), again}).value_or(QString()));
    QVERIFY(caption.hasMatch());
    const qint64 shown = caption.captured(1).toLongLong() * 60 + caption.captured(2).toLongLong();
    const qint64 since = TimeText::minutesBetween(started, QDateTime::currentDateTime());
    QVERIFY2(shown >= 1 && (shown == since || shown == since - 1),
             qPrintable(QStringLiteral("the caption shows %1 minutes, %2 have passed since the "
                                       "first start")
                            .arg(shown)
                            .arg(since)));

    // The same row, still open: nothing was started anew or finished.
    const ResultSet rows = db->query(QStringLiteral("select timeId, endTime from tallyRec"));
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.first().integer(0), timeId);
    QVERIFY(rows.first().isNull(1));

    // Ended the orderly way, the task still keeps its row for the next start.
    ::kill(pid_t(second.processId()), SIGTERM);
    QVERIFY(second.waitForFinished(PrivateXServer::WaitMs));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(openRows().count(), 1);
}

void RecoveryTest::exceededTaskNotifiesOnceOverRestarts() {
    // Ann's task on a category of at most an hour a day has run for two: over its maximum from
    // the first tick of every run.
    const QString path = m_home.filePath(QStringLiteral("capped.db"));
    {
        auto db = Database::create(path);
        db->execute(QStringLiteral("insert into \"user\" (userName, active) values (?, ?)"),
                    {QStringLiteral("Ann"), false});
        db->execute(QStringLiteral("insert into category (category, parentId, maxAllocation, "
                                   "maxAllocationPeriodId, ownerUserId, startDate) "
                                   "values (?, 0, 1, 1, 1, ?)"),
                    {QStringLiteral("Capped"), QDateTime::currentDateTime()});
        db->execute(QStringLiteral("insert into tallyRec (startTime, categoryId, userId) "
                                   "values (?, 1, 1)"),
                    {QDateTime::currentDateTime().addSecs(-2 * 3600)});
    }
    QVERIFY(useDatabase(path));
    auto db = Database::open(path);
    // A connection of the test's own, held while the program comes and goes: an X server whose
    // last client has left starts afresh, and meanwhile takes no one.
    xcb_connection_t* holding = nullptr;
    const auto release = qScopeGuard([&] { xcb_disconnect(holding); });
    QVERIFY(waitUntil(
        [&] {
            if (holding != nullptr) {
                xcb_disconnect(holding);
            }
            holding = xcb_connect(m_x.displayName().toLocal8Bit().constData(), nullptr);
            return xcb_connection_has_error(holding) == 0;
        },
        PrivateXServer::WaitMs));
    auto notices = [&] {
        return db->scalar(QStringLiteral("select count(*) from notification")).toInt();
    };

    // The first run and three restarts, each ended the orderly way once its timer has run.
    for (int run = 0; run < 4; ++run) {
        QProcess program;
        startProgram(program);
        QVERIFY(program.waitForStarted(PrivateXServer::WaitMs));
        QVERIFY2(!waitForWindow(QRegularExpression(QStringLiteral("^Capped - \\(02:\\d\\d\\)$")),
                                program)
                      .isEmpty(),
                 program.readAll().constData());
        QVERIFY(waitUntil([&] { return notices() >= 1; }, PrivateXServer::WaitMs));
        QTest::qWait(2000); // more ticks, still over
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(PrivateXServer::WaitMs));
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(notices(), 1);
    }
    const Row notice =
        db->query(QStringLiteral("select typeId, subject, message from notification")).first();
    QCOMPARE(notice.integer(0), 0);
    QCOMPARE(notice.text(1), QStringLiteral("Exceeding maximums"));
    QCOMPARE(notice.text(2), QStringLiteral("Work on Capped has exceeded maximum time allocated"));
}

QTEST_GUILESS_MAIN(RecoveryTest)
#include "tst_recovery.moc"
