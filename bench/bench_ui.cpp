// bench_ui [--database PATH] [--json FILE] [--runs N]: the program's own figures on the
// reference database, measured on a whole main window (offscreen): start-up, the two timers'
// ticks, the loaders of the tree, the check at start, the grid and the chart, memory, and the
// statements each sends.

#include "Harness.h"
#include "ReferenceData.h"
#include "app/frmMain.h"
#include "categories/CategoryTree.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "platform/Clock.h"
#include "platform/FolderOpener.h"
#include "platform/ScriptedMessages.h"
#include "platform/Settings.h"
#include "platform/WindowLister.h"
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

void settle() {
    // Lets the window finish what it queued (layouts, paints) before the clock stops.
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// Everything a window needs, made once: the copy of the reference database it works on, and
// the services with a clock fixed a quarter of an hour after the reference moment.
struct Bench {
    explicit Bench(const QString& workingCopy)
        : clock(ReferenceData::referenceTime().addSecs(15 * 60))
        , settings(folder.filePath(QStringLiteral("settings.ini"))) {
        settings.setDatabase(workingCopy);
        settings.setUser(ReferenceData::BenchmarkUserName);
        settings.setTrayIcon(false);
        QStringList titles;
        for (int i = 1; i <= 10; ++i) {
            titles.append(QStringLiteral("Application window %1").arg(i));
        }
        windows.setTitles(titles);
    }

    std::unique_ptr<frmMain> open() {
        auto window = std::make_unique<frmMain>(frmMain::Services{
            clock, messages, settings, windows, folders, folder.path(), QString()});
        if (!window->Form_Load()) {
            throw std::runtime_error("the main window did not load");
        }
        // The benchmark drives the timers itself.
        window->trmSystem->stop();
        window->tmrTime->stop();
        settle();
        return window;
    }

    QTemporaryDir folder;
    FixedClock clock;
    ScriptedMessages messages;
    Settings settings;
    FixedWindowLister windows;
    RecordingFolderOpener folders;
};

QString copyReference(const QString& reference, const QTemporaryDir& folder) {
    {
        // Everything in the reference file itself, so the copy is whole.
        auto db = Database::open(reference);
        db->scalar(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    const QString copy = folder.filePath(QStringLiteral("working.db"));
    if (!QFile::copy(reference, copy)) {
        throw std::runtime_error("the reference database could not be copied");
    }
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    return copy;
}

void run(Harness& harness, const QString& reference) {
    QTemporaryDir work;
    const QString copy = copyReference(reference, work);
    Bench bench(copy);
    harness.note(QStringLiteral("database"), reference);
    harness.note(QStringLiteral("clock"), bench.clock.now().toString(Qt::ISODate));

    harness.timeCounted(
        QStringLiteral("Start-up (Form_Load to shown and idle)"),
        [&bench] {
            std::unique_ptr<frmMain> window = bench.open();
            const quint64 statements = window->database().statementCount();
            window->Form_Terminate();
            return statements;
        },
        5);

    std::unique_ptr<frmMain> window = bench.open();
    harness.memory(QStringLiteral("Resident memory after start-up"));
    frmMain& w = *window;
    Database& db = w.database();
    const int running = w.state().activeTasks ? w.state().activeTasks->Count() : 0;
    harness.note(QStringLiteral("running tasks after start-up"), running);

    harness.time(QStringLiteral("tmrTime tick (processTasks)"), db, [&] {
        bench.clock.advanceSeconds(1);
        w.taskTimer().processTasks();
    });
    harness.time(QStringLiteral("trmSystem tick, 10 windows"), db, [&] { w.trmSystem_Timer(); });
    harness.time(QStringLiteral("loadCategoryList"), db,
                 [&] { w.categories().loadCategoryList(); });
    harness.time(
        QStringLiteral("checkTaskProgress"), db, [&] { w.taskTimer().checkTaskProgress(); }, 5);

    const ResultSet busiest = db.query(QStringLiteral(
        "select categoryId from tallyRec where endTime is not null group by categoryId "
        "order by count(*) desc limit 1"));
    const int busiestId = busiest.first().integer(0);
    harness.note(QStringLiteral("busiest category"), busiestId);
    w.state().selectedCategory =
        w.categories().getCategoryById(*w.state().allCategories, busiestId);
    harness.time(QStringLiteral("viewCategoryTimes, busiest category"), db,
                 [&] { w.timeRecords().viewCategoryTimes(); });

    QComboBox* chartUsers = w.productivityPage->cboUserProductivity;
    QComboBox* chartCategories = w.productivityPage->cboCategoryProductivity;
    w.selectTab(frmMain::ProductivityTab);
    chartUsers->setCurrentIndex(0);
    const int entry = chartCategories->findData(busiestId);
    harness.time(QStringLiteral("loadProductivityChart, one category"), db, [&] {
        chartCategories->setCurrentIndex(entry);
        w.productivityChart().loadProductivityChart();
        settle();
    });
    harness.time(QStringLiteral("loadProductivityChart, - All -"), db, [&] {
        chartCategories->setCurrentIndex(0);
        w.productivityChart().loadProductivityChart();
        settle();
    });
    w.Form_Terminate();
}

} // namespace

// The offscreen platform warns about every window it cannot size; that is noise in a table.
void quietMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints")) ||
        text.startsWith(QLatin1String("QStandardPaths"))) {
        return;
    }
    std::fputs(qPrintable(qFormatLogMessage(type, context, text) + QLatin1Char('\n')), stderr);
}

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the program itself does at start (src/main.cpp).
    if (qEnvironmentVariableIsEmpty("TZ") && QFile::exists(QStringLiteral("/etc/localtime"))) {
        qputenv("TZ", ":/etc/localtime");
    }
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("bench_ui"));
    return Harness::runProgram(
        QStringLiteral("Quillhour main window on the reference database"),
        QStringLiteral("The main window's figures on the reference database."), run);
}
