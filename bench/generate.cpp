// generate PATH [--seed N] [--scale F] [--people N]: makes the reference database the benchmarks
// run on.

#include "ReferenceData.h"
#include "data/DatabaseError.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>
#include <stdexcept>

namespace {

void say(const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

int fail(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("generate: ") + text + QLatin1Char('\n')), stderr);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // The rows are wall-clock times, stored as text. Working in UTC means no daylight-saving
    // gap can move a chosen time (a start date at midnight on the night clocks go forward), so
    // a seed gives the same rows in every time zone; it also spares the C library a look at
    // the zone file on every conversion, a few seconds over two million time values.
    qputenv("TZ", "UTC");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("generate"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes Quillhour's reference database for the benchmarks: %1 users, %2 "
                       "categories, %3 finished time rows over %4 years before %5, open rows, "
                       "notifications and window titles. The benchmark user is \"%6\", the "
                       "first user row.")
            .arg(ReferenceData::Counts().users)
            .arg(ReferenceData::Counts().categories)
            .arg(ReferenceData::Counts().finishedTimes)
            .arg(ReferenceData::Years)
            .arg(ReferenceData::referenceTime().toString(Qt::ISODate))
            .arg(ReferenceData::BenchmarkUserName));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("path"),
                                 QStringLiteral("The new database file (must not exist)."));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of the generator (default 1)."),
                                        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption scaleOption(
        QStringLiteral("scale"),
        QStringLiteral("Multiple of the full size, above 0 and at most 5 (default 1)."),
        QStringLiteral("F"), QStringLiteral("1"));
    const QCommandLineOption peopleOption(
        QStringLiteral("people"),
        QStringLiteral("People in the team, 1 to 5000, with ten categories each (default: the "
                       "scale's share of 200)."),
        QStringLiteral("N"), QStringLiteral("0"));
    parser.addOption(seedOption);
    parser.addOption(scaleOption);
    parser.addOption(peopleOption);
    parser.process(app);

    const QStringList paths = parser.positionalArguments();
    if (paths.size() != 1) {
        return fail(QStringLiteral("give exactly one database path (see --help)."));
    }
    bool ok = false;
    ReferenceData::Options options;
    options.seed = parser.value(seedOption).toUInt(&ok);
    if (!ok) {
        return fail(QStringLiteral("the seed must be a whole number from 0 to 4294967295."));
    }
    options.scale = parser.value(scaleOption).toDouble(&ok);
    if (!ok || !(options.scale > 0.0 && options.scale <= ReferenceData::MaxScale)) {
        return fail(QStringLiteral("the scale must be a number above 0 and at most 5."));
    }
    options.people = parser.value(peopleOption).toInt(&ok);
    if (!ok || options.people < 0 || options.people > ReferenceData::MaxPeople ||
        (options.people == 0 && parser.isSet(peopleOption))) {
        return fail(QStringLiteral("the team must be a whole number of people from 1 to 5000."));
    }

    QElapsedTimer timer;
    timer.start();
    try {
        const ReferenceData::Summary summary = ReferenceData::create(paths.first(), options);
        const double seconds = double(timer.elapsed()) / 1000.0;
        const ReferenceData::Counts& counts = summary.counts;
        say(QStringLiteral("Made %1 in %2 s (seed %3, scale %4, %5 people), %6 MiB")
                .arg(paths.first())
                .arg(seconds, 0, 'f', 1)
                .arg(options.seed)
                .arg(options.scale)
                .arg(counts.users)
                .arg(double(QFileInfo(paths.first()).size()) / (1024.0 * 1024.0), 0, 'f', 1));
        say(QStringLiteral("  users %1 (%2 active), categories %3 (deepest level %4), finished "
                           "time rows %5, open rows %6, notifications %7, window titles %8")
                .arg(counts.users)
                .arg(counts.activeUsers)
                .arg(counts.categories)
                .arg(summary.deepestLevel)
                .arg(counts.finishedTimes)
                .arg(counts.openTimes)
                .arg(counts.notifications)
                .arg(counts.processes));
        say(QStringLiteral("  benchmark user: userId %1 \"%2\" (%3 open rows, %4 notifications)")
                .arg(summary.benchmarkUserId)
                .arg(ReferenceData::BenchmarkUserName)
                .arg(counts.benchmarkOpenTimes)
                .arg(counts.benchmarkNotifications));
        say(QStringLiteral("  busiest category: categoryId %1 with %2 finished rows")
                .arg(summary.busiestCategoryId)
                .arg(summary.busiestCategoryRows));
    } catch (const DatabaseError& error) {
        return fail(error.message());
    } catch (const std::exception& error) {
        return fail(QString::fromLocal8Bit(error.what()));
    }
    return 0;
}
