// bench_server --database URL [--desktops LIST] [--seconds N] [--json FILE]: many desktops on
// one PostgreSQL server. The statements of a quiet housekeeping tick, of a task timer tick and
// of a Start and a Finish are taken from a real main window on the database. Then N simulated
// desktops, each on a connection of its own and as a user of its own, send them on the
// program's schedule (housekeeping every 2 s, the task timer every second, a Start or a Finish
// every few minutes) for a while. Reported for each N: the server's CPU (all of its processes,
// read from /proc, so the server must run on this machine), in all and per desktop, and the
// 50th and 99th percentile of a tick's time.

#include "Harness.h"
#include "RawReplay.h"
#include "WindowBench.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "tracking/TaskTimer.h"
#include "tracking/TaskTracker.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <libpq-fe.h>
#include <mutex>
#include <optional>
#include <queue>
#include <random>
#include <stdexcept>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// One statement of a tick, ready for any desktop: its text numbered for the server, its values
// in the server's text form, and which of them name the user or the started time row.
struct Step {
    QByteArray sql;
    bool preparable = false;
    std::vector<std::optional<QByteArray>> values;
    std::vector<bool> userPlace;
    std::vector<bool> timePlace;
};
using Plan = std::vector<Step>;

// The column each "?" of a statement is compared with or written to, lower case: "userid" for
// "userId = ?" and for the userId column of an insert; empty where there is none.
std::vector<QString> placeColumns(const QString& sql) {
    std::vector<QString> columns;
    static const QRegularExpression insert(
        QStringLiteral("^\\s*insert\\s+into\\s+\\S+\\s*\\(([^)]*)\\)\\s*values\\s*\\(([^)]*)\\)"),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = insert.match(sql); match.hasMatch()) {
        const QStringList names = match.captured(1).split(QLatin1Char(','));
        const QStringList values = match.captured(2).split(QLatin1Char(','));
        for (int i = 0; i < values.size(); ++i) {
            if (values.at(i).trimmed() == QLatin1String("?")) {
                columns.push_back(i < names.size() ? names.at(i).trimmed().toLower() : QString());
            }
        }
        return columns;
    }
    static const QRegularExpression compared(
        QStringLiteral("([A-Za-z_.\"]+)\\s*(=|<>|<|>)\\s*\\?"));
    int from = 0;
    for (int at = int(sql.indexOf(QLatin1Char('?'))); at >= 0;
         at = int(sql.indexOf(QLatin1Char('?'), at + 1))) {
        QString column;
        QRegularExpressionMatchIterator it = compared.globalMatch(sql.left(at + 1), from);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedEnd() == at + 1) {
                column = match.captured(1).section(QLatin1Char('.'), -1).remove(QLatin1Char('"'));
            }
        }
        columns.push_back(column.toLower());
    }
    return columns;
}

std::optional<QByteArray> serverText(const QVariant& value) {
    if (value.isNull()) {
        return std::nullopt;
    }
    if (value.typeId() == QMetaType::Bool) {
        return QByteArray(value.toBool() ? "true" : "false");
    }
    return value.toString().toUtf8();
}

