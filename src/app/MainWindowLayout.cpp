#include "app/MainWindowLayout.h"

#include "app/DatabaseBar.h"
#include "app/SettingsPage.h"
#include "app/frmMain.h"
#include "categories/CategoryEditorPage.h"
#include "notifications/NotificationsPage.h"
#include "reports/ProductivityPage.h"
#include "reports/ReportsPage.h"
#include "reports/TimesheetPage.h"
#include "tracking/TasksPage.h"
#include "users/UsersPage.h"
#include "widgets/ElidedLabel.h"
#include "widgets/ElidedToolButton.h"
#include "widgets/KeyedTree.h"
#include "widgets/Look.h"
#include "widgets/PictureButton.h"
#include "widgets/UiHelpers.h"
#include "widgets/WrappingLabel.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

// The category tree's share of the window as it opens.
constexpr int TreeWidth = 230;

// The picture-button row is laid out in twips: it starts 176 in and each visible button takes
// its width plus 10.
constexpr int ButtonRowStartTwips = 176;
constexpr int ButtonGapTwips = 10;
constexpr int ButtonTopTwips = 60;
constexpr int HoverFrameTwips = 375;

// The header's details hold welcome texts, descriptions and the chart's period in this many
// lines, always: the pages below never move as the text changes. Longer texts are cut short,
// whole in the tool-tip.
constexpr int DetailLines = 3;

const char* const DesignWelcome = QT_TRANSLATE_NOOP(
    "frmMain",
    "Welcome to Quillhour, a simple tool for helping you better manage your time and projects.");

int twipsToPixels(double twips) {
    return int(std::lround(twips / PictureButton::TwipsPerPixel));
}

QLayout* buildHeader(frmMain& window, QWidget* central) {
    // Names and descriptions can be longer than any window is wide: the header cuts them short
    // rather than widen the window.
    window.lblTitle = new ElidedLabel(QStringLiteral("Quillhour"), central);
    window.lblTitle->setObjectName(QStringLiteral("lblTitle"));
    window.lblTitle->setFont(Look::verdana(14, true));
    auto* details = new WrappingLabel(frmMain::tr(DesignWelcome), central);
    details->setMaximumLines(DetailLines);
    window.lblDetails = details;
    details->setObjectName(QStringLiteral("lblDetails"));
    details->setFixedHeight(details->fontMetrics().lineSpacing() * DetailLines);
    details->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* header = new QVBoxLayout;
    header->setSpacing(2);
    header->addWidget(window.lblTitle);
    header->addWidget(window.lblDetails);
    return header;
}

void buildHoverFrame(frmMain& window, QWidget* row) {
    window.shpShaddow = new QFrame(row);
    window.shpShaddow->setObjectName(QStringLiteral("shpShaddow"));
    window.shpBox = new QFrame(row);
    window.shpBox->setObjectName(QStringLiteral("shpBox"));
    const int frame = twipsToPixels(HoverFrameTwips);
    for (QFrame* shape : {window.shpShaddow, window.shpBox}) {
        shape->resize(frame, frame);
        shape->setAttribute(Qt::WA_TransparentForMouseEvents);
        shape->hide();
    }
    const QPalette colours = window.palette();
    window.shpBox->setStyleSheet(
        QStringLiteral("QFrame#shpBox { border: 1px solid %1; background: transparent; }")
            .arg(colours.color(QPalette::Light).name()));
    window.shpShaddow->setStyleSheet(
        QStringLiteral("QFrame#shpShaddow { border: 1px solid %1; background: transparent; }")
            .arg(colours.color(QPalette::Dark).name()));
}

