// window_screenshot PNG [--dark] [--tray-menu]: shows the main window of a small team at work
// (Ann 47 minutes into a task on "Design", Bob's task on "Build" running too) on an X server of
// its own (Xvfb with openbox), and saves what the screen shows to PNG: the picture of the Tasks
// page that the AppStream metadata shows (cmake --build build --target screenshots). The whole
// window runs on a temporary database with a fixed clock, as in the tests, so the picture is the
// same each time. It speaks the language of LANG, as the program does; --dark shows it in a dark
// theme, --tray-menu with the tray icon's menu open beside it.

#include "../platform/ScreenshotMain.h"
#include "MainWindowFixture.h"
#include "app/Translations.h"
#include "categories/CategoryTree.h"
#include "widgets/KeyedTree.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTabWidget>
#include <QtTest>
#include <cstdio>

namespace {

int fail(const QString& text) {
    return screenshotFailure("window_screenshot", text);
}

// The Fusion style in dark colours, as a dark desktop theme gives them.
void useDarkTheme() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::ToolTipBase, QColor(35, 35, 35));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(120, 170, 255));
    dark.setColor(QPalette::Light, QColor(90, 90, 90));
    dark.setColor(QPalette::Dark, QColor(25, 25, 25));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    QApplication::setPalette(dark);
}

// Runs on the private display: fills the data, shows the window and takes the picture.
int child(const QString& output) {
    Translations::install(*qApp);
    const QStringList options = QCoreApplication::arguments();
    if (options.contains(QStringLiteral("--dark"))) {
        useDarkTheme();
    }
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
    QRect frame = window.frameGeometry();
    if (options.contains(QStringLiteral("--tray-menu"))) {
        // Where a panel at the right would open it, beside the window.
        QMenu* menu = window.trayMenu;
        menu->popup(QPoint(frame.right() + 4, frame.top() + 40));
        QTest::qWait(200);
        if (auto* task = menu->findChild<QMenu*>(
                QStringLiteral("mnuTask_%1").arg(f.state().currentTask->taskId))) {
            menu->setActiveAction(task->menuAction());
            task->popup(menu->geometry().topRight() +
                        QPoint(0, menu->actionGeometry(task->menuAction()).top()));
            QTest::qWait(200);
            frame = frame.united(task->geometry());
        }
        frame = frame.united(menu->geometry());
    }
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
