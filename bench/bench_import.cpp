// bench_import [--json FILE] [--runs N]: 100,000 Timewarrior intervals imported into a new
// SQLite database, and the same file imported again (every interval a duplicate). The reference
// database is not used.

#include "Harness.h"
#include "data/Database.h"
#include "platform/Clock.h"
#include "reports/TimeImport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTimeZone>
#include <stdexcept>

namespace {

constexpr int Intervals = 100000;

// A year and more of intervals of 5 to 90 minutes, one after the other, under 40 tags.
QByteArray timewarriorExport() {
    QByteArray json = "[\n";
    QDateTime start(QDate(2024, 1, 1), QTime(8, 0), QTimeZone::utc());
    for (int i = 0; i < Intervals; ++i) {
        const QDateTime end = start.addSecs(60 * (5 + (i * 37) % 86));
        json +=
            QStringLiteral("{\"id\":%1,\"start\":\"%2\",\"end\":\"%3\",\"tags\":[\"tag%4\"]}%5\n")
                .arg(Intervals - i)
                .arg(start.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")),
                     end.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")))
                .arg(i % 40)
                .arg(i + 1 < Intervals ? QStringLiteral(",") : QString())
                .toUtf8();
        start = end.addSecs(60 * (i % 7));
    }
    return json + "]\n";
}

void run(Harness& harness, const QString&) {
    const QByteArray data = timewarriorExport();
    harness.note(QStringLiteral("intervals"), Intervals);
    harness.note(QStringLiteral("export size (bytes)"), data.size());
    SystemClock clock;
    QTemporaryDir folder;
    int made = 0;
    std::unique_ptr<Database> last;
    int lastUser = 0;
    harness.time(
        QStringLiteral("Import of 100,000 Timewarrior intervals into a new database"),
        [&] {
            const QString path = folder.filePath(QStringLiteral("import-%1.db").arg(++made));
            last = Database::create(path);
            const int userId = lastUser = int(last->insert(
                QStringLiteral("insert into \"user\" (userName, created, details, email, active) "
                               "values (?, ?, ?, ?, ?)"),
                {QStringLiteral("Ann"), clock.now(), QString(), QString(), false},
                QStringLiteral("userId")));
            const TimeImport::Summary summary =
                TimeImport(*last, clock)
                    .store(TimeImport::read(TimeImport::Format::Timewarrior, data), userId,
                           QStringLiteral("Ann"), false);
            if (summary.made != Intervals) {
                throw std::runtime_error("Not every interval was imported");
            }
        },
        3);
    harness.budget(10000);
    harness.time(
        QStringLiteral("The same file again: every interval a duplicate"),
        [&] {
            const TimeImport::Summary again =
                TimeImport(*last, clock)
                    .store(TimeImport::read(TimeImport::Format::Timewarrior, data), lastUser,
                           QStringLiteral("Ann"), false);
            if (again.made != 0 || again.duplicates != Intervals) {
                throw std::runtime_error("A second import added rows");
            }
        },
        3);
    harness.budget(10000);
}

} // namespace

int main(int argc, char* argv[]) {
    Harness::useTheProgramsTimeZone();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_import"));
    return Harness::runProgram(
        QStringLiteral("Importing another tracker's time"),
        QStringLiteral("Times 100,000 Timewarrior intervals imported into a new database, and the "
                       "same file imported a second time."),
        run);
}
