#include "MainWindowFixture.h"
#include "TwoUserTeam.h"
#include "app/frmHelp.h"
#include "categories/CategoryTree.h"
#include "notifications/NotificationsPage.h"
#include "tracking/Reminders.h"
#include "tracking/frmReminder.h"
#include "users/ProcessList.h"
#include "widgets/KeyedTree.h"
#include "widgets/PictureButton.h"
#include "widgets/TreeNode.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

// The program at home on the desktop: the tray icon's menu, desktop notices and what they
// lead to, and the keyboard.
class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void trayMenuOffersOwnRunningTasks();
    void trayFinishEndsTheTask();
    void trayQuitLeavesTheTasksRunning();
    void trayShowBringsTheReminderForward();
    void trayPausesAndResumesSharing();
    void newUnreadNotificationIsNoticed();
    void reminderNoticedOnlyAwayFromTheWindow();
    void pictureButtonsWorkFromTheKeyboard();
    void f1OpensHelp();
    void enterInTheDurationCreatesTheEntry();
    void altKeysReachThePagesControls();
    void destructiveAnswersAreNeverTheDefault();
    void darkThemeStaysReadable();

private:
    using Team = TwoUserTeam;
    static Team seed(MainWindowFixture& f) { return TwoUserTeam::seed(f); }
    static void start(MainWindowFixture& f, int categoryId, bool prompt = false) {
        f.window().categories().selectCategoryByNode(
            f.window().categoryTree->node(QStringLiteral("id_%1").arg(categoryId)));
        f.control<QCheckBox>(QStringLiteral("chkPrompt"))->setChecked(prompt);
        f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    }
    static QStringList menuTexts(const QMenu* menu) {
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                texts.append(action->text());
            }
        }
        return texts;
    }
    static QAction* action(MainWindowFixture& f, const QString& name) {
        return f.window().trayMenu->findChild<QAction*>(name);
    }
    static int openRows(MainWindowFixture& f) {
        return f.count(QStringLiteral("tallyRec"), QStringLiteral("endTime is null"));
    }
};

void DesktopTest::trayMenuOffersOwnRunningTasks() {
    MainWindowFixture f;
    const Team team = seed(f);
    f.addOpenTime(team.build, team.bob, f.clock.now().addSecs(-3600));
    QVERIFY(f.load());
    start(f, team.design);
    f.clock.advanceMinutes(75);
    f.taskTick();

    QMenu* menu = f.window().trayMenu;
    emit menu->aboutToShow();
    // Ann's task only: Bob's running task is not hers to finish.
    QCOMPARE(menuTexts(menu),
             QStringList({"Show Quillhour", "Design (01:15)", "Pause sharing", "Quit"}));
    const int id = f.state().currentTask->taskId;
    auto* taskMenu = menu->findChild<QMenu*>(QStringLiteral("mnuTask_%1").arg(id));
    QVERIFY(taskMenu != nullptr);
    QCOMPARE(menuTexts(taskMenu), QStringList({"Finish"}));

    // Opened again, the menu follows the tasks and keeps no menus of the last opening.
    start(f, team.build);
    emit menu->aboutToShow();
    QCOMPARE(menuTexts(menu), QStringList({"Show Quillhour", "Design (01:15)", "Build (00:00)",
                                           "Pause sharing", "Quit"}));
    QCOMPARE(menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly).size(), 3);
}

void DesktopTest::trayFinishEndsTheTask() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design);
    const int id = f.state().currentTask->taskId;
    f.clock.advanceMinutes(42);
    emit f.window().trayMenu->aboutToShow();
    action(f, QStringLiteral("mnuFinish_%1").arg(id))->trigger();

    QCOMPARE(f.count(QStringLiteral("tallyRec"),
                     QStringLiteral("timeId = ? and endTime is not null and duration = 42"), {id}),
             1);
    QCOMPARE(f.state().activeTasks->Count(), 0);
    QVERIFY(f.state().currentTask == nullptr);
    QCOMPARE(f.messages.shown().size(), 0);
}

