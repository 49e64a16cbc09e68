#pragma once

#include "platform/Clock.h"

// A clock that stands still until it is moved.
class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime start)
        : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& moment) { m_now = moment; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }
    void advanceMinutes(qint64 minutes) { m_now = m_now.addSecs(minutes * 60); }

private:
    QDateTime m_now;
};
