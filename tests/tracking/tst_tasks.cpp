#include "MainWindowFixture.h"
#include "categories/CategoryTree.h"
#include "data/TimeText.h"
#include "tracking/TaskList.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "users/UserList.h"
#include "users/UsersPage.h"
#include "widgets/KeyedTree.h"
#include "widgets/UpDown.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <algorithm>

namespace {

QDateTime at(int hour, int minute, int second = 0, int day = 7) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

QString key(int taskId) {
    return QStringLiteral("tid_%1").arg(taskId);
}

QString uid(int userId) {
    return QStringLiteral("uid_%1").arg(userId);
}

} // namespace

// Starting, finishing and cancelling tasks, one-off entries, the open rows found at start, and
// the task lists that show them all.
class TasksTest : public QObject {
    Q_OBJECT

private slots:
    void startWritesAnOpenRowAndShowsTheTask();
    void finishCompletesTheRow();
    void finishNeverEndsBeforeTheStart();
    void cancelAskedBothWays();
    void theLatestRemainingTaskBecomesCurrent();
    void oneOffEntry_data();
    void oneOffEntry();
    void createIsOfferedForMinutesOnACategory();
    void openRowsOfTwoUsersComeBack();
    void onlyOtherUsersTasks();
    void nodesAreUpdatedInPlace();
    void tasksOfDeletedUsersAndCategories();
    void clickingTaskNodes();
    void currentTaskIsHighlighted();
    void longestOneOffEntry();
    void teammatesTasksStayCurrent();
    void quietTicksReadNoTimeRows();

private:
    struct Team {
        int ann = 0;
        int bob = 0;
        int design = 0;
    };
    // Ann (the current user) and Bob, and one category, Design.
    static Team seed(MainWindowFixture& f) {
        Team team;
        team.ann = f.addUser(QStringLiteral("Ann"));
        team.bob = f.addUser(QStringLiteral("Bob"));
        team.design = f.addCategory(QStringLiteral("Design"));
        f.settings.setUser(QStringLiteral("Ann"));
        return team;
    }
    static QString openRows(MainWindowFixture& f) {
        return QString::number(
            f.count(QStringLiteral("tallyRec"), QStringLiteral("endTime is null")));
    }
};

void TasksTest::startWritesAnOpenRowAndShowsTheTask() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QVERIFY(f.control<QPushButton>(QStringLiteral("cmdStartNow"))->isEnabled());
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();

    const ResultSet rows = f.database().query(QStringLiteral(
        "select timeId, startTime, endTime, duration, categoryId, userId from tallyRec"));
    QCOMPARE(rows.count(), 1);
    const Row row = rows.first();
    const int id = row.integer(0);
    QCOMPARE(row.dateTime(1), at(10, 0));
    QVERIFY(row.isNull(2));
    QCOMPARE(row.integer(4), team.design);
    QCOMPARE(row.integer(5), team.ann);

    ProgramState& state = f.state();
    QCOMPARE(state.activeTasks->Count(), 1);
    task& started = state.activeTasks->Item(key(id));
    QCOMPARE(state.currentTask, &started);
    QCOMPARE(started.startTime, at(10, 0));
    QVERIFY(!started.prompt);
    QVERIFY(started.status.isEmpty());
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::TasksTab));
    QVERIFY(f.window().tmrTime->isActive());
    QVERIFY(!f.control<QGroupBox>(QStringLiteral("fraTime"))->isHidden());
    QVERIFY(!f.window().taskTree->isHidden());
    QVERIFY(!f.window().lblActiveTasks->isHidden());
    QCOMPARE(f.window().taskTree->node(key(id))->text(), QStringLiteral("Design - (00:00) - "));
    TreeNode* underAnn = f.window().usersPage->userTree->node(key(id));
    QVERIFY(underAnn != nullptr);
    QCOMPARE(underAnn->parentNode()->key(), uid(team.ann));
    QCOMPARE(f.window().statusPanel_1->text(), QStringLiteral("Active Tasks: 1"));
    QVERIFY(!f.window().statusPanel_1->isHidden());

    // A task that wants reminders, and the minutes as the timer counts them.
    f.control<QCheckBox>(QStringLiteral("chkPrompt"))->setChecked(true);
    f.clock.advanceSeconds(75 * 60 + 59);
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    QCOMPARE(state.activeTasks->Count(), 2);
    QVERIFY(state.currentTask->prompt);
    QVERIFY(state.currentTask != &started);
    f.clock.advanceSeconds(1); // 11:16:00: 76 minutes for the first, 1 for the second
    f.taskTick();
    QCOMPARE(started.duration, 76);
    QCOMPARE(state.currentTask->duration, 1);
    QCOMPARE(f.window().taskTree->node(key(id))->text(), QStringLiteral("Design - (01:16) - "));
    QCOMPARE(f.window().windowTitle(), QStringLiteral("Design - (00:01)"));
    QCOMPARE(f.window().statusPanel_1->text(), QStringLiteral("Active Tasks: 2"));
    QCOMPARE(f.messages.shown().size(), 0);
}

