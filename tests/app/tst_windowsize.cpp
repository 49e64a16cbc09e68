#include "MainWindowFixture.h"
#include "categories/CategoryTree.h"
#include "tracking/Reminders.h"
#include "tracking/frmReminder.h"
#include "widgets/ClickableLabel.h"
#include "widgets/KeyedTree.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>

namespace {

// Words no line can hold, and names longer than any window is wide.
const QString LongName = QStringLiteral("Quarterly planning, budgeting and reporting for the "
                                        "regional offices of the northern and western divisions "
                                        "of the company, with all of their sub-projects");
const QString UnbrokenWord = QString(4000, QLatin1Char('W'));

void settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

} // namespace

// The main window's size and place: it opens within the screen, text never makes it wider, and
// it keeps its place and size when it comes back after a reminder and from one run to the next.
class WindowSizeTest : public QObject {
    Q_OBJECT

private slots:
    void longTextNeverWidensTheWindow();
    void placeAndSizeAreKept();
};

void WindowSizeTest::longTextNeverWidensTheWindow() {
    MainWindowFixture f;
    const QString longUser = QStringLiteral("Annabelle ") + LongName;
    const int ann = f.addUser(longUser);
    const int bob = f.addUser(QStringLiteral("<b>Bob</b>") + UnbrokenWord);
    f.settings.setUser(longUser);
    const int planning = f.addCategory(LongName, 0, ann, 0, 1, 1, 1);
    const int word = f.addCategory(UnbrokenWord, 0, ann);
    f.database().execute(QStringLiteral("update category set description = ? where categoryId = ?"),
                         {UnbrokenWord, word});
    f.addTime(planning, bob, f.clock.now().addDays(-1), f.clock.now().addDays(-1).addSecs(60), 1);
    const int notice = f.addNotification(bob, ann, word, 0, UnbrokenWord, QStringLiteral("Unread"),
                                         QStringLiteral("It reads ") + UnbrokenWord);
    QVERIFY(f.load());
    frmMain& w = f.window();
    settle();

    const QRect screen = w.screen()->availableGeometry();
    const int width = w.width();
    // Nor do the pages move down under the pointer as the header's text grows.
    const int tabsTop = w.tabs->mapTo(&w, QPoint(0, 0)).y();
    QVERIFY2(width <= screen.width(), qPrintable(QString::number(width)));
    QVERIFY(w.height() <= screen.height());
    auto check = [&](const char* step) {
        settle();
        QVERIFY2(w.width() == width && w.minimumSizeHint().width() <= screen.width(),
                 qPrintable(QStringLiteral("%1: the window is %2 px wide, at least %3")
                                .arg(QLatin1String(step))
                                .arg(w.width())
                                .arg(w.minimumSizeHint().width())));
        QVERIFY2(w.height() <= screen.height(), step);
        QVERIFY2(w.tabs->mapTo(&w, QPoint(0, 0)).y() == tabsTop, step);
    };

    // Every page, with the long category and the long word shown in turn.
    for (const int shown : {planning, word}) {
        w.categories().selectCategoryByNode(
            w.categoryTree->node(QStringLiteral("id_%1").arg(shown)));
        for (int page = 0; page < w.tabs->count(); ++page) {
            w.tabs->setCurrentIndex(page);
            check("a page");
        }
    }
    // A task running on it, past its maximum, with the Users page showing both users.
    w.categories().selectCategoryByNode(
        w.categoryTree->node(QStringLiteral("id_%1").arg(planning)));
    w.tabs->setCurrentIndex(frmMain::TasksTab);
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    f.clock.advanceMinutes(75);
    f.taskTick();
    check("a running task");
    for (const int user : {ann, bob}) {
        auto* users = f.control<KeyedTree>(QStringLiteral("userTree"));
        w.tabs->setCurrentIndex(frmMain::UsersTab);
        emit users->NodeClick(users->node(QStringLiteral("uid_%1").arg(user)));
        check("a user");
    }
    // The notification with its long word, every detail shown.
    w.selectTab(frmMain::NotificationsTab);
    auto* notifications = f.control<KeyedTree>(QStringLiteral("notificationTree"));
    emit notifications->NodeClick(notifications->node(QStringLiteral("nid_%1").arg(notice)));
    check("a notification");
    auto* message = f.control<QLabel>(QStringLiteral("lblNotificationMessage"));
    QVERIFY(message->isVisible());
    QVERIFY(message->width() < screen.width());
    QCOMPARE(message->text(), QStringLiteral("It reads ") + UnbrokenWord);
    // The sender, cut short, shows whole in a tool-tip within the screen, as the text it is.
    int tipWidth = 0;
    QCOMPARE(hoverText(f.control<QLabel>(QStringLiteral("lblFrom")), QPoint(2, 2), &tipWidth),
             QStringLiteral("From: <b>Bob</b>") + UnbrokenWord);
    QVERIFY2(tipWidth > 0 && tipWidth <= screen.width(), qPrintable(QString::number(tipWidth)));

    // Captions cut short keep the whole text in a tool-tip.
    w.tabs->setCurrentIndex(frmMain::TasksTab);
    settle();
    auto* newTask = f.control<QGroupBox>(QStringLiteral("fraNewTask"));
    QCOMPARE(newTask->title(), QStringLiteral("Start working on ") + LongName);
    QCOMPARE(hoverText(newTask, QPoint(newTask->width() / 2, 3)),
             QStringLiteral("Start working on ") + LongName);
    QCOMPARE(hoverText(w.lblTitle, QPoint(2, 2)), w.lblTitle->text());
    QVERIFY(w.lblTitle->text().contains(LongName));
    auto* category = f.control<ClickableLabel>(QStringLiteral("lblNotificationCategory"));
    QCOMPARE(category->text(), QStringLiteral("Category: ") + UnbrokenWord);

    // The reminder fits the screen too.
    w.reminders().reminder(planning, LongName, f.state().currentTask->taskId);
    frmReminder& reminder = w.reminders().window();
    settle();
    QVERIFY(reminder.isVisible());
    QVERIFY(reminder.width() <= screen.width());
    QVERIFY(reminder.height() <= screen.height());
    reminder.cmdContinue->click();
    check("back from the reminder");
}

