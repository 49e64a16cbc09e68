#include "MainWindowFixture.h"
#include "app/SettingsPage.h"
#include "categories/CategoryEditorPage.h"
#include "reports/ProductivityPage.h"
#include "users/UserList.h"
#include "users/UsersPage.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

// The current user: chosen at start, changed by name, created on request, shown, edited and
// deleted; and the colours that tell who is at work.
class UsersTest : public QObject {
    Q_OBJECT

private slots:
    void settingNamesTheCurrentUser();
    void emptySettingLocksOnSettings();
    void settingOfAnUnlistedNameLocksToo();
    void listsAreFilled();
    void emptyUserTableLocksOnSettings();
    void unknownNameAnsweredNo();
    void unknownNameAnsweredYes();
    void choosingAnotherUser();
    void userNodeShowsTheEditor();
    void usersPageShowsTheCurrentUser();
    void savingAStoredUser();
    void savingANewUser();
    void nameOfAnotherUserIsRefused();
    void deletingAUser();
    void nodeColours();
    void rowsOfOtherInstancesDuringRefresh();
    void lookupByUnknownNameLocks();

private:
    static bool active(MainWindowFixture& f, int userId) {
        return f.database()
            .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {userId})
            .toBool();
    }
};

void UsersTest::settingNamesTheCurrentUser() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    QCOMPARE(f.state().currentUser->userId, ann);
    QCOMPARE(f.settings.user(), QStringLiteral("Ann"));
    QVERIFY(active(f, ann));
    QCOMPARE(f.control<QComboBox>(QStringLiteral("cboUser"))->currentText(), QStringLiteral("Ann"));
    QCOMPARE(f.control<QToolButton>(QStringLiteral("statusPanel_2"))->text(),
             QStringLiteral("Ann"));
    for (int i = 0; i < f.window().tabs->count(); ++i) {
        QVERIFY(f.window().tabs->isTabEnabled(i));
    }
    QVERIFY(f.window().lblDetails->text().startsWith(QStringLiteral("Welcome Ann, this program")));
}

void UsersTest::emptySettingLocksOnSettings() {
    // A new account on a shared database: nobody's name is taken for it, not even the last
    // user's, whose running task could otherwise be finished from here.
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.addOpenTime(design, bob, f.clock.now().addSecs(-600));
    f.settings.setUser(QString());
    QVERIFY(f.load());
    QVERIFY(f.state().currentUser == nullptr);
    QVERIFY(f.messages.wasShown(QStringLiteral(
        "There is no user set. Please select one from the list or type a user name")));
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::SettingsTab));
    for (int i = 0; i < f.window().tabs->count(); ++i) {
        QCOMPARE(f.window().tabs->isTabEnabled(i), i == frmMain::SettingsTab);
    }
    QVERIFY(!active(f, bob));
    QVERIFY(!f.window().tmrTime->isActive());
    QCOMPARE(f.control<QComboBox>(QStringLiteral("cboUser"))->currentText(), QString());
    QCOMPARE(f.control<QToolButton>(QStringLiteral("statusPanel_2"))->text(), QString());
    QVERIFY2(!f.window().lblDetails->text().contains(QStringLiteral("Welcome ,")),
             qPrintable(f.window().lblDetails->text()));
    QCOMPARE(f.settings.user(), QString());
    // Leaving the empty box asks nothing: there is no name to look up or to make a user of.
    f.messages.clear();
    f.window().userList().cboUser_LostFocus();
    QCOMPARE(f.messages.shown().size(), 0);
    f.systemTick();
    QVERIFY(!active(f, bob));

    // The person picks their name: it is theirs from now on, and the window greets them.
    auto* box = f.control<QComboBox>(QStringLiteral("cboUser"));
    box->setCurrentIndex(box->findText(QStringLiteral("Ann")));
    f.window().userList().cboUser_LostFocus();
    QCOMPARE(f.state().currentUser->userId, ann);
    QVERIFY(active(f, ann));
    QCOMPARE(f.settings.user(), QStringLiteral("Ann"));
    QVERIFY(f.window().tabs->isTabEnabled(frmMain::TasksTab));
    QVERIFY(f.window().lblDetails->text().startsWith(QStringLiteral("Welcome Ann, this program")));
}

