#include "data/Database.h"

#include "data/DatabaseConnection.h"
#include "data/ServerAddress.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>
#include <utility>

namespace {

// The longest pause between two tries at a lock: short, so a lock that is let go is taken soon.
constexpr int LongestPauseMs = 100;

// A pause before the next try, growing with each try, never past the deadline; false when the
// pause function says the wait is over.
bool pause(const Database::PauseFunction& pauser, int attempt, const QDeadlineTimer& deadline) {
    const int base = std::min(10 << std::min(attempt, 8), LongestPauseMs);
    const qint64 wanted = base + QRandomGenerator::global()->bounded(base);
    const auto length =
        std::chrono::milliseconds(std::max<qint64>(0, std::min(wanted, deadline.remainingTime())));
    if (pauser) {
        return pauser(length);
    }
    QThread::msleep(ulong(length.count()));
    return true;
}

// A row of values read through Qt.
class ListedRow final : public StreamedRow {
public:
    explicit ListedRow(const QVariantList& values)
        : m_values(values) {}
    QVariant value(int column) const override { return m_values.at(column); }
    qint64 integer64(int column) const override { return m_values.at(column).toLongLong(); }
    bool utf8(int, QByteArrayView&) const override { return false; }
    bool wholeNumber(int, qint64&) const override { return false; }

private:
    const QVariantList& m_values;
};

// Tells the wait observer that a wait for a lock began, once, and that it ended.
class WaitSignal {
public:
    explicit WaitSignal(const std::function<void(bool)>& observer)
        : m_observer(observer) {}
    ~WaitSignal() {
        if (m_waiting && m_observer) {
            m_observer(false);
        }
    }
    WaitSignal(const WaitSignal&) = delete;
    WaitSignal& operator=(const WaitSignal&) = delete;
    void waiting() {
        if (!m_waiting && m_observer) {
            m_observer(true);
        }
        m_waiting = true;
    }

private:
    const std::function<void(bool)>& m_observer;
    bool m_waiting = false;
};

thread_local Database::StatementTrace traceForNewDatabases;

} // namespace

Database::Database(std::unique_ptr<Impl> impl)
    : d(std::move(impl)) {
    d->trace = traceForNewDatabases;
}
Database::~Database() = default;

bool Database::isServerLocation(const QString& location) {
    return ServerAddress::isServerUrl(location);
}

QString Database::displayLocation(const QString& location) {
    if (!isServerLocation(location)) {
        return QDir::toNativeSeparators(location);
    }
    return ServerAddress::shown(location);
}

Database::Engine Database::engine() const {
    return d->engine;
}

QString Database::location() const {
    return displayLocation(d->location);
}

QString Database::dayOf(const QString& column) const {
    if (d->engine == Engine::PostgreSQL) {
        return QStringLiteral("to_char(%1, 'YYYY-MM-DD')").arg(column);
    }
    // Stored text starts with the day: "yyyy-MM-dd HH:mm:ss".
    return QStringLiteral("substr(%1, 1, 10)").arg(column);
}

QString Database::dayStart(const QString& moment, const QString& days) const {
    if (d->engine == Engine::PostgreSQL) {
        return QStringLiteral(
                   "(date_trunc('day', cast(%1 as timestamp)) + (%2) * interval '1 day')")
            .arg(moment, days);
    }
    // Plain calendar arithmetic on the stored text: no time zone enters, so a day is a day on
    // the wall clock even when the clocks change. The bare date is the least text of its day.
    return QStringLiteral("date(%1, (%2) || ' days')").arg(moment, days);
}

QString Database::dayEnd(const QString& moment, const QString& days) const {
    if (d->engine == Engine::PostgreSQL) {
        return QStringLiteral(
                   "(date_trunc('day', cast(%1 as timestamp)) + ((%2) + 1) * interval '1 day')")
            .arg(moment, days);
    }
    // Above the day's text followed by a blank or "T" and a time, below the next day's text and
    // below the day's text followed by a letter (text that is no date-time of that day).
    return QStringLiteral("(date(%1, (%2) || ' days') || 'U')").arg(moment, days);
}

ResultSet Database::run(const QString& sql, const QVariantList& params,
                        const std::function<void(const QVariantList&)>& onRow) {
    return retried([&] { return d->runOnce(sql, params, onRow); });
}

ResultSet Database::retried(const std::function<ResultSet()>& once) {
    WaitSignal wait(d->waitObserver);
    const QDeadlineTimer deadline(d->patience);
    for (int attempt = 0;; ++attempt) {
        d->rowsDelivered = 0;
        try {
            return once();
        } catch (const DatabaseError& error) {
            if (d->transactionDepth > 0 && !d->transactionFailure) {
                d->transactionFailure = error;
            }
            // Inside a transaction the whole transaction is retried, not one statement of it;
            // rows already handed on cannot be taken back.
            if (d->transactionDepth > 0 || d->rowsDelivered > 0 || !error.isRetryable() ||
                deadline.hasExpired()) {
                throw;
            }
            wait.waiting();
            if (!pause(d->pauser, attempt, deadline)) {
                throw;
            }
        }
    }
}

