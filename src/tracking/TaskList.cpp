#include "tracking/TaskList.h"

#include "data/NameText.h"
#include "data/NodeKeys.h"
#include "data/TimeText.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "widgets/KeyedTree.h"
#include "widgets/Look.h"

#include <QGroupBox>
#include <QLabel>

namespace {

const QString Recovered = QStringLiteral("recovered");

void setTextIfChanged(TreeNode* node, const QString& text) {
    if (node != nullptr && node->text() != text) {
        node->setText(text);
    }
}

} // namespace

TaskList::TaskList(Workspace& workspace, KeyedTree& taskTree, QLabel& lblActiveTasks,
                   KeyedTree& userTree, QGroupBox& fraTime, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_taskTree(taskTree)
    , m_lblActiveTasks(lblActiveTasks)
    , m_userTree(userTree)
    , m_fraTime(fraTime) {
    connect(&taskTree, &KeyedTree::NodeClick, this,
            [this](TreeNode* node) { m_work.guard.run([&] { taskTree_NodeClick(node); }); });
    connect(&taskTree, &KeyedTree::DblClick, this, m_work.guarded([this] { taskTree_DblClick(); }));
}

QString TaskList::taskKey(int taskId) {
    return NodeKeys::key(NodeKeys::Task, taskId);
}

QString TaskList::nodeText(const task& thisTask) {
    const QString name = thisTask.category != nullptr ? thisTask.category->categoryName : QString();
    return NameText::isolated(name) + QStringLiteral(" - (") +
           TimeText::minToTime(thisTask.duration) + QStringLiteral(")") + QStringLiteral(" - ") +
           thisTask.status;
}

void TaskList::refreshTaskList() {
    ProgramState& state = m_work.state;
    if (!state.activeTasks) {
        return;
    }
    KeyedTree* taskTree = &m_taskTree;
    KeyedTree* userTree = &m_userTree;
    const int me = state.currentUser != nullptr ? state.currentUser->userId : -1;

    int mine = 0;
    for (task& running : *state.activeTasks) {
        const bool ours = running.user != nullptr && running.user->userId == me;
        mine += ours ? 1 : 0;
        const QString key = taskKey(running.taskId);
        const QString text = nodeText(running);
        if (running.visible) {
            if (ours && taskTree->owns(running.taskTreeNode)) {
                setTextIfChanged(running.taskTreeNode, text);
            }
            if (TreeNode* shown = userTree->node(key); shown != nullptr) {
                setTextIfChanged(shown, text);
            } else if (TreeNode* owner =
                           running.user != nullptr ? running.user->userTreeNode : nullptr;
                       owner != nullptr && userTree->owns(owner)) {
                // Its user was added to the tree after the task was met (a user another
                // instance added); a user deleted from the tree has no node to go under.
                userTree->addNode(owner, key, text);
            }
            continue;
        }
        if (ours) {
            TreeNode* node = taskTree->node(key);
            if (node == nullptr) {
                node = taskTree->addNode(nullptr, key, text);
            } else {
                setTextIfChanged(node, text);
            }
            if (running.status == Recovered) {
                node->setForeColor(Look::RecoveredColour);
            }
            running.taskTreeNode = node;
        }
        running.visible = true;
        // A user deleted from the list has no node to put the task under.
        if (TreeNode* owner = running.user != nullptr ? running.user->userTreeNode : nullptr;
            owner != nullptr && userTree->owns(owner)) {
            if (TreeNode* existing = userTree->node(key); existing != nullptr) {
                setTextIfChanged(existing, text);
            } else {
                userTree->addNode(owner, key, text);
            }
        }
    }

    showTaskTree(taskTree->nodeCount() > 0);
    // The current task is the one highlighted, however it became current.
    if (const task* current = state.currentTask;
        current != nullptr && taskTree->owns(current->taskTreeNode) &&
        taskTree->selectedNode() != current->taskTreeNode) {
        taskTree->selectNode(current->taskTreeNode);
    }

    const bool running = mine > 0;
    m_fraTime.setVisible(running);
    if (running && !m_work.shell.taskTimerRunning()) {
        m_work.shell.setTaskTimerRunning(true);
    } else if (!running) {
        m_work.shell.setTaskTimerRunning(false);
    }

    m_work.shell.showActiveTaskCount(state.activeTasks->Count());
    // While the user's tasks run, the timer writes the current one into the caption.
    if (!running && m_work.shell.caption() != Shell::programTitle()) {
        m_work.shell.setCaption(Shell::programTitle());
    }
}

void TaskList::forgetTaskNodes() {
    m_taskTree.clearNodes();
    if (m_work.state.activeTasks) {
        for (task& running : *m_work.state.activeTasks) {
            running.visible = false;
            running.taskTreeNode = nullptr;
        }
    }
}

void TaskList::showTaskTree(bool blnVisible) {
    // The category tree shares its column with the task tree: the layout gives it the task
    // tree's room while that is hidden.
    m_taskTree.setVisible(blnVisible);
    m_lblActiveTasks.setVisible(blnVisible);
}

void TaskList::taskTree_NodeClick(TreeNode* node) {
    const std::optional<int> id =
        node != nullptr ? NodeKeys::idOf(NodeKeys::Task, node->key()) : std::nullopt;
    if (!id) {
        return;
    }
    if (task* chosen = m_work.state.taskById(*id); chosen != nullptr) {
        m_work.state.currentTask = chosen;
    }
}

void TaskList::taskTree_DblClick() {
    m_work.shell.selectTab(Shell::TasksTab);
}
