#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// How long the desktop has gone without keyboard or mouse input.
class IdleSource {
public:
    virtual ~IdleSource() = default;
    // The time since the last input; nothing when the desktop cannot tell it now.
    virtual std::optional<qint64> idleMilliseconds() = 0;
    // Empty when the desktop tells the idle time; otherwise why it cannot, in words for the
    // Settings page.
    virtual QString unavailableReason() const = 0;
};

// A desktop that cannot tell the idle time.
class NoIdleSource final : public IdleSource {
public:
    explicit NoIdleSource(QString reason)
        : m_reason(std::move(reason)) {}
    std::optional<qint64> idleMilliseconds() override { return std::nullopt; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};
