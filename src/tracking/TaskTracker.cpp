#include "tracking/TaskTracker.h"

#include "app/KeyedTree.h"
#include "app/ListHelpers.h"
#include "app/UpDown.h"
#include "app/frmMain.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryTree.h"
#include "data/NameText.h"
#include "data/Numbers.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Settings.h"
#include "reports/ProductivityChart.h"
#include "reports/ProductivityPage.h"
#include "reports/TimeRecordsGrid.h"
#include "tracking/ReminderRule.h"
#include "tracking/TaskList.h"
#include "tracking/TaskProgress.h"
#include "tracking/TasksPage.h"
#include "users/UserList.h"
#include "users/UsersPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>

namespace {

const QString Recovered = QStringLiteral("recovered");

// The most minutes one entry takes, typed or set with the arrows: the 16-bit limit of a
// duration.
constexpr int LongestEntry = 32767;

// The moment to the second: rows keep no fractions of a second, and the task in memory starts
// when its row says it does.
QDateTime toTheSecond(const QDateTime& moment) {
    QDateTime whole = moment;
    const QTime time = moment.time();
    whole.setTime(QTime(time.hour(), time.minute(), time.second()));
    return whole;
}

} // namespace

TaskTracker::TaskTracker(frmMain& main, TasksPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {
    page.UpDown1->setRange(0, LongestEntry);
    page.txtDuration->setToolTip(
        QStringLiteral("Minutes, a whole number from 1 to %1").arg(LongestEntry));
    page.UpDown1->setIncrement(1);
    connect(page.cmdStartNow, &QPushButton::clicked, &main,
            main.guarded([this] { startTimeItem(); }));
    connect(page.cmdStart, &QPushButton::clicked, &main, main.guarded([this] { startTimeItem(); }));
    connect(page.cmdStop, &QPushButton::clicked, &main, main.guarded([this] { cmdStop_Click(); }));
    connect(page.cmdCancelTask, &QPushButton::clicked, &main,
            main.guarded([this] { cmdCancelTask_Click(); }));
    connect(page.cmdCreateNow, &QPushButton::clicked, &main, main.guarded([this] {
        createTimeItem();
        m_main.timeRecords().viewCategoryTimes();
    }));
    connect(page.txtDuration, &QLineEdit::textChanged, &main,
            main.guarded([this] { txtDuration_Change(); }));
    connect(page.UpDown1, &UpDown::Change, &main, main.guarded([this] { UpDown1_Change(); }));
}

void TaskTracker::startTimeItem() {
    ProgramState& state = m_main.state();
    category* chosen = state.selectedCategory;
    user* me = state.currentUser;
    if (chosen == nullptr || chosen->categoryId <= 0 || me == nullptr || !state.activeTasks) {
        return; // no category to record against (it may have been deleted), or nobody to
                // record for
    }
    const QDateTime start = toTheSecond(m_main.clock().now());
    // The engine gives the new row's id back: another instance starting a task at the same
    // moment cannot hand us its row.
    const int id = int(m_main.database().insert(
        QStringLiteral("insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
        {start, chosen->categoryId, me->userId}, QStringLiteral("timeId")));
    task& started = state.activeTasks->Add(id, TaskList::taskKey(id));
    started.category = chosen;
    started.user = me;
    started.startTime = start;
    started.duration = 0;
    started.prompt = m_page.chkPrompt->isChecked();
    state.currentTask = &started;

    m_main.taskList().refreshTaskList();
    m_main.selectTab(frmMain::TasksTab);
    m_main.taskList().showTaskTree(true);
    m_page.fraTime->setVisible(true);
    if (!m_main.tmrTime->isActive()) {
        m_main.tmrTime->start();
    }
}

void TaskTracker::createTimeItem() {
    ProgramState& state = m_main.state();
    const std::optional<int> minutes =
        Numbers::toWholeNumber(m_page.txtDuration->text(), 1, LongestEntry);
    category* chosen = state.selectedCategory;
    if (!minutes || chosen == nullptr || chosen->categoryId <= 0 || state.currentUser == nullptr) {
        enableCreate();
        return;
    }
    task entry(m_main.context());
    entry.category = chosen;
    entry.duration = *minutes;
    entry.startTime = toTheSecond(m_main.clock().now());
    entry.user = state.currentUser;
    entry.endTime = TaskProgress::oneOffEnd(entry.startTime, *minutes);
    // Stored first: the message tells the user the time is recorded.
    entry.save();
    m_main.messages().show(
        QString::number(TimeText::minutesBetween(entry.startTime, entry.endTime)) +
            QStringLiteral(" minutes have been add against ") +
            NameText::isolated(chosen->categoryName),
        QString(), Messages::Buttons::Ok, Messages::Icon::None);
}

void TaskTracker::cmdStop_Click() {
    task* current = m_main.state().currentTask;
    if (current == nullptr) {
        return;
    }
    // What finish does, with the duration counted up to the end it writes: the timer may not
    // have ticked since the last minute began (or at all, while a dialog was open).
    current->endTime = m_main.clock().now();
    current->duration = int(TimeText::minutesBetween(current->startTime, current->endTime));
    current->save();
    removeTaskFromList(current);
    m_main.timeRecords().viewCategoryTimes();
}

void TaskTracker::cmdCancelTask_Click() {
    task* current = m_main.state().currentTask;
    if (current == nullptr) {
        return;
    }
    if (m_main.messages().ask(QStringLiteral("Are you sure you want to stop this task?"),
                              QStringLiteral("Confrim"))) {
        stopTask(current->taskId);
    }
}

void TaskTracker::stopTask(int taskId) {
    task* stopped = getTaskById(taskId);
    if (stopped == nullptr) {
        return; // already finished or stopped (a reminder may outlive its task)
    }
    stopped->Cancel();
    removeTaskFromList(stopped);
}

task* TaskTracker::getTaskById(int taskId) const {
    const ProgramState& state = m_main.state();
    return state.activeTasks ? state.activeTasks->find(TaskList::taskKey(taskId)) : nullptr;
}

task* TaskTracker::latestTaskOf(const user* owner) const {
    const ProgramState& state = m_main.state();
    if (owner == nullptr || !state.activeTasks) {
        return nullptr;
    }
    task* latest = nullptr;
    for (task& running : *state.activeTasks) {
        if (running.user != nullptr && running.user->userId == owner->userId &&
            (latest == nullptr || running.startTime >= latest->startTime)) {
            latest = &running;
        }
    }
    return latest;
}

void TaskTracker::removeTaskFromList(task* thisTask) {
    ProgramState& state = m_main.state();
    if (thisTask == nullptr || !state.activeTasks) {
        return;
    }
    const QString key = TaskList::taskKey(thisTask->taskId);
    m_main.taskTree->removeNode(key);
    m_main.usersPage->userTree->removeNode(key);
    const bool wasCurrent = state.currentTask == thisTask;
    if (state.activeTasks->find(key) == thisTask) {
        state.activeTasks->Remove(key);
    }
    if (wasCurrent) {
        state.currentTask = latestTaskOf(state.currentUser);
    }
    m_main.taskList().refreshTaskList();
}

void TaskTracker::checkExistingTasks() {
    ProgramState& state = m_main.state();
    if (!state.activeTasks || !state.allCategories) {
        return;
    }
    const std::vector<OpenTimeRow> rows = tasks::openRows(m_main.database());
    if (rows.empty()) {
        return;
    }
    // The stored frequency: the Settings page is filled from it only after the tasks are back.
    const std::optional<int> frequency =
        ReminderRule::frequency(m_main.settings().promptFrequency());
    const QDateTime now = m_main.clock().now();
    const int me = state.currentUser != nullptr ? state.currentUser->userId : -1;
    for (const OpenTimeRow& row : rows) {
        task* found = addOpenTask(row, now);
        if (found == nullptr) {
            continue;
        }
        found->prompt = true;
        found->reminderCount = ReminderRule::countAfter(found->duration, frequency);
        found->status = Recovered;
        if (found->user->userId == me) {
            state.currentTask = found;
        }
    }
    m_main.selectTab(frmMain::TasksTab);
}

task* TaskTracker::addOpenTask(const OpenTimeRow& row, const QDateTime& now) {
    ProgramState& state = m_main.state();
    user* owner = m_main.userList().getUserById(row.userId);
    const QString key = TaskList::taskKey(row.timeId);
    if (owner == nullptr || state.activeTasks->contains(key)) {
        return nullptr; // a user added since the list was loaded waits for the next load
    }
    task& found = state.activeTasks->Add(row.timeId, key);
    found.startTime = row.startTime;
    found.duration = int(TimeText::minutesBetween(row.startTime, now));
    found.user = owner;
    found.category = m_main.categories().getCategoryById(*state.allCategories, row.categoryId);
    return &found;
}

void TaskTracker::refreshOtherUsersTasks() {
    ProgramState& state = m_main.state();
    if (!state.activeTasks || !state.allCategories) {
        return;
    }
    const int me = state.currentUser != nullptr ? state.currentUser->userId : -1;
    const QDateTime now = m_main.clock().now();
    QSet<int> open;
    for (const OpenTimeRow& row : tasks::openRows(m_main.database())) {
        if (row.userId == me) {
            continue; // this user's own tasks start and end here
        }
        open.insert(row.timeId);
        addOpenTask(row, now);
    }
    std::vector<task*> ended;
    for (task& running : *state.activeTasks) {
        if (running.user != nullptr && running.user->userId == me) {
            continue;
        }
        if (!open.contains(running.taskId)) {
            ended.push_back(&running); // finished, cancelled or deleted elsewhere
        } else {
            running.duration = int(TimeText::minutesBetween(running.startTime, now));
        }
    }
    for (task* each : ended) {
        removeTaskFromList(each);
    }
}

void TaskTracker::showCategory(int categoryId, category* thisCategory) {
    ProgramState& state = m_main.state();
    if (categoryId != 0 && state.allCategories) {
        thisCategory = m_main.categories().getCategoryById(*state.allCategories, categoryId);
    }
    if (thisCategory == nullptr) {
        return;
    }
    m_page.cmdStartNow->setEnabled(true);
    m_main.buttonVisible(0, true);
    m_main.buttonVisible(2, !thisCategory->folder.isEmpty() &&
                                QFileInfo(thisCategory->folder).isDir());
    m_main.buttonVisible(3, thisCategory->ownerUserId > 0);
    m_page.fraNewTask->setTitle(QStringLiteral("Start working on ") +
                                NameText::isolated(thisCategory->categoryName));
    m_page.fraEntry->setTitle(QStringLiteral("Create entry for ") +
                              NameText::isolated(thisCategory->categoryName));
    m_main.categoryEditor().showCategoryProperties(thisCategory);
    m_main.timeRecords().viewCategoryTimes();

    // The category's own entry; its indented name where the list does not carry ids. The chart
    // is drawn once, below, not again for the list's change.
    QComboBox* chartCategories = m_main.productivityPage->cboCategoryProductivity;
    const QSignalBlocker quiet(chartCategories);
    if (const int entry = chartCategories->findData(thisCategory->categoryId); entry >= 0) {
        chartCategories->setCurrentIndex(entry);
    } else {
        setListValue(chartCategories, CategoryTree::listEntry(*thisCategory));
    }
    if (m_main.tabs->currentIndex() == frmMain::ProductivityTab) {
        m_main.productivityChart().loadProductivityChart();
    }
    enableCreate();
}

void TaskTracker::showNoCategory() {
    m_page.cmdStartNow->setEnabled(false);
    m_page.cmdCreateNow->setEnabled(false);
    m_main.buttonVisible(0, false);
    m_main.buttonVisible(2, false);
    m_main.buttonVisible(3, false);
    m_page.fraNewTask->setTitle(TasksPage::NewTaskCaption);
    m_page.fraEntry->setTitle(TasksPage::EntryCaption);
}

void TaskTracker::txtDuration_Change() {
    if (!m_typing) {
        // Typed into the box: the spinner steps on from the number typed.
        if (const std::optional<int> typed = Numbers::toWholeNumber(m_page.txtDuration->text());
            typed) {
            const QSignalBlocker quiet(m_page.UpDown1);
            m_page.UpDown1->setValue(*typed);
        }
    }
    enableCreate();
}

void TaskTracker::UpDown1_Change() {
    m_typing = true;
    m_page.txtDuration->setText(QString::number(m_page.UpDown1->value()));
    m_typing = false;
    enableCreate();
}

void TaskTracker::enableCreate() {
    const std::optional<int> minutes =
        Numbers::toWholeNumber(m_page.txtDuration->text(), 1, LongestEntry);
    const category* chosen = m_main.state().selectedCategory;
    m_page.cmdCreateNow->setEnabled(minutes && chosen != nullptr && chosen->categoryId > 0);
}