void Database::execute(const QString& sql, const QVariantList& params) {
    run(sql, params);
}

ResultSet Database::query(const QString& sql, const QVariantList& params) {
    return run(sql, params);
}

void Database::queryEach(const QString& sql, const QVariantList& params,
                         const std::function<void(const QVariantList&)>& onRow) {
    run(sql, params, onRow);
}

void Database::readEach(const QString& sql, const QVariantList& params,
                        const std::function<void(const StreamedRow&)>& onRow) {
    if (d->engine != Engine::SQLite) {
        run(sql, params, [&](const QVariantList& values) { onRow(ListedRow(values)); });
        return;
    }
    retried([&] {
        d->streamSqlite(sql, params, onRow);
        return ResultSet();
    });
}

QVariant Database::scalar(const QString& sql, const QVariantList& params) {
    return run(sql, params).scalar();
}

ResultSet Database::insertReturning(const QString& sql, const QVariantList& params,
                                    const QString& returning) {
    ResultSet result = run(sql + QStringLiteral(" RETURNING ") + returning, params);
    if (result.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QStringLiteral("The insert returned no row."), sql);
    }
    return result;
}

qint64 Database::insert(const QString& sql, const QVariantList& params, const QString& idColumn) {
    return insertReturning(sql, params, idColumn).first().integer64(0);
}

void Database::transaction(const std::function<void()>& work) {
    if (d->transactionDepth > 0) {
        work();
        return;
    }
    const QString begin =
        d->engine == Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
    auto rollback = [this] {
        try {
            d->runOnce(QStringLiteral("ROLLBACK"), {});
        } catch (const DatabaseError&) {
            // The engine may already have rolled back; the original error is what counts.
        }
    };
    bool reconnected = false;
    WaitSignal wait(d->waitObserver);
    const QDeadlineTimer deadline(d->patience);
    for (int attempt = 0;; ++attempt) {
        bool begun = false;
        bool committing = false;
        try {
            d->transactionFailure.reset();
            d->runOnce(begin, {});
            begun = true;
            d->transactionDepth = 1;
            work();
            // Work that caught a failed statement and went on is not committed: PostgreSQL
            // would answer COMMIT with a silent rollback, SQLite would keep half the work.
            if (d->transactionFailure) {
                throw DatabaseError(*d->transactionFailure);
            }
            committing = true;
            d->runOnce(QStringLiteral("COMMIT"), {});
            d->transactionDepth = 0;
            return;
        } catch (const DatabaseError& thrown) {
            d->transactionDepth = 0;
            // The first failure is the cause; on PostgreSQL every later statement only says that
            // the transaction is aborted.
            const DatabaseError error = d->transactionFailure.value_or(thrown);
            d->transactionFailure.reset();
            // A connection lost before COMMIT was sent took the open transaction with it, so
            // the work can run once more on a new connection. After COMMIT was sent nobody
            // knows whether it arrived: that is reported, never repeated.
            const bool lost = error.kind() == DatabaseError::Kind::Connection;
            if (begun && !lost) {
                rollback();
            }
            if (lost && !committing && !reconnected && d->engine == Engine::PostgreSQL) {
                reconnected = true;
                continue;
            }
            if (!error.isRetryable() || deadline.hasExpired()) {
                throw error;
            }
            wait.waiting();
            if (!pause(d->pauser, attempt, deadline)) {
                throw error;
            }
        } catch (...) {
            d->transactionDepth = 0;
            d->transactionFailure.reset();
            if (begun) {
                rollback();
            }
            throw;
        }
    }
}

bool Database::inTransaction() const {
    return d->transactionDepth > 0;
}

quint64 Database::statementCount() const {
    return d->statementCount;
}

Database::Patience::Patience(Database& database, std::chrono::milliseconds wait)
    : m_database(database)
    , m_previous(database.patience()) {
    database.setPatience(wait);
}

Database::Patience::~Patience() {
    m_database.setPatience(m_previous);
}

Database::Pause::Pause(Database& database, PauseFunction pause)
    : m_database(database)
    , m_previous(std::exchange(database.d->pauser, std::move(pause))) {}

Database::Pause::~Pause() {
    m_database.d->pauser = std::move(m_previous);
}

std::chrono::milliseconds Database::patience() const {
    return d->patience;
}

void Database::setPatience(std::chrono::milliseconds wait) {
    d->patience = std::max(wait, std::chrono::milliseconds(0));
}

void Database::setWaitObserver(std::function<void(bool)> observer) {
    d->waitObserver = std::move(observer);
}

const std::function<void(bool)>& Database::waitObserver() const {
    return d->waitObserver;
}

void Database::verifyFile() {
    d->verifyFile();
    if (d->stopped) {
        throw *d->stopped;
    }
}

std::optional<DatabaseError> Database::writingStopped() const {
    return d->stopped;
}

void Database::setStatementTrace(StatementTrace trace) {
    d->trace = std::move(trace);
}

void Database::setTraceForNewDatabases(StatementTrace trace) {
    traceForNewDatabases = std::move(trace);
}
