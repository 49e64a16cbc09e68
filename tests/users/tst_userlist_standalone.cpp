#include "SubsystemFixture.h"
#include "app/SettingsPage.h"
#include "users/ProcessList.h"
#include "users/SharingFrame.h"
#include "users/UserList.h"
#include "users/UsersPage.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The user list and the process list built from a workspace, their own page and the foreign
// controls they are given, with no main window around them.
class UserListStandaloneTest : public QObject {
    Q_OBJECT

private slots:
    void loadingChoosesTheSettingsUser();
    void noUserLocksOnSettings();
    void typedNameCreatesTheUser();
    void deletedUserKeepsItsRunningTask();
    void processListPublishesTheWindows();
};

namespace {

// The user list with the pages and lists it fills.
struct Users {
    explicit Users(SubsystemFixture& f)
        : page(new UsersPage(f.window.get()))
        , settingsPage(new SettingsPage(f.window.get()))
        , cboUserProductivity(new QComboBox(f.window.get()))
        , cboCategoryOwner(new QComboBox(f.window.get()))
        , list(new UserList(f.work, *page, *settingsPage->cboUser, *cboUserProductivity,
                            *cboCategoryOwner, f.window.get())) {}

    template <typename T>
    T* control(const QString& name) {
        T* found = page->findChild<T*>(name);
        if (found == nullptr) {
            found = settingsPage->findChild<T*>(name);
        }
        return found;
    }

    UsersPage* page;
    SettingsPage* settingsPage;
    QComboBox* cboUserProductivity;
    QComboBox* cboCategoryOwner;
    UserList* list;
};

bool active(SubsystemFixture& f, int userId) {
    return f.database()
        .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {userId})
        .toBool();
}

} // namespace

void UserListStandaloneTest::loadingChoosesTheSettingsUser() {
    SubsystemFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Bob"));
    Users u(f);
    QSignalSpy changed(u.list, &UserList::currentUserChanged);
    QSignalSpy reloaded(u.list, &UserList::usersReloaded);

    u.list->loadUserList();

    QCOMPARE(f.state.currentUser->userId, bob);
    QVERIFY(active(f, bob));
    QVERIFY(!active(f, ann));
    QCOMPARE(u.control<QComboBox>(QStringLiteral("cboUser"))->currentText(), QStringLiteral("Bob"));
    QCOMPARE(f.shell.userPanel, QStringLiteral("Bob"));
    QCOMPARE(u.cboUserProductivity->count(), 3); // "- All -", Ann, Bob
    QCOMPARE(u.cboUserProductivity->currentText(), QStringLiteral("Bob"));
    QCOMPARE(u.cboCategoryOwner->count(), 2);
    QVERIFY(u.control<KeyedTree>(QStringLiteral("userTree"))
                ->exists(QStringLiteral("uid_%1").arg(ann)));
    QVERIFY(!f.shell.locked[Shell::TasksTab]);
    QVERIFY(changed.count() >= 1);
    QCOMPARE(reloaded.count(), 1);
    QCOMPARE(f.messages.texts().size(), 0);
}

void UserListStandaloneTest::noUserLocksOnSettings() {
    SubsystemFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QString());
    Users u(f);

    u.list->loadUserList();

    QVERIFY(f.state.currentUser == nullptr);
    QCOMPARE(f.shell.tab, int(Shell::SettingsTab));
    QVERIFY(f.shell.locked[Shell::TasksTab]);
    QVERIFY(!f.shell.locked[Shell::SettingsTab]);
    QVERIFY(f.messages.wasShown(QStringLiteral(
        "There is no user set. Please select one from the list or type a user name")));
    QCOMPARE(f.shell.userPanel, QString());
}

