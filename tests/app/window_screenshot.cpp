// window_screenshot PNG: shows the main window of a small team at work (Ann 47 minutes into a
// task on "Design", Bob's task on "Build" running too) on an X server of its own (Xvfb with
// openbox), and saves what the screen shows to PNG: the picture of the Tasks page that the
// AppStream metadata shows (cmake --build build --target screenshots). The whole window runs on
// a temporary database with a fixed clock, as in the tests, so the picture is the same each time.

#include "../platform/ScreenshotMain.h"
#include "MainWindowFixture.h"
#include "app/KeyedTree.h"
#include "categories/CategoryTree.h"

#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>
#include <cstdio>

namespace {

int fail(const QString& text) {
    return screenshotFailure("window_screenshot", text);
}

// Runs on the private display: fills the data, shows the window and takes the picture.
int child(const QString& output) {
    MainWindowFixture f(QDateTime(QDate(2026, 12, 9), QTime(10, 13)));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.addUser(QStringLiteral("Chloe"));
    f.settings.setUser(QStringLiteral("Ann"));
    f.settings.setPromptFrequency(QStringLiteral("30"));
    const int website = f.addCategory(QStringLiteral("Website"), 0, ann, 30, 2, 45, 2);
    // 6 hours a week at least (already reached), 4 a day at most.
    const int design = f.addCategory(QStringLiteral("Design"), website, ann, 6, 2, 4, 1);
    const int build = f.addCategory(QStringLiteral("Build"), website, bob, 20, 2, 35, 2);
    f.addCategory(QStringLiteral("Support"), 0, bob, 0, 1, 10, 2);
    f.addCategory(QStringLiteral("Team meetings"));
    // Earlier this week.
    for (const auto& [day, hours] : {std::pair{7, 3}, std::pair{8, 4}}) {
        const QDateTime start(QDate(2026, 12, day), QTime(9, 0));
        f.addTime(design, ann, start, start.addSecs(hours * 3600), hours * 60);
        f.addTime(build, bob, start, start.addSecs((hours + 2) * 3600), (hours + 2) * 60);
    }
    f.addOpenTime(build, bob, QDateTime(QDate(2026, 12, 9), QTime(8, 45)));
    if (!f.load()) {
        return fail(QStringLiteral("the window did not load"));
    }
    frmMain& window = f.window();
    window.move(0, 0);
    window.resize(790, 570);
    // As a click on it would: the node selected in the opened tree, the category on the page.
    TreeNode* node = window.categoryTree->node(QStringLiteral("id_%1").arg(design));
    window.categoryTree->selectNode(node);
    window.categories().selectCategoryByNode(node);
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    f.clock.advanceSeconds(47 * 60 + 12);
    f.systemTick();
    f.taskTick();
    window.tabs->setCurrentIndex(frmMain::TasksTab);
    if (!QTest::qWaitForWindowExposed(&window)) {
        return fail(QStringLiteral("the window was never shown"));
    }
    QTest::qWait(300);
    const QRect frame = window.frameGeometry();
    const QPixmap shot =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!shot.save(output, "PNG")) {
        return fail(QStringLiteral("no picture could be saved to ") + output);
    }
    std::printf("Saved %s (%dx%d)\n", qPrintable(output), shot.width(), shot.height());
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    return screenshotMain(argc, argv, "window_screenshot", child);
}
