#pragma once

#include <QDateTime>
#include <QObject>

class category;
class QDateTime;
struct OpenTimeRow;
class task;
class TaskList;
class TasksPage;
class user;
struct Workspace;

// categoryShown carries a category*: moc needs the whole class to register that type, without which
// a queued connection or a signal spy cannot hold the argument.
Q_MOC_INCLUDE("data/category.h")

// Starting, finishing and cancelling tasks, one-off entries, and the recovery of open time rows
// at start.
class TaskTracker : public QObject {
    Q_OBJECT

public:
    // taskList shows the task tree; it follows runningTasksChanged for the tasks' nodes.
    TaskTracker(Workspace& workspace, TasksPage& page, TaskList& taskList,
                QObject* parent = nullptr);

    void startTimeItem();
    void createTimeItem();
    void cmdStop_Click();
    void cmdCancelTask_Click();
    void stopTask(int taskId);
    // Finishes a running task's row at a moment already past (never before the task started);
    // the task ends. Every Finish ends here, whether from the button, the tray or the idle
    // question.
    void finishTaskAt(int taskId, const QDateTime& end);
    // Finishes a running task's row at a moment already past, as finishTaskAt, and starts a new
    // open row at resume (not before that end, nor after now) on the same category, which goes
    // on as the task.
    void restartTaskAt(int taskId, const QDateTime& end, const QDateTime& resume);
    // The running task with this id, or nullptr.
    task* getTaskById(int taskId) const;
    void removeTaskFromList(task* thisTask);
    void checkExistingTasks();
    // Brings other users' running tasks in step with their open rows: tasks started elsewhere
    // join activeTasks, tasks ended elsewhere leave it and the lists, and the durations of the
    // rest are brought up to date. The current user's own tasks are left as they are. With
    // rowsMoved false (no time row was written since the last call) the rows are not read
    // again, unless one of them waits for its user to be loaded: only the durations move, at
    // a minute boundary.
    void refreshOtherUsersTasks(bool rowsMoved = true);
    // Brings the current user's own tasks in step with their open rows after they were started,
    // finished or cancelled from outside the window (the command line): new rows become running
    // tasks, as if started here, and tasks whose rows ended leave the lists.
    void followOwnRows();
    // Makes a category the one the Tasks page works on (categoryId 0: thisCategory as given).
    void showCategory(int categoryId, category* thisCategory);
    // The Tasks page with no category to work on (the one it showed was deleted): its frames
    // name none and nothing can be started or entered.
    void showNoCategory();
    void txtDuration_Change();
    void UpDown1_Change();

    // The most recently started running task of a user, or nullptr.
    task* latestTaskOf(const user* owner) const;

signals:
    // A task started, ended or was found running elsewhere.
    void runningTasksChanged();
    // A task was finished or a one-off entry made: the category has a new time row.
    void timeRecorded();
    // The Tasks page works on this category now; the other pages show it too.
    void categoryShown(category* thisCategory);

private:
    // Adds a task for an open row whose user is loaded and which is not listed yet; nullptr
    // otherwise. Its duration is counted up to now.
    task* addOpenTask(const OpenTimeRow& row, const QDateTime& now);
    // Writes the end (not before the start) and the minutes up to it into a task's row.
    void endRowAt(task& running, const QDateTime& end);
    // Create is offered for a positive whole number of minutes on a real category.
    void enableCreate();

    // Brings the durations of other users' tasks up to now.
    void countOthersDurations(const QDateTime& now, int me);

    Workspace& m_work;
    TasksPage& m_page;
    TaskList& m_taskList;
    bool m_typing = false;
    QDateTime m_othersCountedAt;    // the minute other users' durations were last counted at
    bool m_openRowsWaiting = false; // an open row's user was not loaded at the last reading
};
