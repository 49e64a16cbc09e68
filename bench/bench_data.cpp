// bench_data [--database PATH|URL] [--json FILE] [--runs N]: the data layer's own figures on the
// reference database, the statements start-up and the timers lean on, each beside the same
// statement replayed without the data layer.

#include "Harness.h"
#include "RawReplay.h"
#include "ReferenceData.h"
#include "data/Database.h"
#include "data/DatabaseError.h"

#include <QCoreApplication>
#include <cstdio>
#include <stdexcept>

namespace {

// Guards against a step that silently reads nothing: a figure over no rows measures nothing.
void expectRows(const ResultSet& rows, const char* what) {
    if (rows.isEmpty()) {
        throw std::runtime_error(std::string(what) + " returned no rows");
    }
}

void run(Harness& harness, const QString& path) {
    std::unique_ptr<Database> database = Database::open(path);
    Database& db = *database;

    const ResultSet busiest = db.query(
        QStringLiteral("select categoryId, count(*) as timeRows from tallyRec "
                       "where endTime is not null group by categoryId order by 2 desc limit 1"));
    expectRows(busiest, "The busiest category");
    const int busiestId = busiest.first().integer(0);
    const ResultSet benchmarkUser =
        db.query(QStringLiteral("select userId from \"user\" where userName = ?"),
                 {ReferenceData::BenchmarkUserName});
    expectRows(benchmarkUser, "The benchmark user");
    const int benchmarkUserId = benchmarkUser.first().integer(0);
    const int categories = db.scalar(QStringLiteral("select count(*) from category")).toInt();
    harness.note(QStringLiteral("database"), Database::displayLocation(path));
    harness.note(QStringLiteral("time rows"),
                 db.scalar(QStringLiteral("select count(*) from tallyRec")).toLongLong());
    harness.note(QStringLiteral("categories"), categories);
    harness.note(QStringLiteral("busiest category"),
                 QStringLiteral("%1 (%2 rows)").arg(busiestId).arg(busiest.first().integer(1)));
    harness.note(QStringLiteral("benchmark user"), benchmarkUserId);

    std::unique_ptr<RawReplay> raw = RawReplay::connect(path);

    harness.timeCounted(QStringLiteral("Open the database"), [&path] {
        std::unique_ptr<Database> opened = Database::open(path);
        return opened->statementCount();
    });

    // The allocation window of the task timer: from the start of the day period - 1 days ago to
    // the end of today, today being the reference day.
    const QDate tomorrow = ReferenceData::referenceTime().date().addDays(1);
    const QString periodSum = QStringLiteral(
        "select sum(duration) from tallyRec where categoryId = ? and endTime is not null "
        "and startTime between ? and ?");
    for (const int days : {7, 365}) {
        harness.timeAgainstRaw(
            QStringLiteral("Period sum, busiest category, %1 days").arg(days), db, *raw, [&] {
                db.scalar(periodSum, {busiestId, QDateTime(tomorrow.addDays(-days), QTime(0, 0)),
                                      QDateTime(tomorrow, QTime(0, 0))});
            });
    }

    const QString totalSum = QStringLiteral(
        "select sum(duration) from tallyRec where categoryId = ? and endTime is not null");
    harness.timeAgainstRaw(QStringLiteral("Total sum, busiest category"), db, *raw,
                           [&] { db.scalar(totalSum, {busiestId}); });

    const ResultSet categoryIds =
        db.query(QStringLiteral("select categoryId from category order by categoryId"));
    harness.timeAgainstRaw(
        QStringLiteral("Total sums, every category, one query each"), db, *raw,
        [&] {
            for (const Row row : categoryIds) {
                db.scalar(totalSum, {row.integer(0)});
            }
        },
        5);
    harness.timeAgainstRaw(
        QStringLiteral("Total sums, every category, one grouped query"), db, *raw,
        [&] {
            expectRows(db.query(QStringLiteral("select categoryId, sum(duration) from tallyRec "
                                               "where endTime is not null group by categoryId")),
                       "The grouped sum");
        },
        5);

    harness.timeAgainstRaw(QStringLiteral("Open time rows"), db, *raw, [&] {
        expectRows(db.query(QStringLiteral(
                       "select * from tallyRec where endTime is null order by startTime")),
                   "The open rows query");
    });
    harness.timeAgainstRaw(QStringLiteral("Notification list, benchmark user"), db, *raw, [&] {
        expectRows(db.query(QStringLiteral("select * from notification where toUserId = ?"),
                            {benchmarkUserId}),
                   "The notification list");
    });
    harness.timeAgainstRaw(QStringLiteral("All categories"), db, *raw, [&] {
        expectRows(db.query(QStringLiteral("select * from category")), "The category list");
    });

    harness.memory(QStringLiteral("Resident memory at the end"));
}

} // namespace

int main(int argc, char* argv[]) {
    Harness::useTheProgramsTimeZone();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_data"));
    return Harness::runProgram(
        QStringLiteral("Data layer on the reference database"),
        QStringLiteral("Times the data layer's statements on the reference database."), run);
}
