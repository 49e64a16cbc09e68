#include "tracking/TaskTimer.h"

#include "data/Database.h"
#include "data/NameText.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "tracking/AllocationCheck.h"
#include "tracking/ReminderRule.h"
#include "tracking/Reminders.h"
#include "tracking/TaskList.h"
#include "tracking/TaskProgress.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "widgets/KeyedTree.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QToolButton>
#include <vector>

namespace {

void setText(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

} // namespace

TaskTimer::TaskTimer(Workspace& workspace, TasksPage& page, Reminders& reminders,
                     TaskTracker& tracker, TaskList& taskList, KeyedTree& userTree, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_reminders(reminders)
    , m_tracker(tracker)
    , m_taskList(taskList)
    , m_userTree(userTree) {}

void TaskTimer::processTasks() {
    ProgramState& state = m_work.state;
    if (!state.activeTasks) {
        return;
    }
    const QDateTime now = m_work.clock.now();
    const int me = state.currentUser != nullptr ? state.currentUser->userId : -1;
    const std::optional<int> frequency = m_reminders.frequency();

    // Due reminders are collected first: showing one must not happen while the collection is
    // being walked.
    struct Due {
        int categoryId;
        QString name;
        int taskId;
    };
    std::vector<Due> due;
    for (task& running : *state.activeTasks) {
        running.duration = int(TimeText::minutesBetween(running.startTime, now));
        const bool ours = running.user != nullptr && running.user->userId == me;
        if (ReminderRule::isDue(running.duration, running.reminderCount, running.prompt, ours,
                                frequency)) {
            due.push_back({running.category != nullptr ? running.category->categoryId : 0,
                           running.category != nullptr ? running.category->categoryName : QString(),
                           running.taskId});
            ++running.reminderCount;
        }
    }
    for (const Due& each : due) {
        m_reminders.dueReminder(each.categoryId, each.name, each.taskId);
    }

    if (state.currentTask == nullptr) {
        state.currentTask = m_tracker.latestTaskOf(state.currentUser);
    }
    const task* current = state.currentTask;
    if (current != nullptr) {
        fillCurrentTask(*current);
    }
    m_taskList.refreshTaskList();
    if (current != nullptr && current->category != nullptr) {
        showProgress(*current);
    }

    // The status panel is kept by refreshTaskList, which runs on every tick.
    if (TreeNode* mine = state.currentUser != nullptr ? state.currentUser->userTreeNode : nullptr;
        mine != nullptr && m_userTree.owns(mine) && !mine->isExpanded()) {
        mine->setExpanded(true);
    }
    if (current != nullptr && current->category != nullptr) {
        const QString caption = NameText::isolated(current->category->categoryName) +
                                QStringLiteral(" - (") + TimeText::minToTime(current->duration) +
                                QStringLiteral(")");
        if (m_work.shell.caption() != caption) {
            m_work.shell.setCaption(caption);
        }
    }
}

void TaskTimer::showClock() {
    ProgramState& state = m_work.state;
    if (!state.activeTasks) {
        return;
    }
    // Found in the list rather than trusted: the waiting action may be changing what is current.
    for (task& running : *state.activeTasks) {
        if (&running == state.currentTask) {
            running.duration = int(TimeText::minutesBetween(running.startTime, m_work.clock.now()));
            fillCurrentTask(running);
        }
    }
}

void TaskTimer::fillCurrentTask(const task& current) {
    setText(m_page.lblDuration, TimeText::minToTime(current.duration));
    setText(m_page.lblEndTime, TimeText::format(m_work.clock.now(), TimeText::HH_MM_SS));
    const QString title =
        tr("Current Task: %1")
            .arg(current.category != nullptr ? current.category->categoryName : QString());
    if (m_page.fraTime->title() != title) {
        m_page.fraTime->setTitle(title);
    }
    setText(m_page.lblStartTime, TimeText::defaultText(current.startTime));
    m_page.chkTaskReminder->setChecked(current.prompt);
    setText(m_page.lblReminder,
            current.prompt ? QString::number(current.reminderCount) : QString());
}

void TaskTimer::showProgress(const task& current) {
    const category& measured = *current.category;
    const TaskProgress::Bars bars =
        TaskProgress::measure(m_work.database(), m_work.clock, measured, current.duration);
    if (bars.minimumShown) {
        showPercent(bars.minimum, 0, QString::number(measured.minAllocation));
    }
    m_page.picProgress_0->setVisible(bars.minimumShown);
    if (bars.maximumMeasured) {
        showPercent(bars.maximum, 1, QString::number(measured.maxAllocation));
    } else if (bars.maximumShown) {
        // Shown with no maximum to measure against: an empty bar.
        m_page.setBarFraction(1, 0.0);
        setText(m_page.lblPercent_1, QString());
    }
    m_page.picProgress_1->setVisible(bars.maximumShown);
    if (bars.exceeded) {
        notifyExceeded(current);
    }
}

bool TaskTimer::showPercent(double percent, int whichBar, const QString& total) {
    QLabel* label = whichBar == 0 ? m_page.lblPercent_0 : m_page.lblPercent_1;
    setText(label, TaskProgress::percentText(percent, total));
    m_page.setBarFraction(whichBar, percent);
    return TaskProgress::passed(percent);
}

void TaskTimer::notifyExceeded(const task& current) {
    if (m_exceededTasks.contains(current.taskId)) {
        return;
    }
    ProgramState& state = m_work.state;
    const category& over = *current.category;
    user* manager = m_work.state.userById(over.ownerUserId);
    if (manager == nullptr || state.currentUser == nullptr) {
        return; // nobody to tell
    }
    notification message(m_work.data());
    message.fromUser = state.currentUser;
    message.toUser = manager;
    message.categoryId = over.categoryId;
    message.typeId = AllocationCheck::RunningTaskOverMaximum;
    message.subject = AllocationCheck::AboveMaximumSubject;
    message.message = QStringLiteral("Work on ") + NameText::isolated(over.categoryName) +
                      QStringLiteral(" has exceeded maximum time allocated");
    // The database remembers who was told, across restarts and instances; the set above only
    // spares this run the question on every tick.
    Database& database = m_work.database();
    database.transaction([&] {
        if (!AllocationCheck::exceededNoticeSince(database, manager->userId, over.categoryId,
                                                  current.startTime)) {
            message.save();
        }
    });
    m_exceededTasks << current.taskId;
}

void TaskTimer::checkTaskProgress() {
    ProgramState& state = m_work.state;
    if (!state.allCategories || !state.allUsers) {
        return;
    }
    std::vector<const category*> categories;
    for (const category& each : *state.allCategories) {
        categories.push_back(&each);
    }
    QSet<int> managers;
    if (state.signedInAs) {
        // A notice goes out in its sender's name, here the manager's: in signed-in mode only the
        // manager's own instance may send it, when the manager starts Quillhour.
        if (state.currentUser != nullptr) {
            managers << state.currentUser->userId;
        }
    } else {
        for (const user& each : *state.allUsers) {
            managers << each.userId;
        }
    }
    const std::vector<AllocationCheck::Finding> found =
        AllocationCheck::startupFindings(m_work.database(), m_work.clock, categories, managers);
    for (const AllocationCheck::Finding& finding : found) {
        user* manager = m_work.state.userById(finding.managerId);
        notification record(m_work.data());
        record.fromUser = manager;
        record.toUser = manager;
        record.categoryId = finding.categoryId;
        record.typeId = finding.typeId;
        record.subject = finding.subject;
        record.message = finding.message;
        record.save();
    }
}
