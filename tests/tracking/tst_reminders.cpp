#include "MainWindowFixture.h"
#include "TwoUserTeam.h"
#include "app/SettingsPage.h"
#include "categories/CategoryTree.h"
#include "tracking/Reminders.h"
#include "tracking/TaskList.h"
#include "tracking/TasksPage.h"
#include "tracking/frmReminder.h"
#include "widgets/KeyedTree.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

QDateTime at(int hour, int minute) {
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute));
}

QString key(int taskId) {
    return QStringLiteral("tid_%1").arg(taskId);
}

QString question(const QString& category, const QString& committed) {
    return QStringLiteral("Are you still working on ") + category +
           QStringLiteral("? You have committed ") + committed +
           QStringLiteral(" to this task already");
}

} // namespace

// The reminder window: when it comes, what it asks, what its answers do, and the closing of the
// main window while tasks run.
class RemindersTest : public QObject {
    Q_OBJECT

private slots:
    void remindsEveryTenMinutes();
    void switchedOnAtMinute35();
    void recoveredAfter25Minutes();
    void onlyTheUsersPromptingTasks();
    void badFrequencyGivesNoReminders();
    void stopWorkingDeletesTheRow();
    void asksWithTheRemindedTasksOwnTime();
    void twoDueInOneTick();
    void closingWithTwoRunningTasks();
    void closingThenStopWorking();
    void closingTheReminderItself();
    void closingWithoutOwnTasks();
    void programRunsOnWhileTheReminderIsUp();

private:
    using Team = TwoUserTeam;
    static Team seed(MainWindowFixture& f) { return TwoUserTeam::seed(f); }
    static frmReminder& reminder(MainWindowFixture& f) { return f.window().reminders().window(); }
    static void start(MainWindowFixture& f, int categoryId, bool prompt) {
        f.window().categories().selectCategoryByNode(
            f.window().categoryTree->node(QStringLiteral("id_%1").arg(categoryId)));
        f.control<QCheckBox>(QStringLiteral("chkPrompt"))->setChecked(prompt);
        f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    }
    // The minutes, from one to last, at which a tick found the reminder up (answered with
    // Continue each time). Several ticks run in each minute.
    static QList<int> remindedAt(MainWindowFixture& f, int last) {
        QList<int> minutes;
        const QDateTime begin = f.clock.now();
        for (int minute = 1; minute <= last; ++minute) {
            f.clock.set(begin.addSecs(minute * 60));
            for (int tick = 0; tick < 3; ++tick) {
                f.taskTick();
                if (reminder(f).isVisible()) {
                    minutes.append(minute);
                    reminder(f).cmdContinue->click();
                }
            }
        }
        return minutes;
    }
};

void RemindersTest::remindsEveryTenMinutes() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, true);
    const int id = f.state().currentTask->taskId;
    const QDateTime begin = f.clock.now();

    f.clock.set(begin.addSecs(9 * 60 + 59));
    f.taskTick();
    QVERIFY(!reminder(f).isVisible());
    f.clock.set(begin.addSecs(10 * 60));
    f.taskTick();
    frmReminder& window = reminder(f);
    QVERIFY(window.isVisible());
    QVERIFY(!f.window().isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Reminder"));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.parentWidget() == nullptr); // a window that keeps the program running
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblTitle"))->text(),
             QStringLiteral("Progress"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("lblInfo"))->text(),
             question(QStringLiteral("Design"), QStringLiteral("00:10")));
    QCOMPARE(reminder(f).taskId(), id);
    QVERIFY(reminder(f).tmrUpdate->isActive());
    // The timers go on while it is up.
    f.taskTick();
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblReminder"))->text(), QStringLiteral("1"));
    reminder(f).cmdContinue->click();
    QVERIFY(!reminder(f).isVisible());
    QVERIFY(f.window().isVisible());
    QVERIFY(!reminder(f).tmrUpdate->isActive());
    QCOMPARE(f.state().activeTasks->Count(), 1);

    QCOMPARE(remindedAt(f, 25), (QList<int>{10, 20})); // minutes 20 and 30
    QCOMPARE(f.state().currentTask->reminderCount, 3);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("endTime is null")), 1);
}

void RemindersTest::switchedOnAtMinute35() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, false);
    QVERIFY(remindedAt(f, 35).isEmpty());
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblReminder"))->text(), QString());
    f.control<QCheckBox>(QStringLiteral("chkTaskReminder"))->click();
    QVERIFY(f.state().currentTask->prompt);
    // Minute 40 is a multiple of 10 and, on the next tick, of 20; then 60 is one of 30.
    QCOMPARE(remindedAt(f, 24), (QList<int>{5, 5}));
    QCOMPARE(f.state().currentTask->reminderCount, 2);
    QCOMPARE(remindedAt(f, 20), (QList<int>{1})); // minute 60
}

