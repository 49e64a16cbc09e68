#include "users/UserList.h"

#include "data/NameText.h"
#include "data/NodeKeys.h"
#include "data/Refusal.h"
#include "data/SignedIn.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Settings.h"
#include "session/Shell.h"
#include "session/Workspace.h"
#include "users/UserStore.h"
#include "users/UsersPage.h"
#include "widgets/KeyedTree.h"
#include "widgets/ListHelpers.h"
#include "widgets/Look.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>
#include <utility>

namespace {
const char* const NoUserSet = QT_TRANSLATE_NOOP(
    "UserList", "There is no user set. Please select one from the list or type a user name");
} // namespace

UserList::UserList(Workspace& workspace, UsersPage& page, QComboBox& cboUser,
                   QComboBox& cboUserProductivity, QComboBox& cboCategoryOwner, QObject* parent)
    : QObject(parent)
    , m_work(workspace)
    , m_page(page)
    , m_cboUser(cboUser)
    , m_cboUserProductivity(cboUserProductivity)
    , m_cboCategoryOwner(cboCategoryOwner) {
    cboUser.installEventFilter(this);
    if (cboUser.lineEdit() != nullptr) {
        cboUser.lineEdit()->installEventFilter(this);
        connect(cboUser.lineEdit(), &QLineEdit::returnPressed, this,
                m_work.guarded([this] { cboUser_LostFocus(); }));
    }
    connect(&cboUser, &QComboBox::activated, this, m_work.guarded([this] { cboUser_LostFocus(); }));
    connect(page.userTree, &KeyedTree::NodeClick, this,
            [this](TreeNode* node) { m_work.guard.run([&] { userTree_NodeClick(node); }); });
    connect(page.cmdSaveUser, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdSaveUser_Click(); }));
    connect(page.cmdDeleteUser, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdDeleteUser_Click(); }));
    connect(page.cmdNewUser, &QPushButton::clicked, this,
            m_work.guarded([this] { cmdNewUser_Click(); }));
}

UserList::~UserList() = default;

