#include "notifications/NotificationList.h"

#include "categories/CategoryTree.h"
#include "data/NodeKeys.h"
#include "data/TimeText.h"
#include "notifications/NotificationText.h"
#include "notifications/NotificationsPage.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "users/UserList.h"
#include "widgets/ClickableLabel.h"
#include "widgets/KeyedTree.h"
#include "widgets/Look.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

// The link labels keep the id they lead to here, as decimal text.
constexpr const char* TagProperty = "tag";

QString nodeKey(int notificationId) {
    return NodeKeys::key(NodeKeys::Notification, notificationId);
}

} // namespace

NotificationList::NotificationList(Workspace& workspace, NotificationsPage& page,
                                   CategoryTree& categories, UserList& users, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_categories(categories)
    , m_users(users) {
    connect(page.notificationTree, &KeyedTree::NodeClick, this, [this](TreeNode* node) {
        m_work.guard.run([&] { notificationTree_NodeClick(node); });
    });
    connect(page.cmdDeleteNotification, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdDeleteNotification_Click(); }));
    connect(page.lblFrom, &ClickableLabel::clicked, this,
            m_work.guarded([this] { lblFrom_Click(); }));
    connect(page.lblTo, &ClickableLabel::clicked, this, m_work.guarded([this] { lblTo_Click(); }));
    connect(page.lblNotificationCategory, &ClickableLabel::clicked, this,
            m_work.guarded([this] { lblNotificationCategory_Click(); }));
}

NotificationList::~NotificationList() = default;

QDateTime NotificationList::storedMoment(const QVariant& value) {
    if (value.typeId() != QMetaType::QString) {
        return TimeText::fromStorage(value); // an engine with a date-time type has read it
    }
    const QString text = value.toString();
    auto known = m_momentsRead.constFind(text);
    const QDateTime moment =
        known != m_momentsRead.constEnd() ? known.value() : TimeText::fromStorage(value);
    m_momentsReading[text] = moment;
    return moment;
}

void NotificationList::loadNotificationList() {
    ProgramState& state = m_work.state;
    KeyedTree* tree = m_page.notificationTree;

    m_momentsReading.clear(); // a load that failed half-way may have left some
    auto loaded = std::make_unique<notifications>(m_work.data());
    TreeNode* unreadGroupMade = nullptr;
    struct Arrival {
        QString key;
        QString title;
        QString message;
    };
    std::vector<Arrival> arrived;
    if (state.currentUser != nullptr) {
        const bool announce = m_unreadUser == state.currentUser->userId;
        if (!announce) {
            m_unreadSeen.clear();
        }
        const ResultSet rows =
            notifications::rowsAddressedTo(m_work.database(), state.currentUser->userId);
        const std::function<QDateTime(const QVariant&)> moment = [this](const QVariant& value) {
            return storedMoment(value);
        };
        for (const Row row : rows) {
            const int id = row.integer(QStringLiteral("notificationId"));
            const QString key = nodeKey(id);
            notification& record = loaded->Add(id, key);
            record.fromUser = state.userOrUnlisted(row.integer(QStringLiteral("fromUserId")));
            record.toUser = state.userOrUnlisted(row.integer(QStringLiteral("toUserId")));
            record.readRow(row, moment);

            const QString& status = record.status();
            TreeNode* group = tree->node(status);
            if (group == nullptr) {
                group = tree->addNode(nullptr, status, NotificationText::statusText(status));
                if (status == notification::Unread) {
                    m_work.shell.selectTab(Shell::NotificationsTab);
                    unreadGroupMade = group;
                }
            }
            TreeNode* node = tree->node(key);
            if (node == nullptr) {
                const category* concerned = state.categoryById(record.categoryId);
                node = tree->addNode(group, key,
                                     NotificationText::nodeText(
                                         concerned != nullptr ? concerned->categoryName : QString(),
                                         record.subject));
            }
            if (status == notification::Unread && !m_unreadSeen.contains(id)) {
                m_unreadSeen.insert(id);
                if (announce) {
                    arrived.push_back({key, node->text(), record.message});
                }
            }
            record.treeNode = node;
            if (status == notification::Unread && node->backColor() != Look::ActiveColour) {
                node->setBackColor(Look::ActiveColour);
            }
        }
        m_unreadUser = state.currentUser->userId;
    }
    m_momentsRead.swap(m_momentsReading);
    // Expanded once it has its first child: an empty group has nothing to open.
    if (unreadGroupMade != nullptr) {
        unreadGroupMade->setExpanded(true);
    }

    state.replaceNotifications(std::move(loaded));
    for (const Arrival& each : arrived) {
        emit unreadArrived(each.key, each.title, each.message);
    }
}

notification* NotificationList::getNotificationById(int notificationId) const {
    const ProgramState& state = m_work.state;
    if (!state.userNotifications) {
        return nullptr;
    }
    if (notification* keyed = state.userNotifications->find(nodeKey(notificationId));
        keyed != nullptr && keyed->notificationId == notificationId) {
        return keyed;
    }
    for (notification& each : *state.userNotifications) {
        if (each.notificationId == notificationId) {
            return &each;
        }
    }
    return nullptr;
}

