#include "tracking/TaskList.h"

#include "app/KeyedTree.h"
#include "app/frmMain.h"
#include "data/NameText.h"
#include "data/TimeText.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "users/UsersPage.h"

#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QToolButton>

namespace {

const QString Recovered = QStringLiteral("recovered");
const QColor RecoveredColour(255, 0, 0);

void setTextIfChanged(TreeNode* node, const QString& text) {
    if (node != nullptr && node->text() != text) {
        node->setText(text);
    }
}

} // namespace

TaskList::TaskList(frmMain& main)
    : QObject(&main)
    , m_main(main) {
    connect(main.taskTree, &KeyedTree::NodeClick, &main,
            [this](TreeNode* node) { m_main.guard().run([&] { taskTree_NodeClick(node); }); });
    connect(main.taskTree, &KeyedTree::DblClick, &main,
            main.guarded([this] { taskTree_DblClick(); }));
}

QString TaskList::taskKey(int taskId) {
    return QStringLiteral("tid_%1").arg(taskId);
}

QString TaskList::nodeText(const task& thisTask) {
    const QString name = thisTask.category != nullptr ? thisTask.category->categoryName : QString();
    return NameText::isolated(name) + QStringLiteral(" - (") +
           TimeText::minToTime(thisTask.duration) + QStringLiteral(")") + QStringLiteral(" - ") +
           thisTask.status;
}

void TaskList::refreshTaskList() {
    ProgramState& state = m_main.state();
    if (!state.activeTasks) {
        return;
    }
    KeyedTree* taskTree = m_main.taskTree;
    KeyedTree* userTree = m_main.usersPage->userTree;
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
            // Gone when its user was deleted from the tree; then there is nothing to update.
            setTextIfChanged(userTree->node(key), text);
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
                node->setForeColor(RecoveredColour);
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
    m_main.tasksPage->fraTime->setVisible(running);
    if (running && !m_main.tmrTime->isActive()) {
        m_main.tmrTime->start();
    } else if (!running) {
        m_main.tmrTime->stop();
    }

    const int count = state.activeTasks->Count();
    m_main.statusPanel_1->setVisible(count > 0);
    const QString panel = QStringLiteral("Active Tasks: ") + QString::number(count);
    if (m_main.statusPanel_1->text() != panel) {
        m_main.statusPanel_1->setText(panel);
    }
    // While the user's tasks run, the timer writes the current one into the caption.
    if (!running && m_main.windowTitle() != frmMain::programTitle()) {
        m_main.setWindowTitle(frmMain::programTitle());
    }
}

void TaskList::showTaskTree(bool blnVisible) {
    // The category tree shares its column with the task tree: the layout gives it the task
    // tree's room while that is hidden.
    m_main.taskTree->setVisible(blnVisible);
    m_main.lblActiveTasks->setVisible(blnVisible);
}

void TaskList::taskTree_NodeClick(TreeNode* node) {
    if (node == nullptr || !node->key().startsWith(QLatin1String("tid"))) {
        return;
    }
    bool ok = false;
    const int id = node->key().mid(4).toInt(&ok);
    if (!ok) {
        return;
    }
    if (task* chosen = m_main.tracker().getTaskById(id); chosen != nullptr) {
        m_main.state().currentTask = chosen;
    }
}

void TaskList::taskTree_DblClick() {
    m_main.selectTab(frmMain::TasksTab);
}