bool UserList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        QComboBox* cboUser = &m_cboUser;
        // Leaving the box for one of its own parts (its list) is not leaving it.
        if (watched == cboUser || watched == cboUser->lineEdit()) {
            auto* focus = static_cast<QFocusEvent*>(event);
            if (focus->reason() != Qt::PopupFocusReason) {
                m_work.guard.run([this] { cboUser_LostFocus(); });
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void UserList::loadUserList() {
    ProgramState& state = m_work.state;
    std::unique_ptr<users> old = std::move(state.allUsers);
    state.allUsers = std::make_unique<users>(m_work.data());
    ++m_loads;

    QComboBox* cboUser = &m_cboUser;
    QComboBox* cboUserProductivity = &m_cboUserProductivity;
    QComboBox* cboCategoryOwner = &m_cboCategoryOwner;
    {
        const QSignalBlocker blockUser(cboUser);
        const QSignalBlocker blockProductivity(cboUserProductivity);
        const QSignalBlocker blockOwner(cboCategoryOwner);
        m_page.userTree->clearNodes();
        cboUser->clear();
        cboUser->setEditText(QString());
        cboUserProductivity->clear();
        cboCategoryOwner->clear();
        cboUserProductivity->addItem(tr("- All -"));
        cboUserProductivity->setCurrentIndex(0);

        // One query for every user: the rows come in id order, the order they were added.
        const ResultSet rows = UserStore::everyUser(m_work.database());
        QStringList names;
        names.reserve(rows.count());
        {
            // The tree and the lists take the whole team at once: a list that sorts itself
            // sorts once, not once per person.
            m_page.userTree->setUpdatesEnabled(false);
            const KeyedTree::Filling filling(*m_page.userTree, int(rows.count()));
            for (const Row row : rows) {
                const int id = row.integer(QStringLiteral("userId"));
                const QString key = NodeKeys::key(NodeKeys::User, id);
                user& loaded = state.allUsers->Add(id, key);
                loaded.readRow(row);
                loaded.userTreeNode = m_page.userTree->addNode(nullptr, key, loaded.userName);
                names.append(loaded.userName);
            }
        }
        m_page.userTree->setUpdatesEnabled(true);
        for (QComboBox* list : {cboUser, cboUserProductivity, cboCategoryOwner}) {
            list->addItems(names);
        }
        cboCategoryOwner->setCurrentIndex(-1);
        // Filling selects the first entry; the box names nobody until a name is chosen below.
        cboUser->setCurrentIndex(-1);
        cboUser->setEditText(QString());

        // Nobody works under someone else's name: a setting that is empty (a new account on a
        // shared database) or names no listed user chooses nobody, and the window waits on the
        // Settings page for the person to pick or type their name.
        state.currentUser = nullptr;
        if (state.signedInAs) {
            // Signed in to the server: the person is who the server knows them as.
            cboUser->setEnabled(false);
            cboUser->setToolTip(
                tr("Signed in to the database server as %1.").arg(*state.signedInAs));
            setListValue(cboUser, *state.signedInAs);
            if (cboUser->currentText() == *state.signedInAs) {
                state.currentUser = getUserByName(*state.signedInAs);
            }
        } else {
            setListValue(cboUser, m_work.settings.user());
            if (!cboUser->currentText().isEmpty()) {
                state.currentUser = getUserByName(cboUser->currentText());
            }
        }
    }
    state.repointUsers(std::move(old));
    emit usersReloaded();

    m_work.shell.showUserPanel(cboUser->currentText());
    if (state.currentUser == nullptr) {
        lockOnSettings();
        emit currentUserChanged();
        return;
    }
    setCurrentUser();
    emit currentUserChanged();
}

void UserList::lockOnSettings() {
    m_work.shell.lockAllTabs(true);
    m_work.shell.unlockTab(Shell::SettingsTab);
    m_work.shell.selectTab(Shell::SettingsTab);
    const std::optional<QString>& login = m_work.state.signedInAs;
    if (login && m_work.state.currentUser == nullptr) {
        // No name to choose here: only an administrator can make the user for this login.
        const QStringList administrators = SignedIn::administrators(m_work.database());
        m_work.messages.show(tr("You are signed in to the database server as %1, but there is "
                                "no Quillhour user of that name. Ask %2 to add you with: "
                                "quillhour --add-login URL %1")
                                 .arg(*login, administrators.join(tr(" or "))),
                             QString(), Messages::Buttons::Ok, Messages::Icon::Information);
        return;
    }
    m_work.messages.show(tr(NoUserSet), QString(), Messages::Buttons::Ok, Messages::Icon::None);
}

void UserList::setCurrentUser() {
    if (m_settingUser) {
        return; // a question is already open for the name in the box
    }
    m_settingUser = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_settingUser};

    ProgramState& state = m_work.state;
    if (state.currentUser != nullptr) {
        setUserActive(state.currentUser->userId, false);
    }
    // Signed in to the server, the login is the name, whatever the box was made to say. Blanks
    // around a typed name are no part of it, as the lists compare names.
    const QString name = state.signedInAs.value_or(m_cboUser.currentText().trimmed());
    if (state.signedInAs && m_cboUser.currentText() != name) {
        const QSignalBlocker quiet(&m_cboUser);
        setListValue(&m_cboUser, name);
        m_cboUser.setEditText(name);
    }
    if (name.trimmed().isEmpty()) {
        return; // no name to look up, nor to make a user of
    }
    if (const std::optional<Row> found = UserStore::findByName(m_work.database(), name)) {
        const Row& row = *found;
        m_work.settings.setUser(row.text(QStringLiteral("userName")));
        user* chosen = getUserById(row.integer(QStringLiteral("userId")));
        if (chosen == nullptr) {
            // Added by another instance since the list was loaded: load it, then choose it.
            m_settingUser = false;
            loadUserList();
            return;
        }
        const bool changed = state.currentUser != chosen;
        state.currentUser = chosen;
        setUserActive(chosen->userId, true);
        m_work.shell.lockAllTabs(false);
        if (changed) {
            emit currentUserChanged();
        }
        m_work.shell.showUserPanel(chosen->userName);
        setListValue(&m_cboUserProductivity, chosen->userName);
        return;
    }
    if (state.signedInAs) {
        return; // the name is the login's; users are made by administrators
    }
    if (!m_work.messages.ask(tr("The user could not be found, do you wish to create "
                                "this user now?"),
                             tr("New User"))) {
        return;
    }
    if (!UserStore::add(m_work.database(), name, m_work.clock.now())) {
        m_work.messages.show(Refusal::sameName(name), QString(), Messages::Buttons::Ok,
                             Messages::Icon::Information);
        return;
    }
    if (state.currentUser == nullptr) {
        // Nobody was chosen: the person made themselves, and works as the user just made.
        m_work.settings.setUser(name);
    }
    m_settingUser = false;
    loadUserList();
    setCurrentUser();
}

void UserList::setUserActive(int userId, bool active) {
    if (m_presenceHeld) {
        // Only the last word counts: present, or nobody present to write.
        m_presenceOwed = active ? std::optional<int>(userId) : std::nullopt;
        return;
    }
    UserStore::setActive(m_work.database(), userId, active);
    m_presenceWritten = m_presenceWritten || active;
}

void UserList::holdPresence() {
    m_presenceHeld = true;
}

void UserList::endPresenceHold(HoldEnd end) {
    m_presenceHeld = false;
    const std::optional<int> owed = std::exchange(m_presenceOwed, std::nullopt);
    if (owed && end == HoldEnd::Write) {
        setUserActive(*owed, true);
    }
}

void UserList::refreshUserList() {
    ProgramState& state = m_work.state;
    if (!state.allUsers) {
        return;
    }
    const ResultSet rows = UserStore::everyRow(m_work.database());
    const int current = state.currentUser != nullptr ? state.currentUser->userId : -1;
    std::vector<Row> arrived;
    for (const Row row : rows) {
        user* loaded = getUserById(row.integer(QStringLiteral("userId")));
        if (loaded == nullptr) {
            arrived.push_back(row);
            continue;
        }
        loaded->readRow(row);
        TreeNode* node = loaded->userTreeNode;
        if (node == nullptr || !m_page.userTree->owns(node)) {
            continue;
        }
        // Colours are set, never taken back, until the list is loaded again.
        if (loaded->active) {
            node->setBackColor(Look::ActiveColour);
        }
        if (loaded->userId == current) {
            node->setBackColor(Look::CurrentColour);
        }
    }
    if (!arrived.empty()) {
        addArrivedUsers(arrived);
    }
}

void UserList::addArrivedUsers(std::vector<Row>& rows) {
    // Added by another instance since the list was loaded: listed at the end, in the order they
    // were added, without a reload that would take away what the lists have chosen and what is
    // typed into them.
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.integer(QStringLiteral("userId")) < b.integer(QStringLiteral("userId"));
    });
    ProgramState& state = m_work.state;
    for (const Row& row : rows) {
        const int id = row.integer(QStringLiteral("userId"));
        const QString key = NodeKeys::key(NodeKeys::User, id);
        user& arrived = state.allUsers->Add(id, key);
        arrived.readRow(row);
        arrived.userTreeNode = m_page.userTree->addNode(nullptr, key, arrived.userName);
        if (arrived.active) {
            arrived.userTreeNode->setBackColor(Look::ActiveColour);
        }
        for (QComboBox* list : {&m_cboUser, &m_cboUserProductivity, &m_cboCategoryOwner}) {
            appendKeepingChoice(list, arrived.userName);
        }
    }
    // Records that knew them by id only (the sender of a notification, the user of a running
    // task) point at the listed users now.
    state.repointUsers(nullptr);
}

