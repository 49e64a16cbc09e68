#include "SignedInTeam.h"
#include "TestEnvironment.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <map>
#include <set>

// Real processes on one database: headless instances built on the program's own data layer do,
// cycle after cycle, what a running instance does. Afterwards every write they acknowledged is
// there, nothing is there twice, every user has one whole set of window rows, no "database is
// locked" reached them, and SQLite finds its file intact. The crash test kills them with SIGKILL
// at random moments, round after round, and shows that each restarted instance finds its open
// rows.
//
// Sizes come from the environment: QUILLHOUR_STRESS_DRIVERS (8), QUILLHOUR_STRESS_CYCLES (500),
// QUILLHOUR_CRASH_ROUNDS (30). The figures (cycles per second, failures, latency per cycle) are
// printed as the test's own messages.
class StressTest : public QObject {
    Q_OBJECT

private slots:
    void concurrentInstancesLoseNothing() { runConcurrent(false); }
    void killedInstancesLoseNothing() { runKilled(false); }
    // The same in signed-in mode, each instance connected with its own login and held by the
    // server's rules.
    void concurrentInstancesLoseNothingSignedIn() { runConcurrent(true); }
    void killedInstancesLoseNothingSignedIn() { runKilled(true); }

private:
    struct Acks {
        std::map<qint64, qint64> started; // timeId -> cycle
        std::set<qint64> finished;
        std::set<qint64> notes;    // cycles
        qint64 lastProcesses = -1; // cycle
        int activeMarks = 0;
        std::vector<qint64> latencies; // microseconds per whole cycle
        QStringList errors;
        std::set<qint64> recovered; // of the last life read
        bool pastRecovery = false;  // the last life read got as far as its first cycle
    };

    void runConcurrent(bool signedIn);
    void runKilled(bool signedIn);
    // The instances' users, and where each of them reaches the database.
    static std::map<int, QString> makeInstances(TestEnvironment& env, int drivers, bool signedIn,
                                                std::unique_ptr<SignedInTeam>& team);
    static int setting(const char* name, int fallback);
    static void readLog(const QString& path, Acks& acks);
    static std::unique_ptr<QProcess> startDriver(const QString& location, int userId, int cycles,
                                                 int life, const QString& log);
    static void checkDatabase(TestEnvironment& env, const std::map<int, Acks>& acks, bool exact,
                              int lives);
    static QString figures(const std::map<int, Acks>& acks, qint64 wallMs);

    static constexpr int Windows = 6;
};

int StressTest::setting(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

void StressTest::readLog(const QString& path, Acks& acks) {
    acks.recovered.clear();
    acks.pastRecovery = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return; // killed before it made its log
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& raw : lines) {
        const QString line = QString::fromUtf8(raw);
        const QStringList parts = line.split(QLatin1Char(' '));
        const QString& what = parts.first();
        if (what == QLatin1String("start") && parts.size() == 3) {
            acks.started[parts[1].toLongLong()] = parts[2].toLongLong();
        } else if (what == QLatin1String("finish") && parts.size() == 2) {
            acks.finished.insert(parts[1].toLongLong());
        } else if (what == QLatin1String("note") && parts.size() == 2) {
            acks.notes.insert(parts[1].toLongLong());
        } else if (what == QLatin1String("processes") && parts.size() == 2) {
            acks.lastProcesses = std::max(acks.lastProcesses, parts[1].toLongLong());
        } else if (what == QLatin1String("active") && parts.size() == 2) {
            ++acks.activeMarks;
            acks.pastRecovery = true;
        } else if (what == QLatin1String("recovered") && parts.size() == 2) {
            acks.recovered.insert(parts[1].toLongLong());
        } else if (what == QLatin1String("cycle") && parts.size() == 3) {
            acks.latencies.push_back(parts[2].toLongLong());
        } else if (what == QLatin1String("error")) {
            acks.errors.append(line);
        }
    }
}

std::map<int, QString> StressTest::makeInstances(TestEnvironment& env, int drivers, bool signedIn,
                                                 std::unique_ptr<SignedInTeam>& team) {
    std::map<int, QString> instances;
    if (signedIn) {
        team = std::make_unique<SignedInTeam>(env);
    }
    for (int i = 1; i <= drivers; ++i) {
        const QString name = QStringLiteral("Instance %1").arg(i);
        if (team) {
            instances[team->addLogin(name)] = team->locationFor(name);
        } else {
            instances[env.addUser(name)] = env.location();
        }
    }
    return instances;
}

