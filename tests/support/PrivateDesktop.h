#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// What keeps a program a test starts off the desktop of the machine it runs on: its own home,
// XDG folders and runtime folder, all under one folder of the test's, and no session bus
// (DBUS_SESSION_BUS_ADDRESS=disabled:) unless the test gives it a private one. Without this,
// libdbus starts a bus through the X display and the desktop's keyring may answer, or prompt.
namespace PrivateDesktop {

// Makes the folders under home that are missing; a new runtime folder is the owner's alone.
void makeFolders(const QString& home);
// The variables to start with (name=value), the folders made.
QStringList variables(const QString& home);
// The test's own environment with those variables, and without what points at the desktop
// session (its display, session manager, startup id) or hands out a password (PGPASSWORD,
// PGPASSFILE). A test that shows windows names its own X display.
QProcessEnvironment environment(const QString& home);

// An environment (the test's own unless given) with no session bus, for the helper programs a
// test starts that need no folders of their own: an X server, a bus daemon, a window.
inline QProcessEnvironment
withoutSessionBus(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment()) {
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    return environment;
}

} // namespace PrivateDesktop
