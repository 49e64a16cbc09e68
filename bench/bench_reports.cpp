// bench_reports [--database PATH|URL] [--json FILE] [--runs N]: the Reports and Productivity pages
// on the reference database: the time records grid of the busiest category and the productivity
// chart for everything, one category and one user.

#include "Harness.h"
#include "RawReplay.h"
#include "ReferenceData.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "reports/ProductivityData.h"
#include "reports/TimeRecordsModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <cstdio>
#include <stdexcept>

namespace {

// The chart's viewport on a window of the usual size.
constexpr int ChartHeight = 330;
constexpr int ChartWidth = 660;

void chart(Harness& harness, Database& db, RawReplay& raw, const QString& name,
           const ProductivityFilter& filter, double budget) {
    harness.timeAgainstRaw(name, db, raw, [&] {
        const ProductivityData data = ProductivityData::read(db, filter);
        if (!data.hasRows) {
            throw std::runtime_error("The chart found no time rows");
        }
        const ProductivityLayout layout = data.layout(ChartHeight, ChartWidth);
        if (layout.bars.empty()) {
            throw std::runtime_error("The chart has no days");
        }
    });
    if (budget > 0) {
        harness.budget(budget);
    }
}

void run(Harness& harness, const QString& path) {
    std::unique_ptr<Database> database = Database::open(path);
    Database& db = *database;

    const ResultSet busiest = db.query(
        QStringLiteral("select categoryId, count(*) as timeRows from tallyRec "
                       "where endTime is not null group by categoryId order by 2 desc limit 1"));
    if (busiest.isEmpty()) {
        throw std::runtime_error("The reference database has no finished time rows");
    }
    const int busiestId = busiest.first().integer(0);
    const int benchmarkUserId =
        db.scalar(QStringLiteral("select userId from \"user\" where userName = ?"),
                  {ReferenceData::BenchmarkUserName})
            .toInt();
    harness.note(QStringLiteral("database"), Database::displayLocation(path));
    std::unique_ptr<RawReplay> raw = RawReplay::connect(path);
    harness.note(QStringLiteral("busiest category"),
                 QStringLiteral("%1 (%2 rows)").arg(busiestId).arg(busiest.first().integer(1)));

    chart(harness, db, *raw, QStringLiteral("Chart, all users and categories"), {}, 300);
    chart(harness, db, *raw, QStringLiteral("Chart, busiest category"), {0, busiestId}, 50);
    chart(harness, db, *raw, QStringLiteral("Chart, benchmark user"), {benchmarkUserId, 0}, 0);
    chart(harness, db, *raw, QStringLiteral("Chart, benchmark user and busiest category"),
          {benchmarkUserId, busiestId}, 50);

    // The grid as the Reports page has it: rows of a fixed height, filled while not painting,
    // then painted once.
    QTableView grid;
    grid.verticalHeader()->hide();
    grid.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid.resize(700, 420);
    grid.show();
    TimeRecordsModel model;
    grid.setModel(&model);
    int shownRows = 0;
    harness.timeAgainstRaw(QStringLiteral("Grid, busiest category"), db, *raw, [&] {
        grid.setUpdatesEnabled(false);
        model.setRows(TimeRecordRows::read(db, busiestId));
        for (int column = 1; column < TimeRecordsModel::ColumnCount; ++column) {
            grid.horizontalHeader()->resizeSection(column, int(grid.width() / 4.5));
        }
        grid.setUpdatesEnabled(true);
        grid.repaint();
        shownRows = model.rowCount();
    });
    harness.budget(80);
    if (shownRows == 0) {
        throw std::runtime_error("The grid showed no rows");
    }

    // What the grid holds for each row: the allocator's bytes in use with the rows read, less
    // those with the grid emptied (the reading's own working space given back), and the rows'
    // own count of what they hold.
    model.setRows({});
    const qint64 empty = Harness::allocatedBytes();
    {
        const TimeRecordRows rows = TimeRecordRows::read(db, busiestId);
        const double count = rows.count();
        harness.amount(QStringLiteral("Grid rows held, allocator"), QStringLiteral("B/row"),
                       double(Harness::allocatedBytes() - empty) / count);
        harness.budget(150);
        harness.amount(QStringLiteral("Grid rows held, own count"), QStringLiteral("B/row"),
                       double(rows.bytesHeld()) / count);
        harness.budget(150);
    }
    {
        // The same rows as a result of values, as the grid held them before, for comparison.
        const qint64 before = Harness::allocatedBytes();
        const ResultSet result = db.query(
            QStringLiteral("SELECT tallyRec.timeId, tallyRec.startTime, tallyRec.endTime, "
                           "\"user\".userName FROM \"user\" INNER JOIN tallyRec "
                           "ON \"user\".userId = tallyRec.userId WHERE tallyRec.endTime is not "
                           "null and tallyRec.categoryId = ? order by tallyRec.timeId"),
            {busiestId});
        harness.amount(QStringLiteral("Same rows as a result set, allocator"),
                       QStringLiteral("B/row"),
                       double(Harness::allocatedBytes() - before) / result.count());
    }
    harness.memory(QStringLiteral("Resident memory at the end"));
}

} // namespace

int main(int argc, char* argv[]) {
    // Date-times are read as the program reads them: a server's timestamps convert to local time
    // once per value.
    Harness::useTheProgramsTimeZone();
    // The grid is a real view; no screen is needed to lay it out and paint it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_reports"));
    return Harness::runProgram(
        QStringLiteral("Reports on the reference database"),
        QStringLiteral(
            "Times the time records grid and the productivity chart on the reference database."),
        run);
}
