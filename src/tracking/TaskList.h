#pragma once

#include <QObject>
#include <QString>

class frmMain;
class task;
class TreeNode;

// The running tasks in the task tree and under their users in the user tree. The lists are
// refreshed on every tick of both timers, so nodes are found by key and changed in place.
class TaskList : public QObject {
    Q_OBJECT

public:
    explicit TaskList(frmMain& main);

    void refreshTaskList();
    void showTaskTree(bool blnVisible);
    void taskTree_NodeClick(TreeNode* node);
    void taskTree_DblClick();

    // "Design - (01:15) - " and the task's status.
    static QString nodeText(const task& thisTask);
    // The key of a task's nodes and of its place in activeTasks: "tid_" and its id.
    static QString taskKey(int taskId);

private:
    frmMain& m_main;
};
