#pragma once

#include <QDateTime>
#include <QString>

class Database;

// The reference data set the benchmarks run on: a team of users, a deep category tree with
// allocations and managers, five years of finished time, some running tasks, notifications and
// published window titles. Everything is drawn from one seeded generator, so the same seed and
// scale give the same rows on every machine.
//
// The benchmark user is the first user row (userId 1 in a new database), named "Benchmark
// User". Time is laid out over the five years before the reference moment, Monday 7 December
// 2026 10:00:00; the benchmarks run with a clock fixed there.
class ReferenceData {
public:
    struct Options {
        quint32 seed = 1;
        // Multiplies every count (0 < scale <= MaxScale); tests use small scales, the large
        // data set 5.
        double scale = 1.0;
        // The size of the team, 0 for the scale's share of the full one. A team of its own sets
        // the users, the people at work elsewhere, their running tasks and windows, and the
        // categories (ten per person); the time rows and notifications still follow the scale.
        int people = 0;
    };

    // How many rows of each kind a data set holds.
    struct Counts {
        int users = 200;
        int activeUsers = 20; // other instances at work: they own the open rows and windows
        int categories = 2000;
        int finishedTimes = 1000000;
        int openTimes = 20;
        int benchmarkOpenTimes = 3;
        int notifications = 20000;
        int benchmarkNotifications = 500;
        int processes = 200;

        // The full-size counts times scale, rounded, each kept at the least that still gives
        // every kind of row; a team of people (1 to MaxPeople) in place of the scaled one.
        static Counts scaled(double scale, int people = 0);
    };

    // What was written, for the caller to report.
    struct Summary {
        Counts counts;
        int benchmarkUserId = 0;
        int busiestCategoryId = 0;
        int busiestCategoryRows = 0;
        int deepestLevel = 0;
    };

    static inline const QString BenchmarkUserName = QStringLiteral("Benchmark User");
    static constexpr int MaxDepth = 5;
    static constexpr int Years = 5;
    static constexpr double MaxScale = 5.0;
    static constexpr int MaxPeople = 5000;
    static constexpr int CategoriesPerPerson = 10;

    static QDateTime referenceTime() { return QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)); }

    // Fills a new, empty Quillhour database. Throws DatabaseError when a statement fails and
    // std::invalid_argument for a scale outside (0, MaxScale] or a team outside 0 to MaxPeople.
    static Summary fill(Database& database, const Options& options);
    // Makes a new database at path (refusing an existing file, as Database::create does) and
    // fills it.
    static Summary create(const QString& path, const Options& options);
};
