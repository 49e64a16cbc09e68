#include "tracking/AwayRule.h"

#include "data/Numbers.h"
#include "data/TimeText.h"

#include <QCoreApplication>

namespace {

// Input this close to the start of the idle time is the same input read at another moment.
constexpr qint64 SameInputMilliseconds = 2000;

} // namespace

std::optional<AwayRule::Away> AwayRule::tick(const QDateTime& now, qint64 steadyMilliseconds,
                                             qint64 idleMilliseconds, int thresholdMinutes) {
    if (m_lastTick.isValid()) {
        const qint64 jump = m_lastTick.msecsTo(now) - (steadyMilliseconds - m_lastSteady);
        if (m_lastTick > now) {
            // The clock was set back: what was measured before no longer holds.
            m_idleStart = QDateTime();
        } else if (jump > ClockJumpSeconds * 1000 &&
                   (!m_idleStart.isValid() || m_lastTick < m_idleStart)) {
            m_idleStart = m_lastTick;
        }
    }
    m_lastTick = now;
    m_lastSteady = steadyMilliseconds;

    const QDateTime lastInput = now.addMSecs(-idleMilliseconds);
    if (idleMilliseconds >= qint64(thresholdMinutes) * 60000 &&
        (!m_idleStart.isValid() || lastInput < m_idleStart)) {
        m_idleStart = lastInput;
    }
    if (!m_idleStart.isValid() || m_idleStart.msecsTo(lastInput) <= SameInputMilliseconds) {
        return std::nullopt; // not idle, or still idle
    }
    const Away away{m_idleStart, lastInput};
    m_idleStart = QDateTime();
    if (away.start.secsTo(away.end) < qint64(thresholdMinutes) * 60) {
        return std::nullopt; // a short gap between ticks
    }
    return away;
}

void AwayRule::reset() {
    m_lastTick = QDateTime();
    m_lastSteady = 0;
    m_idleStart = QDateTime();
}

std::optional<int> AwayRule::threshold(const QString& setting) {
    return Numbers::toWholeNumber(setting, 1, 32767);
}

QString AwayRule::question(const Away& away) {
    return QCoreApplication::translate("AwayRule",
                                       "You were away from %1 to %2 (%n minutes) while these "
                                       "tasks ran:",
                                       nullptr, away.minutes())
        .arg(TimeText::format(away.start, TimeText::HH_MM),
             TimeText::format(away.end, TimeText::HH_MM));
}