QWidget* buildButtonRow(frmMain& window) {
    auto* row = new QWidget(&window);
    row->setObjectName(QStringLiteral("buttonRow"));
    row->setFixedHeight(twipsToPixels(ButtonTopTwips * 2 + PictureButton::SizeTwips));
    buildHoverFrame(window, row);

    const struct {
        const char* icon;
        const char* tip;
    } buttons[] = {
        {"properties", QT_TRANSLATE_NOOP("frmMain", "Properties")},
        {"new-category", QT_TRANSLATE_NOOP("frmMain", "Create a new category")},
        {"open-folder", QT_TRANSLATE_NOOP("frmMain", "Open Task Folder")},
        {"manager", QT_TRANSLATE_NOOP("frmMain", "View owner user details")},
        {"help", QT_TRANSLATE_NOOP("frmMain", "View help and information")},
    };
    for (int i = 0; i < int(window.picButton.size()); ++i) {
        window.picButton[std::size_t(i)] =
            new PictureButton(i, quillhourIcon(QString::fromLatin1(buttons[i].icon)),
                              frmMain::tr(buttons[i].tip), row);
    }
    // Buttons 1 and 4 are always there; the others appear with a category that needs them.
    window.picButton[0]->hide();
    window.picButton[2]->hide();
    window.picButton[3]->hide();
    MainWindowLayout::layoutButtonRow(window);
    return row;
}

QWidget* buildTreePanel(frmMain& window, QWidget* central) {
    window.categoryTree = new KeyedTree(central);
    window.categoryTree->setObjectName(QStringLiteral("categoryTree"));
    window.categoryTree->setAccessibleName(frmMain::tr("Categories"));
    window.lblActiveTasks = new QLabel(frmMain::tr("Active Tasks"), central);
    window.lblActiveTasks->setObjectName(QStringLiteral("lblActiveTasks"));
    window.lblActiveTasks->setFont(Look::verdana(9, true));
    window.taskTree = new KeyedTree(central);
    window.taskTree->setObjectName(QStringLiteral("taskTree"));
    window.taskTree->setAccessibleName(frmMain::tr("Active Tasks"));
    window.lblActiveTasks->hide();
    window.taskTree->hide();

    auto* left = new QWidget(central);
    left->setObjectName(QStringLiteral("treePanel"));
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(window.categoryTree, 3);
    leftLayout->addWidget(window.lblActiveTasks);
    leftLayout->addWidget(window.taskTree, 1);
    return left;
}

void buildPages(frmMain& window, QWidget* central) {
    QTabWidget* tabs = window.tabs = new QTabWidget(central);
    tabs->setObjectName(QStringLiteral("tabs"));
    window.tasksPage = new TasksPage(tabs);
    window.categoryPage = new CategoryEditorPage(tabs);
    window.settingsPage = new SettingsPage(tabs);
    window.reportsPage = new ReportsPage(tabs);
    window.productivityPage = new ProductivityPage(tabs);
    window.notificationsPage = new NotificationsPage(tabs);
    window.usersPage = new UsersPage(tabs);
    window.timesheetPage = new TimesheetPage(tabs);
    tabs->addTab(window.tasksPage, frmMain::tr("Tasks"));
    tabs->addTab(window.categoryPage, frmMain::tr("New Category"));
    tabs->addTab(window.settingsPage, frmMain::tr("Settings"));
    tabs->addTab(window.reportsPage, frmMain::tr("Reports"));
    tabs->addTab(window.productivityPage, frmMain::tr("Productivity"));
    tabs->addTab(window.notificationsPage, frmMain::tr("Notifications"));
    tabs->addTab(window.usersPage, frmMain::tr("Users"));
    tabs->addTab(window.timesheetPage, frmMain::tr("Timesheet"));
}

QSplitter* buildSplitter(QWidget* left, QWidget* right, QWidget* central) {
    auto* splitter = new QSplitter(Qt::Horizontal, central);
    splitter->setObjectName(QStringLiteral("mainSplitter"));
    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({TreeWidth, 690});
    splitter->setChildrenCollapsible(false);
    return splitter;
}

void buildStatusBar(frmMain& window) {
    auto* bar = new QStatusBar(&window);
    bar->setObjectName(QStringLiteral("status"));
    window.setStatusBar(bar);
    QToolButton* tasks = window.statusPanel_1 = new QToolButton(bar);
    tasks->setObjectName(QStringLiteral("statusPanel_1"));
    tasks->setText(frmMain::tr("Active Tasks: %1").arg(QString()));
    tasks->setAutoRaise(true);
    tasks->hide();
    QToolButton* user = window.statusPanel_2 = new ElidedToolButton(bar);
    user->setObjectName(QStringLiteral("statusPanel_2"));
    user->setText(frmMain::tr("User:"));
    user->setToolTip(frmMain::tr("Current User"));
    user->setIcon(quillhourIcon(QStringLiteral("user")));
    user->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    user->setAutoRaise(true);
    bar->addWidget(tasks);
    bar->addPermanentWidget(user);
}

