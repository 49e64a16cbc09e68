#include "app/frmMain.h"

#include "app/DatabaseBar.h"
#include "app/SettingsPage.h"
#include "app/TrayIcon.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryTree.h"
#include "data/ChangeCounts.h"
#include "data/Database.h"
#include "data/NameText.h"
#include "data/Numbers.h"
#include "notifications/NotificationList.h"
#include "platform/Messages.h"
#include "platform/Settings.h"
#include "platform/desktop/WindowActivation.h"
#include "tracking/IdleWatch.h"
#include "tracking/Reminders.h"
#include "tracking/TaskList.h"
#include "tracking/TaskTimer.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "tracking/frmIdle.h"
#include "tracking/frmReminder.h"
#include "users/ProcessList.h"
#include "users/UserList.h"
#include "widgets/KeyedTree.h"
#include "widgets/PictureButton.h"
#include "widgets/UiHelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

frmMain::frmMain(const Services& services, QWidget* parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_guard(services.messages, services.clock)
    , m_workspace{m_state, services.clock, services.messages, services.settings, m_guard, *this}
    , m_connection(m_services, m_state, m_guard) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillhour"));
    setWindowIcon(quillhourIcon(QStringLiteral("quillhour")));
    MainWindowLayout::build(*this);
    m_guard.setTickNotice([this](const QString& text) { databaseBar->showNotice(text); });
    m_guard.setActionPause(
        [this](std::chrono::milliseconds length) { return databaseBar->pause(length); });
    m_connection.setWaitShown([this](bool waiting) { showDatabaseWait(waiting); });
    m_parts.build(*this, m_workspace, services);
    connectControls();
    m_parts.connect(*this);
    if (services.notifier != nullptr) {
        DesktopNotices::connect(*this, *services.notifier);
    }
}

frmMain::~frmMain() {
    delete currentTrayIcon;
    currentTrayIcon = nullptr;
}

void frmMain::connectControls() {
    for (PictureButton* button : picButton) {
        const int index = button->index();
        connect(button, &PictureButton::clicked, this,
                guarded([this, index] { picButton_Click(index); }));
    }
    // F1: what the help button shows.
    auto* help = new QShortcut(QKeySequence::HelpContents, this);
    connect(help, &QShortcut::activated, this, guarded([this] { picButton_Click(4); }));
    for (PictureButton* button : picButton) {
        const int index = button->index();
        connect(button, &PictureButton::mouseMoved, this,
                [this, index] { picButton_MouseMove(index); });
    }
    connect(tabs, &QTabWidget::currentChanged, this, [this] {
        if (m_switchingTabs == 0) {
            m_guard.run([this] { tabs_Click(); });
        }
    });
    connect(statusPanel_1, &QToolButton::clicked, this, guarded([this] { status_PanelClick(1); }));
    connect(statusPanel_2, &QToolButton::clicked, this, guarded([this] { status_PanelClick(2); }));
    connect(trmSystem, &QTimer::timeout, this, [this] {
        if (tickAllowed()) {
            m_guard.runTick(QStringLiteral("trmSystem"), [this] { trmSystem_Timer(); });
        }
    });
    connect(tmrTime, &QTimer::timeout, this, [this] {
        if (tickAllowed()) {
            m_guard.runTick(QStringLiteral("tmrTime"), [this] { tmrTime_Timer(); });
        } else if (m_waitingForDatabase) {
            taskTimer().showClock(); // the action that waits holds the database
        }
    });
    connect(settingsPage->chkTaskBar, &QCheckBox::clicked, this,
            guarded([this] { chkTaskBar_Click(); }));
    connect(settingsPage->cmdBrowse_1, &QPushButton::clicked, this,
            guarded([this] { cmdBrowseDatabase_Click(); }));
    connect(settingsPage->txtDatabasePath, &QLineEdit::editingFinished, this,
            guarded([this] { txtDatabasePath_Change(); }));
    connect(settingsPage->txtFrequency, &QLineEdit::textEdited, this,
            guarded([this] { reminders().txtFrequency_Change(); }));
    connect(trayMenu, &QMenu::aboutToShow, this, guarded([this] { fillTrayMenu(); }));
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        // The desktop session is ending: close down now, asking nothing.
        m_guard.run([this] { shutDown(Shutdown::NoQuestions); });
    });
}

