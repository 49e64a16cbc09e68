#include "MainWindowFixture.h"
#include "categories/CategoryTree.h"
#include "users/UserList.h"
#include "widgets/ClickableLabel.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

const QColor LightGreen(128, 255, 128);

// Ann writes to Bob, who is the current user, about the category "Budget".
struct Team {
    MainWindowFixture f;
    int ann = 0;
    int bob = 0;
    int budget = 0;

    Team() {
        ann = f.addUser(QStringLiteral("Ann"));
        bob = f.addUser(QStringLiteral("Bob"));
        budget = f.addCategory(QStringLiteral("Budget"));
        f.settings.setUser(QStringLiteral("Bob"));
    }

    int toBob(const QString& subject, const QString& status = QStringLiteral("Unread"),
              const QDateTime& created = {}) {
        return f.addNotification(ann, bob, budget, 2, subject, status,
                                 QStringLiteral("Message about ") + subject, created);
    }

    KeyedTree* tree() { return f.control<KeyedTree>(QStringLiteral("notificationTree")); }
    TreeNode* node(int notificationId) {
        return tree()->node(QStringLiteral("nid_%1").arg(notificationId));
    }
    QGroupBox* details() {
        return f.control<QGroupBox>(QStringLiteral("fraNotificationAttributes"));
    }
    QString label(const char* name) { return f.control<QLabel>(QString::fromLatin1(name))->text(); }
    int currentTab() { return f.window().tabs->currentIndex(); }

    void showNotifications() { f.window().selectTab(frmMain::NotificationsTab); }
    void click(TreeNode* node) {
        QVERIFY(node != nullptr);
        showNotifications();
        if (node->parent() != nullptr) {
            node->parent()->setExpanded(true); // as the user would open a group
        }
        tree()->scrollToItem(node);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                          tree()->visualItemRect(node).center());
    }
    void clickLabel(const char* name) {
        QTest::mouseClick(f.control<ClickableLabel>(QString::fromLatin1(name)), Qt::LeftButton);
    }

    Row row(int notificationId) {
        return f.database()
            .query(QStringLiteral("select * from notification where notificationId = ?"),
                   {notificationId})
            .first();
    }
    QStringList groups() {
        QStringList texts;
        for (const TreeNode* top : tree()->topLevelNodes()) {
            texts.append(top->text());
        }
        return texts;
    }
};

} // namespace

// The notifications addressed to the current user: the tree grouped by status, reading one,
// deleting one, the details frame and its links, and what the two-second reload leaves alone.
class NotificationsTest : public QObject {
    Q_OBJECT

private slots:
    void unreadNotificationAtStart();
    void nothingToShow();
    void readingANotification();
    void detailsFormats();
    void groupClickHidesDetails();
    void deleteAndReappear();
    void reloadLeavesNodesAlone();
    void linksOpenTheEditors();
    void categoryLinkIsWhereWorkStarts();
    void unknownSenderAndCategory();
    void staleNodesAndEarlyLinks();
};

void NotificationsTest::unreadNotificationAtStart() {
    Team t;
    const int read = t.toBob(QStringLiteral("Old news"), QStringLiteral("Read"));
    const int unread = t.toBob(QStringLiteral("Above maximum"));
    t.f.addNotification(t.bob, t.ann, t.budget, 2, QStringLiteral("For Ann only"));
    QVERIFY(t.f.load());

    QCOMPARE(t.currentTab(), int(frmMain::NotificationsTab));
    // Groups in the order their statuses are first met; Ann's notification is not Bob's.
    QCOMPARE(t.groups(), (QStringList{QStringLiteral("Read"), QStringLiteral("Unread")}));
    QCOMPARE(t.tree()->nodeCount(), 4);
    QCOMPARE(t.f.state().userNotifications->Count(), 2);

    TreeNode* node = t.node(unread);
    QVERIFY(node != nullptr);
    QCOMPARE(node->text(), QStringLiteral("Budget - Above maximum"));
    QCOMPARE(node->parentNode()->key(), QStringLiteral("Unread"));
    QVERIFY(node->parentNode()->isExpanded());
    QCOMPARE(node->backColor(), LightGreen);
    QCOMPARE(t.node(read)->parentNode()->key(), QStringLiteral("Read"));
    QVERIFY(!t.node(read)->backColor().isValid());
    QVERIFY(t.details()->isHidden());
    QVERIFY(t.f.messages.shown().isEmpty());
}

