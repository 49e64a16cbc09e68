#include "session/ErrorGuard.h"

#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/KeyedCollection.h"
#include "platform/Clock.h"
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QDebug>
#include <algorithm>

namespace {

const char* const ActionNotDone = QT_TRANSLATE_NOOP(
    "ErrorGuard", "Quillhour could not do what you asked. Nothing is lost: try again in a moment.");
const char* const KeepsTrying = QT_TRANSLATE_NOOP(
    "ErrorGuard",
    "Quillhour keeps trying, and carries on by itself as soon as the database is free.");

} // namespace

ErrorGuard::ErrorGuard(Messages& messages, const Clock& clock)
    : m_messages(&messages)
    , m_clock(&clock)
    , m_actionWait(Database::BusyTimeout) {}

QString ErrorGuard::describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const DatabaseError& error) {
        return error.message();
    } catch (const CollectionError& error) {
        return error.message();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QCoreApplication::translate("ErrorGuard", "An unexpected error occurred.");
    }
}

bool ErrorGuard::isBusy(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const DatabaseError& error) {
        return error.kind() == DatabaseError::Kind::Busy;
    } catch (...) {
        return false;
    }
}

bool ErrorGuard::attempt(const std::function<void()>& work, std::chrono::milliseconds wait,
                         std::exception_ptr& failure) {
    std::optional<Database::Patience> patience;
    if (m_database != nullptr) {
        patience.emplace(*m_database, wait);
    }
    ++m_depth;
    try {
        work();
        --m_depth;
        return true;
    } catch (...) {
        --m_depth;
        failure = std::current_exception();
        return false;
    }
}

void ErrorGuard::report(const QString& text, Messages::Icon icon) {
    qWarning().noquote() << "Quillhour:" << text;
    m_messages->show(text, QString(), Messages::Buttons::Ok, icon);
}

bool ErrorGuard::isRefused(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const DatabaseError& error) {
        return error.kind() == DatabaseError::Kind::Refused;
    } catch (...) {
        return false;
    }
}

bool ErrorGuard::run(const std::function<void()>& work) {
    std::exception_ptr failure;
    bool done = false;
    {
        std::optional<Database::Pause> pause;
        if (m_database != nullptr && m_actionPause) {
            pause.emplace(*m_database, m_actionPause);
        }
        done = attempt(work, m_actionWait, failure);
    }
    if (done) {
        return true;
    }
    const QString text = describe(failure);
    if (isRefused(failure)) {
        // Not a fault: the server keeps the team's rules, and the sentence says whose change it is.
        report(text, Messages::Icon::Information);
        return false;
    }
    report(isBusy(failure)
               ? text + QLatin1Char(' ') + QCoreApplication::translate("ErrorGuard", ActionNotDone)
               : text,
           Messages::Icon::Critical);
    return false;
}

bool ErrorGuard::runStartUp(const std::function<void()>& work) {
    std::exception_ptr failure;
    if (attempt(work, m_actionWait, failure)) {
        return true;
    }
    report(QCoreApplication::translate("ErrorGuard",
                                       "Quillhour could not start.\n\n%1\n\nQuillhour will close.")
               .arg(describe(failure)),
           Messages::Icon::Critical);
    return false;
}

bool ErrorGuard::runTick(const QString& timer, const std::function<void()>& work) {
    std::exception_ptr failure;
    // Timer work never waits for a lock: the screen stays alive and the next tick tries again.
    if (attempt(work, std::chrono::milliseconds(0), failure)) {
        tickSucceeded(timer);
        return true;
    }
    tickFailed(timer, failure);
    return false;
}

void ErrorGuard::tickFailed(const QString& timer, const std::exception_ptr& failure) {
    const QDateTime now = m_clock->now();
    std::optional<QDateTime>& busySince = m_failingTimers[timer];
    const QString text = describe(failure);
    if (!isBusy(failure)) {
        busySince.reset();
        if (!m_toldTickFailures.contains(text)) {
            m_toldTickFailures << text;
            qWarning().noquote() << "Quillhour:" << timer << text;
            tellTickFailure(text);
        }
        return;
    }
    if (!busySince) {
        busySince = now;
    }
    if (!m_toldBusy && busySince->secsTo(now) >= BusyNoticeSeconds) {
        m_toldBusy = true;
        const QString notice =
            text + QLatin1Char(' ') + QCoreApplication::translate("ErrorGuard", KeepsTrying);
        qWarning().noquote() << "Quillhour:" << notice;
        if (m_tickNotice) {
            tellTickFailure(notice);
        } else {
            m_messages->notify(notice, QCoreApplication::translate("ErrorGuard", "Database Busy"),
                               Messages::Icon::Warning);
        }
    }
}

void ErrorGuard::tellTickFailure(const QString& text) {
    if (m_tickNotice) {
        m_tickNotice(text);
        m_tickNoticeShown = true;
    } else {
        m_messages->notify(text, QString(), Messages::Icon::Critical);
    }
}

void ErrorGuard::tickSucceeded(const QString& timer) {
    m_failingTimers.remove(timer);
    const bool stillBusy = std::any_of(m_failingTimers.cbegin(), m_failingTimers.cend(),
                                       [](const auto& since) { return since.has_value(); });
    if (!stillBusy) {
        m_toldBusy = false;
    }
    if (m_failingTimers.isEmpty()) {
        m_toldTickFailures.clear();
        if (m_tickNoticeShown) {
            m_tickNoticeShown = false;
            m_tickNotice(QString());
        }
    }
}

void ErrorGuard::beginClosing(std::optional<std::chrono::milliseconds> budget) {
    m_closingDeadline = QDeadlineTimer(budget.value_or(m_actionWait));
}

bool ErrorGuard::runClosingStep(const QString& step, const std::function<void()>& work) {
    std::exception_ptr failure;
    const auto left = std::chrono::milliseconds(m_closingDeadline.remainingTime());
    if (attempt(work, std::max(left, std::chrono::milliseconds(0)), failure)) {
        return true;
    }
    qWarning().noquote() << QStringLiteral("Quillhour: while closing, this step was skipped (%1): "
                                           "%2")
                                .arg(step, describe(failure));
    return false;
}
