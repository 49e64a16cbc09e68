#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class KeyedTree;
class Reminders;
class task;
class TaskList;
class TasksPage;
class TaskTracker;
struct Workspace;

// The 900 ms task timer: durations, reminders, the "Currently Working" frame, the progress bars
// and the allocation checks, with the check of every category at start.
class TaskTimer : public QObject {
    Q_OBJECT

public:
    // reminders shows the reminders that are due; tracker finds the current task; taskList is
    // refreshed on every tick; userTree opens the current user's node.
    TaskTimer(Workspace& workspace, TasksPage& page, Reminders& reminders, TaskTracker& tracker,
              TaskList& taskList, KeyedTree& userTree, QObject* parent = nullptr);

    void processTasks();
    // The current task's clock and duration brought up to the time, and nothing else: no
    // reminder, no statement. For ticks that come while a person's action holds the database.
    void showClock();
    // Shows a fraction of an allocation on bar whichBar (0 minimum, 1 maximum); true when the
    // allocation is passed.
    bool showPercent(double percent, int whichBar, const QString& total);
    void checkTaskProgress();

private:
    void fillCurrentTask(const task& current);
    void showProgress(const task& current);
    // The "exceeded" notification to the category's manager, once for each running task.
    void notifyExceeded(const task& current);

    Workspace& m_work;
    TasksPage& m_page;
    Reminders& m_reminders;
    TaskTracker& m_tracker;
    TaskList& m_taskList;
    KeyedTree& m_userTree;
    QSet<int> m_exceededTasks;
};