void frmMain::tmrTime_Timer() {
    idleWatch().checkIdleTime();
    taskTimer().processTasks();
}

bool frmMain::tickAllowed() const {
    return m_loaded && m_guard.depth() == 0 && QApplication::activeModalWidget() == nullptr;
}

void frmMain::showDatabaseWait(bool waiting) {
    m_waitingForDatabase = waiting;
    databaseBar->showWaiting(waiting);
    for (const QString& name : {QStringLiteral("mainSplitter"), QStringLiteral("buttonRow")}) {
        if (auto* controls = findChild<QWidget*>(name); controls != nullptr) {
            controls->setEnabled(!waiting);
        }
    }
}

bool frmMain::Form_Load() {
    m_trace.clear();
    addTrace(QStringLiteral("Form_Load"));
    m_shutDown = false;
    bool opened = false;
    if (!m_guard.runStartUp([this, &opened] { opened = initilise(); })) {
        // Whatever start-up did write is taken back, as far as the database lets it at once.
        userList().endPresenceHold(UserList::HoldEnd::Forget);
        m_guard.beginClosing(std::chrono::milliseconds(0));
        closeDatabaseSteps();
        return false;
    }
    if (!opened) {
        return false;
    }
    showWelcomeText();
    addTrace(QStringLiteral("showWelcomeText"));

    const QString frequency = settings().promptFrequency();
    settingsPage->txtFrequency->setText(frequency);
    tasksPage->chkPrompt->setText(Reminders::promptCaption(frequency));

    show();
    addTrace(QStringLiteral("show"));

    const auto trayValue = Numbers::toWholeNumber(settings().trayIcon());
    settingsPage->chkTaskBar->setChecked(trayValue.value_or(0) == 1);
    if (settingsPage->chkTaskBar->isChecked()) {
        TrayMenu::showIcon(*this);
        addTrace(QStringLiteral("TrayIcon.Add"));
    }
    buttonVisible(1, true);
    if (const QString first = m_connection.takeNewcomerCategory(); !first.isEmpty()) {
        // Welcomed a moment ago: one key from a running timer. Their windows stay unshared
        // until they choose on the Settings page.
        greetNewcomer(first);
    } else if (processList().awaitingChoice()) {
        // Someone new to this database is shown what the team would see of their windows
        // before anything is shared.
        selectTab(SettingsTab);
    }
    m_loaded = true;
    trmSystem->start();
    return true;
}

void frmMain::greetNewcomer(const QString& categoryName) {
    for (category& each : *m_state.allCategories) {
        if (each.categoryId != 0 && each.categoryName == categoryName &&
            each.categoryTreeNode != nullptr) {
            m_state.selectedCategory = &each;
            categoryTree->selectNode(each.categoryTreeNode);
            tracker().showCategory(0, &each);
            break;
        }
    }
    selectTab(TasksTab);
    activateWindow();
    tasksPage->cmdStartNow->setFocus();
}

bool frmMain::initilise() {
    addTrace(QStringLiteral("initilise"));
    m_state.currentTask = nullptr;
    if (!openDataConnection()) {
        return false;
    }
    // A new load (at start, or when the window comes back from the reminder) starts from new
    // collections; the database stays open.
    m_state.activeTasks = std::make_unique<tasks>(context());
    m_state.allCategories = std::make_unique<cateories>(context());
    m_state.userNotifications = std::make_unique<notifications>(context());
    m_state.currentNotification = nullptr;

    // Presence is written once everything start-up reads has been read: damage found on the
    // way leaves the file as it was.
    userList().holdPresence();
    categories().loadCategoryList();
    addTrace(QStringLiteral("loadCategoryList"));
    categoryEditor().loadTimeAllocationList();
    addTrace(QStringLiteral("loadTimeAllocationList"));
    categoryEditor().loadProductivityList();
    addTrace(QStringLiteral("loadProductivityList"));
    userList().loadUserList();
    addTrace(QStringLiteral("loadUserList"));
    m_state.allProcesses = std::make_unique<processes>();
    processList().loadProcessList();
    addTrace(QStringLiteral("loadProcessList"));
    taskTimer().checkTaskProgress();
    addTrace(QStringLiteral("checkTaskProgress"));

    if (m_state.allCategories->Count() <= 1) {
        // The box waits for the person; the presence it would hold back is written first, and
        // a write the database refuses ends the start before anyone is asked anything.
        userList().endPresenceHold(UserList::HoldEnd::Write);
        messages().show(tr("You must create categories as there are currently none"),
                        tr("Missing Categories"), Messages::Buttons::Ok,
                        Messages::Icon::Information);
        addTrace(QStringLiteral("Missing Categories"));
    } else if (TreeNode* first = categoryTree->firstNode(); first != nullptr) {
        const int id = CategoryTree::categoryIdFromKey(first->key()).toInt();
        m_state.selectedCategory = categories().getCategoryById(*m_state.allCategories, id);
        categoryTree->selectNode(first);
        tracker().showCategory(0, m_state.selectedCategory);
        addTrace(QStringLiteral("showCategory"));
    }
    selectTab(TasksTab);
    tracker().checkExistingTasks();
    addTrace(QStringLiteral("checkExistingTasks"));
    taskList().refreshTaskList();
    addTrace(QStringLiteral("refreshTaskList"));
    notificationList().loadNotificationList();
    addTrace(QStringLiteral("loadNotificationList"));
    userList().endPresenceHold(UserList::HoldEnd::Write);

    MainWindowLayout::paintColourKeys(*this);
    return true;
}