void TasksTest::finishCompletesTheRow() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int id = f.state().currentTask->taskId;
    auto* grid = f.control<QTableView>(QStringLiteral("grid"));
    f.clock.advanceMinutes(4);
    f.taskTick();
    // The last tick was a moment before the minute turned; the row gets the minutes up to its
    // end all the same.
    f.clock.advanceSeconds(61);
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();

    const Row row = f.database()
                        .query(QStringLiteral("select endTime, duration from tallyRec where "
                                              "timeId = ?"),
                               {id})
                        .first();
    QCOMPARE(row.dateTime(0), at(10, 5, 1));
    QCOMPARE(row.integer(1), 5);
    QCOMPARE(openRows(f), QStringLiteral("0"));
    // The Reports page shows the finished row.
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QVERIFY(!grid->isHidden());
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QString::number(id));
    QCOMPARE(f.state().activeTasks->Count(), 0);
    QVERIFY(f.state().currentTask == nullptr);
    QVERIFY(!f.window().taskTree->exists(key(id)));
    QVERIFY(!f.window().usersPage->userTree->exists(key(id)));
    QVERIFY(f.window().taskTree->isHidden());
    QVERIFY(f.window().lblActiveTasks->isHidden());
    QVERIFY(f.control<QGroupBox>(QStringLiteral("fraTime"))->isHidden());
    QVERIFY(!f.window().tmrTime->isActive());
    QVERIFY(f.window().statusPanel_1->isHidden());
    QCOMPARE(f.window().windowTitle(), frmMain::programTitle());
    // Finishing asks nothing.
    QCOMPARE(f.messages.shown().size(), 0);

    // Finished at once: no minute has begun.
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int quick = f.state().currentTask->taskId;
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select duration from tallyRec where timeId = ?"), {quick})
                 .toInt(),
             0);
}

void TasksTest::finishNeverEndsBeforeTheStart() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int id = f.state().currentTask->taskId;
    // The system clock is put back while the task runs: Finish ends it where it began, as the
    // tray's Finish and the idle question do.
    f.clock.set(at(9, 50));
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();

    const Row row = f.database()
                        .query(QStringLiteral("select startTime, endTime, duration from tallyRec "
                                              "where timeId = ?"),
                               {id})
                        .first();
    QCOMPARE(row.dateTime(0), at(10, 0));
    QCOMPARE(row.dateTime(1), at(10, 0));
    QCOMPARE(row.integer(2), 0);
    QVERIFY(!f.window().taskTree->exists(key(id)));
}

void TasksTest::cancelAskedBothWays() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int id = f.state().currentTask->taskId;
    f.clock.advanceMinutes(7);
    f.taskTick();

    f.messages.answerNo();
    f.control<QPushButton>(QStringLiteral("cmdCancelTask"))->click();
    QCOMPARE(f.messages.last().text, QStringLiteral("Are you sure you want to stop this task?"));
    QCOMPARE(f.messages.last().title, QStringLiteral("Confrim"));
    // Discarding the time is never what Enter does.
    QCOMPARE(f.messages.last().buttons, Messages::Buttons::YesNoDefaultNo);
    QCOMPARE(f.messages.last().icon, Messages::Icon::None);
    QCOMPARE(
        f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ? and endTime is null"), {id}),
        1);
    QCOMPARE(f.state().activeTasks->Count(), 1);
    QVERIFY(f.window().tmrTime->isActive());

    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdCancelTask"))->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0); // the time is gone with its row
    QCOMPARE(f.state().activeTasks->Count(), 0);
    QVERIFY(!f.window().taskTree->exists(key(id)));
    QVERIFY(!f.window().tmrTime->isActive());
    QCOMPARE(f.messages.unexpected(), 0);
}

