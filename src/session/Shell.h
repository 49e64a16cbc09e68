#pragma once

#include <QString>
#include <QtGlobal>

// What the subsystems ask of the main window around their own pages: which page is up, the
// header and caption, the picture buttons, the status panels and the task timer. The main window
// implements it; a test gives a subsystem a small one of its own.
class Shell {
public:
    enum Page {
        TasksTab = 0,
        CategoryTab = 1,
        SettingsTab = 2,
        ReportsTab = 3,
        ProductivityTab = 4,
        NotificationsTab = 5,
        UsersTab = 6,
        // Added after the seven pages, whose places stay as they were.
        TimesheetTab = 7,
    };

    virtual ~Shell() = default;

    // "Quillhour 1.0": the title with major and minor version.
    static QString programTitle();
    static int majorVersion();
    static int minorVersion();

    // Shows a page without running the page's loader (the program switching pages itself); a
    // locked page is not shown.
    virtual void selectTab(int index) = 0;
    // Shows a page as if the user had chosen it, running its loader; a locked page stays shut.
    virtual void openTab(int index) = 0;
    virtual int currentTab() const = 0;
    virtual void lockAllTabs(bool locked) = 0;
    virtual void unlockTab(int index) = 0;
    virtual void setTabCaption(int index, const QString& caption) = 0;
    virtual void buttonVisible(int intIndex, bool blnVisible) = 0;

    // The header: the welcome text for the current user, or a page's own title and details.
    virtual void showWelcomeText() = 0;
    virtual void setHeading(const QString& title) = 0;
    virtual void setDetails(const QString& details) = 0;
    virtual QString caption() const = 0;
    virtual void setCaption(const QString& caption) = 0;

    // statusPanel_1: "Active Tasks: " and the number of running tasks, hidden when none run.
    virtual void showActiveTaskCount(int count) = 0;
    // statusPanel_2: the current user.
    virtual void showUserPanel(const QString& text) = 0;

    // tmrTime, the 900 ms task timer.
    virtual bool taskTimerRunning() const = 0;
    virtual void setTaskTimerRunning(bool running) = 0;

    // The window itself, as the reminder hides it and brings it back.
    virtual void hideWindow() = 0;
    virtual void showWindow() = 0;
    virtual bool isLoaded() const = 0;
    // Loads the window afresh, as at program start.
    virtual void loadAgain() = 0;
    // The native id of the window, which the list of open windows leaves out.
    virtual quintptr windowId() const = 0;
    // The "..." beside the database path on the Settings page.
    virtual void browseDatabase() = 0;
};