std::unique_ptr<QProcess> StressTest::startDriver(const QString& location, int userId, int cycles,
                                                  int life, const QString& log) {
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral(STRESS_DRIVER));
    process->setArguments({QStringLiteral("--database"), location, QStringLiteral("--user"),
                           QString::number(userId), QStringLiteral("--cycles"),
                           QString::number(cycles), QStringLiteral("--windows"),
                           QString::number(Windows), QStringLiteral("--life"),
                           QString::number(life), QStringLiteral("--log"), log});
    process->setStandardOutputFile(log + QStringLiteral(".out"));
    process->setStandardErrorFile(log + QStringLiteral(".err"));
    process->start();
    return process;
}

void StressTest::checkDatabase(TestEnvironment& env, const std::map<int, Acks>& acks, bool exact,
                               int lives) {
    Database& db = env.database();
    for (const auto& [userId, mine] : acks) {
        // No failure of any kind reached the instance, "database is locked" least of all.
        for (const QString& error : mine.errors) {
            QVERIFY2(!error.contains(QStringLiteral("locked"), Qt::CaseInsensitive) &&
                         !error.contains(QStringLiteral("busy"), Qt::CaseInsensitive),
                     qPrintable(error));
        }
        QVERIFY2(mine.errors.isEmpty(), qPrintable(mine.errors.join(QLatin1Char('\n'))));

        // Every acknowledged start and finish is there.
        std::map<qint64, Row> rows;
        const ResultSet stored = db.query(
            QStringLiteral("select timeId, categoryId, endTime, duration from tallyRec where "
                           "userId = ?"),
            {userId});
        for (const Row row : stored) {
            rows.emplace(row.integer64(0), row);
        }
        for (const auto& [timeId, cycle] : mine.started) {
            const auto found = rows.find(timeId);
            QVERIFY2(found != rows.end(),
                     qPrintable(QStringLiteral("acknowledged row %1 is missing").arg(timeId)));
            QCOMPARE(found->second.integer64(1), cycle);
        }
        for (const qint64 timeId : mine.finished) {
            const auto found = rows.find(timeId);
            QVERIFY(found != rows.end());
            QVERIFY2(
                !found->second.isNull(2),
                qPrintable(QStringLiteral("acknowledged finish of %1 is missing").arg(timeId)));
        }
        // Nothing twice: one row per started cycle. A killed instance may have committed one
        // start it did not live to acknowledge, never more.
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from (select categoryId from tallyRec "
                                          "where userId = ? group by categoryId having count(*) "
                                          "> 1) twice"),
                           {userId})
                     .toInt(),
                 0);
        if (exact) {
            QCOMPARE(rows.size(), mine.started.size());
        } else {
            QVERIFY(rows.size() >= mine.started.size());
            QVERIFY(rows.size() <= mine.started.size() + std::size_t(lives));
        }

        // Every acknowledged notification once, and none twice.
        std::map<QString, int> messages;
        for (const Row row :
             db.query(QStringLiteral("select message, count(*) from notification where "
                                     "fromUserId = ? group by message"),
                      {userId})) {
            messages[row.text(0)] = row.integer(1);
        }
        for (const qint64 cycle : mine.notes) {
            const QString message = QStringLiteral("stress %1 %2").arg(userId).arg(cycle);
            QVERIFY2(messages.count(message) == 1, qPrintable(message + QStringLiteral(" lost")));
        }
        for (const auto& [message, count] : messages) {
            QVERIFY2(count == 1, qPrintable(message + QStringLiteral(" twice")));
        }
        if (exact) {
            QCOMPARE(messages.size(), mine.notes.size());
        }

        // One whole set of window rows, all of one cycle: the last acknowledged one, or (killed
        // between commit and acknowledgement) a later one.
        const ResultSet windows =
            db.query(QStringLiteral("select processName from process where userId = ?"), {userId});
        QCOMPARE(windows.count(), Windows);
        std::set<qint64> cycles;
        std::set<QString> names;
        for (const Row row : windows) {
            const QStringList words = row.text(0).split(QLatin1Char(' '));
            cycles.insert(words.last().toLongLong());
            names.insert(row.text(0));
        }
        QCOMPARE(cycles.size(), std::size_t(1));
        QCOMPARE(names.size(), std::size_t(Windows));
        if (exact) {
            QCOMPARE(*cycles.begin(), mine.lastProcesses);
        } else {
            QVERIFY(*cycles.begin() >= mine.lastProcesses);
        }
        if (mine.activeMarks > 0) {
            QVERIFY(
                db.query(QStringLiteral("select active from \"user\" where userId = ?"), {userId})
                    .first()
                    .boolean(QStringLiteral("active")));
        }
    }
    if (db.engine() == Database::Engine::SQLite) {
        QCOMPARE(db.scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
    }
}