user* UserList::getUserById(int userId) const {
    const ProgramState& state = m_work.state;
    return state.allUsers ? state.allUsers->getUserById(userId) : nullptr;
}

user* UserList::getUserByName(const QString& userName) {
    if (m_work.state.allUsers) {
        for (user& each : *m_work.state.allUsers) {
            if (each.userName == userName) {
                return &each;
            }
        }
    }
    lockOnSettings();
    return nullptr;
}

void UserList::loadUserAttributes(user* thisUser) {
    if (thisUser == nullptr) {
        return;
    }
    m_page.fraUserDetails->setTitle(
        tr("User details for %1").arg(NameText::isolated(thisUser->userName)));
    m_page.fraUserDetails->show();
    m_work.shell.selectTab(Shell::UsersTab);
    m_page.txtUserName->setText(thisUser->userName);
    // Signed in to the server, a name is a login: administrators rename both together.
    const bool nameIsLogin = m_work.state.signedInAs.has_value();
    m_page.txtUserName->setReadOnly(nameIsLogin);
    m_page.txtUserName->setToolTip(nameIsLogin ? Refusal::nameIsLogin(thisUser->userName)
                                               : QString());
    m_page.txtUserId->setText(QString::number(thisUser->userId));
    m_page.txtEmail->setText(thisUser->email);
    m_page.txtUserDetails->setPlainText(thisUser->details);
    m_page.txtUserCreated->setText(TimeText::format(thisUser->created, TimeText::DD_MM_YYYY));
}

