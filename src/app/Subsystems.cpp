#include "app/Subsystems.h"

#include "app/SettingsPage.h"
#include "app/frmMain.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryRates.h"
#include "categories/CategoryTree.h"
#include "data/NodeKeys.h"
#include "data/category.h"
#include "notifications/NotificationList.h"
#include "reports/ProductivityChart.h"
#include "reports/ProductivityPage.h"
#include "reports/TimeRecordsGrid.h"
#include "reports/Timesheet.h"
#include "tracking/IdleWatch.h"
#include "tracking/Reminders.h"
#include "tracking/TaskList.h"
#include "tracking/TaskTimer.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "tracking/TimeEntryEditor.h"
#include "users/ProcessList.h"
#include "users/UserList.h"
#include "users/UsersPage.h"
#include "widgets/KeyedTree.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

void Subsystems::build(frmMain& window, Workspace& work, const MainWindowServices& services) {
    frmMain* owner = &window;
    SettingsPage& settingsPage = *window.settingsPage;
    KeyedTree& userTree = *window.usersPage->userTree;
    categories = new CategoryTree(work, *window.categoryTree, *window.categoryPage->cboParent,
                                  *window.productivityPage->cboCategoryProductivity, owner);
    userList = new UserList(work, *window.usersPage, *settingsPage.cboUser,
                            *window.productivityPage->cboUserProductivity,
                            *window.categoryPage->cboCategoryOwner, owner);
    categoryEditor = new CategoryEditor(work, *window.categoryPage, *categories, *userList, owner);
    new CategoryRates(work, *window.categoryPage, *categories, owner);
    processList = new ProcessList(work, services.windows, *window.lstTask, userTree,
                                  *settingsPage.fraSharing, owner);
    taskList = new TaskList(work, *window.taskTree, *window.lblActiveTasks, userTree,
                            *window.tasksPage->fraTime, owner);
    tracker = new TaskTracker(work, *window.tasksPage, *taskList, owner);
    reminders = new Reminders(work, *window.tasksPage, *settingsPage.txtFrequency, *tracker, owner);
    taskTimer =
        new TaskTimer(work, *window.tasksPage, *reminders, *tracker, *taskList, userTree, owner);
    idleWatch =
        new IdleWatch(work, services.idle, *tracker, *settingsPage.chkIdle,
                      *settingsPage.txtIdleMinutes, *settingsPage.lblIdleUnavailable, owner);
    notificationList =
        new NotificationList(work, *window.notificationsPage, *categories, *userList, owner);
    timeRecords = new TimeRecordsGrid(work, *window.reportsPage, owner);
    timeEntries = new TimeEntryEditor(work, window, *reminders, owner);
    productivityChart =
        new ProductivityChart(work, *window.productivityPage, *categories, *userList, owner);
    timesheet = new Timesheet(
        work, *window.timesheetPage,
        [owner](QPrinter& printer) {
            QPrintDialog dialog(&printer, owner);
            return dialog.exec() == QDialog::Accepted;
        },
        owner);
}