Plan planOf(const std::vector<SentStatement>& sent) {
    static const QRegularExpression dml(
        QStringLiteral("^\\s*(select|insert|update|delete|with|values)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    Plan plan;
    for (const SentStatement& statement : sent) {
        Step step;
        step.sql = numberedPlaceholders(statement.sql).toUtf8();
        step.preparable = dml.match(statement.sql).hasMatch();
        const std::vector<QString> columns = placeColumns(statement.sql);
        for (int i = 0; i < statement.values.size(); ++i) {
            const QString column = i < int(columns.size()) ? columns[std::size_t(i)] : QString();
            step.values.push_back(serverText(statement.values.at(i)));
            step.userPlace.push_back(column == QLatin1String("userid"));
            step.timePlace.push_back(column == QLatin1String("timeid"));
        }
        plan.push_back(std::move(step));
    }
    return plan;
}

// What one desktop sends on each occasion, taken from a real window.
struct Ticks {
    Plan system;
    Plan task;
    Plan start;
    Plan finish;
};

Ticks capture(const QString& url) {
    Bench bench(url);
    std::unique_ptr<frmMain> window = bench.open();
    frmMain& w = *window;
    w.trmSystem_Timer(); // the first look reads everything; the next tick is a quiet one
    auto take = [&w](const std::function<void()>& work) {
        StatementLog log(w.database());
        work();
        return planOf(log.take());
    };
    Ticks ticks;
    bench.clock.advanceSeconds(2);
    ticks.system = take([&w] { w.trmSystem_Timer(); });
    bench.clock.advanceSeconds(1);
    ticks.task = take([&w] { w.taskTimer().processTasks(); });
    ticks.start = take([&w] { w.tracker().startTimeItem(); });
    const int started = w.state().currentTask != nullptr ? w.state().currentTask->taskId : 0;
    bench.clock.advanceSeconds(5 * 60);
    ticks.finish = take([&] { w.tracker().finishTaskAt(started, bench.clock.now()); });
    w.Form_Terminate();
    if (ticks.system.empty() || ticks.start.empty() || ticks.finish.empty()) {
        throw std::runtime_error("the window sent no statements to take as a desktop's");
    }
    return ticks;
}

// One simulated desktop: its own connection, its statements prepared on it as the program's
// driver prepares them, and the time row its last Start opened.
class Desktop {
public:
    Desktop(const QByteArray& url, int userId)
        : m_userId(QByteArray::number(userId)) {
        m_conn = PQconnectdb(url.constData());
        if (PQstatus(m_conn) != CONNECTION_OK) {
            const QString message = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
            PQfinish(m_conn);
            throw std::runtime_error(message.toStdString());
        }
    }
    ~Desktop() { PQfinish(m_conn); }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    void run(const Plan& plan) {
        for (const Step& step : plan) {
            send(step);
        }
    }
    // A Start, or the Finish of the task the last Start began.
    void startOrFinish(const Ticks& ticks) {
        if (m_started.isEmpty()) {
            run(ticks.start);
        } else {
            run(ticks.finish);
            m_started.clear();
        }
    }

private:
    void send(const Step& step) {
        std::vector<const char*> values;
        values.reserve(step.values.size());
        for (std::size_t i = 0; i < step.values.size(); ++i) {
            const std::optional<QByteArray>& value = step.values[i];
            values.push_back(step.userPlace[i]                           ? m_userId.constData()
                             : step.timePlace[i] && !m_started.isEmpty() ? m_started.constData()
                             : value                                     ? value->constData()
                                                                         : nullptr);
        }
        PGresult* result = nullptr;
        if (!step.preparable) {
            result = PQexec(m_conn, step.sql.constData());
        } else {
            auto found = m_prepared.constFind(step.sql);
            if (found == m_prepared.cend()) {
                const QByteArray name = "s" + QByteArray::number(m_prepared.size() + 1);
                PGresult* prepared = PQprepare(m_conn, name.constData(), step.sql.constData(),
                                               int(values.size()), nullptr);
                check(prepared, step);
                found = m_prepared.insert(step.sql, name);
            }
            result = PQexecPrepared(m_conn, found->constData(), int(values.size()), values.data(),
                                    nullptr, nullptr, 0);
        }
        if (step.sql.contains(" RETURNING timeId") && PQntuples(result) == 1) {
            m_started = QByteArray(PQgetvalue(result, 0, 0));
        }
        check(result, step);
    }
    static void check(PGresult* result, const Step& step) {
        const ExecStatusType status = PQresultStatus(result);
        const QByteArray message = PQresultErrorMessage(result);
        PQclear(result);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            throw std::runtime_error((message.trimmed() + " (" + step.sql + ")").toStdString());
        }
    }

    PGconn* m_conn = nullptr;
    QByteArray m_userId;
    QByteArray m_started;
    QHash<QByteArray, QByteArray> m_prepared;
};

// CPU time (in clock ticks) of the server's processes: the postmaster and its children.
qint64 serverCpu(qint64 postmaster) {
    qint64 total = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray line = stat.readAll();
        // After the name in parentheses: state, ppid, ..., utime (14th field), stime (15th).
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13) {
            continue;
        }
        if (pid == postmaster || fields.at(1).toLongLong() == postmaster) {
            total += fields.at(11).toLongLong() + fields.at(12).toLongLong();
        }
    }
    return total;
}