void UserList::cboUser_LostFocus() {
    setCurrentUser();
}

void UserList::userTree_NodeClick(TreeNode* node) {
    const std::optional<int> id =
        node != nullptr ? NodeKeys::idOf(NodeKeys::User, node->key()) : std::nullopt;
    if (!id) {
        return;
    }
    // By the id in the key rather than the node's text: two users may share a name.
    loadUserAttributes(getUserById(*id));
}

void UserList::cmdSaveUser_Click() {
    const QString name = m_page.txtUserName->text().trimmed();
    if (name.isEmpty()) {
        m_work.messages.show(tr("Please enter a user name."), QString(), Messages::Buttons::Ok,
                             Messages::Icon::Information);
        return;
    }
    user* record = nullptr;
    std::unique_ptr<user> fresh;
    const QString idText = m_page.txtUserId->text().trimmed();
    if (!idText.isEmpty()) {
        record = getUserById(idText.toInt());
        if (record == nullptr) {
            m_work.messages.show(tr("This user is no longer in the list; it may "
                                    "have been deleted."),
                                 QString(), Messages::Buttons::Ok, Messages::Icon::Information);
            return;
        }
    } else {
        fresh = std::make_unique<user>(m_work.data());
        record = fresh.get();
    }
    if (!fresh && m_work.state.signedInAs && name != record->userName) {
        m_work.messages.show(Refusal::nameIsLogin(record->userName), QString(),
                             Messages::Buttons::Ok, Messages::Icon::Information);
        return;
    }
    const user before = *record;
    record->userName = name;
    record->details = m_page.txtUserDetails->toPlainText();
    record->email = m_page.txtEmail->text();
    bool taken = false;
    try {
        m_work.database().transaction([&] {
            // Tried again when the database was busy: as if nothing had been saved.
            record->userId = before.userId;
            record->created = before.created;
            taken = UserStore::nameTaken(m_work.database(), name, record->userId);
            if (!taken) {
                record->save();
            }
        });
    } catch (...) {
        *record = before; // nothing was stored, so the record in memory says so too
        throw;
    }
    if (taken) {
        *record = before;
        m_work.messages.show(Refusal::sameName(name), QString(), Messages::Buttons::Ok,
                             Messages::Icon::Information);
        return;
    }
    if (fresh) {
        const int newId = fresh->userId;
        loadUserList();
        record = getUserById(newId);
    } else if (record->userTreeNode != nullptr && m_page.userTree->owns(record->userTreeNode)) {
        record->userTreeNode->setText(record->userName);
    }
    loadUserAttributes(record);
}

void UserList::cmdNewUser_Click() {
    // An empty editor: Save then adds a user, who does not become current.
    m_page.fraUserDetails->setTitle(tr("User Details"));
    m_page.fraUserDetails->show();
    m_page.txtUserName->clear();
    m_page.txtUserName->setReadOnly(false);
    m_page.txtUserName->setToolTip(QString());
    m_page.txtUserId->clear();
    m_page.txtEmail->clear();
    m_page.txtUserDetails->clear();
    m_page.txtUserCreated->clear();
    m_page.txtUserName->setFocus();
}

void UserList::cmdDeleteUser_Click() {
    const QString idText = m_page.txtUserId->text().trimmed();
    if (idText.isEmpty()) {
        return; // nothing stored is on show
    }
    if (!m_work.messages.ask(tr("Are you sure you want to delete this user?"), tr("Confirm Delete"),
                             Messages::Icon::Question)) {
        return;
    }
    const int id = idText.toInt();
    UserStore::remove(m_work.database(), id);
    const QString key = NodeKeys::key(NodeKeys::User, id);
    m_page.userTree->removeNode(key);
    if (m_work.state.allUsers && m_work.state.allUsers->contains(key)) {
        m_work.state.unlistUser(m_work.state.allUsers->Take(key));
    }
    m_page.fraUserDetails->hide();
}
