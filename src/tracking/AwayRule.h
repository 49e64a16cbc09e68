#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// When nobody was at the computer: time without input of at least the threshold, ended by the
// first input after it. A suspend, or the wall clock moving on by more than two minutes between
// two ticks further than the steady clock did, counts as idle time from the earlier tick (ticks
// that were only late, behind a dialog, are not idle time). It keeps only times in memory.
class AwayRule {
public:
    struct Away {
        QDateTime start; // the last input before the idle time
        QDateTime end;   // the first input after it
        int minutes() const { return int(start.secsTo(end) / 60); }
    };

    // A jump of the wall clock between two ticks longer than this is idle time.
    static constexpr qint64 ClockJumpSeconds = 120;

    // One tick at now (steadyMilliseconds on a clock that neither jumps nor counts a suspend)
    // with the desktop's idle time. Gives the away time once, at the first input after idle time
    // of at least thresholdMinutes.
    std::optional<Away> tick(const QDateTime& now, qint64 steadyMilliseconds,
                             qint64 idleMilliseconds, int thresholdMinutes);
    // Forgets the idle time seen so far (no tasks run, or the question is off).
    void reset();

    // The threshold in the "Idle Minutes" setting: nothing when the question is off (0, or not a
    // whole number of at least 1).
    static std::optional<int> threshold(const QString& setting);
    // "You were away from HH:MM to HH:MM (N minutes) while these tasks ran:"
    static QString question(const Away& away);

private:
    QDateTime m_lastTick;
    qint64 m_lastSteady = 0;
    QDateTime m_idleStart;
};
