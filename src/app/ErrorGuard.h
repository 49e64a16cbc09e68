#pragma once

#include <QSet>
#include <QString>
#include <exception>
#include <functional>

class Messages;

// Every control handler and timer tick runs through here. A failure never ends the program:
// it is shown in a message box with the critical icon and the engine's own message, and the
// program carries on. A timer that keeps failing reports once, not on every tick, until a tick
// of it succeeds again.
class ErrorGuard {
public:
    explicit ErrorGuard(Messages& messages)
        : m_messages(&messages) {}

    // Runs work; returns false when it failed (the failure has been reported).
    bool run(const std::function<void()>& work);
    // Runs one tick of the named timer.
    bool runTick(const QString& timer, const std::function<void()>& work);

    // How deep in guarded work we are: a handler that opens a modal dialog lets timers run
    // inside it, and they must not start a second database conversation there.
    int depth() const { return m_depth; }

    // The text shown for a failure.
    static QString describe(const std::exception_ptr& failure);

private:
    bool attempt(const std::function<void()>& work, QString& failure);

    Messages* m_messages;
    QSet<QString> m_failingTimers;
    int m_depth = 0;
};
