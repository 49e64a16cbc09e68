#include "app/TrayMenu.h"

#include "app/SettingsPage.h"
#include "app/TrayIcon.h"
#include "app/frmMain.h"
#include "data/NameText.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "tracking/TaskTracker.h"
#include "users/ProcessList.h"
#include "users/SharingFrame.h"

#include <QComboBox>
#include <QMenu>

namespace {

void addRunningTasks(frmMain& window) {
    const ProgramState& state = window.state();
    if (!window.isLoaded() || state.currentUser == nullptr || !state.activeTasks) {
        return;
    }
    QMenu* menu = window.trayMenu;
    const int me = state.currentUser->userId;
    menu->addSeparator();
    for (const task& running : *state.activeTasks) {
        if (running.user == nullptr || running.user->userId != me) {
            continue;
        }
        const int id = running.taskId;
        auto* taskMenu = new QMenu(
            frmMain::tr("%1 (%2)").arg(NameText::isolated(running.category != nullptr
                                                              ? running.category->categoryName
                                                              : QString()),
                                       TimeText::minToTime(running.duration)),
            menu);
        taskMenu->setObjectName(QStringLiteral("mnuTask_%1").arg(id));
        QAction* finish = taskMenu->addAction(frmMain::tr("Finish"));
        finish->setObjectName(QStringLiteral("mnuFinish_%1").arg(id));
        QObject::connect(finish, &QAction::triggered, &window, window.guarded([&window, id] {
            window.tracker().finishTaskAt(id, window.clock().now());
        }));
        menu->addMenu(taskMenu);
    }
}

// The pause of the Settings page's "Sharing" frame, for the same lengths of time, or its end
// while a pause lasts.
void addSharing(frmMain& window) {
    QMenu* menu = window.trayMenu;
    const bool paused = window.processList().sharing().pausedUntil().has_value();
    if (!paused && window.processList().sharing().mode() == WindowSharing::Mode::Nothing) {
        return; // nothing shared, nothing to pause
    }
    menu->addSeparator();
    if (paused) {
        QAction* resume = menu->addAction(SharingFrame::tr("Resume sharing"));
        resume->setObjectName(QStringLiteral("mnuResumeSharing"));
        QObject::connect(resume, &QAction::triggered, &window,
                         window.guarded([&window] { window.processList().resumeSharing(); }));
        return;
    }
    auto* pause = new QMenu(SharingFrame::tr("Pause sharing"), menu);
    pause->setObjectName(QStringLiteral("mnuPauseSharing"));
    const QComboBox* lengths = window.settingsPage->fraSharing->cboPauseSharing;
    for (int i = 0; i < lengths->count(); ++i) {
        const int minutes = lengths->itemData(i).toInt();
        QAction* choice = pause->addAction(lengths->itemText(i));
        choice->setObjectName(QStringLiteral("mnuPauseSharing_%1").arg(minutes));
        QObject::connect(choice, &QAction::triggered, &window, window.guarded([&window, minutes] {
            window.processList().pauseSharing(minutes);
        }));
    }
    menu->addMenu(pause);
}

} // namespace

namespace TrayMenu {

void showIcon(frmMain& window) {
    delete window.currentTrayIcon;
    auto* icon = window.currentTrayIcon = new TrayIcon(&window);
    icon->setOwnerForm(&window);
    icon->setIcon(window.windowIcon());
    icon->setTooltip(window.windowTitle());
    icon->setMenu(window.trayMenu);
    icon->Add();
}

void fill(frmMain& window) {
    QMenu* menu = window.trayMenu;
    // The task menus made for the last opening go with it.
    qDeleteAll(menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
    menu->clear();
    QAction* showAction = menu->addAction(frmMain::tr("Show Quillhour"));
    showAction->setObjectName(QStringLiteral("mnuShow"));
    QObject::connect(showAction, &QAction::triggered, &window,
                     window.guarded([&window] { window.showProgram(); }));
    addRunningTasks(window);
    if (window.isLoaded()) {
        addSharing(window);
    }
    menu->addSeparator();
    QAction* quit = menu->addAction(frmMain::tr("Quit"));
    quit->setObjectName(QStringLiteral("mnuQuit"));
    QObject::connect(quit, &QAction::triggered, &window, [&window] { window.quitProgram(); });
}

} // namespace TrayMenu
