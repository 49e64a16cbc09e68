// bench_ui [--database PATH|URL] [--json FILE] [--runs N]: the program's own figures on the
// reference database (a file, or a PostgreSQL database copy_reference filled), measured on a
// whole main window (offscreen): start-up, the two timers' ticks, the loaders of the tree, the
// check at start, the grid (also filled again after a row is edited) and the chart, memory, the
// statements each sends, and the same statements replayed without the program.

#include "Harness.h"
#include "RawReplay.h"
#include "ReferenceData.h"
#include "WindowBench.h"
#include "app/frmMain.h"
#include "categories/CategoryTree.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/TimeCorrection.h"
#include "platform/Settings.h"
#include "reports/ProductivityChart.h"
#include "reports/ProductivityPage.h"
#include "reports/TimeRecordsGrid.h"
#include "tracking/TaskTimer.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <stdexcept>

namespace {

// Counts the ticks of the window's timers while it lives: figures that let the event loop run
// must not time a tick with them.
class TickCounter {
public:
    explicit TickCounter(frmMain& window) {
        for (QTimer* timer : {window.trmSystem, window.tmrTime}) {
            timer->stop();
            m_connections.push_back(
                QObject::connect(timer, &QTimer::timeout, [this] { ++m_ticks; }));
        }
    }
    ~TickCounter() {
        for (const QMetaObject::Connection& connection : m_connections) {
            QObject::disconnect(connection);
        }
    }
    TickCounter(const TickCounter&) = delete;
    TickCounter& operator=(const TickCounter&) = delete;
    int ticks() const { return m_ticks; }

private:
    int m_ticks = 0;
    std::vector<QMetaObject::Connection> m_connections;
};

void run(Harness& harness, const QString& reference) {
    QTemporaryDir work;
    const QString location = workingLocation(reference, work);
    Bench bench(location);
    harness.note(QStringLiteral("database"), Database::displayLocation(reference));
    harness.note(QStringLiteral("clock"), bench.clock.now().toString(Qt::ISODate));
    std::unique_ptr<RawReplay> raw = RawReplay::connect(location);

    harness.timeCounted(
        QStringLiteral("Start-up (Form_Load to shown and idle)"),
        [&bench] {
            std::unique_ptr<frmMain> window = bench.open();
            const quint64 statements = window->database().statementCount();
            window->Form_Terminate();
            return statements;
        },
        5);
    harness.budget(1000);
    {
        // What one more start-up sends, replayed on a new connection each time (the start-up
        // connects too).
        StatementLog log{StatementLog::NewDatabases()};
        std::unique_ptr<frmMain> window = bench.open();
        const std::vector<SentStatement> sent = log.take();
        window->database().setStatementTrace({});
        window->Form_Terminate();
        harness.replay(
            [&] {
                std::unique_ptr<RawReplay> fresh = RawReplay::connect(location);
                fresh->load(sent);
                return fresh->run();
            },
            5);
    }

    {
        // The same window on a database holding only its user and one category: what start-up
        // costs before it loads anything, beside the SQL of loading it.
        const QString emptyPath = work.filePath(QStringLiteral("empty.db"));
        {
            auto empty = Database::create(emptyPath);
            empty->execute(QStringLiteral("insert into \"user\" (userName, created) values (?, ?)"),
                           {ReferenceData::BenchmarkUserName, ReferenceData::referenceTime()});
            empty->execute(
                QStringLiteral(
                    "insert into category (category, parentId, description, "
                    "minAllocation, maxAllocation, minAllocationPeriodId, "
                    "maxAllocationPeriodId, chargingRate, ownerUserId, "
                    "productivityId, startDate) values (?, 0, '', 0, 0, 1, 1, 0, 0, 2, ?)"),
                {QStringLiteral("Internal"), ReferenceData::referenceTime()});
        }
        Bench emptyBench(emptyPath);
        harness.timeCounted(
            QStringLiteral("Start-up, the same window on an empty database"),
            [&emptyBench] {
                std::unique_ptr<frmMain> window = emptyBench.open();
                const quint64 statements = window->database().statementCount();
                window->Form_Terminate();
                return statements;
            },
            5);
    }

    std::unique_ptr<frmMain> window = bench.open();
    harness.memory(QStringLiteral("Resident memory after start-up"));
    harness.budget(150 * 1024);
    frmMain& w = *window;
    Database& db = w.database();
    const int running = w.state().activeTasks ? w.state().activeTasks->Count() : 0;
    harness.note(QStringLiteral("running tasks after start-up"), running);

    harness.timeAgainstRaw(QStringLiteral("tmrTime tick (processTasks)"), db, *raw, [&] {
        bench.clock.advanceSeconds(1);
        w.taskTimer().processTasks();
    });
    harness.budget(2);
    harness.timeAgainstRaw(QStringLiteral("trmSystem tick, 10 windows"), db, *raw,
                           [&] { w.trmSystem_Timer(); });
    harness.budget(10);
    harness.timeAgainstRaw(QStringLiteral("loadCategoryList"), db, *raw,
                           [&] { w.categories().loadCategoryList(); });
    harness.budget(100);
    harness.timeAgainstRaw(
        QStringLiteral("checkTaskProgress"), db, *raw, [&] { w.taskTimer().checkTaskProgress(); },
        5);

    const ResultSet busiest = db.query(QStringLiteral(
        "select categoryId from tallyRec where endTime is not null group by categoryId "
        "order by count(*) desc limit 1"));
    const int busiestId = busiest.first().integer(0);
    harness.note(QStringLiteral("busiest category"), busiestId);
    w.state().selectedCategory =
        w.categories().getCategoryById(*w.state().allCategories, busiestId);
    // The grid is read only while its page shows.
    w.selectTab(frmMain::ReportsTab);
    harness.timeAgainstRaw(QStringLiteral("viewCategoryTimes, busiest category"), db, *raw,
                           [&] { w.timeRecords().viewCategoryTimes(); });
    harness.budget(200);

    // A row of the busiest category corrected as the time entry dialog does it: the row read as
    // the dialog opens, changed on Save (if it is still as read) with its trail row in one
    // transaction, then read again for the grid. The start goes back a minute and forward again
    // in turn, so every run changes the row.
    TimeCorrection correction(db, bench.clock);
    const std::optional<TimeCorrection::Row> edited = correction.read(
        db.scalar(QStringLiteral("select max(timeId) from tallyRec where categoryId = ? and "
                                 "endTime is not null"),
                  {busiestId})
            .toInt());
    if (!edited) {
        throw std::runtime_error("the busiest category has no finished row");
    }
    int edits = 0;
    harness.timeAgainstRaw(
        QStringLiteral("Edit a row, busiest category, grid shows it"), db, *raw, [&] {
            const qint64 back = (++edits % 2) * 60;
            const TimeCorrection::Times to{edited->startTime.addSecs(-back), edited->endTime,
                                           busiestId};
            const std::optional<TimeCorrection::Row> shown = correction.read(edited->timeId);
            if (!shown || correction.edit(*shown, to, edited->userId)) {
                throw std::runtime_error("the edit was refused");
            }
            w.timeRecords().showChangedRow(edited->timeId);
        });
    harness.budget(200);

    QComboBox* chartUsers = w.productivityPage->cboUserProductivity;
    QComboBox* chartCategories = w.productivityPage->cboCategoryProductivity;
    w.selectTab(frmMain::ProductivityTab);
    chartUsers->setCurrentIndex(0);
    const int entry = chartCategories->findData(busiestId);
    {
        const TickCounter ticks(w);
        harness.timeAgainstRaw(QStringLiteral("loadProductivityChart, one category"), db, *raw,
                               [&] {
                                   chartCategories->setCurrentIndex(entry);
                                   w.productivityChart().loadProductivityChart();
                                   settle();
                               });
        harness.budget(50);
        harness.timeAgainstRaw(QStringLiteral("loadProductivityChart, - All -"), db, *raw, [&] {
            chartCategories->setCurrentIndex(0);
            w.productivityChart().loadProductivityChart();
            settle();
        });
        harness.budget(300);
        if (ticks.ticks() > 0) {
            throw std::runtime_error("a timer ticked inside the chart figures");
        }
    }
    w.Form_Terminate();
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Harness::useTheProgramsTimeZone();
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_ui"));
    return Harness::runProgram(
        QStringLiteral("Quillhour main window on the reference database"),
        QStringLiteral("The main window's figures on the reference database."), run);
}
