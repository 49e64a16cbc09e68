#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class frmMain;
class task;
class TasksPage;

// The 900 ms task timer: durations, reminders, the "Currently Working" frame, the progress bars
// and the allocation checks, with the check of every category at start.
class TaskTimer : public QObject {
    Q_OBJECT

public:
    TaskTimer(frmMain& main, TasksPage& page);

    void processTasks();
    // Shows a fraction of an allocation on bar whichBar (0 minimum, 1 maximum); true when the
    // allocation is passed.
    bool showPercent(double percent, int whichBar, const QString& total);
    void checkTaskProgress();

private:
    void fillCurrentTask(const task& current);
    void showProgress(const task& current);
    // The "exceeded" notification to the category's manager, once for each running task.
    void notifyExceeded(const task& current);

    frmMain& m_main;
    TasksPage& m_page;
    QSet<int> m_exceededTasks;
};
