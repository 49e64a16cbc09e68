#include "MainWindowFixture.h"
#include "categories/CategoryTree.h"
#include "data/TimeText.h"
#include "tracking/TaskList.h"
#include "tracking/TaskTimer.h"
#include "tracking/TasksPage.h"
#include "widgets/KeyedTree.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {

QDateTime at(int hour, int minute, int day = 7) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute));
}

QDateTime inNovember(int day, int hour, int minute) {
    return QDateTime(QDate(2026, 11, day), QTime(hour, minute));
}

// Allocation period ids of the look-up table.
constexpr int Day = 1;
constexpr int Week = 2;

} // namespace

// The task timer: the "Currently Working" frame, the progress bars, the "exceeded" notification
// while a task runs, and the allocation check of every category at start.
class TaskTimerTest : public QObject {
    Q_OBJECT

private slots:
    void frameShowsTheCurrentTask();
    void minimumOfTwoHoursAWeek();
    void maximumBarAfterTheMinimum();
    void showPercentBeyondTheTrack();
    void exceededIsRecordedOncePerTask();
    void exceededNeedsAManager();
    void exceededOnceAcrossRestartsAndInstances();
    void runningNoticeLeavesTheStartupCheck();
    void startupCheckRecordsBothNotifications();
    void tickReadsLittle();

private:
    static void start(MainWindowFixture& f) {
        f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
        // Lays out the frame that has just appeared, as the event loop would.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    static QLabel* label(MainWindowFixture& f, const char* name) {
        return f.control<QLabel>(QString::fromLatin1(name));
    }
    static int notifications(MainWindowFixture& f) {
        return f.count(QStringLiteral("notification"));
    }
};

void TaskTimerTest::frameShowsTheCurrentTask() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    start(f);
    f.clock.advanceSeconds(31 * 60 + 7);
    f.taskTick();
    QCOMPARE(label(f, "lblDuration")->text(), QStringLiteral("00:31"));
    QCOMPARE(label(f, "lblEndTime")->text(), QStringLiteral("10:31:07"));
    QCOMPARE(label(f, "lblStartTime")->text(), TimeText::defaultText(at(10, 0)));
    QCOMPARE(f.control<QGroupBox>(QStringLiteral("fraTime"))->title(),
             QStringLiteral("Current Task: Design"));
    QCOMPARE(f.window().windowTitle(), QStringLiteral("Design - (00:31)"));
    // No reminders asked for.
    auto* remind = f.control<QCheckBox>(QStringLiteral("chkTaskReminder"));
    QVERIFY(!remind->isChecked());
    QCOMPARE(label(f, "lblReminder")->text(), QString());
    // "Remind Me" switches them on for the current task.
    remind->click();
    QVERIFY(f.state().currentTask->prompt);
    f.taskTick();
    QVERIFY(remind->isChecked());
    QCOMPARE(label(f, "lblReminder")->text(), QStringLiteral("0"));
    remind->click();
    QVERIFY(!f.state().currentTask->prompt);
    // No allocations: only the second bar is on show, with nothing to measure.
    QVERIFY(f.control<QFrame>(QStringLiteral("picProgress_0"))->isHidden());
    QVERIFY(!f.control<QFrame>(QStringLiteral("picProgress_1"))->isHidden());
    QCOMPARE(label(f, "lblPercent_1")->text(), QString());
    QCOMPARE(f.messages.shown().size(), 0);
}

void TaskTimerTest::minimumOfTwoHoursAWeek() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, 0, 2, Week);
    f.addTime(design, ann, at(15, 0, 6), at(16, 30, 6), 90);
    f.addTime(design, ann, inNovember(30, 15, 0), inNovember(30, 16, 0), 60); // 8 days ago
    QVERIFY(f.load());
    start(f);
    auto* track = f.control<QFrame>(QStringLiteral("picProgress_0"));
    auto* shape = f.control<QFrame>(QStringLiteral("shpPercent_0"));
    QVERIFY(track->contentsRect().width() > 100);

    f.clock.advanceMinutes(15);
    f.taskTick();
    QCOMPARE(label(f, "lblPercent_0")->text(), QStringLiteral("87 % of 2 hours"));
    QCOMPARE(shape->width(), int(std::lround(track->contentsRect().width() * 105.0 / 120.0)));

    // Exactly the allocation is not yet past it.
    f.clock.advanceMinutes(15);
    f.taskTick();
    QCOMPARE(label(f, "lblPercent_0")->text(), QStringLiteral("100 % of 2 hours"));
    QCOMPARE(shape->width(), track->contentsRect().width());
    QVERIFY(!track->isHidden());
    QVERIFY(f.control<QFrame>(QStringLiteral("picProgress_1"))->isHidden());

    f.clock.advanceMinutes(1);
    f.taskTick();
    QCOMPARE(label(f, "lblPercent_0")->text(), QStringLiteral("Complete"));
    QVERIFY(shape->width() > track->contentsRect().width());
    QVERIFY(!f.control<QFrame>(QStringLiteral("picProgress_1"))->isHidden());
}

