#pragma once

#include "session/ChangeWatch.h"
#include "session/ErrorGuard.h"
#include "session/ProgramState.h"
#include "session/Shell.h"
#include "session/Workspace.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>

class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;

class Clock;
class DesktopNotifier;
class FolderOpener;
class IdleSource;
class Messages;
class PasswordStore;
class Settings;
class WindowLister;

class KeyedTree;
class frmHelp;
class category;
class PictureButton;
class TrayIcon;

class TasksPage;
class CategoryEditorPage;
class SettingsPage;
class ReportsPage;
class ProductivityPage;
class NotificationsPage;
class UsersPage;
class Timesheet;
class TimesheetPage;

class CategoryTree;
class CategoryEditor;
class UserList;
class ProcessList;
class TaskTracker;
class TaskTimer;
class TaskList;
class Reminders;
class IdleWatch;
class NotificationList;
class TimeRecordsGrid;
class TimeEntryEditor;
class ProductivityChart;

// The main window: it owns the program's state, the services it was given, every control, and
// one object per subsystem that works on them. Start-up runs through Form_Load, closing through
// shutDown.
class frmMain : public QMainWindow, public Shell {
    Q_OBJECT

public:
    struct Services {
        Clock& clock;
        Messages& messages;
        Settings& settings;
        WindowLister& windows;
        FolderOpener& folders;
        IdleSource& idle;
        PasswordStore& passwords; // where server passwords are kept, never in the settings
        QString ownFolder;        // the program's own folder (application data)
        QString databaseOverride; // --database: used for this run, never stored
        // Notices on the desktop (a new notification, a reminder while the window is in the
        // background); none without one.
        DesktopNotifier* notifier = nullptr;
    };

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
    int currentTab() const override;
    void lockAllTabs(bool locked) override;
    void unlockTab(int index) override;
    void setTabCaption(int index, const QString& caption) override;
    void buttonVisible(int intIndex, bool blnVisible) override;
    void showWelcomeText() override;
    void setHeading(const QString& title) override;
    void setDetails(const QString& details) override;
    QString caption() const override;
    void setCaption(const QString& caption) override;
    void showActiveTaskCount(int count) override;
    void showUserPanel(const QString& text) override;
    bool taskTimerRunning() const override;
    void setTaskTimerRunning(bool running) override;
    void hideWindow() override;
    void showWindow() override;
    bool isLoaded() const override { return m_loaded; }
    void loadAgain() override;
    quintptr windowId() const override;
    void browseDatabase() override;

    // A page was chosen by the user.
    void tabs_Click();
    void picButton_Click(int Index);
    void picButton_MouseMove(int Index);
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
    void fillTrayMenu();
    // Brings forward the window that waits for the user: the main window, or the reminder or a
    // dialog in front of it.
    void showProgram();
    // Ends the program as the end of a session does: no reminder, the running tasks keep their
    // open rows, exit status 0.
    void quitProgram();
    // A desktop notice was activated: shows the notification ("nid_...") or the running task
    // ("tid_...") it was about.
    void showNoticeTarget(const QString& target);

    // Wraps a handler so that a failure in it is reported and the program goes on.
    std::function<void()> guarded(std::function<void()> work);
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

    CategoryTree& categories() { return *m_categories; }
    CategoryEditor& categoryEditor() { return *m_categoryEditor; }
    UserList& userList() { return *m_userList; }
    ProcessList& processList() { return *m_processList; }
    TaskTracker& tracker() { return *m_tracker; }
    TaskTimer& taskTimer() { return *m_taskTimer; }
    TaskList& taskList() { return *m_taskList; }
    Reminders& reminders() { return *m_reminders; }
    IdleWatch& idleWatch() { return *m_idleWatch; }
    NotificationList& notificationList() { return *m_notificationList; }
    TimeRecordsGrid& timeRecords() { return *m_timeRecords; }
    TimeEntryEditor& timeEntries() { return *m_timeEntries; }
    ProductivityChart& productivityChart() { return *m_productivityChart; }
    Timesheet& timesheet() { return *m_timesheet; }

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
    void buildWindow();
    QWidget* buildButtonRow();
    void connectControls();
    // The changes that several subsystems follow, in the order they follow them.
    void connectSubsystems();
    void layoutButtonRow();
    // Timer ticks do not run while a modal dialog is open or a handler is still running.
    bool tickAllowed() const;
    void markCurrentUserInactive();
    // The database steps of closing: the user inactive, the user's window list removed.
    void closeDatabaseSteps();
    void showTrayIcon();
    // The tray menu's pause of the window sharing, or its end while a pause lasts.
    void addSharingToTrayMenu();
    // Desktop notices of new notifications and of reminders due while the window is not in use.
    void connectNotices();
    // Checks a new database location and stores it for the next start; makes a new database
    // there only when the user asked for one. Says what is wrong otherwise.
    enum class NewDatabase { Make, Refuse };
    void useDatabase(const QString& location, NewDatabase newDatabase);
    // A password an earlier version left in the settings goes into the password store.
    void movePasswordOutOfSettings();
    // "Open Task Folder", or why it cannot.
    void openTaskFolder(const category& chosen);
    void rememberGeometry();

    Services m_services;
    ProgramState m_state;
    // What the last trmSystem tick read of the change counts.
    ChangeWatch m_changes;
    ErrorGuard m_guard;
    Workspace m_workspace;
    QStringList m_trace;
    bool m_loaded = false;
    bool m_shutDown = false;

    CategoryTree* m_categories = nullptr;
    CategoryEditor* m_categoryEditor = nullptr;
    UserList* m_userList = nullptr;
    ProcessList* m_processList = nullptr;
    TaskTracker* m_tracker = nullptr;
    TaskTimer* m_taskTimer = nullptr;
    TaskList* m_taskList = nullptr;
    Reminders* m_reminders = nullptr;
    IdleWatch* m_idleWatch = nullptr;
    NotificationList* m_notificationList = nullptr;
    TimeRecordsGrid* m_timeRecords = nullptr;
    TimeEntryEditor* m_timeEntries = nullptr;
    ProductivityChart* m_productivityChart = nullptr;
    Timesheet* m_timesheet = nullptr;
    int m_switchingTabs = 0;
    QWidget* m_buttonRow = nullptr;
    QPointer<frmHelp> m_help;
};
