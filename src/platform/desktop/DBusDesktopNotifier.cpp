#include "platform/desktop/DBusDesktopNotifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");
// The action a click on the notice itself invokes.
const QString DefaultAction = QStringLiteral("default");

} // namespace

DBusDesktopNotifier::DBusDesktopNotifier(QString appIcon, QObject* parent)
    : DesktopNotifier(parent)
    , m_appIcon(std::move(appIcon)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    m_connected = true;
    bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(Service, Path, Interface, QStringLiteral("NotificationClosed"), this,
                SLOT(onNotificationClosed(uint, uint)));
}

void DBusDesktopNotifier::notify(const QString& summary, const QString& body,
                                 const QString& target) {
    if (!m_connected) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    const QStringList actions = {DefaultAction,
                                 QCoreApplication::translate("DesktopNotifier", "Show")};
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral(QUILLHOUR_APP_ID));
    call << QCoreApplication::applicationName() << uint(0) << m_appIcon << summary << body
         << actions << hints << int(-1);
    // A notification server the bus starts on demand (as many desktops install theirs) is
    // started by the first notice; the call is answered later, so nothing waits for it.
    call.setAutoStartService(true);
    auto* watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, target](QDBusPendingCallWatcher* answered) { onNotifyAnswered(answered, target); });
}

void DBusDesktopNotifier::onNotifyAnswered(QDBusPendingCallWatcher* watcher,
                                           const QString& target) {
    const QDBusPendingReply<uint> reply = *watcher;
    watcher->deleteLater();
    if (reply.isError()) {
        return; // no service, or it refused: the notice is simply not shown
    }
    m_targets.insert(reply.value(), target);
}

void DBusDesktopNotifier::onActionInvoked(uint id, const QString& actionKey) {
    const auto found = m_targets.constFind(id);
    if (found == m_targets.constEnd() || actionKey != DefaultAction) {
        return; // another program's notice
    }
    emit activated(found.value());
}

void DBusDesktopNotifier::onNotificationClosed(uint id, uint) {
    m_targets.remove(id);
}
