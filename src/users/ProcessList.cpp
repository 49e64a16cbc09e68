#include "users/ProcessList.h"

#include "app/KeyedTree.h"
#include "app/Shell.h"
#include "app/Workspace.h"
#include "data/NodeKeys.h"
#include "platform/WindowLister.h"
#include "users/ProcessStore.h"

#include <QHash>
#include <QListWidget>
#include <QSet>

namespace {
QString groupKey(int userId) {
    return NodeKeys::key(NodeKeys::ProcessGroup, userId);
}
QString windowKey(int processId) {
    return NodeKeys::key(NodeKeys::Window, processId);
}
} // namespace

ProcessList::ProcessList(Workspace& workspace, WindowLister& windows, QListWidget& lstTask,
                         KeyedTree& userTree, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_windows(windows)
    , m_lstTask(lstTask)
    , m_userTree(userTree) {}

void ProcessList::fillWindowList(QListWidget* list) {
    list->clear();
    const QStringList titles = m_windows.windowTitles(m_work.shell.windowId());
    for (const QString& title : titles) {
        if (!title.isEmpty()) {
            list->addItem(cutWindowTitle(title));
        }
    }
}

QStringList ProcessList::listWindows() {
    fillWindowList(&m_lstTask);
    QStringList titles;
    for (int i = 0; i < m_lstTask.count(); ++i) {
        titles.append(m_lstTask.item(i)->text());
    }
    return titles;
}

void ProcessList::loadProcessList() {
    loadRows(listWindows());
}

void ProcessList::refreshProcessList(bool rowsMoved) {
    const QStringList titles = listWindows();
    const user* current = m_work.state.currentUser;
    const int me = current != nullptr ? current->userId : -1;
    if (!rowsMoved && m_loaded && me == m_loadedFor && (me < 0 || titles == m_loadedTitles)) {
        return;
    }
    loadRows(titles);
}

void ProcessList::loadRows(const QStringList& titles) {
    ProgramState& state = m_work.state;
    Database& db = m_work.database();
    m_loaded = false; // until the load is through
    ResultSet rows = ProcessStore::everyRow(db);
    if (state.currentUser != nullptr) {
        const int me = state.currentUser->userId;
        QStringList written;
        for (const Row row : rows) {
            if (row.integer(QStringLiteral("userId")) == me) {
                written.append(row.text(QStringLiteral("processName")));
            }
        }
        // The rows are replaced only when the desktop changed: other instances read a stable
        // list, and the table's ids do not run up every two seconds.
        if (written != titles) {
            ProcessStore::replaceOwn(db, me, titles);
            rows = ProcessStore::everyRow(db);
        }
    }

    // The collection is rebuilt from the rows; the tree is brought up to date in place, with the
    // texts and places a full rebuild would give.
    KeyedTree* tree = &m_userTree;
    QSet<QString> previousWindows;
    if (state.allProcesses) {
        for (const process& each : *state.allProcesses) {
            previousWindows << windowKey(each.processId);
        }
    }
    state.allProcesses = std::make_unique<processes>();

    struct Group {
        TreeNode* node = nullptr;
        bool existed = false;
        int count = 0;
    };
    QHash<int, Group> groups;
    QSet<QString> keptWindows;
    for (const Row row : rows) {
        process& record = state.allProcesses->Add(row.text(QStringLiteral("processName")));
        record.userId = row.integer(QStringLiteral("userId"));
        record.processId = row.integer(QStringLiteral("processId"));

        Group& group = groups[record.userId];
        if (group.node == nullptr) {
            group.node = tree->node(groupKey(record.userId));
            group.existed = group.node != nullptr;
            if (group.node == nullptr) {
                // Rows of a user this instance has not loaded have no node to go under.
                user* owner = m_work.state.userById(record.userId);
                if (owner == nullptr || owner->userTreeNode == nullptr ||
                    !tree->owns(owner->userTreeNode)) {
                    continue;
                }
                group.node = tree->addNode(owner->userTreeNode, groupKey(record.userId),
                                           QStringLiteral("Processes"));
            }
        }
        ++group.count;
        const QString key = windowKey(record.processId);
        TreeNode* node = tree->node(key);
        if (node == nullptr) {
            node = tree->addNode(group.node, key, record.processName);
        }
        record.processNode = node;
        keptWindows << key;
    }
    for (const QString& key : previousWindows) {
        if (!keptWindows.contains(key)) {
            tree->removeNode(key);
        }
    }
    for (const Group& group : std::as_const(groups)) {
        if (group.node == nullptr) {
            continue;
        }
        // A group made in this load reads "Processes" while it holds one window.
        if (group.existed || group.count > 1) {
            group.node->setText(QStringLiteral("%1 Processes").arg(group.count));
        }
    }
    // Written or found equal above: this user's rows now hold these titles.
    m_loaded = true;
    m_loadedFor = state.currentUser != nullptr ? state.currentUser->userId : -1;
    m_loadedTitles = titles;
}

void ProcessList::deleteOwnRows() {
    const user* me = m_work.state.currentUser;
    if (me != nullptr) {
        ProcessStore::deleteOwn(m_work.database(), me->userId);
    }
}