void TaskTimerTest::maximumBarAfterTheMinimum() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, 0, 1, Day, 3, Week);
    f.addTime(design, ann, at(8, 0, 3), at(9, 0, 3), 60);
    f.addTime(design, ann, at(8, 0), at(8, 30), 30);
    QVERIFY(f.load());
    start(f);
    auto* maximum = f.control<QFrame>(QStringLiteral("picProgress_1"));
    f.clock.advanceMinutes(30);
    f.taskTick();
    QVERIFY(maximum->isHidden());
    f.clock.advanceMinutes(1);
    f.taskTick();
    QCOMPARE(label(f, "lblPercent_0")->text(), QStringLiteral("Complete"));
    QVERIFY(!maximum->isHidden());
    QCOMPARE(label(f, "lblPercent_1")->text(), QStringLiteral("67 % of 3 hours"));
    f.clock.advanceMinutes(59);
    f.taskTick();
    QCOMPARE(label(f, "lblPercent_1")->text(), QStringLiteral("100 % of 3 hours"));
    f.clock.advanceMinutes(1);
    f.taskTick();
    QCOMPARE(label(f, "lblPercent_1")->text(), QStringLiteral("Complete"));
    QVERIFY(f.control<QFrame>(QStringLiteral("shpPercent_1"))->width() >
            maximum->contentsRect().width());
    // Nobody manages Design: there is no one to tell.
    QCOMPARE(notifications(f), 0);
    QCOMPARE(f.messages.shown().size(), 0);
}

void TaskTimerTest::showPercentBeyondTheTrack() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    start(f);
    auto* track = f.control<QFrame>(QStringLiteral("picProgress_0"));
    TaskTimer& timer = f.window().taskTimer();
    QVERIFY(timer.showPercent(1.5, 0, QStringLiteral("2")));
    QCOMPARE(label(f, "lblPercent_0")->text(), QStringLiteral("Complete"));
    QCOMPARE(f.control<QFrame>(QStringLiteral("shpPercent_0"))->width(),
             int(std::lround(track->contentsRect().width() * 1.5)));
    QVERIFY(!timer.showPercent(0.456, 1, QStringLiteral("2")));
    QCOMPARE(label(f, "lblPercent_1")->text(), QStringLiteral("45 % of 2 hours"));
}

void TaskTimerTest::exceededIsRecordedOncePerTask() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int capped = f.addCategory(QStringLiteral("Capped"), 0, bob, 0, Day, 1, Day);
    QVERIFY(f.load());
    start(f);
    f.clock.advanceMinutes(60);
    f.taskTick();
    QCOMPARE(notifications(f), 0);
    for (int tick = 0; tick < 5; ++tick) {
        f.clock.advanceSeconds(20);
        f.taskTick();
    }
    QCOMPARE(notifications(f), 1);
    const Row row =
        f.database()
            .query(QStringLiteral("select fromUserId, toUserId, message, status, categoryId, "
                                  "typeId, subject, createDate from notification"))
            .first();
    QCOMPARE(row.integer(0), ann);
    QCOMPARE(row.integer(1), bob);
    QCOMPARE(row.text(2), QStringLiteral("Work on Capped has exceeded maximum time allocated"));
    QCOMPARE(row.text(3), QStringLiteral("Unread"));
    QCOMPARE(row.integer(4), capped);
    QCOMPARE(row.integer(5), 0); // not the start-up check's type: that check still runs
    QCOMPARE(row.text(6), QStringLiteral("Exceeding maximums"));
    QCOMPARE(row.dateTime(7), at(11, 1));

    // Another task on the category, over from its first tick: told once more, once.
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();
    start(f);
    f.taskTick();
    f.taskTick();
    QCOMPARE(notifications(f), 2);
    f.clock.advanceMinutes(10);
    f.taskTick();
    QCOMPARE(notifications(f), 2);
    QCOMPARE(f.messages.shown().size(), 0);
}

