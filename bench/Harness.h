#pragma once

#include <QJsonObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

class Database;
class RawReplay;

// Measures the figures of one benchmark program and reports them twice: as an aligned table
// for people and as JSON for comparing runs. Each timed figure runs its work a few times
// untimed first (file cache, prepared statements), then the given number of times; the median
// is the figure, with the fastest and slowest run beside it.
class Harness {
public:
    struct Figure {
        QString name;
        QString unit; // "ms" for times, "KiB" for memory
        double median = 0;
        double min = 0;
        double max = 0;
        int runs = 0;
        // Statements sent to the database by one run (the median over the runs); -1 when the
        // figure does not count them.
        qint64 statements = -1;
        // The median of the same statements replayed without the program (RawReplay); -1 when
        // the figure has none.
        double raw = -1;
        // The most the figure may take (its unit); 0 for none.
        double budget = 0;

        // The program's median over its raw SQL's; 0 without raw SQL.
        double ratio() const { return raw > 0 ? median / raw : 0; }
    };
    // How far above its raw SQL a figure may be.
    static constexpr double RatioBudget = 2.0;

    explicit Harness(QString title);

    // The whole of a bench_* program once its application object exists: reads --database,
    // --json and --runs, has figures measure on a harness, prints the table and writes the
    // JSON. Failures are told on stderr; the result is the process's exit code.
    static int runProgram(const QString& title, const QString& description,
                          const std::function<void(Harness&, const QString& database)>& figures);

    // The time zone as the program sets it at start (src/main.cpp): with TZ unset the C library
    // reads /etc/localtime again for each local-time conversion. Call before anything converts.
    static void useTheProgramsTimeZone();

    void setRuns(int runs);
    void setWarmups(int warmups);
    int runs() const { return m_runs; }

    // Facts about the run shown above the table and stored in the JSON ("database", "seed").
    void note(const QString& key, const QVariant& value);

    // Times work; runs overrides the harness's count for slow figures.
    const Figure& time(const QString& name, const std::function<void()>& work, int runs = 0);
    // Times work and counts the statements it sends through database.
    const Figure& time(const QString& name, Database& database, const std::function<void()>& work,
                       int runs = 0);
    // Times work that reports the statements it sent itself (for work that opens its own
    // database).
    const Figure& timeCounted(const QString& name, const std::function<quint64()>& work,
                              int runs = 0);
    // Times work as time() does, then captures the statements one more run of it sends and
    // times their replay on raw (prepared once, outside the timing) beside it.
    const Figure& timeAgainstRaw(const QString& name, Database& database, RawReplay& raw,
                                 const std::function<void()>& work, int runs = 0);
    // Times rawWork (which returns the rows it read) as the raw SQL of the figure measured last.
    void replay(const std::function<quint64()>& rawWork, int runs = 0);
    // Sets the budget of the figure measured last.
    void budget(double limit);
    // The process's resident memory at this moment.
    const Figure& memory(const QString& name);
    // The most resident memory the process has had so far.
    const Figure& peakMemory(const QString& name);
    // A figure measured once by the caller, in a unit of its own ("B/row").
    const Figure& amount(const QString& name, const QString& unit, double value);
    // Bytes the allocator has handed out and not had back, mmapped blocks included.
    static qint64 allocatedBytes();

    const std::vector<Figure>& figures() const { return m_figures; }

    QString table() const;
    QJsonObject json() const;
    // Throws std::runtime_error when the file cannot be written.
    void writeJson(const QString& path) const;

    // VmRSS of this process in KiB, from /proc/self/status; -1 where that is not available.
    static qint64 residentKiB();
    // A field of /proc/self/status given in kB ("VmHWM:"), or -1.
    static qint64 statusKiB(const char* field);
    // The middle value (the mean of the two middle values for an even count); 0 for none.
    static double median(std::vector<double> values);

private:
    const Figure& recordKiB(const QString& name, qint64 kib);
    const Figure& measure(const QString& name, int runs,
                          const std::function<qint64()>& work); // returns statements or -1
    std::vector<double> timeRuns(int runs, const std::function<qint64()>& work,
                                 std::vector<double>* statements);

    QString m_title;
    int m_runs = 11;
    int m_warmups = 1;
    std::vector<std::pair<QString, QVariant>> m_notes;
    std::vector<Figure> m_figures;
};