void UsersTest::settingOfAnUnlistedNameLocksToo() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Zoë"));
    QVERIFY(f.load());
    QVERIFY(f.state().currentUser == nullptr);
    QVERIFY(!f.window().tabs->isTabEnabled(frmMain::TasksTab));
    // Typing a new name makes that user, who is current at once: nobody else was.
    auto* box = f.control<QComboBox>(QStringLiteral("cboUser"));
    box->setEditText(QStringLiteral("Zoe"));
    f.messages.answerYes();
    f.window().userList().cboUser_LostFocus();
    QCOMPARE(f.state().currentUser->userName, QStringLiteral("Zoe"));
    QCOMPARE(f.settings.user(), QStringLiteral("Zoe"));
    QVERIFY(f.window().tabs->isTabEnabled(frmMain::TasksTab));
    QVERIFY(f.window().lblDetails->text().startsWith(QStringLiteral("Welcome Zoe, ")));
    QCOMPARE(f.messages.unexpected(), 0);
}

void UsersTest::listsAreFilled() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("zoe"));
    f.addUser(QStringLiteral("Ann"));
    f.addUser(QStringLiteral("Mark"));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    auto items = [](QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i) {
            texts.append(box->itemText(i));
        }
        return texts;
    };
    QCOMPARE(items(f.control<QComboBox>(QStringLiteral("cboUser"))),
             (QStringList{"zoe", "Ann", "Mark"}));
    QCOMPARE(items(f.control<QComboBox>(QStringLiteral("cboUserProductivity"))),
             (QStringList{"- All -", "zoe", "Ann", "Mark"}));
    QCOMPARE(f.control<QComboBox>(QStringLiteral("cboUserProductivity"))->currentText(),
             QStringLiteral("Ann"));
    QCOMPARE(items(f.control<QComboBox>(QStringLiteral("cboCategoryOwner"))),
             (QStringList{"Ann", "Mark", "zoe"}));
    auto* tree = f.control<KeyedTree>(QStringLiteral("userTree"));
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->node(QStringLiteral("uid_1"))->text(), QStringLiteral("zoe"));
    QCOMPARE(f.state().allUsers->Count(), 3);
    QCOMPARE(f.state().allUsers->Item(QStringLiteral("uid_2")).userName, QStringLiteral("Ann"));
}

void UsersTest::emptyUserTableLocksOnSettings() {
    MainWindowFixture f;
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    QVERIFY(f.state().currentUser == nullptr);
    QVERIFY(f.messages.wasShown(QStringLiteral(
        "There is no user set. Please select one from the list or type a user name")));
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::SettingsTab));
    for (int i = 0; i < f.window().tabs->count(); ++i) {
        QCOMPARE(f.window().tabs->isTabEnabled(i), i == frmMain::SettingsTab);
    }
    QCOMPARE(f.messages.unexpected(), 0); // no creation question for an empty name
    f.messages.clear();
    f.systemTick();
    f.systemTick();
    QCOMPARE(f.messages.shown().size(), 0); // the ticks went through without failing
    QCOMPARE(f.count(QStringLiteral("process")), 0);

    // Typing a name and leaving the box offers to create that user.
    auto* box = f.control<QComboBox>(QStringLiteral("cboUser"));
    box->setEditText(QStringLiteral("Ann"));
    f.messages.answerYes();
    f.window().userList().cboUser_LostFocus();
    QCOMPARE(f.count(QStringLiteral("user")), 1);
    QCOMPARE(f.state().currentUser->userName, QStringLiteral("Ann"));
    QVERIFY(f.window().tabs->isTabEnabled(frmMain::TasksTab));
}

void UsersTest::unknownNameAnsweredNo() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.messages.clear();
    f.control<QComboBox>(QStringLiteral("cboUser"))->setEditText(QStringLiteral("Nobody"));
    f.messages.answerNo();
    f.window().userList().cboUser_LostFocus();
    QCOMPARE(f.messages.last().text,
             QStringLiteral("The user could not be found, do you wish to create this user now?"));
    QCOMPARE(f.messages.last().title, QStringLiteral("New User"));
    QCOMPARE(f.messages.last().buttons, Messages::Buttons::YesNo);
    QCOMPARE(f.messages.last().icon, Messages::Icon::None);
    QCOMPARE(f.count(QStringLiteral("user")), 1);
    QCOMPARE(f.state().currentUser->userId, ann);
    QVERIFY(!active(f, ann)); // until the next tick
    f.systemTick();
    QVERIFY(active(f, ann));
}