void TasksTest::theLatestRemainingTaskBecomesCurrent() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int build = f.addCategory(QStringLiteral("Build"));
    QVERIFY(f.load());
    auto choose = [&](int categoryId) {
        f.window().categories().selectCategoryByNode(
            f.window().categoryTree->node(QStringLiteral("id_%1").arg(categoryId)));
    };
    choose(team.design);
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    task* design = f.state().currentTask;
    f.clock.advanceMinutes(5);
    choose(build);
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    task* first = f.state().currentTask;
    f.clock.advanceMinutes(5);
    choose(team.design);
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int lastId = f.state().currentTask->taskId;

    // The one started last is finished: the one started before it takes over.
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();
    QVERIFY(!f.state().activeTasks->contains(key(lastId)));
    QCOMPARE(f.state().currentTask, first);
    f.taskTick();
    QCOMPARE(f.control<QGroupBox>(QStringLiteral("fraTime"))->title(),
             QStringLiteral("Current Task: Build"));
    QCOMPARE(f.window().windowTitle(), QStringLiteral("Build - (00:05)"));

    // A task that is not current ends: the current one stays.
    f.window().tracker().stopTask(design->taskId);
    QCOMPARE(f.state().currentTask, first);
    QCOMPARE(f.state().activeTasks->Count(), 1);

    // The last one is cancelled: nothing is current, and the frame and timer stop.
    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdCancelTask"))->click();
    QVERIFY(f.state().currentTask == nullptr);
    QVERIFY(f.control<QGroupBox>(QStringLiteral("fraTime"))->isHidden());
    QVERIFY(!f.window().tmrTime->isActive());
    // Buttons with nothing current do nothing.
    f.window().tracker().cmdStop_Click();
    f.window().tracker().cmdCancelTask_Click();
    QCOMPARE(f.messages.unexpected(), 0);
}

void TasksTest::oneOffEntry_data() {
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QDateTime>("end");
    QTest::addColumn<int>("duration");
    QTest::newRow("morning") << at(10, 15, 30) << QStringLiteral("30") << at(10, 45, 30) << 30;
    QTest::newRow("past midnight")
        << at(23, 50, 0) << QStringLiteral("30") << at(0, 20, 0, 8) << 30;
    QTest::newRow("a day and more")
        << at(23, 0, 0) << QStringLiteral("1500") << at(0, 0, 0, 9) << 1500;
}

void TasksTest::oneOffEntry() {
    QFETCH(QDateTime, now);
    QFETCH(QString, minutes);
    QFETCH(QDateTime, end);
    QFETCH(int, duration);
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    f.clock.set(now);
    f.control<QLineEdit>(QStringLiteral("txtDuration"))->setText(minutes);
    auto* create = f.control<QPushButton>(QStringLiteral("cmdCreateNow"));
    QVERIFY(create->isEnabled());
    create->click();

    const ResultSet rows = f.database().query(
        QStringLiteral("select startTime, endTime, duration, categoryId, userId from tallyRec"));
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.first().dateTime(0), now);
    QCOMPARE(rows.first().dateTime(1), end);
    QCOMPARE(rows.first().integer(2), duration);
    QCOMPARE(rows.first().integer(3), team.design);
    QCOMPARE(rows.first().integer(4), team.ann);
    QCOMPARE(f.messages.last().text,
             QString::number(duration) + QStringLiteral(" minutes have been add against Design"));
    QVERIFY(f.messages.last().title.isEmpty());
    QCOMPARE(f.messages.last().buttons, Messages::Buttons::Ok);
    QCOMPARE(f.messages.last().icon, Messages::Icon::None);
    auto* grid = f.control<QTableView>(QStringLiteral("grid"));
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QVERIFY(!grid->isHidden());
    QCOMPARE(grid->model()->rowCount(), 1);
    f.window().tabs->setCurrentIndex(frmMain::TasksTab);
    // It never runs.
    QCOMPARE(f.state().activeTasks->Count(), 0);
    QVERIFY(!f.window().tmrTime->isActive());
}

