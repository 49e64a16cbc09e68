#pragma once

#include <QObject>

class category;
class frmMain;
class task;
class TasksPage;
class user;

// Starting, finishing and cancelling tasks, one-off entries, and the recovery of open time rows
// at start.
class TaskTracker : public QObject {
    Q_OBJECT

public:
    TaskTracker(frmMain& main, TasksPage& page);

    void startTimeItem();
    void createTimeItem();
    void cmdStop_Click();
    void cmdCancelTask_Click();
    void stopTask(int taskId);
    // The running task with this id, or nullptr.
    task* getTaskById(int taskId) const;
    void removeTaskFromList(task* thisTask);
    void checkExistingTasks();
    // Makes a category the one the Tasks page works on (categoryId 0: thisCategory as given).
    void showCategory(int categoryId, category* thisCategory);
    void txtDuration_Change();
    void UpDown1_Change();

    // The most recently started running task of a user, or nullptr.
    task* latestTaskOf(const user* owner) const;

private:
    // Create is offered for a positive whole number of minutes on a real category.
    void enableCreate();

    frmMain& m_main;
    TasksPage& m_page;
    bool m_typing = false;
};
