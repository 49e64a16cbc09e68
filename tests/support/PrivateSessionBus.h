#pragma once

#include "PrivateDesktop.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

// A session bus of the test's own: dbus-daemon on a socket in a temporary folder, ended with this
// object. The services it starts on demand (GNOME Keyring, its prompts) get its environment.
class PrivateSessionBus {
public:
    PrivateSessionBus() = default;
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // The bus address, or empty text with the reason in error.
    QString start(const QString& folder, QString& error,
                  const QProcessEnvironment& environment = PrivateDesktop::withoutSessionBus());

private:
    QProcess m_daemon;
};
