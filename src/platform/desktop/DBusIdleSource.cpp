#include "platform/desktop/DBusIdleSource.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

namespace {

// A tick must not wait long for a session that does not answer.
constexpr int AnswerWaitMs = 250;

} // namespace

DBusIdleSource::DBusIdleSource() {
    if (!QDBusConnection::sessionBus().isConnected()) {
        m_reason = QCoreApplication::translate(
            "IdleSource", "there is neither an X display nor a desktop session bus to "
                          "tell the idle time.");
        return;
    }
    for (const Service service : {Service::ScreenSaver, Service::GnomeIdleMonitor}) {
        if (ask(service)) {
            m_service = service;
            return;
        }
    }
    m_reason = QCoreApplication::translate(
        "IdleSource", "the desktop session does not tell the idle time (neither "
                      "org.freedesktop.ScreenSaver nor GNOME's idle monitor answers).");
}

std::optional<qint64> DBusIdleSource::idleMilliseconds() {
    if (m_service == Service::None) {
        return std::nullopt;
    }
    return ask(m_service);
}

std::optional<qint64> DBusIdleSource::ask(Service service) const {
    QDBusMessage call;
    if (service == Service::ScreenSaver) {
        call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                              QStringLiteral("/org/freedesktop/ScreenSaver"),
                                              QStringLiteral("org.freedesktop.ScreenSaver"),
                                              QStringLiteral("GetSessionIdleTime"));
    } else {
        call = QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                              QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                                              QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                                              QStringLiteral("GetIdletime"));
    }
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, AnswerWaitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return std::nullopt;
    }
    bool number = false;
    const qint64 idle = reply.arguments().first().toLongLong(&number);
    if (!number || idle < 0) {
        return std::nullopt;
    }
    return idle;
}