bool frmMain::openDataConnection() {
    addTrace(QStringLiteral("openDataConnection"));
    return m_connection.open(*settingsPage->txtDatabasePath);
}

void frmMain::markCurrentUserInactive() {
    if (m_state.currentUser != nullptr && m_state.database && userList().presenceWritten()) {
        const int userId = m_state.currentUser->userId;
        m_guard.runClosingStep(QStringLiteral("marking the user inactive"),
                               [this, userId] { userList().setUserActive(userId, false); });
    }
}

void frmMain::closeDatabaseSteps() {
    if (!m_state.database) {
        return;
    }
    markCurrentUserInactive();
    m_guard.runClosingStep(QStringLiteral("removing the user's window list"),
                           [this] { processList().deleteOwnRows(); });
}

void frmMain::shutDown(Shutdown how) {
    addTrace(QStringLiteral("shutDown"));
    trmSystem->stop();
    // An idle time question left open is not answered: the rows stay as they are.
    idleWatch().window().hide();
    if (!m_state.database) {
        return;
    }
    // A step that cannot write waits for what is left of one busy timeout, then is skipped:
    // the program still ends.
    m_guard.beginClosing();
    markCurrentUserInactive();
    if (how == Shutdown::NoQuestions && isVisible()) {
        rememberGeometry(); // the program ends with the window still up
    }
    if (how == Shutdown::AskAboutTasks && m_state.currentUser != nullptr && m_state.activeTasks) {
        const int me = m_state.currentUser->userId;
        for (task& running : *m_state.activeTasks) {
            if (running.user != nullptr && running.user->userId == me &&
                running.category != nullptr) {
                reminders().reminder(running.category->categoryId, running.category->categoryName,
                                     running.taskId);
            }
        }
    }
    if (settingsPage->chkTaskBar->isChecked() && currentTrayIcon != nullptr) {
        currentTrayIcon->Remove();
    }
    m_guard.runClosingStep(QStringLiteral("removing the user's window list"),
                           [this] { processList().deleteOwnRows(); });
    markCurrentUserInactive();
    m_shutDown = true;
    m_loaded = false;
}

void frmMain::Form_Terminate() {
    addTrace(QStringLiteral("Form_Terminate"));
    if (!m_shutDown) {
        m_guard.beginClosing(); // otherwise what is left of the shutdown's wait
    }
    closeDatabaseSteps();
}

void frmMain::rememberGeometry() {
    settings().setWindowGeometry(saveGeometry());
}

void frmMain::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        rememberGeometry();
    }
    QMainWindow::hideEvent(event);
}

void frmMain::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // Before the window system maps the window, so it appears in place at once.
        if (const QByteArray geometry = settings().windowGeometry(); !geometry.isEmpty()) {
            restoreGeometry(geometry);
        }
    }
    QMainWindow::showEvent(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (m_waitingForDatabase) {
        event->ignore(); // the waiting action ends first, or is cancelled
        return;
    }
    m_guard.run([this] {
        if (m_loaded) {
            shutDown(Shutdown::AskAboutTasks);
        }
    });
    event->accept();
}

