#include "users/ProcessList.h"

#include "data/NodeKeys.h"
#include "platform/Clock.h"
#include "platform/WindowLister.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "users/ProcessStore.h"
#include "users/SharingFrame.h"
#include "widgets/KeyedTree.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>

namespace {
QString groupKey(int userId) {
    return NodeKeys::key(NodeKeys::ProcessGroup, userId);
}
QString windowKey(int processId) {
    return NodeKeys::key(NodeKeys::Window, processId);
}

void showTitles(QListWidget& list, const QStringList& titles) {
    // Listed again on every tick: a list that already shows these titles keeps its items, its
    // selection and its scroll position.
    if (list.count() == titles.size()) {
        bool same = true;
        for (int i = 0; same && i < list.count(); ++i) {
            same = list.item(i)->text() == titles.at(i);
        }
        if (same) {
            return;
        }
    }
    list.clear();
    list.addItems(titles);
}

// The users' "Processes" nodes through one load of the rows.
class GroupNodes {
public:
    GroupNodes(KeyedTree& tree, ProgramState& state)
        : m_tree(tree)
        , m_state(state) {}

    // The group one more window of a user goes under, made if need be; nullptr for a user this
    // instance has not loaded, whose rows have no node to go under.
    TreeNode* windowGroup(int userId) {
        Group& group = m_groups[userId];
        if (group.node == nullptr) {
            group.node = m_tree.node(groupKey(userId));
            group.existed = group.node != nullptr;
            if (group.node == nullptr) {
                user* owner = m_state.userById(userId);
                if (owner == nullptr || owner->userTreeNode == nullptr ||
                    !m_tree.owns(owner->userTreeNode)) {
                    return nullptr;
                }
                group.node = m_tree.addNode(owner->userTreeNode, groupKey(userId),
                                            ProcessList::tr("Processes"));
            }
        }
        ++group.count;
        return group.node;
    }

    // Counts the windows in the groups' texts, and removes the groups of the users listed at the
    // previous load who have no windows now.
    void settle(const QSet<int>& previousUsers) {
        for (const Group& group : std::as_const(m_groups)) {
            // A group made in this load reads "Processes" while it holds one window.
            if (group.node != nullptr && (group.existed || group.count > 1)) {
                group.node->setText(ProcessList::tr("%n Processes", nullptr, group.count));
            }
        }
        // A user whose windows have all gone (their instance closed, or shares nothing now)
        // shows no group, rather than a count of windows that are no longer there.
        for (const int userId : previousUsers) {
            if (!m_groups.contains(userId)) {
                m_tree.removeNode(groupKey(userId));
            }
        }
    }

private:
    struct Group {
        TreeNode* node = nullptr;
        bool existed = false;
        int count = 0;
    };
    KeyedTree& m_tree;
    ProgramState& m_state;
    QHash<int, Group> m_groups;
};

} // namespace