void UsersTest::unknownNameAnsweredYes() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.clock.advanceMinutes(30);
    f.control<QComboBox>(QStringLiteral("cboUser"))
        ->setEditText(QStringLiteral("Carl \"C\" O'Hara"));
    f.messages.answerYes();
    f.window().userList().cboUser_LostFocus();
    const ResultSet rows =
        f.database().query(QStringLiteral("select * from \"user\" where userName = ?"),
                           {QStringLiteral("Carl \"C\" O'Hara")});
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.first().dateTime(QStringLiteral("created")), f.clock.now());
    QCOMPARE(f.count(QStringLiteral("user")), 2);
    // The setting still names Ann, so Ann stays the current user.
    QCOMPARE(f.state().currentUser->userId, ann);
    QVERIFY(active(f, ann));
    QCOMPARE(f.state().allUsers->Count(), 2);
    QCOMPARE(f.messages.unexpected(), 0);
}

void UsersTest::choosingAnotherUser() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    auto* box = f.control<QComboBox>(QStringLiteral("cboUser"));
    box->setCurrentIndex(box->findText(QStringLiteral("Bob")));
    f.window().userList().cboUser_LostFocus();
    QCOMPARE(f.state().currentUser->userId, bob);
    QVERIFY(!active(f, ann));
    QVERIFY(active(f, bob));
    QCOMPARE(f.settings.user(), QStringLiteral("Bob"));
    QCOMPARE(f.control<QToolButton>(QStringLiteral("statusPanel_2"))->text(),
             QStringLiteral("Bob"));
    QCOMPARE(f.control<QComboBox>(QStringLiteral("cboUserProductivity"))->currentText(),
             QStringLiteral("Bob"));
    QVERIFY(f.window().lblDetails->text().startsWith(QStringLiteral("Welcome Bob, ")));
}

void UsersTest::userNodeShowsTheEditor() {
    MainWindowFixture f;
    f.clock.set(QDateTime(QDate(2005, 1, 12), QTime(9, 0)));
    const int ann = f.addUser(QStringLiteral("Ann"), false, QStringLiteral("ann@example.org"));
    f.database().execute(
        QStringLiteral("update \"user\" set details = 'Designer' where userId = ?"), {ann});
    f.clock.set(TestEnvironment::defaultStart());
    f.addUser(QStringLiteral("Bob"));
    QVERIFY(f.load());
    auto* tree = f.control<KeyedTree>(QStringLiteral("userTree"));
    emit tree->NodeClick(tree->node(QStringLiteral("uid_%1").arg(ann)));
    auto* frame = f.control<QGroupBox>(QStringLiteral("fraUserDetails"));
    QVERIFY(frame->isVisibleTo(&f.window()));
    QCOMPARE(frame->title(), QStringLiteral("User details for Ann"));
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::UsersTab));
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtUserName"))->text(), QStringLiteral("Ann"));
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtUserId"))->text(), QString::number(ann));
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtEmail"))->text(),
             QStringLiteral("ann@example.org"));
    QCOMPARE(f.control<QPlainTextEdit>(QStringLiteral("txtUserDetails"))->toPlainText(),
             QStringLiteral("Designer"));
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtUserCreated"))->text(),
             QStringLiteral("12/01/2005"));
}

void UsersTest::usersPageShowsTheCurrentUser() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::UsersTab);
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtUserId"))->text(), QString::number(bob));
    QCOMPARE(f.control<KeyedTree>(QStringLiteral("userTree"))->selectedNode()->key(),
             QStringLiteral("uid_%1").arg(bob));
}

void UsersTest::savingAStoredUser() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.window().userList().loadUserAttributes(f.state().currentUser);
    f.control<QLineEdit>(QStringLiteral("txtUserName"))->setText(QStringLiteral("Annie"));
    f.control<QLineEdit>(QStringLiteral("txtEmail"))->setText(QStringLiteral("annie@example.org"));
    f.control<QPlainTextEdit>(QStringLiteral("txtUserDetails"))
        ->setPlainText(QStringLiteral("Lead \\ \"design\""));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    const Row row = f.database()
                        .query(QStringLiteral("select * from \"user\" where userId = ?"), {ann})
                        .first();
    QCOMPARE(row.text(QStringLiteral("userName")), QStringLiteral("Annie"));
    QCOMPARE(row.text(QStringLiteral("email")), QStringLiteral("annie@example.org"));
    QCOMPARE(row.text(QStringLiteral("details")), QStringLiteral("Lead \\ \"design\""));
    QCOMPARE(f.control<KeyedTree>(QStringLiteral("userTree"))
                 ->node(QStringLiteral("uid_%1").arg(ann))
                 ->text(),
             QStringLiteral("Annie"));
    QCOMPARE(f.control<QGroupBox>(QStringLiteral("fraUserDetails"))->title(),
             QStringLiteral("User details for Annie"));
    // The lists keep the old name until they are loaded again.
    QCOMPARE(f.control<QComboBox>(QStringLiteral("cboUser"))->itemText(0), QStringLiteral("Ann"));
}

