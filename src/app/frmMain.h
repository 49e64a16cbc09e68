#pragma once

#include "app/DataConnection.h"
#include "app/DesktopNotices.h"
#include "app/MainWindowLayout.h"
#include "app/MainWindowServices.h"
#include "app/PictureButtonActions.h"
#include "app/Subsystems.h"
#include "app/TrayMenu.h"
#include "session/ChangeWatch.h"
#include "session/ErrorGuard.h"
#include "session/ProgramState.h"
#include "session/Shell.h"
#include "session/Workspace.h"

#include <QLabel>
#include <QMainWindow>
#include <QStringList>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <functional>

class QFrame;
class QListWidget;
class QMenu;

class DatabaseBar;
class KeyedTree;
class PictureButton;
class TrayIcon;

class TasksPage;
class CategoryEditorPage;
class SettingsPage;
class ReportsPage;
class ProductivityPage;
class NotificationsPage;
class UsersPage;
class TimesheetPage;

// The main window: it owns the program's state, the services it was given, every control, and
// one object per subsystem that works on them. Start-up runs through Form_Load, closing through
// shutDown. Its controls are laid out by MainWindowLayout, its subsystems made and wired by
// Subsystems, its database opened by DataConnection; TrayMenu, DesktopNotices and
// PictureButtonActions do the rest.
class frmMain : public QMainWindow, public Shell {
    Q_OBJECT

public:
    using Services = MainWindowServices;

    enum class Shutdown {
        AskAboutTasks, // closing the window: remind about each running task
        NoQuestions,   // a signal or the end of the session: nobody is there to answer
    };