void DesktopTest::trayQuitLeavesTheTasksRunning() {
    MainWindowFixture f;
    const Team team = seed(f);
    f.settings.setPromptFrequency(QStringLiteral("10"));
    QVERIFY(f.load());
    start(f, team.design, true);
    start(f, team.build, true);
    f.systemTick();
    QCOMPARE(openRows(f), 2);
    f.database().execute(
        QStringLiteral("insert into process (userId, processName) values (?, 'Editor')"),
        {team.ann});

    emit f.window().trayMenu->aboutToShow();
    QTimer::singleShot(0, action(f, QStringLiteral("mnuQuit")), &QAction::trigger);
    // The program's event loop ends, and with status 0.
    QCOMPARE(QApplication::exec(), 0);

    // No reminder asked about the tasks; their rows stay open for the next start.
    QVERIFY(!f.window().reminders().window().isVisible());
    QCOMPARE(f.messages.shown().size(), 0);
    QCOMPARE(openRows(f), 2);
    QVERIFY(!f.window().isVisible());
    QCOMPARE(f.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {team.ann}), 0);
    QCOMPARE(f.count(QStringLiteral("user"), QStringLiteral("userId = ? and active = ?"),
                     {team.ann, false}),
             1);
}

void DesktopTest::trayShowBringsTheReminderForward() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, true);
    f.window().close(); // the reminder asks about the running task
    frmReminder& reminder = f.window().reminders().window();
    QVERIFY(reminder.isVisible());
    reminder.hide(); // lost behind other windows, as far as the user can tell

    emit f.window().trayMenu->aboutToShow();
    // Nothing to finish from the menu while the window is closed: the reminder asks first.
    QCOMPARE(menuTexts(f.window().trayMenu), QStringList({"Show Quillhour", "Quit"}));
    reminder.show();
    action(f, QStringLiteral("mnuShow"))->trigger();
    QVERIFY(reminder.isVisible());
    QVERIFY(!f.window().isVisible());
}

void DesktopTest::trayPausesAndResumesSharing() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    QMenu* menu = f.window().trayMenu;
    emit menu->aboutToShow();
    auto* pause = menu->findChild<QMenu*>(QStringLiteral("mnuPauseSharing"));
    QVERIFY(pause != nullptr);
    QCOMPARE(pause->title(), QStringLiteral("Pause sharing"));
    QCOMPARE(menuTexts(pause),
             QStringList({"for 15 minutes", "for 1 hour", "for 4 hours", "for 8 hours"}));
    pause->findChild<QAction*>(QStringLiteral("mnuPauseSharing_60"))->trigger();
    QCOMPARE(f.window().processList().sharing().pausedUntil(), f.clock.now().addSecs(3600));

    emit menu->aboutToShow();
    QVERIFY(menu->findChild<QMenu*>(QStringLiteral("mnuPauseSharing")) == nullptr);
    action(f, QStringLiteral("mnuResumeSharing"))->trigger();
    QVERIFY(!f.window().processList().sharing().pausedUntil());

    // Sharing nothing, there is nothing to pause: neither the menu nor the page offers it.
    f.control<QRadioButton>(QStringLiteral("optShareNothing"))->click();
    emit menu->aboutToShow();
    QVERIFY(menu->findChild<QMenu*>(QStringLiteral("mnuPauseSharing")) == nullptr);
    QVERIFY(!f.control<QPushButton>(QStringLiteral("cmdPauseSharing"))->isEnabled());
}

void DesktopTest::newUnreadNotificationIsNoticed() {
    MainWindowFixture f;
    const Team team = seed(f);
    f.addNotification(team.bob, team.ann, team.design, 1, QStringLiteral("Below minimum"));
    QVERIFY(f.load());
    f.systemTick();
    // What was there at start is on the Notifications page already.
    QCOMPARE(f.notifier.notices().size(), 0);

    // Written by another instance.
    const int later =
        f.addNotification(team.bob, team.ann, team.design, 2, QStringLiteral("Above maximum"),
                          QStringLiteral("Unread"), QStringLiteral("Design is over its maximum."));
    f.addNotification(team.ann, team.bob, team.design, 2, QStringLiteral("For Bob"));
    f.window().tabs->setCurrentIndex(frmMain::TasksTab);
    f.systemTick();
    QCOMPARE(f.notifier.notices().size(), 1);
    const RecordingNotifier::Notice notice = f.notifier.notices().first();
    QCOMPARE(notice.summary, QStringLiteral("Design - Above maximum"));
    QCOMPARE(notice.body, QStringLiteral("Design is over its maximum."));
    QCOMPARE(notice.target, QStringLiteral("nid_%1").arg(later));
    f.systemTick();
    QCOMPARE(f.notifier.notices().size(), 1); // once

    // Activated: the window shows that notification, which is now read.
    f.window().hide();
    f.notifier.activate(notice.target);
    QVERIFY(f.window().isVisible());
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::NotificationsTab));
    QCOMPARE(f.state().currentNotification->notificationId, later);
    QCOMPARE(f.count(QStringLiteral("notification"),
                     QStringLiteral("notificationId = ? and status = 'Read'"), {later}),
             1);
}

