#pragma once

#include <QObject>

class frmMain;
class TreeNode;

// The running tasks in the task tree and under their users in the user tree.
class TaskList : public QObject {
    Q_OBJECT

public:
    explicit TaskList(frmMain& main);

    void refreshTaskList();
    void showTaskTree(bool blnVisible);
    void taskTree_NodeClick(TreeNode* node);
    void taskTree_DblClick();

private:
    frmMain& m_main;
};