// The postmaster of the server a connection reaches, when it runs on this machine; 0 otherwise.
qint64 postmasterOf(PGconn* conn) {
    PGresult* result = PQexec(conn, "select pg_backend_pid()");
    const qint64 backend = PQresultStatus(result) == PGRES_TUPLES_OK
                               ? QByteArray(PQgetvalue(result, 0, 0)).toLongLong()
                               : 0;
    PQclear(result);
    QFile stat(QStringLiteral("/proc/%1/stat").arg(backend));
    if (backend == 0 || !stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
}

QByteArray answer(PGconn* conn, const char* sql) {
    PGresult* result = PQexec(conn, sql);
    QByteArray value = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0
                           ? QByteArray(PQgetvalue(result, 0, 0))
                           : QByteArray();
    PQclear(result);
    return value;
}

struct Event {
    Clock::time_point due;
    int desktop = 0;
    int kind = 0; // 0 housekeeping, 1 task timer, 2 Start or Finish
    bool operator>(const Event& other) const { return due > other.due; }
};

struct Measured {
    std::vector<double> tickMs;
    qint64 behind = 0; // ticks begun more than a second late: the simulation fell behind
};

// Runs the desktops' schedule on a few threads for warmup plus seconds; ticks that begin
// after the warm-up are timed.
Measured simulate(std::vector<std::unique_ptr<Desktop>>& desktops, const Ticks& ticks,
                  int warmupSeconds, int seconds, const std::function<void()>& measuringStarts) {
    const int threads = 4;
    const Clock::time_point begin = Clock::now();
    const Clock::time_point measureFrom = begin + std::chrono::seconds(warmupSeconds);
    const Clock::time_point end = measureFrom + std::chrono::seconds(seconds);
    std::mutex merge;
    Measured all;
    std::atomic<bool> failed{false};
    std::string failure;
    std::vector<std::thread> workers;
    std::once_flag started;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            std::mt19937 dice(std::uint32_t(1000 + t));
            std::priority_queue<Event, std::vector<Event>, std::greater<>> due;
            std::uniform_int_distribution<int> spread(0, 1999);
            std::uniform_int_distribution<int> minutes(120, 300);
            for (int d = t; d < int(desktops.size()); d += threads) {
                due.push({begin + std::chrono::milliseconds(spread(dice)), d, 0});
                due.push({begin + std::chrono::milliseconds(spread(dice) / 2), d, 1});
                due.push({begin + std::chrono::seconds(minutes(dice)) / 4, d, 2});
            }
            Measured mine;
            try {
                while (!due.empty() && !failed) {
                    Event next = due.top();
                    due.pop();
                    if (next.due >= end) {
                        break;
                    }
                    std::this_thread::sleep_until(next.due);
                    const Clock::time_point at = Clock::now();
                    if (at >= measureFrom) {
                        std::call_once(started, measuringStarts);
                    }
                    Desktop& desktop = *desktops[std::size_t(next.desktop)];
                    if (next.kind == 0) {
                        desktop.run(ticks.system);
                    } else if (next.kind == 1) {
                        desktop.run(ticks.task);
                    } else {
                        desktop.startOrFinish(ticks);
                    }
                    if (at >= measureFrom && next.kind < 2) {
                        mine.tickMs.push_back(
                            std::chrono::duration<double, std::milli>(Clock::now() - at).count());
                        mine.behind += at - next.due > std::chrono::seconds(1) ? 1 : 0;
                    }
                    next.due += next.kind == 0   ? std::chrono::milliseconds(2000)
                                : next.kind == 1 ? std::chrono::milliseconds(1000)
                                                 : std::chrono::milliseconds(minutes(dice) * 1000);
                    due.push(next);
                }
            } catch (const std::exception& error) {
                const std::lock_guard<std::mutex> lock(merge);
                failed = true;
                failure = error.what();
            }
            const std::lock_guard<std::mutex> lock(merge);
            all.tickMs.insert(all.tickMs.end(), mine.tickMs.begin(), mine.tickMs.end());
            all.behind += mine.behind;
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (failed) {
        throw std::runtime_error("a simulated desktop failed: " + failure);
    }
    return all;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

void raiseFileLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

struct Options {
    QString url;
    std::vector<int> levels;
    int seconds = 20;
};

void measure(Harness& harness, const Options& options) {
    const QByteArray url = options.url.toUtf8();
    const Ticks ticks = capture(options.url);
    harness.note(QStringLiteral("statements per housekeeping tick"), int(ticks.system.size()));
    harness.note(QStringLiteral("statements per task timer tick"), int(ticks.task.size()));

    std::unique_ptr<PGconn, void (*)(PGconn*)> probe(PQconnectdb(url.constData()), &PQfinish);
    if (PQstatus(probe.get()) != CONNECTION_OK) {
        throw std::runtime_error(PQerrorMessage(probe.get()));
    }
    const qint64 postmaster = postmasterOf(probe.get());
    const int allowed = answer(probe.get(), "show max_connections").toInt();
    const int reserved = answer(probe.get(), "show superuser_reserved_connections").toInt();
    std::vector<int> users;
    {
        PGresult* rows = PQexec(probe.get(), "select userId from \"user\" order by userId");
        for (int i = 0; i < PQntuples(rows); ++i) {
            users.push_back(QByteArray(PQgetvalue(rows, i, 0)).toInt());
        }
        PQclear(rows);
    }
    if (users.empty()) {
        throw std::runtime_error("the database has no users");
    }
    harness.note(QStringLiteral("server max_connections"), allowed);
    harness.note(QStringLiteral("server CPU read"),
                 postmaster > 0 ? QStringLiteral("from /proc") : QStringLiteral("not here"));
    const double cores = double(std::thread::hardware_concurrency());
    const double ticksPerSecond = double(sysconf(_SC_CLK_TCK));

    std::vector<std::unique_ptr<Desktop>> desktops;
    for (const int level : options.levels) {
        if (level > allowed - reserved - 3) {
            harness.note(QStringLiteral("%1 desktops").arg(level),
                         QStringLiteral("skipped: the server takes %1 connections").arg(allowed));
            continue;
        }
        while (int(desktops.size()) < level) {
            desktops.push_back(
                std::make_unique<Desktop>(url, users[desktops.size() % users.size()]));
        }
        qint64 cpuBefore = 0;
        Clock::time_point from;
        const Measured measured = simulate(desktops, ticks, 4, options.seconds, [&] {
            cpuBefore = serverCpu(postmaster);
            from = Clock::now();
        });
        const double elapsed = std::chrono::duration<double>(Clock::now() - from).count();
        const double serverCores =
            postmaster > 0 ? double(serverCpu(postmaster) - cpuBefore) / ticksPerSecond / elapsed
                           : -1;
        const QString name = QStringLiteral("%1 desktops: ").arg(level);
        harness.amount(name + QStringLiteral("server CPU"), QStringLiteral("% of all cores"),
                       serverCores < 0 ? -1 : 100.0 * serverCores / cores);
        // In CPU milliseconds each second: a per cent of a core would round to nothing.
        harness.amount(name + QStringLiteral("server CPU per desktop, each second"),
                       QStringLiteral("ms"), serverCores < 0 ? -1 : 1000.0 * serverCores / level);
        harness.amount(name + QStringLiteral("tick, 50th percentile"), QStringLiteral("ms"),
                       percentile(measured.tickMs, 0.50));
        harness.amount(name + QStringLiteral("tick, 99th percentile"), QStringLiteral("ms"),
                       percentile(measured.tickMs, 0.99));
        harness.amount(name + QStringLiteral("ticks begun over 1 s late"), QStringLiteral("ticks"),
                       double(measured.behind));
    }
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Harness::useTheProgramsTimeZone();
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_server"));
    raiseFileLimit();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Many simulated desktops on one PostgreSQL server (a database copy_reference filled)."));
    parser.addHelpOption();
    const QCommandLineOption databaseOption(QStringLiteral("database"),
                                            QStringLiteral("postgresql:// URL of the database."),
                                            QStringLiteral("URL"));
    const QCommandLineOption desktopsOption(
        QStringLiteral("desktops"),
        QStringLiteral("Numbers of desktops, separated by commas (default 100,500,1000)."),
        QStringLiteral("LIST"), QStringLiteral("100,500,1000"));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"), QStringLiteral("Seconds measured per number (default 20)."),
        QStringLiteral("N"), QStringLiteral("20"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Also write the figures to this file."),
                                        QStringLiteral("FILE"));
    // Taken and ignored, as scripts/bench hands every bench_* program the same arguments.
    const QCommandLineOption runsOption(QStringLiteral("runs"), QStringLiteral("Not used here."),
                                        QStringLiteral("N"));
    for (const QCommandLineOption& option :
         {databaseOption, desktopsOption, secondsOption, jsonOption, runsOption}) {
        parser.addOption(option);
    }
    parser.process(app);

    Options options;
    options.url = parser.value(databaseOption);
    bool ok = false;
    options.seconds = parser.value(secondsOption).toInt(&ok);
    for (const QString& level : parser.value(desktopsOption).split(QLatin1Char(','))) {
        bool levelOk = false;
        options.levels.push_back(level.trimmed().toInt(&levelOk));
        ok = ok && levelOk && options.levels.back() > 0;
    }
    if (!ok || options.seconds < 1 || !Database::isServerLocation(options.url)) {
        std::fputs("bench_server: give --database postgresql://..., whole numbers of desktops and "
                   "of seconds (see --help).\n",
                   stderr);
        return 1;
    }
    Harness harness(QStringLiteral("Many desktops on one PostgreSQL server"));
    harness.note(QStringLiteral("database"), Database::displayLocation(options.url));
    try {
        measure(harness, options);
        std::fputs(qPrintable(harness.table()), stdout);
        if (parser.isSet(jsonOption)) {
            harness.writeJson(parser.value(jsonOption));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_server: %s\n", error.what());
        return 1;
    }
    return 0;
}