void frmMain::lockAllTabs(bool locked) {
    // Disabling the page on show makes the tab bar move to another page; that is not the user
    // choosing one.
    ++m_switchingTabs;
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setTabEnabled(i, !locked);
    }
    --m_switchingTabs;
}

void frmMain::buttonVisible(int intIndex, bool blnVisible) {
    if (intIndex < 0 || intIndex >= int(picButton.size())) {
        return;
    }
    picButton[std::size_t(intIndex)]->setVisible(blnVisible);
    MainWindowLayout::layoutButtonRow(*this);
}

void frmMain::openTab(int index) {
    if (tabs->isTabEnabled(index)) {
        tabs->setCurrentIndex(index); // runs the page's loader, as a click on the tab does
    }
}

void frmMain::showActiveTaskCount(int count) {
    statusPanel_1->setVisible(count > 0);
    const QString panel = tr("Active Tasks: %1").arg(count);
    if (statusPanel_1->text() != panel) {
        statusPanel_1->setText(panel);
    }
}

void frmMain::setTaskTimerRunning(bool running) {
    if (running) {
        tmrTime->start();
    } else {
        tmrTime->stop();
    }
}

void frmMain::showWelcomeText() {
    lblTitle->setText(QStringLiteral("Quillhour %1").arg(majorVersion()));
    if (m_state.currentUser == nullptr) {
        lblDetails->setText(MainWindowLayout::designWelcome()); // nobody to greet yet
        return;
    }
    lblDetails->setText(tr("Welcome %1, this program is a simple time and project management "
                           "tool that allows multiple users to work together on a collection of "
                           "tasks.")
                            .arg(NameText::isolated(m_state.currentUser->userName)));
}

void frmMain::selectTab(int index) {
    // A locked page stays closed whatever the program asks for.
    if (!tabs->isTabEnabled(index)) {
        return;
    }
    ++m_switchingTabs;
    tabs->setCurrentIndex(index);
    --m_switchingTabs;
}

void frmMain::tabs_Click() {
    if (m_state.database) {
        m_parts.loadPage(*this, tabs->currentIndex());
    }
}

void frmMain::status_PanelClick(int Panel) {
    if (Panel == 1 && tabs->isTabEnabled(NotificationsTab)) {
        selectTab(NotificationsTab);
    }
}

void frmMain::trmSystem_Timer() {
    if (!m_state.database) {
        return;
    }
    // Nothing more is written to a file that is no longer the one opened.
    m_state.database->verifyFile();
    if (m_state.currentUser != nullptr) {
        userList().setUserActive(m_state.currentUser->userId, true);
    }
    // Users, processes, notifications, running tasks and shown time rows are read again only
    // when the database's change counts say they moved (whoever wrote them), or the lists were
    // loaded anew for someone else. The counts are read first, so a change made while the rows
    // are read is read again at the next tick.
    const int me = m_state.currentUser != nullptr ? m_state.currentUser->userId : -1;
    const ChangeWatch::Reload reload =
        m_changes.next(ChangeCounts::read(*m_state.database), me, userList().loads());
    tracker().refreshOtherUsersTasks(reload.times);
    taskList().refreshTaskList();
    m_parts.followChanges(reload);
    if (settingsPage->chkTaskBar->isChecked() && currentTrayIcon != nullptr) {
        currentTrayIcon->setTooltip(windowTitle());
        currentTrayIcon->Modify();
    }
}

void frmMain::showProgram() {
    QWidget* waiting = windowAwaitingUser(this);
    bringToFront(waiting != nullptr ? waiting : this);
}

void frmMain::quitProgram() {
    m_guard.run([this] {
        if (m_loaded) {
            shutDown(Shutdown::NoQuestions);
        }
    });
    // A reminder still asking goes unanswered: its task keeps running.
    reminders().window().hide();
    hide();
    QCoreApplication::exit(0); // not quit(): that would ask the windows first
}

void frmMain::chkTaskBar_Click() {
    const bool shown = settingsPage->chkTaskBar->isChecked();
    settings().setTrayIcon(shown);
    if (shown) {
        TrayMenu::showIcon(*this);
    } else if (currentTrayIcon != nullptr) {
        currentTrayIcon->Remove();
    }
}

void frmMain::cmdBrowseDatabase_Click() {
    m_connection.browse(*settingsPage->txtDatabasePath);
}

void frmMain::txtDatabasePath_Change() {
    m_connection.typed(*settingsPage->txtDatabasePath);
}
