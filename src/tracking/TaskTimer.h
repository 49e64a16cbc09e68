#pragma once

#include <QObject>
#include <QString>

class frmMain;
class TasksPage;

// The 900 ms task timer: durations, reminders, the "Currently Working" frame, the progress bars
// and the allocation checks, with the check of every category at start.
class TaskTimer : public QObject {
    Q_OBJECT

public:
    TaskTimer(frmMain& main, TasksPage& page);

    void processTasks();
    bool showPercent(double percent, int whichBar, const QString& total);
    void checkTaskProgress();

private:
    frmMain& m_main;
    TasksPage& m_page;
};
