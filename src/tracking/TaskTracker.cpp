#include "tracking/TaskTracker.h"

#include "data/NameText.h"
#include "data/Numbers.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Settings.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "tracking/ReminderRule.h"
#include "tracking/TaskList.h"
#include "tracking/TaskProgress.h"
#include "tracking/TasksPage.h"
#include "widgets/UpDown.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHash>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <algorithm>

namespace {

const QString Recovered = QStringLiteral("recovered");

// The most minutes one entry takes, typed or set with the arrows: the 16-bit limit of a
// duration.
constexpr int LongestEntry = 32767;

// The task in memory starts when its row says it does, to the second.
using TimeText::toTheSecond;

} // namespace

TaskTracker::TaskTracker(Workspace& workspace, TasksPage& page, TaskList& taskList, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_taskList(taskList) {
    page.UpDown1->setRange(0, LongestEntry);
    page.txtDuration->setToolTip(tr("Minutes, a whole number from 1 to %1").arg(LongestEntry));
    page.UpDown1->setIncrement(1);
    connect(page.cmdStartNow, &QPushButton::clicked, this,
            m_work.guarded([this] { startTimeItem(); }));
    connect(page.cmdStart, &QPushButton::clicked, this,
            m_work.guarded([this] { startTimeItem(); }));
    connect(page.cmdStop, &QPushButton::clicked, this, m_work.guarded([this] { cmdStop_Click(); }));
    connect(page.cmdCancelTask, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdCancelTask_Click(); }));
    connect(page.cmdCreateNow, &QPushButton::clicked, this, m_work.guarded([this] {
        createTimeItem();
        emit timeRecorded();
    }));
    connect(page.txtDuration, &QLineEdit::textChanged, this,
            m_work.guarded([this] { txtDuration_Change(); }));
    connect(page.UpDown1, &UpDown::Change, this, m_work.guarded([this] { UpDown1_Change(); }));
}

void TaskTracker::startTimeItem() {
    ProgramState& state = m_work.state;
    category* chosen = state.selectedCategory;
    user* me = state.currentUser;
    if (chosen == nullptr || chosen->categoryId <= 0 || me == nullptr || !state.activeTasks) {
        return; // no category to record against (it may have been deleted), or nobody to
                // record for
    }
    const QDateTime start = toTheSecond(m_work.clock.now());
    const int id = tasks::startRow(m_work.database(), start, chosen->categoryId, me->userId);
    task& started = state.activeTasks->Add(id, TaskList::taskKey(id));
    started.category = chosen;
    started.user = me;
    started.startTime = start;
    started.duration = 0;
    started.prompt = m_page.chkPrompt->isChecked();
    state.currentTask = &started;

    emit runningTasksChanged();
    m_work.shell.selectTab(Shell::TasksTab);
    m_taskList.showTaskTree(true);
    m_page.fraTime->setVisible(true);
    if (!m_work.shell.taskTimerRunning()) {
        m_work.shell.setTaskTimerRunning(true);
    }
}

void TaskTracker::createTimeItem() {
    ProgramState& state = m_work.state;
    const std::optional<int> minutes =
        Numbers::toWholeNumber(m_page.txtDuration->text(), 1, LongestEntry);
    category* chosen = state.selectedCategory;
    if (!minutes || chosen == nullptr || chosen->categoryId <= 0 || state.currentUser == nullptr) {
        enableCreate();
        return;
    }
    task entry(m_work.data());
    entry.category = chosen;
    entry.duration = *minutes;
    entry.startTime = toTheSecond(m_work.clock.now());
    entry.user = state.currentUser;
    entry.endTime = TaskProgress::oneOffEnd(entry.startTime, *minutes);
    // Stored first: the message tells the user the time is recorded.
    entry.save();
    m_work.messages.show(tr("%n minutes have been add against %1", nullptr,
                            int(TimeText::minutesBetween(entry.startTime, entry.endTime)))
                             .arg(NameText::isolated(chosen->categoryName)),
                         QString(), Messages::Buttons::Ok, Messages::Icon::None);
}

void TaskTracker::cmdStop_Click() {
    if (const task* current = m_work.state.currentTask; current != nullptr) {
        finishTaskAt(current->taskId, m_work.clock.now());
    }
}