void TasksTest::createIsOfferedForMinutesOnACategory() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    auto* text = f.control<QLineEdit>(QStringLiteral("txtDuration"));
    auto* spinner = f.control<UpDown>(QStringLiteral("UpDown1"));
    auto* create = f.control<QPushButton>(QStringLiteral("cmdCreateNow"));
    QVERIFY(!create->isEnabled());
    for (const char* refused : {"0", "", "abc", "-5", "  "}) {
        text->setText(QString::fromLatin1(refused));
        QVERIFY2(!create->isEnabled(), refused);
    }
    text->setText(QStringLiteral("25"));
    QVERIFY(create->isEnabled());
    QCOMPARE(spinner->value(), 25); // typing moves the spinner
    spinner->upButton()->click();
    QCOMPARE(text->text(), QStringLiteral("26"));
    text->setText(QStringLiteral("1"));
    spinner->downButton()->click();
    QCOMPARE(text->text(), QStringLiteral("0"));
    QVERIFY(!create->isEnabled());
    spinner->upButton()->click();
    QCOMPARE(text->text(), QStringLiteral("1"));
    QVERIFY(create->isEnabled());

    // The category on show is gone: nothing to record against.
    f.state().selectedCategory = &f.state().allCategories->Item(1);
    text->setText(QStringLiteral("30"));
    QVERIFY(!create->isEnabled());
    f.window().tracker().createTimeItem();
    f.window().tracker().startTimeItem();
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);
}

void TasksTest::openRowsOfTwoUsersComeBack() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int gone = f.addUser(QStringLiteral("Gone"));
    const int oldCategory = f.addCategory(QStringLiteral("Old"));
    const int annEarly = f.addOpenTime(team.design, team.ann, at(9, 0));
    const int annLate = f.addOpenTime(team.design, team.ann, at(9, 25));
    const int bobs = f.addOpenTime(team.design, team.bob, at(8, 0));
    f.addOpenTime(team.design, gone, at(8, 30));
    f.addOpenTime(oldCategory, team.ann, at(8, 45));
    f.addTime(team.design, team.ann, at(7, 0), at(7, 30), 30); // finished: not a task
    f.database().execute(QStringLiteral("delete from \"user\" where userId = ?"), {gone});
    f.database().execute(QStringLiteral("delete from category where categoryId = ?"),
                         {oldCategory});
    QVERIFY(f.load());

    ProgramState& state = f.state();
    QCOMPARE(state.activeTasks->Count(), 3);
    // Oldest first.
    QCOMPARE(state.activeTasks->Item(1).taskId, bobs);
    QCOMPARE(state.activeTasks->Item(2).taskId, annEarly);
    QCOMPARE(state.activeTasks->Item(3).taskId, annLate);
    QCOMPARE(state.currentTask, &state.activeTasks->Item(key(annLate)));
    for (const task& found : *state.activeTasks) {
        QCOMPARE(found.status, QStringLiteral("recovered"));
        QVERIFY(found.prompt);
        QCOMPARE(found.category->categoryName, QStringLiteral("Design"));
    }
    const task& late = state.activeTasks->Item(key(annLate));
    QCOMPARE(late.duration, 35);
    QCOMPARE(late.reminderCount, 3); // every 10 minutes by default
    QCOMPARE(late.user->userId, team.ann);
    QCOMPARE(state.activeTasks->Item(key(bobs)).user->userId, team.bob);

    KeyedTree* taskTree = f.window().taskTree;
    KeyedTree* userTree = f.window().usersPage->userTree;
    QCOMPARE(taskTree->nodeCount(), 2);
    QCOMPARE(taskTree->node(key(annLate))->text(), QStringLiteral("Design - (00:35) - recovered"));
    QCOMPARE(taskTree->node(key(annEarly))->foreColor(), QColor(255, 0, 0));
    QVERIFY(!taskTree->exists(key(bobs)));
    QCOMPARE(userTree->node(key(bobs))->parentNode()->key(), uid(team.bob));
    QCOMPARE(userTree->node(key(bobs))->text(), QStringLiteral("Design - (02:00) - recovered"));
    QCOMPARE(userTree->node(key(annEarly))->parentNode()->key(), uid(team.ann));
    QVERIFY(!taskTree->isHidden());
    QVERIFY(f.window().tmrTime->isActive());
    QVERIFY(!f.control<QGroupBox>(QStringLiteral("fraTime"))->isHidden());
    QCOMPARE(f.window().statusPanel_1->text(), QStringLiteral("Active Tasks: 3"));
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::TasksTab));

    // Time counts on from the rows' own start.
    f.clock.advanceMinutes(10);
    f.taskTick();
    QCOMPARE(f.window().windowTitle(), QStringLiteral("Design - (00:45)"));
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblDuration"))->text(), QStringLiteral("00:45"));
    QCOMPARE(userTree->node(key(bobs))->text(), QStringLiteral("Design - (02:10) - recovered"));
    // Still open: nothing was written.
    QCOMPARE(openRows(f), QStringLiteral("5"));
}