void DesktopTest::reminderNoticedOnlyAwayFromTheWindow() {
    MainWindowFixture f;
    const Team team = seed(f);
    f.settings.setPromptFrequency(QStringLiteral("10"));
    QVERIFY(f.load());
    QApplication::setActiveWindow(&f.window());
    start(f, team.design, true);
    const int id = f.state().currentTask->taskId;
    f.clock.advanceMinutes(10);
    f.taskTick();
    frmReminder& reminder = f.window().reminders().window();
    QVERIFY(reminder.isVisible());
    // Someone at the window sees the reminder come up.
    QCOMPARE(f.notifier.notices().size(), 0);
    reminder.cmdContinue->click();

    QApplication::setActiveWindow(nullptr); // working in another program
    f.clock.advanceMinutes(10);
    f.taskTick();
    QCOMPARE(f.notifier.notices().size(), 1);
    const RecordingNotifier::Notice notice = f.notifier.notices().first();
    QCOMPARE(notice.summary, QStringLiteral("Reminder"));
    QCOMPARE(notice.body, QStringLiteral("Are you still working on Design? You have committed "
                                         "00:20 to this task already"));
    QCOMPARE(notice.target, QStringLiteral("tid_%1").arg(id));
    // Activated while the reminder waits behind other windows: it comes to the front.
    QApplication::setActiveWindow(nullptr);
    f.notifier.activate(notice.target);
    QVERIFY(reminder.isVisible());
    QVERIFY(!f.window().isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), &reminder);

    // Answered meanwhile: the notice leads to the task in the main window.
    reminder.cmdContinue->click();
    start(f, team.build);
    f.notifier.activate(notice.target);
    QVERIFY(f.window().isVisible());
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::TasksTab));
    QCOMPARE(f.state().currentTask->taskId, id);
}

void DesktopTest::pictureButtonsWorkFromTheKeyboard() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    const QStringList tips = {"Properties", "Create a new category", "Open Task Folder",
                              "View owner user details", "View help and information"};
    for (int i = 0; i < 5; ++i) {
        PictureButton* button = f.window().picButton[std::size_t(i)];
        QVERIFY(button->focusPolicy() & Qt::TabFocus);
        QCOMPARE(button->accessibleName(), tips[i]);
        QCOMPARE(button->toolTip(), tips[i]);
    }
    QApplication::setActiveWindow(&f.window());
    QVERIFY(QTest::qWaitForWindowActive(&f.window()));
    PictureButton* help = f.window().picButton[4];
    help->setFocus(Qt::TabFocusReason);
    QTest::keyClick(help, Qt::Key_Space);
    auto* window = f.window().findChild<frmHelp*>();
    QVERIFY(window != nullptr && window->isVisible());
    // The hover frame follows the keyboard too.
    QVERIFY(f.control<QFrame>(QStringLiteral("shpBox"))->isVisibleTo(&f.window()));
}

void DesktopTest::f1OpensHelp() {
    MainWindowFixture f;
    seed(f);
    QVERIFY(f.load());
    f.window().activateWindow();
    QApplication::setActiveWindow(&f.window());
    QVERIFY(QTest::qWaitForWindowActive(&f.window()));
    QVERIFY(f.window().findChild<frmHelp*>() == nullptr);
    QTest::keyClick(f.control<QLineEdit>(QStringLiteral("txtDuration")), Qt::Key_F1);
    auto* window = f.window().findChild<frmHelp*>();
    QVERIFY(window != nullptr && window->isVisible());
    // The handbook, with its pages linked from the first and its version named.
    QCOMPARE(window->txtGuide->documentTitle(), QStringLiteral("Getting started"));
    QVERIFY(window->lblVersion->text().contains(QStringLiteral(QUILLHOUR_VERSION)));
    window->txtGuide->setSource(QUrl(QStringLiteral("keys.html")));
    QCOMPARE(window->txtGuide->documentTitle(), QStringLiteral("Keys"));
}