void UsersTest::savingANewUser() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::UsersTab); // shows Ann in the editor
    f.control<QPushButton>(QStringLiteral("cmdNewUser"))->click();
    for (const char* box : {"txtUserName", "txtUserId", "txtEmail", "txtUserCreated"}) {
        QCOMPARE(f.control<QLineEdit>(QLatin1String(box))->text(), QString());
    }
    QCOMPARE(f.control<QPlainTextEdit>(QStringLiteral("txtUserDetails"))->toPlainText(), QString());
    QVERIFY(f.control<QGroupBox>(QStringLiteral("fraUserDetails"))->isVisibleTo(&f.window()));
    f.control<QLineEdit>(QStringLiteral("txtUserName"))->setText(QStringLiteral("Dee"));
    f.control<QLineEdit>(QStringLiteral("txtEmail"))->setText(QStringLiteral("dee@example.org"));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.count(QStringLiteral("user")), 2);
    const Row row =
        f.database().query(QStringLiteral("select * from \"user\" where userName = 'Dee'")).first();
    QCOMPARE(row.boolean(QStringLiteral("active")), false);
    QCOMPARE(row.dateTime(QStringLiteral("created")), f.clock.now());
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtUserId"))->text(),
             row.text(QStringLiteral("userId")));
    QVERIFY(f.control<KeyedTree>(QStringLiteral("userTree"))
                ->exists(QStringLiteral("uid_") + row.text(QStringLiteral("userId"))));
    QCOMPARE(f.control<QComboBox>(QStringLiteral("cboUser"))->count(), 2);
    // Added, not taken on: Ann is still the one at work here.
    QCOMPARE(f.state().currentUser->userName, QStringLiteral("Ann"));
    QCOMPARE(f.settings.user(), QStringLiteral("Ann"));
}

void UsersTest::nameOfAnotherUserIsRefused() {
    // Two users of one name cannot be told apart: the second would lock the first out.
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    const QString refused = QStringLiteral("There is a user named Ann already.");
    f.control<QPushButton>(QStringLiteral("cmdNewUser"))->click();
    f.control<QLineEdit>(QStringLiteral("txtUserName"))->setText(QStringLiteral(" Ann"));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.messages.last().text, refused);
    f.window().userList().loadUserAttributes(f.window().userList().getUserById(bob));
    f.control<QLineEdit>(QStringLiteral("txtUserName"))->setText(QStringLiteral("Ann"));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.messages.last().text, refused);
    QCOMPARE(f.window().userList().getUserById(bob)->userName, QStringLiteral("Bob"));
    QCOMPARE(f.count(QStringLiteral("user"), QStringLiteral("trim(userName) = 'Ann'")), 1);

    // A second row of one name, written by another program, is what the check reports.
    const int second = f.addUser(QStringLiteral("Ann "));
    const Database::CheckReport report = Database::check(f.location());
    QCOMPARE(report.verdict, Database::CheckReport::Verdict::Damaged);
    QVERIFY2(report.lines.contains(
                 QStringLiteral("- the users %1, %2 share the name Ann: rename all but one of them")
                     .arg(ann)
                     .arg(second)),
             qPrintable(report.lines.join(QLatin1Char('\n'))));
}

