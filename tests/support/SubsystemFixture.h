#pragma once

#include "TestEnvironment.h"
#include "session/ErrorGuard.h"
#include "session/ProgramState.h"
#include "session/Shell.h"
#include "session/Workspace.h"

#include <QStringList>
#include <QWidget>
#include <array>
#include <memory>

// A shell that only remembers what it was asked: a subsystem test checks it instead of a main
// window's tabs, header and status bar.
class FakeShell final : public Shell {
public:
    void selectTab(int index) override {
        if (!locked[std::size_t(index)]) {
            tab = index;
        }
    }
    void openTab(int index) override {
        if (!locked[std::size_t(index)]) {
            tab = index;
            ++tabsOpened;
        }
    }
    int currentTab() const override { return tab; }
    void lockAllTabs(bool lock) override { locked.fill(lock); }
    void unlockTab(int index) override { locked[std::size_t(index)] = false; }
    void setTabCaption(int index, const QString& text) override {
        tabCaptions[std::size_t(index)] = text;
    }
    void buttonVisible(int index, bool visible) override { buttons[std::size_t(index)] = visible; }
    void showWelcomeText() override { ++welcomes; }
    void setHeading(const QString& text) override { heading = text; }
    void setDetails(const QString& text) override { details = text; }
    QString caption() const override { return windowCaption; }
    void setCaption(const QString& text) override { windowCaption = text; }
    void showActiveTaskCount(int count) override { activeTasks = count; }
    void showUserPanel(const QString& text) override { userPanel = text; }
    bool taskTimerRunning() const override { return timerRunning; }
    void setTaskTimerRunning(bool running) override { timerRunning = running; }
    void hideWindow() override { windowShown = false; }
    void showWindow() override { windowShown = true; }
    bool isLoaded() const override { return true; }
    void loadAgain() override { ++loads; }
    quintptr windowId() const override { return 0; }
    void browseDatabase() override { ++databaseBrowses; }

    int tab = TasksTab;
    int tabsOpened = 0;
    std::array<bool, 8> locked{};
    std::array<QString, 8> tabCaptions{};
    std::array<bool, 5> buttons{};
    int welcomes = 0;
    QString heading;
    QString details;
    QString windowCaption;
    int activeTasks = -1;
    QString userPanel;
    bool timerRunning = false;
    bool windowShown = true;
    int loads = 0;
    int databaseBrowses = 0;
};

// The program's state on a test environment's database, its own connection to it, and the
// workspace a subsystem is built from, with a fake shell in place of the main window. The
// collections start empty; a test loads what its subsystem needs.
class SubsystemFixture : public TestEnvironment {
public:
    SubsystemFixture();
    ~SubsystemFixture();

    ProgramState state;
    ErrorGuard guard;
    FakeShell shell;
    Workspace work;
    // Parent of the pages and controls a test makes for its subsystem.
    std::unique_ptr<QWidget> window;
};
