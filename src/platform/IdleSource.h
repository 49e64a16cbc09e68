#pragma once

#include <QCoreApplication>
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

// An idle time set by hand, for tests. Until one is set it cannot tell any, so the question
// stays off in tests that are not about it.
class FakeIdleSource final : public IdleSource {
public:
    FakeIdleSource()
        : m_reason(QCoreApplication::translate("IdleSource", "No idle time was set.")) {}
    std::optional<qint64> idleMilliseconds() override {
        if (!m_reason.isEmpty()) {
            return std::nullopt;
        }
        return m_idle;
    }
    QString unavailableReason() const override { return m_reason; }
    void setIdleSeconds(qint64 seconds) {
        m_idle = seconds * 1000;
        m_reason.clear();
    }
    void setUnavailable(const QString& reason) { m_reason = reason; }

private:
    qint64 m_idle = 0;
    QString m_reason;
};
