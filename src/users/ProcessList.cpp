#include "users/ProcessList.h"

#include "app/KeyedTree.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "platform/WindowLister.h"
#include "users/UserList.h"
#include "users/UsersPage.h"

#include <QHash>
#include <QListWidget>
#include <QSet>

namespace {
QString groupKey(int userId) {
    return QStringLiteral("processes_%1").arg(userId);
}
QString windowKey(int processId) {
    return QStringLiteral("pid_%1").arg(processId);
}
} // namespace

ProcessList::ProcessList(frmMain& main)
    : QObject(&main)
    , m_main(main) {}

void ProcessList::fillWindowList(QListWidget* list) {
    list->clear();
    const QStringList titles = m_main.windows().windowTitles(quintptr(m_main.winId()));
    for (const QString& title : titles) {
        if (!title.isEmpty()) {
            list->addItem(cutWindowTitle(title));
        }
    }
}

void ProcessList::loadProcessList() {
    ProgramState& state = m_main.state();
    Database& db = m_main.database();
    fillWindowList(m_main.lstTask);
    QStringList titles;
    for (int i = 0; i < m_main.lstTask->count(); ++i) {
        titles.append(m_main.lstTask->item(i)->text());
    }

    const QString everyRow = QStringLiteral("select * from process order by processId");
    ResultSet rows = db.query(everyRow);
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
            db.transaction([&] {
                db.execute(QStringLiteral("delete from process where userId = ?"), {me});
                for (const QString& title : titles) {
                    db.execute(
                        QStringLiteral("insert into process (userId, processName) values (?, ?)"),
                        {me, title});
                }
            });
            rows = db.query(everyRow);
        }
    }

    // The collection is rebuilt from the rows; the tree is brought up to date in place, with the
    // texts and places a full rebuild would give.
    KeyedTree* tree = m_main.usersPage->userTree;
    QSet<QString> previousWindows;
    if (state.allProcesses) {
        for (const process& each : *state.allProcesses) {
            previousWindows.insert(windowKey(each.processId));
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
                user* owner = m_main.userList().getUserById(record.userId);
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
        keptWindows.insert(key);
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
}

void ProcessList::deleteOwnRows() {
    const user* me = m_main.state().currentUser;
    if (me != nullptr) {
        m_main.database().execute(QStringLiteral("delete from process where userId = ?"),
                                  {me->userId});
    }
}