void UsersTest::deletingAUser() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, bob);
    f.addTime(design, bob, f.clock.now().addSecs(-3600), f.clock.now(), 60);
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.messages.clear();
    f.window().userList().loadUserAttributes(f.state().allUsers->getUserById(bob));

    f.messages.answerNo();
    f.control<QPushButton>(QStringLiteral("cmdDeleteUser"))->click();
    QCOMPARE(f.count(QStringLiteral("user")), 2);

    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdDeleteUser"))->click();
    QCOMPARE(f.messages.last().text, QStringLiteral("Are you sure you want to delete this user?"));
    QCOMPARE(f.messages.last().title, QStringLiteral("Confirm Delete"));
    QCOMPARE(f.messages.last().icon, Messages::Icon::Question);
    QCOMPARE(f.count(QStringLiteral("user")), 1);
    QVERIFY(!f.control<KeyedTree>(QStringLiteral("userTree"))
                 ->exists(QStringLiteral("uid_%1").arg(bob)));
    QVERIFY(f.state().allUsers->getUserById(bob) == nullptr);
    QVERIFY(!f.control<QGroupBox>(QStringLiteral("fraUserDetails"))->isVisibleTo(&f.window()));
    // Nothing else goes with the user.
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);
    QCOMPARE(f.count(QStringLiteral("category"), QStringLiteral("ownerUserId = ?"), {bob}), 1);
    QCOMPARE(f.state().currentUser->userId, ann);
    f.systemTick();
    QCOMPARE(f.messages.shown().size(), 2); // the two questions, and no failure
}

void UsersTest::nodeColours() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"), true);
    const int cid = f.addUser(QStringLiteral("Cid"));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.systemTick();
    auto* tree = f.control<KeyedTree>(QStringLiteral("userTree"));
    auto colour = [&](int id) { return tree->node(QStringLiteral("uid_%1").arg(id))->backColor(); };
    QCOMPARE(colour(ann), QColor(255, 128, 255));
    QCOMPARE(colour(bob), QColor(128, 255, 128));
    QVERIFY(!colour(cid).isValid());
    // Bob's instance closes: his node keeps its colour until the list is loaded again.
    f.database().execute(QStringLiteral("update \"user\" set active = ? where userId = ?"),
                         {false, bob});
    f.systemTick();
    QCOMPARE(colour(bob), QColor(128, 255, 128));
    QCOMPARE(f.state().allUsers->getUserById(bob)->active, false);
    f.window().userList().loadUserList();
    f.systemTick();
    QVERIFY(!colour(bob).isValid());
    QCOMPARE(colour(ann), QColor(255, 128, 255));
}

void UsersTest::rowsOfOtherInstancesDuringRefresh() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, bob);
    QVERIFY(f.load());
    f.systemTick();
    f.messages.clear();
    auto* owner = f.control<QComboBox>(QStringLiteral("cboCategoryOwner"));
    auto* cboUser = f.control<QComboBox>(QStringLiteral("cboUser"));
    owner->setCurrentIndex(0);
    cboUser->setEditText(QStringLiteral("Bo")); // being typed
    // Another instance adds a user, who starts work at once, and deletes one.
    const int newcomer = f.addUser(QStringLiteral("Newcomer"), true);
    f.addOpenTime(design, newcomer, f.clock.now().addSecs(-120));
    f.database().execute(QStringLiteral("delete from \"user\" where userId = 1"));
    f.systemTick();
    QCOMPARE(f.messages.shown().size(), 0);
    QCOMPARE(f.state().allUsers->Count(), 3);
    QCOMPARE(f.state().currentUser->userId, bob);
    // The newcomer shows at once, in the tree and in the lists, and nothing chosen or typed is
    // lost.
    TreeNode* node = f.control<KeyedTree>(QStringLiteral("userTree"))
                         ->node(QStringLiteral("uid_%1").arg(newcomer));
    QVERIFY(node != nullptr);
    QCOMPARE(node->text(), QStringLiteral("Newcomer"));
    for (const char* list : {"cboUser", "cboUserProductivity", "cboCategoryOwner"}) {
        auto* box = f.control<QComboBox>(QString::fromLatin1(list));
        QCOMPARE(box->itemText(box->count() - 1), QStringLiteral("Newcomer"));
    }
    QCOMPARE(owner->currentIndex(), 0);
    QCOMPARE(cboUser->currentText(), QStringLiteral("Bo"));
    // Their running task hangs under them by the next tick.
    f.systemTick();
    QCOMPARE(node->childCount(), 1);
}

void UsersTest::lookupByUnknownNameLocks() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.messages.clear();
    QVERIFY(f.window().userList().getUserByName(QStringLiteral("Ann ")) == nullptr);
    QCOMPARE(f.messages.last().text,
             QStringLiteral(
                 "There is no user set. Please select one from the list or type a user name"));
    QCOMPARE(f.messages.last().title, QString());
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::SettingsTab));
    QVERIFY(!f.window().tabs->isTabEnabled(frmMain::TasksTab));
    QVERIFY(f.window().userList().getUserByName(QStringLiteral("Ann")) != nullptr);
}

QTEST_MAIN(UsersTest)
#include "tst_users.moc"