void TaskTracker::cmdCancelTask_Click() {
    task* current = m_work.state.currentTask;
    if (current == nullptr) {
        return;
    }
    if (m_work.messages.confirmDiscarding(tr("Are you sure you want to stop this task?"),
                                          tr("Confrim"))) {
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

void TaskTracker::endRowAt(task& running, const QDateTime& end) {
    // The duration is counted up to the end written: the timer may not have ticked since the
    // last minute began (or at all, while a dialog was open).
    running.endTime = std::max(toTheSecond(end), running.startTime);
    running.duration = int(TimeText::minutesBetween(running.startTime, running.endTime));
    running.save();
}

void TaskTracker::finishTaskAt(int taskId, const QDateTime& end) {
    task* running = getTaskById(taskId);
    if (running == nullptr) {
        return; // ended meanwhile
    }
    endRowAt(*running, end);
    removeTaskFromList(running);
    emit timeRecorded();
}

void TaskTracker::restartTaskAt(int taskId, const QDateTime& end, const QDateTime& resume) {
    ProgramState& state = m_work.state;
    task* running = getTaskById(taskId);
    if (running == nullptr) {
        return;
    }
    if (running->category == nullptr || running->user == nullptr) {
        finishTaskAt(taskId, end); // its category is gone: nothing to go on with
        return;
    }
    category* on = running->category;
    user* owner = running->user;
    const bool prompt = running->prompt;
    const bool wasCurrent = state.currentTask == running;
    const QDateTime now = toTheSecond(m_work.clock.now());
    const QDateTime ended = std::max(toTheSecond(end), running->startTime);
    const QDateTime start = std::clamp(toTheSecond(resume), std::min(ended, now), now);
    // Both rows or neither: a task is never left without its open row.
    int id = 0;
    m_work.database().transaction([&] {
        endRowAt(*running, end);
        id = tasks::startRow(m_work.database(), start, on->categoryId, owner->userId);
    });
    removeTaskFromList(running);
    task& again = state.activeTasks->Add(id, TaskList::taskKey(id));
    again.category = on;
    again.user = owner;
    again.startTime = start;
    again.duration = int(TimeText::minutesBetween(start, now));
    // Reminders due in the minutes before the answer are not all given at once.
    again.reminderCount = ReminderRule::countAfter(
        again.duration, ReminderRule::frequency(m_work.settings.promptFrequency()));
    again.prompt = prompt;
    if (wasCurrent || state.currentTask == nullptr) {
        state.currentTask = &again;
    }
    emit runningTasksChanged();
    emit timeRecorded();
}

task* TaskTracker::getTaskById(int taskId) const {
    return m_work.state.taskById(taskId);
}

task* TaskTracker::latestTaskOf(const user* owner) const {
    const ProgramState& state = m_work.state;
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
    ProgramState& state = m_work.state;
    if (thisTask == nullptr || !state.activeTasks) {
        return;
    }
    // Its nodes go with the refresh that runningTasksChanged brings.
    const QString key = TaskList::taskKey(thisTask->taskId);
    const bool wasCurrent = state.currentTask == thisTask;
    if (state.activeTasks->find(key) == thisTask) {
        state.activeTasks->Remove(key);
    }
    if (wasCurrent) {
        state.currentTask = latestTaskOf(state.currentUser);
    }
    emit runningTasksChanged();
}

void TaskTracker::checkExistingTasks() {
    ProgramState& state = m_work.state;
    if (!state.activeTasks || !state.allCategories) {
        return;
    }
    const std::vector<OpenTimeRow> rows = tasks::openRows(m_work.database());
    if (rows.empty()) {
        return;
    }
    // The stored frequency: the Settings page is filled from it only after the tasks are back.
    const std::optional<int> frequency = ReminderRule::frequency(m_work.settings.promptFrequency());
    const QDateTime now = m_work.clock.now();
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
    m_work.shell.selectTab(Shell::TasksTab);
}

task* TaskTracker::addOpenTask(const OpenTimeRow& row, const QDateTime& now) {
    ProgramState& state = m_work.state;
    user* owner = m_work.state.userById(row.userId);
    const QString key = TaskList::taskKey(row.timeId);
    if (owner == nullptr || state.activeTasks->contains(key)) {
        return nullptr; // a user added since the list was loaded waits for the next load
    }
    task& found = state.activeTasks->Add(row.timeId, key);
    found.startTime = row.startTime;
    found.duration = int(TimeText::minutesBetween(row.startTime, now));
    found.user = owner;
    found.category = state.categoryById(row.categoryId);
    return &found;
}

void TaskTracker::refreshOtherUsersTasks(bool rowsMoved) {
    ProgramState& state = m_work.state;
    if (!state.activeTasks || !state.allCategories) {
        return;
    }
    const int me = state.currentUser != nullptr ? state.currentUser->userId : -1;
    const QDateTime now = m_work.clock.now();
    if (!rowsMoved && !m_openRowsWaiting) {
        countOthersDurations(now, me);
        return;
    }
    m_openRowsWaiting = false;
    QHash<int, QDateTime> open; // the start of each open row
    for (const OpenTimeRow& row : tasks::openRows(m_work.database())) {
        if (row.userId == me) {
            continue; // this user's own tasks start and end here
        }
        open.insert(row.timeId, row.startTime);
        if (state.userById(row.userId) == nullptr) {
            m_openRowsWaiting = true; // read again until its user is listed
        }
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
            // Its user may have moved its start.
            running.startTime = open.value(running.taskId);
        }
    }
    m_othersCountedAt = {};
    countOthersDurations(now, me);
    for (task* each : ended) {
        removeTaskFromList(each);
    }
}

void TaskTracker::countOthersDurations(const QDateTime& now, int me) {
    // Durations count minute boundaries: between two boundaries none of them moves.
    const QDateTime minute(now.date(), QTime(now.time().hour(), now.time().minute()));
    if (minute == m_othersCountedAt) {
        return;
    }
    m_othersCountedAt = minute;
    for (task& running : *m_work.state.activeTasks) {
        if (running.user == nullptr || running.user->userId != me) {
            running.duration = int(TimeText::minutesBetween(running.startTime, now));
        }
    }
}

void TaskTracker::followOwnRows() {
    ProgramState& state = m_work.state;
    if (!state.activeTasks || !state.allCategories || state.currentUser == nullptr) {
        return;
    }
    const int me = state.currentUser->userId;
    const QDateTime now = m_work.clock.now();
    const std::optional<int> frequency = ReminderRule::frequency(m_work.settings.promptFrequency());
    QSet<int> open;
    bool started = false;
    for (const OpenTimeRow& row : tasks::openRows(m_work.database())) {
        if (row.userId != me) {
            continue;
        }
        open.insert(row.timeId);
        if (task* found = addOpenTask(row, now); found != nullptr) {
            found->prompt = m_page.chkPrompt->isChecked();
            found->reminderCount = ReminderRule::countAfter(found->duration, frequency);
            state.currentTask = found;
            started = true;
        }
    }
    std::vector<task*> ended;
    for (task& running : *state.activeTasks) {
        if (running.user != nullptr && running.user->userId == me &&
            !open.contains(running.taskId)) {
            ended.push_back(&running);
        }
    }
    for (task* each : ended) {
        removeTaskFromList(each);
    }
    if (started) {
        emit runningTasksChanged();
        m_taskList.showTaskTree(true);
        m_page.fraTime->setVisible(true);
        m_work.shell.setTaskTimerRunning(true);
    }
    emit timeRecorded();
}

void TaskTracker::showCategory(int categoryId, category* thisCategory) {
    ProgramState& state = m_work.state;
    if (categoryId != 0 && state.allCategories) {
        thisCategory = state.categoryById(categoryId);
    }
    if (thisCategory == nullptr) {
        return;
    }
    m_page.cmdStartNow->setEnabled(true);
    m_work.shell.buttonVisible(0, true);
    m_work.shell.buttonVisible(2, !thisCategory->folder.isEmpty() &&
                                      QFileInfo(thisCategory->folder).isDir());
    m_work.shell.buttonVisible(3, thisCategory->ownerUserId > 0);
    m_page.fraNewTask->setTitle(
        tr("Start working on %1").arg(NameText::isolated(thisCategory->categoryName)));
    m_page.fraEntry->setTitle(
        tr("Create entry for %1").arg(NameText::isolated(thisCategory->categoryName)));
    m_page.cmdAddTime->setEnabled(true);
    emit categoryShown(thisCategory);
    enableCreate();
}

void TaskTracker::showNoCategory() {
    m_page.cmdStartNow->setEnabled(false);
    m_page.cmdCreateNow->setEnabled(false);
    m_page.cmdAddTime->setEnabled(false);
    m_work.shell.buttonVisible(0, false);
    m_work.shell.buttonVisible(2, false);
    m_work.shell.buttonVisible(3, false);
    m_page.fraNewTask->setTitle(TasksPage::tr(TasksPage::NewTaskCaption));
    m_page.fraEntry->setTitle(TasksPage::tr(TasksPage::EntryCaption));
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
    const category* chosen = m_work.state.selectedCategory;
    m_page.cmdCreateNow->setEnabled(minutes && chosen != nullptr && chosen->categoryId > 0);
}