QString StressTest::figures(const std::map<int, Acks>& acks, qint64 wallMs) {
    std::vector<qint64> latencies;
    int failures = 0;
    int busy = 0;
    for (const auto& [userId, mine] : acks) {
        latencies.insert(latencies.end(), mine.latencies.begin(), mine.latencies.end());
        failures += int(mine.errors.size());
        for (const QString& error : mine.errors) {
            if (error.contains(QStringLiteral("locked"), Qt::CaseInsensitive) ||
                error.contains(QStringLiteral("busy"), Qt::CaseInsensitive)) {
                ++busy;
            }
        }
    }
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        if (latencies.empty()) {
            return 0.0;
        }
        const std::size_t index =
            std::min(latencies.size() - 1, std::size_t(p * double(latencies.size())));
        return double(latencies[index]) / 1000.0;
    };
    return QStringLiteral("%1 cycles in %2 s: %3 cycles/s; failures %4 (locked or busy %5); "
                          "latency per cycle p50 %6 ms, p99 %7 ms, max %8 ms")
        .arg(latencies.size())
        .arg(double(wallMs) / 1000.0, 0, 'f', 1)
        .arg(wallMs > 0 ? double(latencies.size()) * 1000.0 / double(wallMs) : 0.0, 0, 'f', 1)
        .arg(failures)
        .arg(busy)
        .arg(percentile(0.5), 0, 'f', 1)
        .arg(percentile(0.99), 0, 'f', 1)
        .arg(latencies.empty() ? 0.0 : double(latencies.back()) / 1000.0, 0, 'f', 1);
}

void StressTest::runConcurrent(bool signedIn) {
    if (signedIn && !SignedInTeam::available()) {
        QSKIP("Signed-in mode needs the private PostgreSQL test server");
    }
    const int drivers = setting("QUILLHOUR_STRESS_DRIVERS", 8);
    const int cycles = setting("QUILLHOUR_STRESS_CYCLES", 500);
    TestEnvironment env;
    std::unique_ptr<SignedInTeam> team;
    const std::map<int, QString> instances = makeInstances(env, drivers, signedIn, team);
    std::vector<int> users;
    for (const auto& [userId, location] : instances) {
        users.push_back(userId);
    }
    QElapsedTimer wall;
    wall.start();
    std::vector<std::unique_ptr<QProcess>> running;
    for (const int userId : users) {
        running.push_back(startDriver(instances.at(userId), userId, cycles, 0,
                                      env.folder() + QStringLiteral("/driver-%1.log").arg(userId)));
    }
    for (auto& process : running) {
        QVERIFY(process->waitForFinished(600000));
    }
    const qint64 wallMs = wall.elapsed();
    std::map<int, Acks> acks;
    for (std::size_t i = 0; i < users.size(); ++i) {
        const QString log = env.folder() + QStringLiteral("/driver-%1.log").arg(users[i]);
        QFile err(log + QStringLiteral(".err"));
        err.open(QIODevice::ReadOnly);
        QVERIFY2(running[i]->exitStatus() == QProcess::NormalExit && running[i]->exitCode() == 0,
                 err.readAll().constData());
        readLog(log, acks[users[i]]);
        QCOMPARE(int(acks[users[i]].latencies.size()), cycles);
    }
    qInfo("%s%s, %d instances x %d cycles: %s",
          env.database().engine() == Database::Engine::SQLite ? "SQLite" : "PostgreSQL",
          signedIn ? " (signed in)" : "", drivers, cycles, qPrintable(figures(acks, wallMs)));
    checkDatabase(env, acks, true, 0);
}

