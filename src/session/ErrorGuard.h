#pragma once

#include "platform/Messages.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QSet>
#include <QString>
#include <chrono>
#include <exception>
#include <functional>
#include <optional>

class Clock;
class Database;

// Every control handler and timer tick runs through here, and so do start-up and closing. A
// failure never ends the program: it is shown in a message box with the critical icon and the
// engine's own message, and the program carries on. A person's action that the server refused
// under the team's rules (signed-in mode) is told as its plain sentence, with the information
// icon: nothing is wrong. A timer that keeps failing reports once, not
// on every tick, until a tick of it succeeds again.
//
// Locks held by another program: a person's action waits up to the busy timeout for them (the
// database shows a busy cursor meanwhile), then says that another program holds the database.
// Timer work does not wait: it gives up at once and tries again on its next tick, and only when
// the database has stayed busy for BusyNotice is the user told, once, without a box to answer.
// No failure of timer work opens a box: a box to answer would stop the timers, and with them the
// task's clock and the next try that brings the connection back. They are shown in the window
// (the tick notice) until a tick works again.
class ErrorGuard {
public:
    static constexpr qint64 BusyNoticeSeconds = 10;

    ErrorGuard(Messages& messages, const Clock& clock);

    // The database the guarded work talks to, once it is open.
    void setDatabase(Database* database) { m_database = database; }
    // How long a person's action waits for a lock (the busy timeout unless a test says less).
    void setActionWait(std::chrono::milliseconds wait) { m_actionWait = wait; }
    // Where a person's action spends its pauses between two tries at a lock, so that the window
    // goes on meanwhile; false when the person gave up waiting. Timer work, start-up and closing
    // never pause there.
    void setActionPause(std::function<bool(std::chrono::milliseconds)> pause) {
        m_actionPause = std::move(pause);
    }
    // Shows what keeps timer work failing, in words; told empty text once it works again.
    void setTickNotice(std::function<void(const QString&)> notice) {
        m_tickNotice = std::move(notice);
    }

    // Runs work; returns false when it failed (the failure has been reported).
    bool run(const std::function<void()>& work);
    // Runs one tick of the named timer.
    bool runTick(const QString& timer, const std::function<void()>& work);
    // Runs start-up: a failure is reported as the reason the program ends.
    bool runStartUp(const std::function<void()>& work);
    // Closing down: every step gets what is left of one busy timeout, and a step that fails is
    // skipped with a line on standard error, never a box (nobody may be there to answer it).
    void beginClosing(std::optional<std::chrono::milliseconds> budget = std::nullopt);
    bool runClosingStep(const QString& step, const std::function<void()>& work);

    // How deep in guarded work we are: a handler that opens a modal dialog lets timers run
    // inside it, and they must not start a second database conversation there.
    int depth() const { return m_depth; }

    // The text shown for a failure.
    static QString describe(const std::exception_ptr& failure);
    // Whether the failure was a database held by another program.
    static bool isBusy(const std::exception_ptr& failure);
    // Whether the server refused the change under the team's rules (signed-in mode).
    static bool isRefused(const std::exception_ptr& failure);

private:
    bool attempt(const std::function<void()>& work, std::chrono::milliseconds wait,
                 std::exception_ptr& failure);
    void report(const QString& text, Messages::Icon icon);
    void tellTickFailure(const QString& text);
    void tickFailed(const QString& timer, const std::exception_ptr& failure);
    void tickSucceeded(const QString& timer);

    Messages* m_messages;
    const Clock* m_clock;
    Database* m_database = nullptr;
    std::chrono::milliseconds m_actionWait;
    std::function<bool(std::chrono::milliseconds)> m_actionPause;
    std::function<void(const QString&)> m_tickNotice;
    bool m_tickNoticeShown = false;
    int m_depth = 0;

    // Per timer: since when it has found the database busy, if it has.
    QHash<QString, std::optional<QDateTime>> m_failingTimers;
    // What the failing timers have already told, so that two timers tell a failure once.
    QSet<QString> m_toldTickFailures;
    bool m_toldBusy = false;
    QDeadlineTimer m_closingDeadline;
};
