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
#include <QSet>

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
    const int me = state.currentUser != nullptr ? state.currentUser->userId : -1;
    int mine = 0;
    QSet<int> listed;
    for (task& running : *state.activeTasks) {
        const bool ours = running.user != nullptr && running.user->userId == me;
        mine += ours ? 1 : 0;
        listed.insert(running.taskId);
        showTaskNodes(running, ours);
    }
    removeEndedTaskNodes(listed);

    showTaskTree(m_taskTree.nodeCount() > 0);
    // The current task is the one highlighted, however it became current.
    if (const task* current = state.currentTask;
        current != nullptr && m_taskTree.owns(current->taskTreeNode) &&
        m_taskTree.selectedNode() != current->taskTreeNode) {
        m_taskTree.selectNode(current->taskTreeNode);
    }
    showRunning(mine > 0);
}

bool TaskList::stillShown(const task& running, bool ours) const {
    if (!running.visible) {
        return false;
    }
    const auto shown = m_shown.constFind(running.taskId);
    return shown != m_shown.cend() && shown->duration == running.duration && shown->ours == ours &&
           shown->record == running.category &&
           (running.category == nullptr || shown->categoryName == running.category->categoryName) &&
           shown->status == running.status && shown->userNode != nullptr &&
           m_userTree.owns(shown->userNode) && shown->userNode->key() == shown->key &&
           (!ours || m_taskTree.owns(running.taskTreeNode));
}

void TaskList::showTaskNodes(task& running, bool ours) {
    // Every tick of both timers comes here for every running task: a task whose nodes show
    // what it holds costs a comparison, whatever the size of the team.
    if (stillShown(running, ours)) {
        return;
    }
    const QString key = taskKey(running.taskId);
    const QString text = nodeText(running);
    if (running.visible) {
        if (ours && m_taskTree.owns(running.taskTreeNode)) {
            setTextIfChanged(running.taskTreeNode, text);
        }
        if (TreeNode* shown = m_userTree.node(key); shown != nullptr) {
            setTextIfChanged(shown, text);
        } else if (TreeNode* owner = running.user != nullptr ? running.user->userTreeNode : nullptr;
                   owner != nullptr && m_userTree.owns(owner)) {
            // Its user was added to the tree after the task was met (a user another
            // instance added); a user deleted from the tree has no node to go under.
            m_userTree.addNode(owner, key, text);
        }
        rememberShown(running, ours, key);
        return;
    }
    if (ours) {
        TreeNode* node = m_taskTree.node(key);
        if (node == nullptr) {
            node = m_taskTree.addNode(nullptr, key, text);
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
        owner != nullptr && m_userTree.owns(owner)) {
        if (TreeNode* existing = m_userTree.node(key); existing != nullptr) {
            setTextIfChanged(existing, text);
        } else {
            m_userTree.addNode(owner, key, text);
        }
    }
    rememberShown(running, ours, key);
}

void TaskList::rememberShown(const task& running, bool ours, const QString& key) {
    m_shown.insert(running.taskId,
                   Shown{running.duration, running.status, running.category,
                         running.category != nullptr ? running.category->categoryName : QString(),
                         ours, m_userTree.node(key), key});
}

void TaskList::removeEndedTaskNodes(const QSet<int>& listed) {
    // A task that left activeTasks since the last refresh (finished, cancelled, or ended by
    // another instance) leaves both trees.
    for (const int taskId : std::as_const(m_listed)) {
        if (!listed.contains(taskId)) {
            const QString key = taskKey(taskId);
            m_taskTree.removeNode(key);
            m_userTree.removeNode(key);
            m_shown.remove(taskId);
        }
    }
    m_listed = listed;
}

void TaskList::showRunning(bool running) {
    m_fraTime.setVisible(running);
    if (running && !m_work.shell.taskTimerRunning()) {
        m_work.shell.setTaskTimerRunning(true);
    } else if (!running) {
        m_work.shell.setTaskTimerRunning(false);
    }
    m_work.shell.showActiveTaskCount(m_work.state.activeTasks->Count());
    // While the user's tasks run, the timer writes the current one into the caption.
    if (!running && m_work.shell.caption() != Shell::programTitle()) {
        m_work.shell.setCaption(Shell::programTitle());
    }
}

void TaskList::forgetTaskNodes() {
    m_taskTree.clearNodes();
    m_shown.clear();
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