ProcessList::ProcessList(Workspace& workspace, WindowLister& windows, QListWidget& lstTask,
                         KeyedTree& userTree, SharingFrame& frame, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_windows(windows)
    , m_lstTask(lstTask)
    , m_userTree(userTree)
    , m_frame(frame)
    , m_sharing(workspace.settings, workspace.clock) {
    showSharing();
    connect(m_frame.shareChoice, &QButtonGroup::idClicked, this, [this](int id) {
        m_work.guard.run([this, id] { setSharingMode(WindowSharing::Mode(id)); });
    });
    connect(m_frame.txtHideWindows, &QLineEdit::editingFinished, this, [this] {
        m_work.guard.run([this] { setHidePatterns(m_frame.txtHideWindows->text()); });
    });
    connect(m_frame.cmdPauseSharing, &QPushButton::clicked, this, [this] {
        m_work.guard.run([this] { pauseSharing(m_frame.cboPauseSharing->currentData().toInt()); });
    });
    connect(m_frame.cmdResumeSharing, &QPushButton::clicked, this,
            [this] { m_work.guard.run([this] { resumeSharing(); }); });
}

void ProcessList::showSharing() {
    const std::optional<WindowSharing::Mode> chosen = m_sharing.storedMode();
    // A newcomer's choice is open: no button is checked until they pick one.
    m_frame.shareChoice->setExclusive(chosen.has_value());
    for (QAbstractButton* button : m_frame.shareChoice->buttons()) {
        button->setChecked(chosen && m_frame.shareChoice->id(button) == int(*chosen));
    }
    m_frame.shareChoice->setExclusive(true);
    if (!m_frame.txtHideWindows->hasFocus()) {
        m_frame.txtHideWindows->setText(m_sharing.hidePatterns());
    }
    const std::optional<QDateTime> until = m_sharing.pausedUntil();
    const QDateTime now = m_work.clock.now();
    // Nothing shared, nothing to pause.
    const bool pausable = !until && m_sharing.mode() != WindowSharing::Mode::Nothing;
    m_frame.cmdPauseSharing->setEnabled(pausable);
    m_frame.cboPauseSharing->setEnabled(pausable);
    m_frame.cmdResumeSharing->setEnabled(until.has_value());
    if (!until) {
        m_frame.lblSharingPaused->clear();
    } else {
        const QString at = until->date() == now.date()
                               ? until->toString(QStringLiteral("HH:mm"))
                               : QLocale().toString(*until, QStringLiteral("ddd HH:mm"));
        m_frame.lblSharingPaused->setText(tr("Nothing is shared until %1.").arg(at));
    }
    if (m_paused != until.has_value()) {
        m_paused = until.has_value();
        emit sharingPausedChanged(m_paused);
    }
}

bool ProcessList::awaitingChoice() const {
    return m_work.state.currentUser != nullptr && !m_sharing.storedMode();
}

void ProcessList::settleChoice() {
    // Asked once for each user who becomes current: a newcomer's rows stay empty meanwhile.
    if (!awaitingChoice() || m_settledFor == m_work.state.currentUser->userId) {
        return;
    }
    m_settledFor = m_work.state.currentUser->userId;
    // Someone whose instance already published titles before there was a choice goes on as
    // they were; a newcomer shares nothing until they choose.
    if (ProcessStore::countOwn(m_work.database(), m_work.state.currentUser->userId) > 0) {
        m_sharing.setMode(WindowSharing::Mode::Titles);
        showSharing();
    }
}

void ProcessList::publishNow() {
    // Before the database is open the first load publishes as the settings say.
    if (m_work.state.database) {
        refreshProcessList(false);
    }
}

void ProcessList::setSharingMode(WindowSharing::Mode mode) {
    m_sharing.setMode(mode);
    showSharing();
    publishNow();
}

void ProcessList::setHidePatterns(const QString& patterns) {
    if (patterns.trimmed() == m_sharing.hidePatterns()) {
        return;
    }
    m_sharing.setHidePatterns(patterns);
    publishNow();
}

void ProcessList::pauseSharing(int minutes) {
    if (minutes <= 0) {
        return;
    }
    m_sharing.pauseUntil(m_work.clock.now().addSecs(qint64(minutes) * 60));
    showSharing();
    publishNow();
}

void ProcessList::resumeSharing() {
    m_sharing.resume();
    showSharing();
    publishNow();
}

void ProcessList::fillWindowList(QListWidget* list) {
    showTitles(*list, sharedTitles());
}

QStringList ProcessList::sharedTitles() {
    return m_sharing.published(m_windows.windows(m_work.shell.windowId()));
}

QStringList ProcessList::listWindows() {
    // The titles go on to the rows as the desktop gave them; lstTask only shows them.
    const QStringList titles = sharedTitles();
    showTitles(m_lstTask, titles);
    return titles;
}

void ProcessList::loadProcessList() {
    settleChoice();
    loadRows(listWindows());
}

void ProcessList::refreshProcessList(bool rowsMoved) {
    settleChoice();
    if (m_paused != m_sharing.pausedUntil().has_value()) {
        showSharing(); // the pause has run out
    }
    const QStringList titles = listWindows();
    const user* current = m_work.state.currentUser;
    const int me = current != nullptr ? current->userId : -1;
    if (!rowsMoved && m_loaded && me == m_loadedFor && (me < 0 || titles == m_loadedTitles)) {
        return;
    }
    loadRows(titles);
}

void ProcessList::loadRows(const QStringList& titles) {
    m_loaded = false; // until the load is through
    showRows(writeOwnRows(titles));
    // Written or found equal: this user's rows now hold these titles.
    m_loaded = true;
    m_loadedFor = m_work.state.currentUser != nullptr ? m_work.state.currentUser->userId : -1;
    m_loadedTitles = titles;
}

ResultSet ProcessList::writeOwnRows(const QStringList& titles) {
    Database& db = m_work.database();
    ResultSet rows = ProcessStore::everyRow(db);
    const user* current = m_work.state.currentUser;
    if (current == nullptr) {
        return rows;
    }
    QStringList written;
    for (const Row row : rows) {
        if (row.integer(QStringLiteral("userId")) == current->userId) {
            written.append(row.text(QStringLiteral("processName")));
        }
    }
    // The rows are replaced only when the desktop changed: other instances read a stable
    // list, and the table's ids do not run up every two seconds.
    if (written != titles) {
        ProcessStore::replaceOwn(db, current->userId, titles);
        rows = ProcessStore::everyRow(db);
    }
    return rows;
}

void ProcessList::showRows(const ResultSet& rows) {
    // The collection is rebuilt from the rows; the tree is brought up to date in place, with the
    // texts and places a full rebuild would give.
    ProgramState& state = m_work.state;
    QSet<QString> previousWindows;
    QSet<int> previousGroups;
    if (state.allProcesses) {
        for (const process& each : *state.allProcesses) {
            previousWindows << windowKey(each.processId);
            previousGroups << each.userId;
        }
    }
    state.allProcesses = std::make_unique<processes>();

    GroupNodes groups(m_userTree, state);
    QSet<QString> keptWindows;
    for (const Row row : rows) {
        process& record = state.allProcesses->Add(row.text(QStringLiteral("processName")));
        record.userId = row.integer(QStringLiteral("userId"));
        record.processId = row.integer(QStringLiteral("processId"));
        TreeNode* group = groups.windowGroup(record.userId);
        if (group == nullptr) {
            continue;
        }
        const QString key = windowKey(record.processId);
        TreeNode* node = m_userTree.node(key);
        if (node == nullptr) {
            node = m_userTree.addNode(group, key, record.processName);
        }
        record.processNode = node;
        keptWindows << key;
    }
    for (const QString& key : std::as_const(previousWindows)) {
        if (!keptWindows.contains(key)) {
            m_userTree.removeNode(key);
        }
    }
    groups.settle(previousGroups);
}

void ProcessList::deleteOwnRows() {
    const user* me = m_work.state.currentUser;
    if (me != nullptr) {
        ProcessStore::deleteOwn(m_work.database(), me->userId);
    }
}
