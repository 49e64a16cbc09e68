#include "PrivateSessionBus.h"

#include <QStandardPaths>

PrivateSessionBus::~PrivateSessionBus() {
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
}

QString PrivateSessionBus::start(const QString& folder, QString& error,
                                 const QProcessEnvironment& environment) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        error = QStringLiteral("dbus-daemon is not installed (package dbus-daemon)");
        return {};
    }
    m_daemon.setProcessEnvironment(environment);
    m_daemon.start(daemon,
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                    QStringLiteral("--address=unix:path=") + folder + QStringLiteral("/bus")});
    if (!m_daemon.waitForStarted(10000) || !m_daemon.waitForReadyRead(10000)) {
        error = QStringLiteral("dbus-daemon did not start: ") +
                QString::fromLocal8Bit(m_daemon.readAllStandardError());
        return {};
    }
    return QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
}