void TasksTest::onlyOtherUsersTasks() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int bobs = f.addOpenTime(team.design, team.bob, at(9, 0));
    QVERIFY(f.load());
    QCOMPARE(f.state().activeTasks->Count(), 1);
    QVERIFY(f.state().currentTask == nullptr);
    QVERIFY(f.window().taskTree->isHidden());
    QVERIFY(f.window().lblActiveTasks->isHidden());
    QVERIFY(!f.window().tmrTime->isActive());
    QVERIFY(f.control<QGroupBox>(QStringLiteral("fraTime"))->isHidden());
    QCOMPARE(f.window().usersPage->userTree->node(key(bobs))->parentNode()->key(), uid(team.bob));
    QVERIFY(!f.window().statusPanel_1->isHidden());
    QCOMPARE(f.window().statusPanel_1->text(), QStringLiteral("Active Tasks: 1"));
    QCOMPARE(f.window().windowTitle(), frmMain::programTitle());
    // The task timer runs only for the user's own tasks; other users' tasks are counted on by
    // the housekeeping timer.
    f.clock.advanceMinutes(3);
    f.systemTick();
    QVERIFY(!f.window().tmrTime->isActive());
    QCOMPARE(f.window().usersPage->userTree->node(key(bobs))->text(),
             QStringLiteral("Design - (01:03) - recovered"));
}

void TasksTest::nodesAreUpdatedInPlace() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int bobs = f.addOpenTime(team.design, team.bob, at(9, 0));
    QVERIFY(f.load());
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int mine = f.state().currentTask->taskId;
    TreeNode* node = f.window().taskTree->node(key(mine));
    TreeNode* underUser = f.window().usersPage->userTree->node(key(bobs));
    for (int minute = 0; minute < 3; ++minute) {
        f.clock.advanceMinutes(1);
        f.taskTick();
        f.systemTick();
    }
    QCOMPARE(f.window().taskTree->node(key(mine)), node);
    QCOMPARE(f.window().usersPage->userTree->node(key(bobs)), underUser);
    QCOMPARE(node->text(), QStringLiteral("Design - (00:03) - "));
    QCOMPARE(f.window().taskTree->nodeCount(), 1);
    QCOMPARE(f.window().usersPage->userTree->nodeCount(), 4); // two users, two tasks

    // Reloading the users empties both trees: every task gets its nodes again.
    f.window().userList().loadUserList();
    f.window().taskList().refreshTaskList();
    QCOMPARE(f.window().taskTree->node(key(mine))->text(), QStringLiteral("Design - (00:03) - "));
    QCOMPARE(f.window().usersPage->userTree->node(key(bobs))->parentNode()->key(), uid(team.bob));
    QCOMPARE(f.state().activeTasks->Item(key(mine)).taskTreeNode,
             f.window().taskTree->node(key(mine)));
}

void TasksTest::tasksOfDeletedUsersAndCategories() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int bobs = f.addOpenTime(team.design, team.bob, at(9, 0));
    QVERIFY(f.load());
    // Bob is deleted on the Users page while his task runs.
    f.window().userList().loadUserAttributes(f.window().userList().getUserById(team.bob));
    f.messages.answerYes();
    f.window().userList().cmdDeleteUser_Click();
    QVERIFY(!f.window().usersPage->userTree->exists(key(bobs)));
    QCOMPARE(f.state().activeTasks->Item(key(bobs)).user->userName, QStringLiteral("Bob"));
    // His open row names no user now, so it is no running task at the next tick, as at start.
    f.window().userList().loadUserList();
    f.systemTick();
    QVERIFY(!f.window().usersPage->userTree->exists(key(bobs)));
    QVERIFY(!f.state().activeTasks->contains(key(bobs)));

    // Design's row goes behind the program's back: the task keeps running on "- none -".
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int mine = f.state().currentTask->taskId;
    f.database().execute(QStringLiteral("delete from category where categoryId = ?"),
                         {team.design});
    f.window().categories().loadCategoryList();
    f.clock.advanceMinutes(2);
    f.taskTick();
    f.systemTick();
    QCOMPARE(f.window().taskTree->node(key(mine))->text(), QStringLiteral("- none - - (00:02) - "));
    QCOMPARE(f.messages.shown().size(), 1); // the delete question only
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();
    QCOMPARE(openRows(f), QStringLiteral("1"));
    QCOMPARE(f.state().activeTasks->Count(), 0);
}

