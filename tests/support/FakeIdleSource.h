#pragma once

#include "platform/IdleSource.h"

// An idle time set by hand. Until one is set it cannot tell any, so the question stays off in
// tests that are not about it.
class FakeIdleSource final : public IdleSource {
public:
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
    QString m_reason = QStringLiteral("No idle time was set.");
};