void UserListStandaloneTest::typedNameCreatesTheUser() {
    // A new account on a shared database types its own name: the user is made and is current.
    SubsystemFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QString());
    Users u(f);
    u.list->loadUserList();
    QVERIFY(f.shell.locked[Shell::TasksTab]);

    u.control<QComboBox>(QStringLiteral("cboUser"))->setEditText(QStringLiteral("Carol"));
    f.messages.answerYes();
    u.list->cboUser_LostFocus();

    QVERIFY(f.messages.wasShown(
        QStringLiteral("The user could not be found, do you wish to create this user now?")));
    QCOMPARE(
        f.count(QStringLiteral("user"), QStringLiteral("userName = ?"), {QStringLiteral("Carol")}),
        1);
    QCOMPARE(f.state.currentUser->userName, QStringLiteral("Carol"));
    QCOMPARE(f.settings.user(), QStringLiteral("Carol"));
    QVERIFY(active(f, f.state.currentUser->userId));
    QCOMPARE(f.shell.userPanel, QStringLiteral("Carol"));
    QVERIFY(!f.shell.locked[Shell::TasksTab]);
    QCOMPARE(f.state.allUsers->Count(), 2);
}

void UserListStandaloneTest::deletedUserKeepsItsRunningTask() {
    SubsystemFixture f;
    f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    Users u(f);
    u.list->loadUserList();
    task& running = f.state.activeTasks->Add(7, QStringLiteral("tid_7"));
    running.user = f.state.userById(bob);

    u.list->loadUserAttributes(f.state.userById(bob));
    QCOMPARE(f.shell.tab, int(Shell::UsersTab));
    QCOMPARE(u.control<QLineEdit>(QStringLiteral("txtUserName"))->text(), QStringLiteral("Bob"));
    f.messages.answerYes();
    u.control<QPushButton>(QStringLiteral("cmdDeleteUser"))->click();

    QCOMPARE(f.count(QStringLiteral("user"), QStringLiteral("userId = ?"), {bob}), 0);
    QVERIFY(!u.control<KeyedTree>(QStringLiteral("userTree"))
                 ->exists(QStringLiteral("uid_%1").arg(bob)));
    QVERIFY(f.state.userById(bob) == nullptr);
    // The task still knows whose it is, by the record the state keeps for it.
    QCOMPARE(running.user->userName, QStringLiteral("Bob"));
    QCOMPARE(running.user, f.state.userOrUnlisted(bob));

    // A reload lists the others afresh; the task's user stays the unlisted one.
    u.list->loadUserList();
    QCOMPARE(running.user->userId, bob);
    QCOMPARE(f.state.allUsers->Count(), 1);
}

void UserListStandaloneTest::processListPublishesTheWindows() {
    SubsystemFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    Users u(f);
    u.list->loadUserList();
    auto* lstTask = new QListWidget(f.window.get());
    KeyedTree* userTree = u.control<KeyedTree>(QStringLiteral("userTree"));
    auto* sharing = new SharingFrame(f.window.get());
    ProcessList processes(f.work, f.windows, *lstTask, *userTree, *sharing);
    f.windows.setTitles({QStringLiteral("Editor"), QStringLiteral("Mail")});

    processes.loadProcessList();

    QCOMPARE(lstTask->count(), 2);
    QCOMPARE(f.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {ann}), 2);
    TreeNode* group = userTree->node(QStringLiteral("processes_%1").arg(ann));
    QVERIFY(group != nullptr);
    QCOMPARE(group->parentNode()->key(), QStringLiteral("uid_%1").arg(ann));
    QCOMPARE(group->text(), QStringLiteral("2 Processes"));

    // The desktop changes: the rows follow, and the window that closed leaves the tree.
    f.windows.setTitles({QStringLiteral("Mail")});
    processes.loadProcessList();
    QCOMPARE(f.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {ann}), 1);
    QCOMPARE(group->text(), QStringLiteral("1 Process"));

    processes.deleteOwnRows();
    QCOMPARE(f.count(QStringLiteral("process")), 0);
}

QTEST_MAIN(UserListStandaloneTest)
#include "tst_userlist_standalone.moc"