void DesktopTest::enterInTheDurationCreatesTheEntry() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    f.window().categories().selectCategoryByNode(
        f.window().categoryTree->node(QStringLiteral("id_%1").arg(team.design)));
    auto* duration = f.control<QLineEdit>(QStringLiteral("txtDuration"));
    auto* create = f.control<QPushButton>(QStringLiteral("cmdCreateNow"));

    duration->setText(QStringLiteral("0"));
    QVERIFY(!create->isEnabled());
    QTest::keyClick(duration, Qt::Key_Return);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);

    duration->setText(QStringLiteral("25"));
    QVERIFY(create->isEnabled());
    QTest::keyClick(duration, Qt::Key_Return);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("categoryId = ? and duration = 25"),
                     {team.design}),
             1);
}

void DesktopTest::altKeysReachThePagesControls() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    f.window().activateWindow();
    QApplication::setActiveWindow(&f.window());
    QVERIFY(QTest::qWaitForWindowActive(&f.window()));
    // A category clicked is one key from running: Start has the focus.
    QTreeWidgetItem* design =
        f.window().categoryTree->node(QStringLiteral("id_%1").arg(team.design));
    const QRect place = f.window().categoryTree->visualItemRect(design);
    QTest::mouseClick(f.window().categoryTree->viewport(), Qt::LeftButton, {}, place.center());
    QCOMPARE(QApplication::focusWidget(), f.control<QPushButton>(QStringLiteral("cmdStartNow")));
    // Alt+U goes to the duration box, Alt+S starts, Alt+F finishes (a button so pressed shows
    // itself pressed for a moment first).
    QTest::keyClick(&f.window(), Qt::Key_U, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), f.control<QLineEdit>(QStringLiteral("txtDuration")));
    QTest::keyClick(&f.window(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE(openRows(f), 1);
    QTest::keyClick(&f.window(), Qt::Key_F, Qt::AltModifier);
    QTRY_COMPARE(openRows(f), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);
    // The captions read as described; the marks only underline.
    QCOMPARE(f.control<QPushButton>(QStringLiteral("cmdStartNow"))->text().remove(QLatin1Char('&')),
             QStringLiteral("Start"));
}

void DesktopTest::destructiveAnswersAreNeverTheDefault() {
    MainWindowFixture f;
    const Team team = seed(f);
    QVERIFY(f.load());
    start(f, team.design, true);
    f.window().close();
    frmReminder& reminder = f.window().reminders().window();
    QVERIFY(reminder.isVisible());
    QVERIFY(reminder.cmdContinue->isDefault());
    QVERIFY(!reminder.cmdStop->isDefault());
    QVERIFY(!reminder.cmdStop->autoDefault());
    reminder.cmdContinue->click();
    // Cancel asks with No as the default answer.
    f.messages.answerNo();
    f.control<QPushButton>(QStringLiteral("cmdCancelTask"))->click();
    QCOMPARE(f.messages.last().buttons, Messages::Buttons::YesNoDefaultNo);
    QCOMPARE(openRows(f), 1);
}

void DesktopTest::darkThemeStaysReadable() {
    // A dark theme: light text on dark backgrounds, a light link colour.
    const QPalette before = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 45));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Link, QColor(120, 170, 255));
    QApplication::setPalette(dark);
    const auto restore = qScopeGuard([&] { QApplication::setPalette(before); });

    MainWindowFixture f;
    const Team team = seed(f);
    const int unread =
        f.addNotification(team.bob, team.ann, team.design, 1, QStringLiteral("Below minimum"));
    QVERIFY(f.load());
    f.systemTick();

    // Links in the theme's colour, not pure blue on dark grey.
    auto* from = f.control<QLabel>(QStringLiteral("lblFrom"));
    QCOMPARE(from->palette().color(from->foregroundRole()), QColor(120, 170, 255));
    // Text on the fixed light green of an unread notification is dark, whatever the theme.
    TreeNode* node =
        f.window().notificationsPage->notificationTree->node(QStringLiteral("nid_%1").arg(unread));
    QCOMPARE(node->backColor(), QColor(128, 255, 128));
    QCOMPARE(node->foreColor(), QColor(Qt::black));
    // So is the text of the chart's colour keys and of the progress bars' percentages.
    auto* key = f.control<QLabel>(QStringLiteral("minProdColourKey"));
    QCOMPARE(key->palette().color(QPalette::WindowText), QColor(Qt::black));
    auto* percent = f.control<QLabel>(QStringLiteral("lblPercent_0"));
    QCOMPARE(percent->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(f.control<QFrame>(QStringLiteral("picProgress_0"))->palette().color(QPalette::Window),
             QColor(Qt::white));
}

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