void buildTimers(frmMain& window) {
    window.trmSystem = new QTimer(&window);
    window.trmSystem->setObjectName(QStringLiteral("trmSystem"));
    window.trmSystem->setInterval(2000);
    window.tmrTime = new QTimer(&window);
    window.tmrTime->setObjectName(QStringLiteral("tmrTime"));
    window.tmrTime->setInterval(900);
}

} // namespace

namespace MainWindowLayout {

void build(frmMain& window) {
    auto* central = new QWidget(&window);
    central->setObjectName(QStringLiteral("centralWidget"));
    window.setCentralWidget(central);

    QLayout* header = buildHeader(window, central);
    QWidget* buttonRow = buildButtonRow(window);
    QWidget* left = buildTreePanel(window, central);
    buildPages(window, central);
    QSplitter* splitter = buildSplitter(left, window.tabs, central);

    window.lstTask = new QListWidget(central);
    window.lstTask->setObjectName(QStringLiteral("lstTask"));
    window.lstTask->setFocusPolicy(Qt::NoFocus); // the shared titles, kept hidden
    window.lstTask->hide();

    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 6, 8, 4);
    layout->addLayout(header);
    layout->addWidget(buttonRow);
    window.databaseBar = new DatabaseBar(central);
    layout->addWidget(window.databaseBar);
    layout->addWidget(splitter, 1);

    buildStatusBar(window);
    window.trayMenu = new QMenu(&window);
    window.trayMenu->setObjectName(QStringLiteral("trayMenu"));
    buildTimers(window);

    // The design size of the client area is 9495 by 6945 twips; the window opens somewhat
    // larger so the editor and the chart have room on today's screens, though never larger
    // than the screen.
    // Wider where the pages' captions need it (German ones are long), so every caption shows.
    const QRect room = window.screen()->availableGeometry();
    const int captions = window.tabs->tabBar()->sizeHint().width() + TreeWidth + 40;
    window.resize(std::min(std::max(960, captions), room.width()), std::min(660, room.height()));
}

QString designWelcome() {
    return frmMain::tr(DesignWelcome);
}

void layoutButtonRow(frmMain& window) {
    int left = ButtonRowStartTwips;
    for (PictureButton* button : window.picButton) {
        button->moveTwips(left, ButtonTopTwips);
        if (!button->isHidden()) {
            left += button->widthTwips() + ButtonGapTwips;
        }
        button->raise();
    }
}

void showHoverFrame(frmMain& window, int index) {
    const PictureButton* button = window.picButton[std::size_t(index)];
    // The frame is centred on the button; its shadow sits 1.5 twips up and to the left.
    auto place = [&](QFrame* shape, double offset) {
        const double top =
            button->topTwips() + button->heightTwips() / 2.0 - HoverFrameTwips / 2.0 - offset;
        const double left =
            button->leftTwips() + button->widthTwips() / 2.0 - HoverFrameTwips / 2.0 - offset;
        shape->move(twipsToPixels(left), twipsToPixels(top));
        shape->setProperty("topTwips", top);
        shape->setProperty("leftTwips", left);
        shape->show();
    };
    place(window.shpShaddow, 1.5);
    place(window.shpBox, 0.0);
    window.shpShaddow->lower();
    for (PictureButton* each : window.picButton) {
        each->raise();
    }
}

void paintColourKeys(frmMain& window) {
    ProductivityPage& page = *window.productivityPage;
    for (auto [key, colour] : {std::pair{page.minProdColourKey, Look::MinimumColour},
                               std::pair{page.maxProdColourKey, Look::MaximumColour}}) {
        QPalette colours = key->palette();
        colours.setColor(QPalette::Window, colour);
        colours.setColor(QPalette::WindowText, Look::textOn(colour));
        key->setPalette(colours);
        key->setAutoFillBackground(true);
    }
}

} // namespace MainWindowLayout
