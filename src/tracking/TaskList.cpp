#include "tracking/TaskList.h"

#include "app/frmMain.h"

TaskList::TaskList(frmMain& main)
    : QObject(&main)
    , m_main(main) {}

void TaskList::refreshTaskList() {}
void TaskList::showTaskTree(bool) {}
void TaskList::taskTree_NodeClick(TreeNode*) {}
void TaskList::taskTree_DblClick() {}
