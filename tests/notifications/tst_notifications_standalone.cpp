#include "SubsystemFixture.h"
#include "app/SettingsPage.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryTree.h"
#include "data/notification.h"
#include "notifications/NotificationList.h"
#include "notifications/NotificationText.h"
#include "notifications/NotificationsPage.h"
#include "users/UserList.h"
#include "users/UsersPage.h"
#include "widgets/ClickableLabel.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The notification list built from a workspace, its page, the category tree and the user list,
// with no main window around them.
class NotificationsStandaloneTest : public QObject {
    Q_OBJECT

private slots:
    void unreadNotificationsOpenThePage();
    void readingAndDeleting();
    void linksLeadToTheUserAndTheCategory();
};

namespace {

struct Notifications {
    explicit Notifications(SubsystemFixture& f)
        : page(new NotificationsPage(f.window.get()))
        , categoryPage(new CategoryEditorPage(f.window.get()))
        , usersPage(new UsersPage(f.window.get()))
        , settingsPage(new SettingsPage(f.window.get()))
        , categoryTree(new KeyedTree(f.window.get()))
        , cboCategoryProductivity(new QComboBox(f.window.get()))
        , cboUserProductivity(new QComboBox(f.window.get()))
        , categories(new CategoryTree(f.work, *categoryTree, *categoryPage->cboParent,
                                      *cboCategoryProductivity, f.window.get()))
        , users(new UserList(f.work, *usersPage, *settingsPage->cboUser, *cboUserProductivity,
                             *categoryPage->cboCategoryOwner, f.window.get()))
        , list(new NotificationList(f.work, *page, *categories, *users, f.window.get())) {
        users->loadUserList();
        categories->loadCategoryList();
    }

    template <typename T>
    T* control(const QString& name) {
        return page->findChild<T*>(name);
    }
    KeyedTree* tree() { return control<KeyedTree>(QStringLiteral("notificationTree")); }

    NotificationsPage* page;
    CategoryEditorPage* categoryPage;
    UsersPage* usersPage;
    SettingsPage* settingsPage;
    KeyedTree* categoryTree;
    QComboBox* cboCategoryProductivity;
    QComboBox* cboUserProductivity;
    CategoryTree* categories;
    UserList* users;
    NotificationList* list;
};

QString key(int notificationId) {
    return QStringLiteral("nid_%1").arg(notificationId);
}

QString status(SubsystemFixture& f, int notificationId) {
    return f.database()
        .scalar(QStringLiteral("select status from notification where notificationId = ?"),
                {notificationId})
        .toString();
}

} // namespace

void NotificationsStandaloneTest::unreadNotificationsOpenThePage() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, ann);
    const int read =
        f.addNotification(bob, ann, design, 2, QStringLiteral("Over"), notification::Read);
    const int unread = f.addNotification(bob, ann, design, 1, QStringLiteral("Under"));
    f.addNotification(ann, bob, design, 1, QStringLiteral("Not mine"));
    Notifications n(f);

    n.list->loadNotificationList();

    QCOMPARE(f.state.userNotifications->Count(), 2);
    QCOMPARE(f.shell.tab, int(Shell::NotificationsTab));
    QCOMPARE(n.tree()->node(key(unread))->parentNode()->key(), notification::Unread);
    QCOMPARE(n.tree()->node(key(read))->parentNode()->key(), notification::Read);
    QCOMPARE(n.tree()->node(key(unread))->text(),
             NotificationText::nodeText(QStringLiteral("Design"), QStringLiteral("Under")));
    QCOMPARE(f.state.userNotifications->Item(key(unread)).fromUser, f.state.userById(bob));
}

void NotificationsStandaloneTest::readingAndDeleting() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, ann);
    const int nobody = 99; // a sender this instance has not loaded
    const int unread = f.addNotification(nobody, ann, design, 1, QStringLiteral("Under"));
    Notifications n(f);
    n.list->loadNotificationList();

    n.list->notificationTree_NodeClick(n.tree()->node(key(unread)));

    QCOMPARE(status(f, unread), notification::Read);
    QCOMPARE(n.tree()->node(key(unread))->parentNode()->key(), notification::Read);
    QVERIFY(!n.control<QGroupBox>(QStringLiteral("fraNotificationAttributes"))->isHidden());
    QCOMPARE(n.control<QLabel>(QStringLiteral("lblFrom"))->text(), NotificationText::fromLine({}));
    QCOMPARE(n.control<QLabel>(QStringLiteral("lblTo"))->text(),
             NotificationText::toLine(QStringLiteral("Ann")));
    QCOMPARE(f.state.currentNotification->notificationId, unread);
    QCOMPARE(f.state.currentNotification->fromUser->userId, nobody);

    // Another load keeps the notification on show, as the record of the new collection.
    n.list->loadNotificationList();
    QCOMPARE(f.state.currentNotification, &f.state.userNotifications->Item(key(unread)));

    n.control<QPushButton>(QStringLiteral("cmdDeleteNotification"))->click();
    QCOMPARE(status(f, unread), notification::Deleted);
    // The sender unknown here stays unknown in the row.
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select fromUserId from notification where "
                                        "notificationId = ?"),
                         {unread})
                 .toInt(),
             nobody);
    QVERIFY(!n.tree()->exists(key(unread)));
}

void NotificationsStandaloneTest::linksLeadToTheUserAndTheCategory() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, ann);
    const int over = f.addNotification(bob, ann, design, 2, QStringLiteral("Over"));
    Notifications n(f);
    n.list->loadNotificationList();
    n.list->notificationTree_NodeClick(n.tree()->node(key(over)));
    QSignalSpy selected(n.categories, &CategoryTree::categorySelected);

    n.control<ClickableLabel>(QStringLiteral("lblFrom"))->clicked();
    QCOMPARE(f.shell.tab, int(Shell::UsersTab));
    QCOMPARE(n.usersPage->findChild<QLineEdit*>(QStringLiteral("txtUserName"))->text(),
             QStringLiteral("Bob"));

    n.control<ClickableLabel>(QStringLiteral("lblNotificationCategory"))->clicked();
    QCOMPARE(selected.count(), 1);
    QCOMPARE(f.state.selectedCategory->categoryId, design);
    QCOMPARE(f.shell.tab, int(Shell::CategoryTab));
}

QTEST_MAIN(NotificationsStandaloneTest)
#include "tst_notifications_standalone.moc"
