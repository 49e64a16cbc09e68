#pragma once

#include <QDateTime>

// The one source of "now" for the program. Nothing else reads the system clock, so every
// duration, stamp and reminder can be tested at a moment of the test's choosing.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

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
