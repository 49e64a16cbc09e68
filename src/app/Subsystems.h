#pragma once

#include "session/ChangeWatch.h"

class frmMain;
class Workspace;
struct MainWindowServices;

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
class Timesheet;

// The objects that do the main window's work, one per subsystem, each on the window's controls;
// the window owns them. Also the changes they follow of one another.
struct Subsystems {
    CategoryTree* categories = nullptr;
    CategoryEditor* categoryEditor = nullptr;
    UserList* userList = nullptr;
    ProcessList* processList = nullptr;
    TaskTracker* tracker = nullptr;
    TaskTimer* taskTimer = nullptr;
    TaskList* taskList = nullptr;
    Reminders* reminders = nullptr;
    IdleWatch* idleWatch = nullptr;
    NotificationList* notificationList = nullptr;
    TimeRecordsGrid* timeRecords = nullptr;
    TimeEntryEditor* timeEntries = nullptr;
    ProductivityChart* productivityChart = nullptr;
    Timesheet* timesheet = nullptr;

    // Makes them on the controls of window, whose layout is built.
    void build(frmMain& window, Workspace& work, const MainWindowServices& services);
    // The changes that several subsystems follow, in the order they follow them.
    void connect(frmMain& window);
    // Fills the page the user chose; the other pages follow their changes as they come.
    void loadPage(frmMain& window, int page);
    // Reads again what the database's change counts say has moved.
    void followChanges(const ChangeWatch::Reload& reload);
};