void TasksTest::clickingTaskNodes() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int early = f.addOpenTime(team.design, team.ann, at(9, 0));
    f.addOpenTime(team.design, team.ann, at(9, 30));
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    KeyedTree* tree = f.window().taskTree;
    f.window().taskList().taskTree_NodeClick(tree->node(key(early)));
    QCOMPARE(f.state().currentTask->taskId, early);
    f.taskTick();
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblDuration"))->text(), QStringLiteral("01:00"));
    // Keys of other kinds change nothing.
    f.window().taskList().taskTree_NodeClick(f.window().categoryTree->firstNode());
    f.window().taskList().taskTree_NodeClick(nullptr);
    QCOMPARE(f.state().currentTask->taskId, early);
    emit tree->DblClick(tree->node(key(early)));
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::TasksTab));
}

void TasksTest::currentTaskIsHighlighted() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int recovered = f.addOpenTime(team.design, team.ann, at(9, 0));
    QVERIFY(f.load());
    KeyedTree* tree = f.window().taskTree;
    auto highlighted = [&] {
        const TreeNode* node = tree->selectedNode();
        return node != nullptr ? node->key() : QString();
    };
    // Found open at start.
    QCOMPARE(highlighted(), key(recovered));
    QCOMPARE(tree->selectedItems().size(), 1);

    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int second = f.state().currentTask->taskId;
    QCOMPARE(highlighted(), key(second));
    f.clock.advanceMinutes(1);
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int third = f.state().currentTask->taskId;
    QCOMPARE(highlighted(), key(third));

    // A click makes the task current, and it stays highlighted through the ticks.
    TreeNode* node = tree->node(key(recovered));
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    QCOMPARE(f.state().currentTask->taskId, recovered);
    f.taskTick();
    f.systemTick();
    QCOMPARE(highlighted(), key(recovered));

    // Finished: the latest of the rest is current, and highlighted.
    f.control<QPushButton>(QStringLiteral("cmdStop"))->click();
    QCOMPARE(f.state().currentTask->taskId, third);
    QCOMPARE(highlighted(), key(third));
    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdCancelTask"))->click();
    QCOMPARE(highlighted(), key(second));
    QCOMPARE(tree->selectedItems().size(), 1);
}

void TasksTest::longestOneOffEntry() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    auto* text = f.control<QLineEdit>(QStringLiteral("txtDuration"));
    auto* spinner = f.control<UpDown>(QStringLiteral("UpDown1"));
    auto* create = f.control<QPushButton>(QStringLiteral("cmdCreateNow"));
    // The box takes what its arrows reach, and no more.
    for (const char* refused : {"2147483647", "32768", "1e9"}) {
        text->setText(QString::fromLatin1(refused));
        QVERIFY2(!create->isEnabled(), refused);
        f.window().tracker().createTimeItem();
    }
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);
    QVERIFY(f.messages.shown().isEmpty());
    text->setText(QStringLiteral("32767"));
    QCOMPARE(spinner->value(), 32767);
    spinner->upButton()->click();
    QCOMPARE(text->text(), QStringLiteral("32767"));
    QVERIFY(create->isEnabled());
    create->click();
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select endTime from tallyRec where duration = 32767"))
                 .isNull(),
             false);
    QCOMPARE(f.database().query(QStringLiteral("select endTime from tallyRec")).first().dateTime(0),
             at(10, 0).addSecs(32767 * 60));
}