void StressTest::runKilled(bool signedIn) {
    if (signedIn && !SignedInTeam::available()) {
        QSKIP("Signed-in mode needs the private PostgreSQL test server");
    }
    const int drivers = setting("QUILLHOUR_STRESS_DRIVERS", 8);
    const int rounds = setting("QUILLHOUR_CRASH_ROUNDS", 30);
    TestEnvironment env;
    std::unique_ptr<SignedInTeam> team;
    const std::map<int, QString> instances = makeInstances(env, drivers, signedIn, team);
    std::vector<int> users;
    for (const auto& [userId, location] : instances) {
        users.push_back(userId);
    }
    std::map<int, Acks> acks;
    auto logOf = [&](int userId, int life) {
        return env.folder() + QStringLiteral("/driver-%1-life-%2.log").arg(userId).arg(life);
    };
    auto openRows = [&](int userId) {
        std::set<qint64> open;
        for (const Row row : env.database().query(
                 QStringLiteral("select timeId from tallyRec where endTime is null and userId = ?"),
                 {userId})) {
            open.insert(row.integer64(0));
        }
        return open;
    };
    int kills = 0;
    int recoveredRows = 0;
    QElapsedTimer wall;
    wall.start();
    // On the server, a killed instance's session can outlive it for a moment and still finish its
    // last statement (a task closed after its instance was gone): what each instance left open is
    // read once those sessions have ended.
    auto otherSessions = [&] {
        if (env.database().engine() != Database::Engine::PostgreSQL) {
            return 0;
        }
        return env.database()
            .scalar(QStringLiteral("select count(*) from pg_stat_activity where datname = "
                                   "current_database() and pid <> pg_backend_pid()"))
            .toInt();
    };
    for (int life = 0; life <= rounds; ++life) {
        const bool last = life == rounds;
        QElapsedTimer settling;
        settling.start();
        while (otherSessions() > 0 && settling.elapsed() < 30000) {
            QThread::msleep(20);
        }
        QCOMPARE(otherSessions(), 0);
        // What each instance left open: every acknowledged start not acknowledged as finished is
        // there, open or (finished but killed before saying so) closed.
        std::map<int, std::set<qint64>> openBefore;
        for (const int userId : users) {
            openBefore[userId] = openRows(userId);
            const Acks& mine = acks[userId];
            for (const auto& [timeId, cycle] : mine.started) {
                if (mine.finished.count(timeId) == 0 && openBefore[userId].count(timeId) == 0) {
                    QCOMPARE(env.count(QStringLiteral("tallyRec"),
                                       QStringLiteral("timeId = ? and endTime is not null"),
                                       {timeId}),
                             1);
                }
            }
        }
        std::vector<std::unique_ptr<QProcess>> running;
        for (const int userId : users) {
            // The last life runs a few cycles to its end; the others run until they are killed.
            running.push_back(startDriver(instances.at(userId), userId, last ? 3 : 1000000, life,
                                          logOf(userId, life)));
        }
        if (!last) {
            std::vector<std::pair<int, std::size_t>> moments;
            for (std::size_t i = 0; i < running.size(); ++i) {
                moments.emplace_back(int(QRandomGenerator::global()->bounded(40, 600)), i);
            }
            std::sort(moments.begin(), moments.end());
            QElapsedTimer round;
            round.start();
            for (const auto& [moment, index] : moments) {
                const qint64 wait = moment - round.elapsed();
                if (wait > 0) {
                    QThread::msleep(ulong(wait));
                }
                running[index]->kill(); // SIGKILL
                ++kills;
            }
        }
        for (std::size_t i = 0; i < running.size(); ++i) {
            QVERIFY(running[i]->waitForFinished(120000));
            if (last) {
                QCOMPARE(running[i]->exitCode(), 0);
            }
            const int userId = users[i];
            Acks& mine = acks[userId];
            readLog(logOf(userId, life), mine);
            // A restarted instance finds exactly the rows it left open (if it lived long enough
            // to look, and to say what it found).
            for (const qint64 timeId : mine.recovered) {
                QVERIFY(openBefore[userId].count(timeId) == 1);
            }
            if (mine.pastRecovery) {
                QVERIFY(mine.recovered == openBefore[userId]);
            }
            recoveredRows += int(mine.recovered.size());
        }
    }
    const qint64 wallMs = wall.elapsed();
    // The final lives finished whatever was left open.
    QCOMPARE(env.count(QStringLiteral("tallyRec"), QStringLiteral("endTime is null")), 0);
    qInfo("%s%s, %d instances killed %d times over %d rounds, %d open rows recovered: %s",
          env.database().engine() == Database::Engine::SQLite ? "SQLite" : "PostgreSQL",
          signedIn ? " (signed in)" : "", drivers, kills, rounds, recoveredRows,
          qPrintable(figures(acks, wallMs)));
    checkDatabase(env, acks, false, rounds + 1);
}

QTEST_GUILESS_MAIN(StressTest)
#include "tst_stress.moc"
