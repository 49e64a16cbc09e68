#pragma once

#include "platform/DesktopNotifier.h"

#include <QHash>

class QDBusPendingCallWatcher;

// Notices through the desktop's notification service, org.freedesktop.Notifications on the
// session bus. Calls never wait: a missing bus or service only means the notice is not shown.
class DBusDesktopNotifier final : public DesktopNotifier {
    Q_OBJECT

public:
    // appIcon: the icon name the desktop shows beside each notice.
    explicit DBusDesktopNotifier(QString appIcon, QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, const QString& target) override;

private slots:
    void onActionInvoked(uint id, const QString& actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    void onNotifyAnswered(QDBusPendingCallWatcher* watcher, const QString& target);

    QString m_appIcon;
    bool m_connected = false;
    // The notices still shown, by the id the service gave them, with their targets.
    QHash<uint, QString> m_targets;
};
