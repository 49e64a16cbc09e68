#include "tracking/TaskTracker.h"

#include "app/frmMain.h"

TaskTracker::TaskTracker(frmMain& main, TasksPage& page)
    : QObject(&main)
    , m_main(main)
    , m_page(page) {}

void TaskTracker::startTimeItem() {}
void TaskTracker::createTimeItem() {}
void TaskTracker::cmdStop_Click() {}
void TaskTracker::cmdCancelTask_Click() {}
void TaskTracker::stopTask(int) {}
task* TaskTracker::getTaskById(int) const {
    return nullptr;
}
void TaskTracker::removeTaskFromList(task*) {}
void TaskTracker::checkExistingTasks() {}
void TaskTracker::showCategory(int, category*) {}
void TaskTracker::txtDuration_Change() {}
void TaskTracker::UpDown1_Change() {}