void NotificationsTest::nothingToShow() {
    Team t;
    t.f.addNotification(t.bob, t.ann, t.budget, 2, QStringLiteral("For Ann only"));
    t.toBob(QStringLiteral("Seen"), QStringLiteral("Read"));
    QVERIFY(t.f.load());
    // Only an unread notification brings the page forward.
    QCOMPARE(t.currentTab(), int(frmMain::TasksTab));
    QCOMPARE(t.groups(), QStringList{QStringLiteral("Read")});

    Team empty;
    QVERIFY(empty.f.load());
    QCOMPARE(empty.f.state().userNotifications->Count(), 0);
    QCOMPARE(empty.tree()->nodeCount(), 0);
    empty.f.systemTick();
    QCOMPARE(empty.tree()->nodeCount(), 0);
    QCOMPARE(empty.currentTab(), int(frmMain::TasksTab));
}

void NotificationsTest::readingANotification() {
    Team t;
    const QDateTime created(QDate(2026, 12, 1), QTime(8, 30));
    const int id = t.toBob(QStringLiteral("Above maximum"), QStringLiteral("Unread"), created);
    QVERIFY(t.f.load());
    TreeNode* unreadNode = t.node(id);

    t.f.clock.set(QDateTime(QDate(2026, 12, 7), QTime(11, 15, 20)));
    t.click(unreadNode);
    QCOMPARE(t.f.messages.shown().size(), 0);

    const Row stored = t.row(id);
    QCOMPARE(stored.text(QStringLiteral("status")), QStringLiteral("Read"));
    QCOMPARE(stored.dateTime(QStringLiteral("statusDate")), t.f.clock.now());
    QCOMPARE(stored.dateTime(QStringLiteral("createDate")), created);
    QCOMPARE(stored.integer(QStringLiteral("fromUserId")), t.ann);
    QCOMPARE(stored.text(QStringLiteral("subject")), QStringLiteral("Above maximum"));

    // Made again under a new "Read" group, plain, and selected.
    TreeNode* readNode = t.node(id);
    QVERIFY(readNode != nullptr);
    QCOMPARE(readNode->parentNode()->key(), QStringLiteral("Read"));
    QCOMPARE(readNode->text(), QStringLiteral("Budget - Above maximum"));
    QVERIFY(!readNode->backColor().isValid());
    QCOMPARE(t.tree()->selectedNode(), readNode);
    QVERIFY(readNode->parentNode()->isExpanded());
    QCOMPARE(t.groups(), (QStringList{QStringLiteral("Unread"), QStringLiteral("Read")}));
    QCOMPARE(t.tree()->node(QStringLiteral("Unread"))->children(), 0);

    QVERIFY(t.details()->isVisible());
    QCOMPARE(t.label("lblStatusDate"), QStringLiteral("Read on 7 Dec 2026 at 11:15"));
    QCOMPARE(t.label("lblDate"), QStringLiteral("Created on 1 Dec 2026 at 08:30"));
    notification* current = t.f.state().currentNotification;
    QVERIFY(current != nullptr);
    QCOMPARE(current->notificationId, id);
    QCOMPARE(current->status(), QStringLiteral("Read"));
    QCOMPARE(current->treeNode, readNode);

    // Showing it again writes nothing.
    t.f.clock.set(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
    t.click(readNode);
    QCOMPARE(t.row(id).dateTime(QStringLiteral("statusDate")),
             QDateTime(QDate(2026, 12, 7), QTime(11, 15, 20)));
    QCOMPARE(t.label("lblStatusDate"), QStringLiteral("Read on 7 Dec 2026 at 11:15"));
    QCOMPARE(t.node(id), readNode);
}

void NotificationsTest::detailsFormats() {
    Team t;
    // One-digit day and the first minutes after midnight.
    const int id = t.f.addNotification(t.ann, t.bob, t.budget, 1, QStringLiteral("Below minimum"),
                                       QStringLiteral("Read"),
                                       QStringLiteral("Budget has had <b>2</b> of 10 hours."),
                                       QDateTime(QDate(2026, 1, 5), QTime(0, 5)));
    t.f.database().execute(
        QStringLiteral("update notification set statusDate = ? where notificationId = ?"),
        {QDateTime(QDate(2026, 12, 6), QTime(23, 47, 59)), id});
    QVERIFY(t.f.load());
    t.click(t.node(id));

    QCOMPARE(t.label("lblNotificationCategory"), QStringLiteral("Category: Budget"));
    QCOMPARE(t.label("lblFrom"), QStringLiteral("From: Ann"));
    QCOMPARE(t.label("lblTo"), QStringLiteral("To: Bob"));
    QCOMPARE(t.label("lblDate"), QStringLiteral("Created on 5 Jan 2026 at 00:05"));
    QCOMPARE(t.label("lblStatusDate"), QStringLiteral("Read on 6 Dec 2026 at 23:47"));
    auto* message = t.f.control<QLabel>(QStringLiteral("lblNotificationMessage"));
    QCOMPARE(message->text(), QStringLiteral("Budget has had <b>2</b> of 10 hours."));
    QCOMPARE(message->textFormat(), Qt::PlainText);
}

void NotificationsTest::groupClickHidesDetails() {
    Team t;
    const int id = t.toBob(QStringLiteral("Above maximum"));
    QVERIFY(t.f.load());
    t.click(t.node(id));
    QVERIFY(t.details()->isVisible());
    t.click(t.tree()->node(QStringLiteral("Read")));
    QVERIFY(t.details()->isHidden());
    QCOMPARE(t.row(id).text(QStringLiteral("status")), QStringLiteral("Read"));
}

void NotificationsTest::deleteAndReappear() {
    Team t;
    const int kept = t.toBob(QStringLiteral("Keep me"), QStringLiteral("Read"));
    const int id = t.toBob(QStringLiteral("Above maximum"));
    QVERIFY(t.f.load());
    t.click(t.node(id));
    const int rows = t.f.count(QStringLiteral("notification"));

    t.f.clock.set(QDateTime(QDate(2026, 12, 7), QTime(12, 0)));
    QTest::mouseClick(t.f.control<QPushButton>(QStringLiteral("cmdDeleteNotification")),
                      Qt::LeftButton);
    QVERIFY(t.f.messages.shown().isEmpty());
    QVERIFY(t.details()->isHidden());
    QVERIFY(t.node(id) == nullptr);
    QCOMPARE(t.f.count(QStringLiteral("notification")), rows);
    const Row stored = t.row(id);
    QCOMPARE(stored.text(QStringLiteral("status")), QStringLiteral("Deleted"));
    QCOMPARE(stored.dateTime(QStringLiteral("statusDate")), t.f.clock.now());
    QCOMPARE(t.row(kept).text(QStringLiteral("status")), QStringLiteral("Read"));

    t.f.systemTick();
    TreeNode* again = t.node(id);
    QVERIFY(again != nullptr);
    QCOMPARE(again->parentNode()->key(), QStringLiteral("Deleted"));
    QVERIFY(!again->backColor().isValid());
    QCOMPARE(t.groups(), (QStringList{QStringLiteral("Read"), QStringLiteral("Unread"),
                                      QStringLiteral("Deleted")}));

    // Deleting it from the "Deleted" group keeps it there.
    t.click(again);
    QTest::mouseClick(t.f.control<QPushButton>(QStringLiteral("cmdDeleteNotification")),
                      Qt::LeftButton);
    t.f.systemTick();
    QCOMPARE(t.node(id)->parentNode()->key(), QStringLiteral("Deleted"));
    QVERIFY(t.f.messages.shown().isEmpty());
}

void NotificationsTest::reloadLeavesNodesAlone() {
    Team t;
    const int seen = t.toBob(QStringLiteral("Seen"), QStringLiteral("Read"));
    QVERIFY(t.f.load());
    QCOMPARE(t.currentTab(), int(frmMain::TasksTab));
    TreeNode* seenNode = t.node(seen);

    // Another instance writes to Bob: the first unread one brings the page forward.
    const int first = t.toBob(QStringLiteral("First"));
    t.f.systemTick();
    QCOMPARE(t.currentTab(), int(frmMain::NotificationsTab));
    TreeNode* firstNode = t.node(first);
    QVERIFY(firstNode != nullptr);
    QCOMPARE(firstNode->backColor(), LightGreen);
    QVERIFY(firstNode->parentNode()->isExpanded());

    // Once the group exists, later ones join it quietly.
    t.f.window().selectTab(frmMain::TasksTab);
    const int second = t.toBob(QStringLiteral("Second"));
    t.f.systemTick();
    QCOMPARE(t.currentTab(), int(frmMain::TasksTab));
    QCOMPARE(t.node(second)->parentNode(), firstNode->parentNode());

    // A status changed elsewhere moves no node; an unread record turns its node green.
    t.f.database().execute(
        QStringLiteral("update notification set status = 'Read' where notificationId = ?"),
        {first});
    t.f.database().execute(QStringLiteral("update notification set status = 'Unread' where "
                                          "notificationId = ?"),
                           {seen});
    for (int tick = 0; tick < 3; ++tick) {
        t.f.systemTick();
    }
    QCOMPARE(t.node(first), firstNode);
    QCOMPARE(t.node(seen), seenNode);
    QCOMPARE(firstNode->parentNode()->key(), QStringLiteral("Unread"));
    QCOMPARE(firstNode->backColor(), LightGreen);
    QCOMPARE(seenNode->parentNode()->key(), QStringLiteral("Read"));
    QCOMPARE(seenNode->backColor(), LightGreen);
    QCOMPARE(t.tree()->nodeCount(), 5);
    QCOMPARE(t.f.state().userNotifications->Count(), 3);
    QCOMPARE(t.f.state().userNotifications->Item(QStringLiteral("nid_%1").arg(first)).treeNode,
             firstNode);
    QVERIFY(t.f.messages.shown().isEmpty());
}

void NotificationsTest::linksOpenTheEditors() {
    Team t;
    const int other = t.f.addCategory(QStringLiteral("Other"));
    const int id = t.toBob(QStringLiteral("Above maximum"));
    QVERIFY(t.f.load());
    t.click(t.node(id));
    QCOMPARE(t.f.state().selectedCategory->categoryName, QStringLiteral("Budget"));
    Q_UNUSED(other);

    t.clickLabel("lblFrom");
    QCOMPARE(t.currentTab(), int(frmMain::UsersTab));
    QCOMPARE(t.f.control<QLineEdit>(QStringLiteral("txtUserName"))->text(), QStringLiteral("Ann"));

    t.showNotifications();
    t.clickLabel("lblTo");
    QCOMPARE(t.currentTab(), int(frmMain::UsersTab));
    QCOMPARE(t.f.control<QLineEdit>(QStringLiteral("txtUserName"))->text(), QStringLiteral("Bob"));

    // Start from the other category, so that the link has something to change.
    auto* categoryTree = t.f.control<KeyedTree>(QStringLiteral("categoryTree"));
    t.f.state().selectedCategory =
        t.f.window().categories().getCategoryById(*t.f.state().allCategories, other);
    categoryTree->selectNode(categoryTree->node(QStringLiteral("id_%1").arg(other)));
    t.showNotifications();
    t.clickLabel("lblNotificationCategory");
    QCOMPARE(t.currentTab(), int(frmMain::CategoryTab));
    QCOMPARE(t.f.state().selectedCategory->categoryId, t.budget);
    QCOMPARE(categoryTree->selectedNode()->key(), QStringLiteral("id_%1").arg(t.budget));
    QCOMPARE(t.f.control<QLineEdit>(QStringLiteral("txtCategory"))->text(),
             QStringLiteral("Budget"));
    QCOMPARE(t.f.window().tabs->tabText(frmMain::CategoryTab), QStringLiteral("Properties"));
    QVERIFY(t.f.messages.shown().isEmpty());
}

void NotificationsTest::categoryLinkIsWhereWorkStarts() {
    Team t;
    const int other = t.f.addCategory(QStringLiteral("Other"));
    const int id = t.toBob(QStringLiteral("Above maximum"));
    QVERIFY(t.f.load());
    auto* categoryTree = t.f.control<KeyedTree>(QStringLiteral("categoryTree"));
    t.f.window().categories().selectCategoryByNode(
        categoryTree->node(QStringLiteral("id_%1").arg(other)));
    auto* newTask = t.f.control<QGroupBox>(QStringLiteral("fraNewTask"));
    QCOMPARE(newTask->title(), QStringLiteral("Start working on Other"));

    t.click(t.node(id));
    t.clickLabel("lblNotificationCategory");
    // Shown as a click in the tree shows it: the Tasks page names the category Start uses.
    QCOMPARE(categoryTree->selectedNode()->key(), QStringLiteral("id_%1").arg(t.budget));
    QCOMPARE(newTask->title(), QStringLiteral("Start working on Budget"));
    QCOMPARE(t.f.control<QGroupBox>(QStringLiteral("fraEntry"))->title(),
             QStringLiteral("Create entry for Budget"));
    QCOMPARE(t.f.window().lblTitle->text(), QStringLiteral("Budget"));
    t.f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    QCOMPARE(t.f.count(QStringLiteral("tallyRec"), QStringLiteral("categoryId = ?"), {t.budget}),
             1);
    QCOMPARE(t.f.count(QStringLiteral("tallyRec")), 1);
}

void NotificationsTest::unknownSenderAndCategory() {
    Team t;
    const int nobody = std::max(t.ann, t.bob) + 1000;
    const int noCategory = t.budget + 1000;
    const int id = t.f.addNotification(nobody, t.bob, noCategory, 1, QStringLiteral("Orphan"));
    // About no category at all: marked and deleted, it stays about none.
    const int loose = t.toBob(QStringLiteral("Loose"));
    t.f.database().execute(
        QStringLiteral("update notification set categoryId = null where notificationId = ?"),
        {loose});
    QVERIFY(t.f.load());
    t.click(t.node(loose));
    QTest::mouseClick(t.f.control<QPushButton>(QStringLiteral("cmdDeleteNotification")),
                      Qt::LeftButton);
    QCOMPARE(t.row(loose).text(QStringLiteral("status")), QStringLiteral("Deleted"));
    QVERIFY(t.row(loose).value(QStringLiteral("categoryId")).isNull());
    QCOMPARE(t.node(id)->text(), QStringLiteral("- none - - Orphan"));

    t.click(t.node(id));
    QVERIFY(t.f.messages.shown().isEmpty());
    QCOMPARE(t.label("lblFrom"), QStringLiteral("From: "));
    QCOMPARE(t.label("lblTo"), QStringLiteral("To: Bob"));
    QCOMPARE(t.label("lblNotificationCategory"), QStringLiteral("Category: - none -"));
    // Marked read with the stored sender and category kept.
    const Row stored = t.row(id);
    QCOMPARE(stored.text(QStringLiteral("status")), QStringLiteral("Read"));
    QCOMPARE(stored.integer(QStringLiteral("fromUserId")), nobody);
    QCOMPARE(stored.integer(QStringLiteral("categoryId")), noCategory);

    // The links lead nowhere, and say nothing.
    category* selected = t.f.state().selectedCategory;
    t.clickLabel("lblFrom");
    t.clickLabel("lblNotificationCategory");
    QCOMPARE(t.currentTab(), int(frmMain::NotificationsTab));
    QCOMPARE(t.f.state().selectedCategory, selected);

    // Deleting it keeps them too.
    QTest::mouseClick(t.f.control<QPushButton>(QStringLiteral("cmdDeleteNotification")),
                      Qt::LeftButton);
    QCOMPARE(t.row(id).text(QStringLiteral("status")), QStringLiteral("Deleted"));
    QCOMPARE(t.row(id).integer(QStringLiteral("fromUserId")), nobody);
    QVERIFY(t.f.messages.shown().isEmpty());
}

void NotificationsTest::staleNodesAndEarlyLinks() {
    Team t;
    const int bobs = t.toBob(QStringLiteral("For Bob"));
    QVERIFY(t.f.load());

    // Before any notification was shown the links hold nothing.
    t.showNotifications();
    category* selected = t.f.state().selectedCategory;
    t.clickLabel("lblFrom");
    t.clickLabel("lblTo");
    t.clickLabel("lblNotificationCategory");
    QCOMPARE(t.currentTab(), int(frmMain::NotificationsTab));
    QCOMPARE(t.f.state().selectedCategory, selected);
    QCOMPARE(t.row(bobs).text(QStringLiteral("status")), QStringLiteral("Unread"));

    // Ann takes over; Bob's node stays in the tree but is not hers to read.
    auto* box = t.f.control<QComboBox>(QStringLiteral("cboUser"));
    box->setCurrentIndex(box->findText(QStringLiteral("Ann")));
    t.f.window().userList().cboUser_LostFocus();
    QCOMPARE(t.f.state().currentUser->userId, t.ann);
    t.f.systemTick();
    QCOMPARE(t.f.state().userNotifications->Count(), 0);
    QVERIFY(t.node(bobs) != nullptr);

    t.click(t.node(bobs));
    QVERIFY(t.f.messages.shown().isEmpty());
    QVERIFY(t.details()->isHidden());
    QVERIFY(t.f.state().currentNotification == nullptr);
    QCOMPARE(t.row(bobs).text(QStringLiteral("status")), QStringLiteral("Unread"));
    QTest::mouseClick(t.f.control<QPushButton>(QStringLiteral("cmdDeleteNotification")),
                      Qt::LeftButton);
    QCOMPARE(t.row(bobs).text(QStringLiteral("status")), QStringLiteral("Unread"));
    QVERIFY(t.f.messages.shown().isEmpty());
}

QTEST_MAIN(NotificationsTest)
#include "tst_notifications.moc"