void TasksTest::teammatesTasksStayCurrent() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int build = f.addCategory(QStringLiteral("Build"));
    const int bobsFirst = f.addOpenTime(team.design, team.bob, at(9, 0));
    QVERIFY(f.load());
    KeyedTree* userTree = f.window().usersPage->userTree;
    QToolButton* count = f.window().statusPanel_1;
    QCOMPARE(count->text(), QStringLiteral("Active Tasks: 1"));

    // Bob starts another task on his own computer; the next tick lists it under him.
    f.clock.advanceSeconds(30);
    const int bobsSecond = f.addOpenTime(build, team.bob, f.clock.now());
    f.systemTick();
    QVERIFY(userTree->exists(key(bobsSecond)));
    QCOMPARE(userTree->node(key(bobsSecond))->parentNode()->key(), uid(team.bob));
    QCOMPARE(userTree->node(key(bobsSecond))->text(), QStringLiteral("Build - (00:00) - "));
    QCOMPARE(count->text(), QStringLiteral("Active Tasks: 2"));
    QVERIFY(!f.window().taskTree->exists(key(bobsSecond)));
    QVERIFY(!f.window().tmrTime->isActive());

    // Time passes while Ann runs nothing: Bob's durations count on all the same.
    f.clock.advanceMinutes(5);
    f.systemTick();
    QCOMPARE(userTree->node(key(bobsFirst))->text(),
             QStringLiteral("Design - (01:05) - recovered"));
    QCOMPARE(userTree->node(key(bobsSecond))->text(), QStringLiteral("Build - (00:05) - "));

    // He finishes the first: gone from the list, the Users page and the count.
    f.database().execute(
        QStringLiteral("update tallyRec set endTime = ?, duration = 65 where timeId = ?"),
        {f.clock.now(), bobsFirst});
    f.systemTick();
    QVERIFY(!f.state().activeTasks->contains(key(bobsFirst)));
    QVERIFY(!userTree->exists(key(bobsFirst)));
    QCOMPARE(count->text(), QStringLiteral("Active Tasks: 1"));

    // Ann's own task is hers alone to end: a row finished elsewhere leaves it running here.
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    const int annsTask = f.state().currentTask->taskId;
    f.database().execute(QStringLiteral("update tallyRec set endTime = ? where timeId = ?"),
                         {f.clock.now(), annsTask});
    f.systemTick();
    QVERIFY(f.state().activeTasks->contains(key(annsTask)));
    QCOMPARE(count->text(), QStringLiteral("Active Tasks: 2"));

    // Cancelled elsewhere: gone as well.
    auto tickStatements = [&] {
        const quint64 before = f.window().database().statementCount();
        f.systemTick();
        return f.window().database().statementCount() - before;
    };
    f.database().execute(QStringLiteral("delete from tallyRec where timeId = ?"), {bobsSecond});
    const quint64 few = tickStatements();
    QVERIFY(!userTree->exists(key(bobsSecond)));
    QCOMPARE(count->text(), QStringLiteral("Active Tasks: 1"));

    // The open rows are read in one statement, however many there are.
    for (int more = 0; more < 5; ++more) {
        f.addOpenTime(team.design, team.bob, at(8, more));
    }
    QCOMPARE(tickStatements(), few);
    QCOMPARE(count->text(), QStringLiteral("Active Tasks: 6"));
    QCOMPARE(f.state().activeTasks->Count(), 6);
}

void TasksTest::quietTicksReadNoTimeRows() {
    MainWindowFixture f;
    const Team team = seed(f);
    const int bobs = f.addOpenTime(team.design, team.bob, at(9, 0));
    QVERIFY(f.load());
    f.systemTick(); // the first look reads everything
    QStringList sent;
    f.window().database().setStatementTrace(
        [&sent](const QString& sql, const QVariantList&) { sent.append(sql); });
    auto readTimeRows = [&sent] {
        return std::any_of(sent.cbegin(), sent.cend(), [](const QString& sql) {
            return sql.contains(QLatin1String("tallyRec"), Qt::CaseInsensitive);
        });
    };
    // Nobody wrote time: the open rows are not read again, yet Bob's task counts on.
    f.clock.advanceMinutes(2);
    f.systemTick();
    QVERIFY(!readTimeRows());
    QCOMPARE(f.window().usersPage->userTree->node(key(bobs))->text(),
             QStringLiteral("Design - (01:02) - recovered"));
    // Another instance starts a task for Bob: the next tick reads the rows and shows it.
    const int more = f.addOpenTime(team.design, team.bob, f.clock.now());
    f.systemTick();
    f.window().database().setStatementTrace({});
    QVERIFY(readTimeRows());
    QCOMPARE(f.window().usersPage->userTree->node(key(more))->parentNode()->key(), uid(team.bob));
}

QTEST_MAIN(TasksTest)
#include "tst_tasks.moc"