void TaskTimerTest::exceededNeedsAManager() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Nobody's"), 0, 0, 0, Day, 1, Day);
    f.addCategory(QStringLiteral("Gone"), 0, 999, 0, Day, 1, Day);
    QVERIFY(f.load());
    for (int i = 0; i < 2; ++i) {
        f.window().categories().selectCategoryByNode(f.window().categoryTree->topLevelNodes()[i]);
        start(f);
    }
    f.clock.advanceMinutes(61);
    f.taskTick();
    f.window().taskList().taskTree_NodeClick(f.window().taskTree->node(
        QStringLiteral("tid_%1").arg(f.state().activeTasks->Item(1).taskId)));
    f.taskTick();
    QCOMPARE(label(f, "lblPercent_1")->text(), QStringLiteral("Complete"));
    QCOMPARE(notifications(f), 0);
    QCOMPARE(f.messages.shown().size(), 0);
    QVERIFY(f.window().tmrTime->isActive());
}

void TaskTimerTest::exceededOnceAcrossRestartsAndInstances() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int capped = f.addCategory(QStringLiteral("Capped"), 0, bob, 0, Day, 1, Day);
    QVERIFY(f.load());
    start(f);
    f.clock.advanceMinutes(61);
    f.taskTick();
    QCOMPARE(notifications(f), 1);

    // Three restarts: the task comes back from its open row, still over the maximum, in a new
    // window that has never told anyone anything.
    for (int restart = 0; restart < 3; ++restart) {
        f.window().shutDown(frmMain::Shutdown::NoQuestions);
        QVERIFY(f.load());
        QCOMPARE(f.state().currentTask->status, QStringLiteral("recovered"));
        f.clock.advanceMinutes(1);
        f.taskTick();
        QCOMPARE(label(f, "lblPercent_1")->text(), QStringLiteral("Complete"));
        QCOMPARE(notifications(f), 1);
    }

    // A second instance of Ann's on the same database runs the same task.
    frmMain second({f.clock,
                    f.messages,
                    f.settings,
                    f.windows,
                    f.folders,
                    f.idle,
                    f.passwords,
                    f.ownFolder,
                    {}});
    QVERIFY(second.Form_Load());
    second.trmSystem->stop();
    second.taskTimer().processTasks();
    QCOMPARE(notifications(f), 1);
    second.shutDown(frmMain::Shutdown::NoQuestions);

    // A notice of the minimum, or one older than the task, is no notice that it is over.
    f.database().execute(QStringLiteral("delete from notification"));
    f.addNotification(bob, bob, capped, 1, QStringLiteral("Not meeting expected minimums"));
    f.addNotification(bob, bob, capped, 0, QStringLiteral("Exceeding maximums"),
                      QStringLiteral("Unread"), QString(), at(9, 59));
    f.window().shutDown(frmMain::Shutdown::NoQuestions);
    QVERIFY(f.load());
    f.taskTick();
    QCOMPARE(notifications(f), 3);
    QCOMPARE(f.count(QStringLiteral("notification"), QStringLiteral("typeId = 0 and message = ?"),
                     {QStringLiteral("Work on Capped has exceeded maximum time allocated")}),
             1);
}

void TaskTimerTest::runningNoticeLeavesTheStartupCheck() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int capped =
        f.addCategory(QStringLiteral("Capped"), 0, ann, 0, Day, 1, Day, at(10, 0, 6));
    QVERIFY(f.load());
    QCOMPARE(notifications(f), 0);
    start(f);
    f.clock.advanceMinutes(61);
    f.taskTick();
    QCOMPARE(notifications(f), 1);
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();

    // 61 minutes since yesterday against an hour a day: the check at the next start tells the
    // manager, although the running task's notice is there.
    f.window().shutDown(frmMain::Shutdown::NoQuestions);
    QVERIFY(f.load());
    const ResultSet rows = f.database().query(
        QStringLiteral("select typeId, categoryId, subject, message from notification order by "
                       "notificationId"));
    QCOMPARE(rows.count(), 2);
    QCOMPARE(rows.row(0).integer(0), 0);
    QCOMPARE(rows.row(0).integer(1), capped);
    QCOMPARE(rows.row(0).text(2), QStringLiteral("Exceeding maximums"));
    QCOMPARE(rows.row(1).integer(0), 2);
    QCOMPARE(rows.row(1).integer(1), capped);
    QCOMPARE(rows.row(1).text(3),
             QStringLiteral("Exceeded maximum time during period 06 Dec 2026 to 07 Dec 2026 (1 "
                            "days).  Maximum allocated time is 01:00. Actual time recorded is "
                            "01:01"));
}

