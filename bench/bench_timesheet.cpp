// bench_timesheet [--database PATH] [--json FILE] [--runs N]: timesheets on the reference
// database: a year of everyone's time by category (and by user, day and week), and the CSV of
// every time row, with the memory it takes while the rows stream.

#include "Harness.h"
#include "RawReplay.h"
#include "ReferenceData.h"
#include "data/Database.h"
#include "reports/TimeReport.h"
#include "reports/TimesheetExport.h"
#include "reports/TimesheetRange.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <stdexcept>

namespace {

// Reads the timesheet afresh, as the page does on each change of its controls.
void grouped(Harness& harness, Database& db, RawReplay& raw, const QString& name,
             const ReportFilter& filter, ReportGrouping grouping, double budget = 0) {
    harness.timeAgainstRaw(name, db, raw, [&] {
        const TimeReport report(db);
        if (report.lines(filter, grouping).empty()) {
            throw std::runtime_error("The timesheet has no lines");
        }
    });
    if (budget > 0) {
        harness.budget(budget);
    }
}

// Every row from first to last as CSV into a file; returns the rows written.
qint64 writeCsv(Database& db, const ReportFilter& filter, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw std::runtime_error("The CSV file cannot be written");
    }
    const TimeReport report(db);
    TimesheetExport writer(
        file, TimesheetExport::Format::Csv,
        {filter.from, filter.to, ReportGrouping::Entries, QString(), filter.now, QString(), false});
    qint64 rows = 0;
    report.entries(filter, [&](const ReportEntry& entry) {
        writer.entry(entry);
        ++rows;
    });
    writer.finish();
    return rows;
}

void run(Harness& harness, const QString& path) {
    std::unique_ptr<Database> database = Database::open(path);
    Database& db = *database;
    harness.note(QStringLiteral("database"), Database::displayLocation(path));
    std::unique_ptr<RawReplay> raw = RawReplay::connect(path);
    const qint64 finished =
        db.scalar(QStringLiteral("select count(*) from tallyRec where endTime is not null"))
            .toLongLong();
    harness.note(QStringLiteral("finished time rows"), finished);

    ReportFilter year;
    const TimesheetRange thisYear = TimesheetRange::of(
        TimesheetRange::Period::ThisYear, ReferenceData::referenceTime().date(), Qt::Monday);
    year.from = thisYear.from;
    year.to = thisYear.to;
    year.now = ReferenceData::referenceTime();
    grouped(harness, db, *raw, QStringLiteral("A year of everyone, by category"), year,
            ReportGrouping::Category, 300);
    ReportFilter running = year;
    running.includeRunning = true;
    grouped(harness, db, *raw, QStringLiteral("A year of everyone, by category, running included"),
            running, ReportGrouping::Category, 300);
    grouped(harness, db, *raw, QStringLiteral("A year of everyone, by user"), year,
            ReportGrouping::User);
    grouped(harness, db, *raw, QStringLiteral("A year of everyone, by day"), year,
            ReportGrouping::Day);
    grouped(harness, db, *raw, QStringLiteral("A year of everyone, by week"), year,
            ReportGrouping::Week);

    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("all.csv"));
    ReportFilter all;
    all.from = QDate(1900, 1, 1);
    all.to = QDate(2999, 12, 31);
    all.now = ReferenceData::referenceTime();
    // The memory the rows take shows as the peak after a tenth of them and after all of them.
    ReportFilter tenth = all;
    tenth.from = ReferenceData::referenceTime().date().addDays(-ReferenceData::Years * 365 / 10);
    harness.memory(QStringLiteral("Resident memory before the CSV"));
    const qint64 tenthRows = writeCsv(db, tenth, csv);
    harness.peakMemory(QStringLiteral("Peak memory after a CSV of a tenth of the rows"));
    qint64 written = 0;
    harness.time(
        QStringLiteral("CSV of every time row"), db, [&] { written = writeCsv(db, all, csv); }, 3);
    harness.budget(5000);
    harness.peakMemory(QStringLiteral("Peak memory after a CSV of every row"));
    if (written != finished) {
        throw std::runtime_error("The CSV does not hold every finished row");
    }
    harness.note(QStringLiteral("rows in the CSV"), written);
    harness.note(QStringLiteral("rows in the tenth"), tenthRows);
    harness.note(QStringLiteral("CSV size (bytes)"), QFile(csv).size());
}

} // namespace

int main(int argc, char* argv[]) {
    Harness::useTheProgramsTimeZone();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_timesheet"));
    return Harness::runProgram(
        QStringLiteral("Timesheets on the reference database"),
        QStringLiteral("Times the timesheet groupings over a year and the CSV of every time row, "
                       "and shows the memory the CSV takes."),
        run);
}
