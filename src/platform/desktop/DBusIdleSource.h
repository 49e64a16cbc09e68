#pragma once

#include "platform/IdleSource.h"

// The idle time a desktop session tells over D-Bus: org.freedesktop.ScreenSaver's
// GetSessionIdleTime, or GNOME's idle monitor (org.gnome.Mutter.IdleMonitor) where that is what
// the session offers. The first that answers at start is used.
class DBusIdleSource final : public IdleSource {
public:
    DBusIdleSource();

    std::optional<qint64> idleMilliseconds() override;
    QString unavailableReason() const override { return m_reason; }

private:
    enum class Service { None, ScreenSaver, GnomeIdleMonitor };
    std::optional<qint64> ask(Service service) const;

    Service m_service = Service::None;
    QString m_reason;
};