void TaskTimerTest::startupCheckRecordsBothNotifications() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const QDateTime started = inNovember(23, 9, 0); // 14 days ago
    const int shortOf = f.addCategory(QStringLiteral("Short"), 0, ann, 2, Week, 0, Day, started);
    const int over = f.addCategory(QStringLiteral("Over"), 0, ann, 0, Day, 1, Day, started);
    const int unmanaged =
        f.addCategory(QStringLiteral("Unmanaged"), 0, 0, 2, Week, 0, Day, started);
    const int told = f.addCategory(QStringLiteral("Told"), 0, ann, 2, Week, 0, Day, started);
    f.addTime(shortOf, ann, inNovember(30, 9, 0), inNovember(30, 10, 15), 75);
    f.addTime(over, ann, at(9, 0, 1), at(9, 0, 2), 900);
    f.addTime(unmanaged, ann, at(9, 0, 1), at(9, 5, 1), 5);
    f.addNotification(ann, ann, told, 1, QStringLiteral("Not meeting expected minimums"),
                      QStringLiteral("Deleted"));
    QVERIFY(f.load());

    const ResultSet rows = f.database().query(
        QStringLiteral("select fromUserId, toUserId, categoryId, typeId, subject, message, status "
                       "from notification where categoryId <> ? order by typeId"),
        {told});
    QCOMPARE(rows.count(), 2);
    QCOMPARE(rows.row(0).integer(0), ann);
    QCOMPARE(rows.row(0).integer(1), ann);
    QCOMPARE(rows.row(0).integer(2), shortOf);
    QCOMPARE(rows.row(0).integer(3), 1);
    QCOMPARE(rows.row(0).text(4), QStringLiteral("Not meeting expected minimums"));
    QCOMPARE(rows.row(0).text(5), QStringLiteral("Expected minimum time from 23 Nov 2026 to 07 "
                                                 "Dec 2026 is 04:00. Actual time recorded is "
                                                 "01:15"));
    QCOMPARE(rows.row(0).text(6), QStringLiteral("Unread"));
    QCOMPARE(rows.row(1).integer(2), over);
    QCOMPARE(rows.row(1).integer(3), 2);
    QCOMPARE(rows.row(1).text(4), QStringLiteral("Exceeding maximums"));
    QCOMPARE(rows.row(1).text(5),
             QStringLiteral("Exceeded maximum time during period 23 Nov 2026 to 07 Dec 2026 (14 "
                            "days).  Maximum allocated time is 14:00. Actual time recorded is "
                            "15:00"));
    QCOMPARE(f.count(QStringLiteral("notification"), QStringLiteral("categoryId = ?"), {told}), 1);

    // Never twice: not on a check of its own, nor when the window loads again.
    f.window().taskTimer().checkTaskProgress();
    f.window().shutDown(frmMain::Shutdown::NoQuestions);
    QVERIFY(f.window().Form_Load());
    QCOMPARE(notifications(f), 3);
}

void TaskTimerTest::tickReadsLittle() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, bob, 1, Day, 40, Week);
    f.addTime(design, ann, at(8, 0), at(9, 10), 70);
    f.addOpenTime(design, bob, at(9, 0));
    QVERIFY(f.load());
    start(f);
    f.clock.advanceMinutes(1);
    f.taskTick();
    QVERIFY(!f.control<QFrame>(QStringLiteral("picProgress_1"))->isHidden());
    // Both bars, on periods of different lengths: a sum each, and nothing else is read.
    const quint64 before = f.window().database().statementCount();
    f.clock.advanceMinutes(1);
    f.taskTick();
    QCOMPARE(f.window().database().statementCount() - before, quint64(2));
}

QTEST_MAIN(TaskTimerTest)
#include "tst_tasktimer.moc"