    explicit frmMain(const Services& services, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up. False when no database could be opened; the user has been told, and the
    // program should end.
    bool Form_Load();
    bool initilise();
    bool openDataConnection();
    // Closing.
    void shutDown(Shutdown how = Shutdown::AskAboutTasks);
    // The final release: the database steps of shutDown once more.
    void Form_Terminate();

    // What the subsystems ask of the window (see Shell).
    void selectTab(int index) override;
    void openTab(int index) override;
    int currentTab() const override { return tabs->currentIndex(); }
    void lockAllTabs(bool locked) override;
    void unlockTab(int index) override { tabs->setTabEnabled(index, true); }
    void setTabCaption(int index, const QString& caption) override {
        tabs->setTabText(index, caption);
    }
    void buttonVisible(int intIndex, bool blnVisible) override;
    void showWelcomeText() override;
    void setHeading(const QString& title) override { lblTitle->setText(title); }
    void setDetails(const QString& details) override { lblDetails->setText(details); }
    QString caption() const override { return windowTitle(); }
    void setCaption(const QString& caption) override { setWindowTitle(caption); }
    void showActiveTaskCount(int count) override;
    void showUserPanel(const QString& text) override { statusPanel_2->setText(text); }
    bool taskTimerRunning() const override { return tmrTime->isActive(); }
    void setTaskTimerRunning(bool running) override;
    void hideWindow() override { hide(); }
    void showWindow() override { show(); }
    bool isLoaded() const override { return m_loaded; }
    void loadAgain() override { Form_Load(); }
    quintptr windowId() const override { return quintptr(winId()); }
    void browseDatabase() override { cmdBrowseDatabase_Click(); }

    // A page was chosen by the user.
    void tabs_Click();
    void picButton_Click(int Index) { m_buttonActions.click(Index); }
    void picButton_MouseMove(int Index) { MainWindowLayout::showHoverFrame(*this, Index); }
    void status_PanelClick(int Panel);
    void trmSystem_Timer();
    // The idle time question, then the running tasks.
    void tmrTime_Timer();
    void chkTaskBar_Click();
    // The "..." beside the database path on the Settings page.
    void cmdBrowseDatabase_Click();
    // A database path or server address typed into the Settings page.
    void txtDatabasePath_Change();

    // The tray icon's menu: "Show Quillhour", the current user's running tasks each with
    // "Finish", and "Quit". Filled afresh each time it opens.
    void fillTrayMenu() { TrayMenu::fill(*this); }
    // Brings forward the window that waits for the user: the main window, or the reminder or a
    // dialog in front of it.
    void showProgram();
    // Ends the program as the end of a session does: no reminder, the running tasks keep their
    // open rows, exit status 0.
    void quitProgram();
    // A desktop notice was activated: shows the notification ("nid_...") or the running task
    // ("tid_...") it was about.
    void showNoticeTarget(const QString& target) { DesktopNotices::showTarget(*this, target); }

    // Wraps a handler so that a failure in it is reported and the program goes on.
    std::function<void()> guarded(std::function<void()> work) {
        return m_workspace.guarded(std::move(work));
    }
    ErrorGuard& guard() { return m_guard; }

    ProgramState& state() { return m_state; }
    Workspace& workspace() { return m_workspace; }
    Database& database() { return *m_state.database; }
    DataContext& context() { return *m_state.context; }
    Clock& clock() { return m_services.clock; }
    Messages& messages() { return m_services.messages; }
    Settings& settings() { return m_services.settings; }
    WindowLister& windows() { return m_services.windows; }
    FolderOpener& folders() { return m_services.folders; }
    PasswordStore& passwords() { return m_services.passwords; }
    const QString& ownFolder() const { return m_services.ownFolder; }

    CategoryTree& categories() { return *m_parts.categories; }
    CategoryEditor& categoryEditor() { return *m_parts.categoryEditor; }
    UserList& userList() { return *m_parts.userList; }
    ProcessList& processList() { return *m_parts.processList; }
    TaskTracker& tracker() { return *m_parts.tracker; }
    TaskTimer& taskTimer() { return *m_parts.taskTimer; }
    TaskList& taskList() { return *m_parts.taskList; }
    Reminders& reminders() { return *m_parts.reminders; }
    IdleWatch& idleWatch() { return *m_parts.idleWatch; }
    NotificationList& notificationList() { return *m_parts.notificationList; }
    TimeRecordsGrid& timeRecords() { return *m_parts.timeRecords; }
    TimeEntryEditor& timeEntries() { return *m_parts.timeEntries; }
    ProductivityChart& productivityChart() { return *m_parts.productivityChart; }
    Timesheet& timesheet() { return *m_parts.timesheet; }

    // The start-up and shutdown steps in the order they ran (since the last Form_Load).
    const QStringList& trace() const { return m_trace; }
    void addTrace(const QString& step) { m_trace.append(step); }

    // Controls outside the pages.
    QLabel* lblTitle = nullptr;
    QLabel* lblDetails = nullptr;
    std::array<PictureButton*, 5> picButton{};
    QFrame* shpBox = nullptr;
    QFrame* shpShaddow = nullptr;
    KeyedTree* categoryTree = nullptr;
    QLabel* lblActiveTasks = nullptr;
    KeyedTree* taskTree = nullptr;
    QTabWidget* tabs = nullptr;
    QToolButton* statusPanel_1 = nullptr; // "Active Tasks: " and the number of running tasks
    QToolButton* statusPanel_2 = nullptr; // the current user
    QTimer* trmSystem = nullptr;
    QTimer* tmrTime = nullptr;
    QListWidget* lstTask = nullptr;
    DatabaseBar* databaseBar = nullptr; // what keeps the database from the program, in words

    TasksPage* tasksPage = nullptr;
    CategoryEditorPage* categoryPage = nullptr;
    SettingsPage* settingsPage = nullptr;
    ReportsPage* reportsPage = nullptr;
    ProductivityPage* productivityPage = nullptr;
    NotificationsPage* notificationsPage = nullptr;
    UsersPage* usersPage = nullptr;
    TimesheetPage* timesheetPage = nullptr;

    TrayIcon* currentTrayIcon = nullptr;
    QMenu* trayMenu = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The window keeps its place and size while hidden (for a reminder, or closed and loaded
    // again) and from one run to the next.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void connectControls();
    // After the welcome window: that category shown on the Tasks page, Start under the keys.
    void greetNewcomer(const QString& categoryName);
    // Timer ticks do not run while a modal dialog is open or a handler is still running.
    bool tickAllowed() const;
    // While a person's action waits for a lock, the rest of the window is theirs only to watch.
    void showDatabaseWait(bool waiting);
    void markCurrentUserInactive();
    // The database steps of closing: the user inactive, the user's window list removed.
    void closeDatabaseSteps();
    void rememberGeometry();

    Services m_services;
    ProgramState m_state;
    // What the last trmSystem tick read of the change counts.
    ChangeWatch m_changes;
    ErrorGuard m_guard;
    Workspace m_workspace;
    DataConnection m_connection;
    QStringList m_trace;
    bool m_loaded = false;
    bool m_shutDown = false;
    bool m_waitingForDatabase = false;

    Subsystems m_parts;
    int m_switchingTabs = 0;
    PictureButtonActions m_buttonActions{*this};
};