void WindowSizeTest::placeAndSizeAreKept() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    const QRect placed(40, 20, 720, 570);
    f.window().setGeometry(placed);
    settle();
    QCOMPARE(f.window().geometry(), placed);

    // A reminder hides the window; Continue brings it back where it was, as it was.
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    f.window().reminders().reminder(design, QStringLiteral("Design"),
                                    f.state().currentTask->taskId);
    settle();
    QVERIFY(f.window().isHidden());
    f.window().reminders().window().cmdContinue->click();
    settle();
    QVERIFY(f.window().isVisible());
    QCOMPARE(f.window().geometry(), placed);

    // Closed while the task runs: the reminder, and the window loaded afresh, in its place.
    f.window().close();
    settle();
    f.window().reminders().window().cmdContinue->click();
    settle();
    QVERIFY(f.window().isVisible());
    QCOMPARE(f.window().geometry(), placed);

    // The next run opens where this one was left.
    const QRect moved(60, 24, 740, 572);
    f.window().setGeometry(moved);
    settle();
    f.window().close();
    settle();
    f.window().reminders().window().cmdStop->click();
    f.window().close();
    QVERIFY(f.settings.contains(QStringLiteral("Window Geometry")));
    QVERIFY(f.load());
    settle();
    QCOMPARE(f.window().geometry(), moved);
    // The four settings of old are as they were.
    QCOMPARE(f.settings.user(), QStringLiteral("Ann"));
    QCOMPARE(f.settings.database(), f.location());
}

QTEST_MAIN(WindowSizeTest)
#include "tst_windowsize.moc"
