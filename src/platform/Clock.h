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
