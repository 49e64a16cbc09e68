#include "tracking/TaskTimer.h"

#include "app/frmMain.h"

TaskTimer::TaskTimer(frmMain& main, TasksPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void TaskTimer::processTasks() {}
bool TaskTimer::showPercent(double, int, const QString&) {
    return false;
}
void TaskTimer::checkTaskProgress() {}