void RemindersTest::recoveredAfter25Minutes() {
    MainWindowFixture f;
    const Team team = seed(f);
    f.addOpenTime(team.design, team.ann, at(9, 35));
    QVERIFY(f.load());
    QCOMPARE(f.state().currentTask->reminderCount, 2);
    QVERIFY(f.state().currentTask->prompt);
    QCOMPARE(remindedAt(f, 10), (QList<int>{5})); // minute 30 of the task
    QCOMPARE(reminder(f).categoryName(), QStringLiteral("Design"));
}

void RemindersTest::onlyTheUsersPromptingTasks() {
    MainWindowFixture f;
    const Team team = seed(f);
    f.addOpenTime(team.design, team.bob, at(9, 55)); // Bob's, found at start: it wants reminders
    QVERIFY(f.load());
    start(f, team.build, false);
    QVERIFY(remindedAt(f, 30).isEmpty());
}

void RemindersTest::badFrequencyGivesNoReminders() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    auto* frequency = f.window().settingsPage->txtFrequency;
    frequency->setText(QStringLiteral("often"));
    f.window().reminders().txtFrequency_Change();
    QCOMPARE(f.control<QCheckBox>(QStringLiteral("chkPrompt"))->text(),
             QStringLiteral("Prompt every often minutes"));
    QCOMPARE(f.settings.promptFrequency(), QStringLiteral("often"));
    start(f, team.design, true);
    QVERIFY(remindedAt(f, 25).isEmpty());
    frequency->setText(QStringLiteral("0"));
    QVERIFY(remindedAt(f, 25).isEmpty());
    QVERIFY(f.window().tmrTime->isActive());
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblDuration"))->text(), QStringLiteral("00:50"));
    QCOMPARE(f.messages.shown().size(), 0);
    // A usable frequency again: every 5 minutes from here.
    frequency->setText(QStringLiteral("5"));
    QCOMPARE(remindedAt(f, 5), (QList<int>{5}));
}

void RemindersTest::stopWorkingDeletesTheRow() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, true);
    const int id = f.state().currentTask->taskId;
    f.clock.advanceMinutes(10);
    f.taskTick();
    QVERIFY(reminder(f).isVisible());
    reminder(f).cmdStop->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);
    QVERIFY(!f.state().activeTasks->contains(key(id)));
    QVERIFY(!f.window().taskTree->exists(key(id)));
    QVERIFY(f.window().isVisible());
    QVERIFY(!reminder(f).isVisible());
    QVERIFY(!f.window().tmrTime->isActive());
}

void RemindersTest::asksWithTheRemindedTasksOwnTime() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.build, false);
    const int building = f.state().currentTask->taskId;
    f.clock.advanceMinutes(5);
    start(f, team.design, true);
    f.window().taskList().taskTree_NodeClick(f.window().taskTree->node(key(building)));
    f.clock.advanceMinutes(10);
    f.taskTick();
    QVERIFY(reminder(f).isVisible());
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblDuration"))->text(), QStringLiteral("00:15"));
    QCOMPARE(reminder(f).lblInfo->text(),
             question(QStringLiteral("Design"), QStringLiteral("00:10")));
    f.clock.advanceMinutes(1);
    reminder(f).tmrUpdate_Timer();
    QCOMPARE(reminder(f).lblInfo->text(),
             question(QStringLiteral("Design"), QStringLiteral("00:11")));
}

void RemindersTest::twoDueInOneTick() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, true);
    const int first = f.state().currentTask->taskId;
    start(f, team.build, true);
    const int second = f.state().currentTask->taskId;
    f.clock.advanceMinutes(10);
    f.taskTick();
    QCOMPARE(reminder(f).categoryName(), QStringLiteral("Build"));
    QCOMPARE(reminder(f).taskId(), second);
    reminder(f).cmdStop->click();
    QVERIFY(f.state().activeTasks->contains(key(first)));
    QVERIFY(!f.state().activeTasks->contains(key(second)));
    QCOMPARE(f.state().activeTasks->Item(key(first)).reminderCount, 1);
}

