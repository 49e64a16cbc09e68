#include "PrivateDesktop.h"

#include <QDir>
#include <QFile>

namespace PrivateDesktop {

void makeFolders(const QString& home) {
    const QDir folder(home);
    for (const char* name : {"config", "data", "cache", "state"}) {
        folder.mkpath(QLatin1String(name));
    }
    // As the system makes it: the owner's alone. One that is there already is left as a test
    // made it (open to the user a program runs as).
    if (!folder.exists(QStringLiteral("runtime"))) {
        folder.mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QStringList variables(const QString& home) {
    makeFolders(home);
    const QDir folder(home);
    return {
        QStringLiteral("HOME=") + home,
        QStringLiteral("XDG_CONFIG_HOME=") + folder.filePath(QStringLiteral("config")),
        QStringLiteral("XDG_DATA_HOME=") + folder.filePath(QStringLiteral("data")),
        QStringLiteral("XDG_CACHE_HOME=") + folder.filePath(QStringLiteral("cache")),
        QStringLiteral("XDG_STATE_HOME=") + folder.filePath(QStringLiteral("state")),
        QStringLiteral("XDG_RUNTIME_DIR=") + folder.filePath(QStringLiteral("runtime")),
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS=disabled:"),
    };
}

QProcessEnvironment environment(const QString& home) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SESSION_MANAGER", "DESKTOP_STARTUP_ID",
                             "XDG_SESSION_ID", "PGPASSWORD", "PGPASSFILE"}) {
        environment.remove(QLatin1String(name));
    }
    for (const QString& variable : variables(home)) {
        const qsizetype equals = variable.indexOf(QLatin1Char('='));
        environment.insert(variable.left(equals), variable.mid(equals + 1));
    }
    return environment;
}

} // namespace PrivateDesktop