void Subsystems::connect(frmMain& window) {
    // The welcome line greets whoever is current, whenever that changes.
    QObject::connect(userList, &UserList::currentUserChanged, &window, &frmMain::showWelcomeText);
    QObject::connect(userList, &UserList::usersReloaded, taskList, &TaskList::forgetTaskNodes);
    // A category chosen anywhere becomes the one the Tasks page works on, and the pages show it:
    // the editor, then the time records, then the chart.
    QObject::connect(categories, &CategoryTree::categorySelected, tracker,
                     [this](category* chosen) { tracker->showCategory(0, chosen); });
    // A category clicked on the Tasks page is one key from being started. Arrow keys leave the
    // focus in the tree.
    QObject::connect(window.categoryTree, &KeyedTree::NodeClick, &window, [&window] {
        if (window.currentTab() == Shell::TasksTab && window.tasksPage->cmdStartNow->isEnabled()) {
            window.tasksPage->cmdStartNow->setFocus();
        }
    });
    QObject::connect(tracker, &TaskTracker::categoryShown, categoryEditor,
                     &CategoryEditor::showCategoryProperties);
    QObject::connect(tracker, &TaskTracker::categoryShown, timeRecords,
                     &TimeRecordsGrid::viewCategoryTimes);
    QObject::connect(tracker, &TaskTracker::categoryShown, productivityChart,
                     [this](category* shown) { productivityChart->showCategory(*shown); });
    QObject::connect(categoryEditor, &CategoryEditor::selectedCategoryDeleted, tracker,
                     &TaskTracker::showNoCategory);
    QObject::connect(tracker, &TaskTracker::runningTasksChanged, taskList,
                     &TaskList::refreshTaskList);
    QObject::connect(tracker, &TaskTracker::timeRecorded, timeRecords,
                     &TimeRecordsGrid::viewCategoryTimes);
    // Corrected time: the grid shows it at once, and a moved start shows on the timer's frame.
    QObject::connect(timeRecords, &TimeRecordsGrid::editRequested, timeEntries,
                     &TimeEntryEditor::editRow);
    QObject::connect(window.tasksPage->cmdAddTime, &QPushButton::clicked, timeEntries,
                     window.guarded([this] { timeEntries->addTime(); }));
    ProgramState& state = window.state();
    QObject::connect(
        window.tasksPage->cmdChangeStart, &QPushButton::clicked, timeEntries,
        window.guarded([this, &state] { timeEntries->changeStart(state.currentTask); }));
    QObject::connect(timeEntries, &TimeEntryEditor::timeChanged, timeRecords,
                     &TimeRecordsGrid::viewCategoryTimes);
    QObject::connect(timeEntries, &TimeEntryEditor::rowEdited, timeRecords,
                     &TimeRecordsGrid::showChangedRow);
    QObject::connect(timeEntries, &TimeEntryEditor::startMoved, taskTimer,
                     &TaskTimer::processTasks);
}

void Subsystems::loadPage(frmMain& window, int page) {
    ProgramState& state = window.state();
    // The heading follows the page: the pages with a heading of their own set it as they load,
    // the Tasks page names its category, the others greet.
    if (page == Shell::TasksTab && state.selectedCategory != nullptr &&
        state.selectedCategory->categoryId != 0) {
        window.setHeading(state.selectedCategory->categoryName);
    } else if (page == Shell::TasksTab || page == Shell::SettingsTab ||
               page == Shell::NotificationsTab || page == Shell::UsersTab) {
        window.showWelcomeText();
    }
    switch (page) {
    case Shell::CategoryTab:
        categoryEditor->showPage(state.selectedCategory);
        break;
    case Shell::ReportsTab:
        timeRecords->viewCategoryTimes();
        break;
    case Shell::ProductivityTab:
        productivityChart->loadProductivityChart();
        break;
    case Shell::TimesheetTab:
        timesheet->loadTimesheet();
        break;
    case Shell::UsersTab:
        if (state.currentUser != nullptr) {
            userList->loadUserAttributes(state.currentUser);
            KeyedTree* users = window.usersPage->userTree;
            users->selectNode(
                users->node(NodeKeys::key(NodeKeys::User, state.currentUser->userId)));
        }
        break;
    default:
        break;
    }
}

void Subsystems::followChanges(const ChangeWatch::Reload& reload) {
    if (reload.users) {
        userList->refreshUserList();
    }
    processList->refreshProcessList(reload.processes);
    if (reload.notifications) {
        notificationList->loadNotificationList();
    }
    // Time that someone recorded, changed or deleted shows on the page in view; a page not in
    // view reads nothing, and is filled when it is chosen.
    if (reload.times) {
        timeRecords->followChangedTime();
        timesheet->followChangedTime();
    }
}
