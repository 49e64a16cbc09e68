// chart_screenshot PNG: shows the Productivity page with eight weeks of time against a minimum
// and a maximum, on an X server of its own (Xvfb with openbox), and saves what the screen shows
// to PNG, for a person to look at. The whole window runs on a temporary database, as in the tests.

#include "../platform/ScreenshotMain.h"
#include "MainWindowFixture.h"
#include "reports/ProductivityPage.h"
#include "reports/ProductivityPicture.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>
#include <cstdio>

namespace {

int fail(const QString& text) {
    return screenshotFailure("chart_screenshot", text);
}

// Runs on the private display: fills the data, shows the page and takes the picture.
int child(const QString& output) {
    MainWindowFixture f(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    // 30 hours a week at least (4:17 a day); 6 hours a day at most.
    const int design = f.addCategory(QStringLiteral("Design"), 0, ann, 30, 2, 6, 1);
    // 20 hours a month (0:40 a day); 42 hours a fortnight (3:00 a day).
    const int build = f.addCategory(QStringLiteral("Build"), design, ann, 20, 4, 42, 3);
    QRandomGenerator random(7);
    for (QDate day(2026, 10, 12); day < QDate(2026, 12, 7); day = day.addDays(1)) {
        const bool weekend = day.dayOfWeek() >= 6;
        for (int userId : {ann, bob}) {
            if (weekend && random.bounded(4) != 0) {
                continue;
            }
            const int minutes = weekend ? 30 + random.bounded(90) : 120 + random.bounded(420);
            const QDateTime start(day, QTime(8 + random.bounded(3), random.bounded(60)));
            f.addTime(userId == ann ? design : build, userId, start, start.addSecs(minutes * 60),
                      minutes);
        }
    }
    if (!f.load()) {
        return fail(QStringLiteral("the window did not load"));
    }
    frmMain& window = f.window();
    window.move(0, 0);
    window.resize(790, 570);
    ProductivityPage& page = *window.productivityPage;
    page.cboUserProductivity->setCurrentIndex(0);
    page.cboCategoryProductivity->setCurrentIndex(0);
    window.tabs->setCurrentIndex(frmMain::ProductivityTab);
    if (!QTest::qWaitForWindowExposed(&window)) {
        return fail(QStringLiteral("the window was never shown"));
    }
    // The first weeks, then the most recent ones, as a person looking at this week would
    // scroll to.
    const QFileInfo target(output);
    const QString first =
        target.dir().filePath(target.completeBaseName() + QStringLiteral("-first.png"));
    for (const auto& [value, path] : {std::pair{0, first}, std::pair{-1, output}}) {
        page.prodScroll->setValue(value < 0 ? page.prodScroll->maximum() : value);
        QTest::qWait(300);
        const QRect frame = window.frameGeometry();
        const QPixmap shot =
            window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        if (!page.picProd->showsChart() || !shot.save(path, "PNG")) {
            return fail(QStringLiteral("no picture could be saved to ") + path);
        }
        std::printf("Saved %s (%dx%d)\n", qPrintable(path), shot.width(), shot.height());
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    return screenshotMain(argc, argv, "chart_screenshot", child);
}