void NotificationList::LoadNotificationAttributes(notification* thisNotification) {
    if (thisNotification == nullptr) {
        return;
    }
    notification* shown = thisNotification;
    if (shown->status() == notification::Unread) {
        shown->setStatus(notification::Read);
        shown->saveStatus();
        const int id = shown->notificationId;
        // Taken out so that the reload makes it again under "Read".
        m_page.notificationTree->removeNode(nodeKey(id));
        loadNotificationList();
        // The reload has the row as it is now stored; the record passed in lives on in the
        // replaced collection when the row is no longer listed.
        if (notification* reloaded = getNotificationById(id); reloaded != nullptr) {
            shown = reloaded;
            if (TreeNode* node = reloaded->treeNode; node != nullptr) {
                if (node->parent() != nullptr) {
                    node->parent()->setExpanded(true);
                }
                m_page.notificationTree->selectNode(node);
            }
        }
    }
    showDetails(*shown);
}

void NotificationList::showDetails(const notification& shown) {
    const ProgramState& state = m_work.state;
    const category* concerned = state.categoryById(shown.categoryId);
    m_page.lblNotificationCategory->setText(
        NotificationText::categoryLine(concerned != nullptr ? concerned->categoryName : QString()));
    m_page.lblFrom->setText(NotificationText::fromLine(
        shown.fromUser != nullptr ? shown.fromUser->userName : QString()));
    m_page.lblTo->setText(
        NotificationText::toLine(shown.toUser != nullptr ? shown.toUser->userName : QString()));
    m_page.lblDate->setText(NotificationText::createdLine(shown.createDate));
    m_page.lblStatusDate->setText(NotificationText::statusLine(shown.status(), shown.statusDate));
    m_page.lblNotificationMessage->setText(shown.message);

    auto tag = [](QLabel* label, const user* who) {
        label->setProperty(TagProperty,
                           who != nullptr ? QVariant(QString::number(who->userId)) : QVariant());
    };
    tag(m_page.lblFrom, shown.fromUser);
    tag(m_page.lblTo, shown.toUser);
    m_page.lblNotificationCategory->setProperty(TagProperty, QString::number(shown.categoryId));
}

void NotificationList::notificationTree_NodeClick(TreeNode* node) {
    if (node == nullptr) {
        return;
    }
    // The node may be gone once the notification is marked read.
    const QString key = node->key();
    const std::optional<int> id = NodeKeys::idOf(NodeKeys::Notification, key);
    if (!key.startsWith(NodeKeys::Notification)) {
        m_page.fraNotificationAttributes->hide();
        return;
    }
    ProgramState& state = m_work.state;
    state.currentNotification = getNotificationById(id.value_or(0));
    if (state.currentNotification == nullptr) {
        // A node left from another user's list: there is nothing to show for it.
        m_page.fraNotificationAttributes->hide();
        return;
    }
    LoadNotificationAttributes(state.currentNotification);
    m_page.fraNotificationAttributes->show();
}

void NotificationList::cmdDeleteNotification_Click() {
    notification* shown = m_work.state.currentNotification;
    if (shown == nullptr) {
        return;
    }
    // Saved first: when the row cannot be written, the node stays where the user saw it.
    shown->setStatus(notification::Deleted);
    shown->saveStatus();
    m_page.notificationTree->removeNode(nodeKey(shown->notificationId));
    m_page.fraNotificationAttributes->hide();
}

std::optional<int> NotificationList::tagOf(const QLabel* label) {
    bool ok = false;
    const int id = label->property(TagProperty).toString().toInt(&ok);
    return ok ? std::optional<int>(id) : std::nullopt;
}

void NotificationList::showUserOfLabel(const QLabel* label) {
    if (const auto id = tagOf(label)) {
        // A sender or addressee this instance has not loaded shows nothing.
        if (user* who = m_work.state.userById(*id); who != nullptr) {
            m_users.loadUserAttributes(who);
        }
    }
}

void NotificationList::lblFrom_Click() {
    showUserOfLabel(m_page.lblFrom);
}

void NotificationList::lblTo_Click() {
    showUserOfLabel(m_page.lblTo);
}

void NotificationList::lblNotificationCategory_Click() {
    const auto id = tagOf(m_page.lblNotificationCategory);
    ProgramState& state = m_work.state;
    if (!id || !state.allCategories) {
        return;
    }
    category* concerned = state.categoryById(*id);
    // A category that is not loaded would leave the "- none -" entry selected, where no task
    // can be started.
    if (concerned == nullptr || concerned->categoryId != *id || *id == 0) {
        return;
    }
    // Chosen here as in the tree: the Tasks page starts work on it from now on, too.
    m_categories.selectCategory(concerned);
    m_work.shell.selectTab(Shell::CategoryTab);
}
