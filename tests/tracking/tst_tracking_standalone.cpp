#include "SubsystemFixture.h"
#include "data/category.h"
#include "data/user.h"
#include "tracking/Reminders.h"
#include "tracking/TaskList.h"
#include "tracking/TaskTimer.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "tracking/frmReminder.h"
#include "widgets/KeyedTree.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// Starting, timing, reminding and finishing built from a workspace, the Tasks page and the trees
// they are given, with no main window around them.
class TrackingStandaloneTest : public QObject {
    Q_OBJECT

private slots:
    void startTickAndFinish();
    void reminderStopsTheTask();
};

namespace {

struct Tracking {
    explicit Tracking(SubsystemFixture& f)
        : page(new TasksPage(f.window.get()))
        , taskTree(new KeyedTree(f.window.get()))
        , userTree(new KeyedTree(f.window.get()))
        , lblActiveTasks(new QLabel(f.window.get()))
        , txtFrequency(new QLineEdit(f.window.get()))
        , list(new TaskList(f.work, *taskTree, *lblActiveTasks, *userTree, *page->fraTime,
                            f.window.get()))
        , tracker(new TaskTracker(f.work, *page, *taskTree, *userTree, *list, f.window.get()))
        , reminders(new Reminders(f.work, *page, *txtFrequency, *tracker, f.window.get()))
        , timer(new TaskTimer(f.work, *page, *reminders, *tracker, *list, *userTree,
                              f.window.get())) {
        // As the main window wires them.
        QObject::connect(tracker, &TaskTracker::runningTasksChanged, list,
                         &TaskList::refreshTaskList);
    }

    template <typename T>
    T* control(const QString& name) {
        return page->findChild<T*>(name);
    }

    TasksPage* page;
    KeyedTree* taskTree;
    KeyedTree* userTree;
    QLabel* lblActiveTasks;
    QLineEdit* txtFrequency;
    TaskList* list;
    TaskTracker* tracker;
    Reminders* reminders;
    TaskTimer* timer;
};

// Ann, current, working on Design, loaded into the state as the start-up would.
struct Loaded {
    int ann = 0;
    int design = 0;
};

Loaded load(SubsystemFixture& f) {
    Loaded ids;
    ids.ann = f.addUser(QStringLiteral("Ann"));
    ids.design = f.addCategory(QStringLiteral("Design"));
    user& ann = f.state.allUsers->Add(ids.ann, QStringLiteral("uid_%1").arg(ids.ann));
    ann.userName = QStringLiteral("Ann");
    f.state.currentUser = &ann;
    f.state.allCategories->Add(0).categoryName = QStringLiteral("- none -");
    category& design =
        f.state.allCategories->Add(ids.design, QStringLiteral("id_%1").arg(ids.design));
    design.categoryName = QStringLiteral("Design");
    f.state.selectedCategory = &design;
    return ids;
}

} // namespace

void TrackingStandaloneTest::startTickAndFinish() {
    SubsystemFixture f;
    const Loaded ids = load(f);
    Tracking t(f);
    QSignalSpy recorded(t.tracker, &TaskTracker::timeRecorded);
    t.tracker->showCategory(0, f.state.selectedCategory);
    QVERIFY(f.shell.buttons[0]);
    QCOMPARE(t.control<QGroupBox>(QStringLiteral("fraNewTask"))->title(),
             QStringLiteral("Start working on Design"));

    t.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();

    const int taskId = f.state.currentTask->taskId;
    QCOMPARE(f.count(QStringLiteral("tallyRec"),
                     QStringLiteral("timeId = ? and endTime is null and userId = ?"),
                     {taskId, ids.ann}),
             1);
    QVERIFY(f.shell.timerRunning);
    QCOMPARE(f.shell.activeTasks, 1);
    QCOMPARE(f.shell.tab, int(Shell::TasksTab));
    QVERIFY(t.taskTree->exists(QStringLiteral("tid_%1").arg(taskId)));
    QVERIFY(!t.taskTree->isHidden());

    f.clock.advanceMinutes(2);
    t.timer->processTasks();
    QCOMPARE(f.shell.windowCaption, QStringLiteral("Design - (00:02)"));
    QCOMPARE(t.control<QLabel>(QStringLiteral("lblDuration"))->text(), QStringLiteral("00:02"));

    t.control<QPushButton>(QStringLiteral("cmdStop"))->click();
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select duration from tallyRec where timeId = ?"), {taskId})
                 .toInt(),
             2);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("endTime is null")), 0);
    QCOMPARE(recorded.count(), 1);
    QVERIFY(!f.shell.timerRunning);
    QCOMPARE(f.shell.activeTasks, 0);
    QCOMPARE(f.shell.windowCaption, Shell::programTitle());
    QVERIFY(f.state.currentTask == nullptr);
}

void TrackingStandaloneTest::reminderStopsTheTask() {
    SubsystemFixture f;
    load(f);
    Tracking t(f);
    t.tracker->showCategory(0, f.state.selectedCategory);
    t.txtFrequency->setText(QStringLiteral("1"));
    t.control<QCheckBox>(QStringLiteral("chkPrompt"))->setChecked(true);
    t.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int taskId = f.state.currentTask->taskId;

    f.clock.advanceMinutes(1);
    t.timer->processTasks();

    frmReminder& reminder = t.reminders->window();
    QVERIFY(!f.shell.windowShown);
    QVERIFY(reminder.isVisible());
    QCOMPARE(reminder.taskId(), taskId);
    QCOMPARE(reminder.lblInfo->text(),
             QStringLiteral("Are you still working on Design? You have committed 00:01 to this "
                            "task already"));

    reminder.cmdStop->click();
    QVERIFY(f.shell.windowShown);
    QVERIFY(!reminder.isVisible());
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0); // a cancelled task leaves no row
    QCOMPARE(f.state.activeTasks->Count(), 0);
    QCOMPARE(f.shell.activeTasks, 0);
}

QTEST_MAIN(TrackingStandaloneTest)
#include "tst_tracking_standalone.moc"