void RemindersTest::closingWithTwoRunningTasks() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int bobs = f.addOpenTime(team.design, team.bob, at(9, 0));
    QVERIFY(f.load());
    start(f, team.design, false);
    const int first = f.state().currentTask->taskId;
    f.clock.advanceMinutes(5);
    start(f, team.build, false);
    const int second = f.state().currentTask->taskId;
    f.clock.advanceMinutes(3);

    f.window().close();
    QVERIFY(!f.window().isVisible());
    QVERIFY(!f.window().isLoaded());
    QVERIFY(reminder(f).isVisible());
    QCOMPARE(reminder(f).taskId(), second); // filled for each, showing the last
    QCOMPARE(reminder(f).lblInfo->text(),
             question(QStringLiteral("Build"), QStringLiteral("00:03")));
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("endTime is null")), 3);
    QCOMPARE(f.count(QStringLiteral("user"), QStringLiteral("active = ?"), {true}), 0);

    // Continue: the main window loads again, and the tasks come back from their open rows.
    f.clock.advanceMinutes(1);
    reminder(f).cmdContinue->click();
    QVERIFY(!reminder(f).isVisible());
    QVERIFY(f.window().isVisible());
    QVERIFY(f.window().isLoaded());
    QCOMPARE(f.window().trace().first(), QStringLiteral("Form_Load"));
    ProgramState& state = f.state();
    QCOMPARE(state.activeTasks->Count(), 3);
    for (const int id : {first, second, bobs}) {
        QCOMPARE(state.activeTasks->Item(key(id)).status, QStringLiteral("recovered"));
    }
    QCOMPARE(state.currentTask->taskId, second);
    QCOMPARE(f.window().taskTree->nodeCount(), 2);
    QCOMPARE(f.window().taskTree->node(key(first))->text(),
             QStringLiteral("Design - (00:09) - recovered"));
    QVERIFY(f.window().tmrTime->isActive());
    QCOMPARE(f.count(QStringLiteral("user"), QStringLiteral("active = ?"), {true}), 1);
    f.taskTick();
    QCOMPARE(f.window().windowTitle(), QStringLiteral("Build - (00:04)"));

    // And it closes again the same way.
    f.window().close();
    QVERIFY(reminder(f).isVisible());
    QCOMPARE(reminder(f).taskId(), second);
    reminder(f).cmdContinue->click();
    QCOMPARE(f.state().activeTasks->Count(), 3);
    QCOMPARE(f.messages.shown().size(), 0);
}

void RemindersTest::closingThenStopWorking() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, false);
    const int first = f.state().currentTask->taskId;
    f.clock.advanceMinutes(5);
    start(f, team.build, false);
    const int second = f.state().currentTask->taskId;
    f.window().close();
    reminder(f).cmdStop->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {second}), 0);
    QVERIFY(f.window().isVisible());
    QCOMPARE(f.state().activeTasks->Count(), 1);
    QCOMPARE(f.state().currentTask->taskId, first);
    QCOMPARE(f.state().currentTask->status, QStringLiteral("recovered"));
}

void RemindersTest::closingTheReminderItself() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, false);
    f.window().close();
    QVERIFY(reminder(f).isVisible());
    reminder(f).close(); // the title bar's close button
    QVERIFY(f.window().isVisible());
    // Loaded again once the close has been handled.
    QTRY_VERIFY(f.window().isLoaded());
    QCOMPARE(f.state().activeTasks->Count(), 1);

    // Also for a reminder from the timer: the main window comes back.
    f.state().currentTask->prompt = true;
    f.clock.advanceMinutes(10);
    f.taskTick();
    QVERIFY(!f.window().isVisible());
    reminder(f).close();
    QVERIFY(f.window().isVisible());
    QCOMPARE(f.state().activeTasks->Count(), 1);
}

void RemindersTest::closingWithoutOwnTasks() {
    MainWindowFixture f;
    const Team team = seed(f);
    f.addOpenTime(team.design, team.bob, at(9, 0));
    QVERIFY(f.load());
    f.window().close();
    QVERIFY(!reminder(f).isVisible());
    QVERIFY(!f.window().isVisible());
}

void RemindersTest::programRunsOnWhileTheReminderIsUp() {
    // Closing the last window ends the program: exec() returns 0 by itself. While a reminder is
    // up after closing, it must not.
    auto runAndClose = [](MainWindowFixture& f) {
        QTimer close;
        close.setSingleShot(true);
        QObject::connect(&close, &QTimer::timeout, [&] { f.window().close(); });
        QTimer end;
        end.setSingleShot(true);
        QObject::connect(&end, &QTimer::timeout, [] { QCoreApplication::exit(42); });
        close.start(0);
        end.start(500);
        return QApplication::exec();
    };
    {
        MainWindowFixture f;
        const Team team = seed(f);
        QVERIFY(f.load());
        start(f, team.design, false);
        QCOMPARE(runAndClose(f), 42);
        QVERIFY(reminder(f).isVisible());
        reminder(f).cmdContinue->click();
        QVERIFY(f.window().isVisible());
        f.window().tmrTime->stop();
        f.window().trmSystem->stop();
    }
    {
        MainWindowFixture f;
        seed(f);
        QVERIFY(f.load());
        QCOMPARE(runAndClose(f), 0);
    }
}

QTEST_MAIN(RemindersTest)
#include "tst_reminders.moc"
