#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class category;
class KeyedTree;
class QGroupBox;
class QLabel;
class task;
class TreeNode;
struct Workspace;

// The running tasks in the task tree and under their users in the user tree. The lists are
// refreshed on every tick of both timers, so nodes are found by key and changed in place. The
// trees' task nodes are made, changed and removed here alone: a task that leaves activeTasks
// loses its nodes at the next refresh.
class TaskList : public QObject {
    Q_OBJECT

public:
    // taskTree and lblActiveTasks beside the tabs show this user's tasks; userTree (Users page)
    // every user's; fraTime (Tasks page) is shown while this user's tasks run.
    TaskList(Workspace& workspace, KeyedTree& taskTree, QLabel& lblActiveTasks, KeyedTree& userTree,
             QGroupBox& fraTime, QObject* parent = nullptr);

    void refreshTaskList();
    void showTaskTree(bool blnVisible);
    // The users were loaded afresh, and their tree with them: the task tree is emptied too, and
    // every task gets its nodes again at the next refresh.
    void forgetTaskNodes();
    void taskTree_NodeClick(TreeNode* node);
    void taskTree_DblClick();

    // "Design - (01:15) - " and the task's status.
    static QString nodeText(const task& thisTask);
    // The key of a task's nodes and of its place in activeTasks: "tid_" and its id.
    static QString taskKey(int taskId);

private:
    // What a task's nodes were last made to show, and the node under its user.
    struct Shown {
        int duration = 0;
        QString status;
        const category* record = nullptr; // the task's category
        QString categoryName;
        bool ours = false;
        const TreeNode* userNode = nullptr; // checked against the tree before it is read
        QString key;
    };
    // Whether the task's nodes still show what it holds, so a refresh has nothing to change.
    bool stillShown(const task& running, bool ours) const;
    // Makes or updates one task's nodes; ours: the task is the current user's.
    void showTaskNodes(task& running, bool ours);
    void rememberShown(const task& running, bool ours, const QString& key);
    // Removes the nodes of the tasks listed at the last refresh that are no longer running.
    void removeEndedTaskNodes(const QSet<int>& listed);
    // The "Currently Working" frame, the task timer, the count and the caption.
    void showRunning(bool running);

    Workspace& m_work;
    KeyedTree& m_taskTree;
    QLabel& m_lblActiveTasks;
    KeyedTree& m_userTree;
    QGroupBox& m_fraTime;
    QSet<int> m_listed;        // the ids of the tasks the last refresh showed
    QHash<int, Shown> m_shown; // by task id
};
