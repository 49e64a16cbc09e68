#pragma once

#include <QString>

class Clock;
class DesktopNotifier;
class FolderOpener;
class IdleSource;
class Messages;
class PasswordStore;
class Settings;
class WindowLister;

// What the main window is given to work with: the clock, the message boxes, the settings and the
// desktop's services.
struct MainWindowServices {
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
