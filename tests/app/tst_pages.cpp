#include "app/SettingsPage.h"
#include "categories/CategoryEditorPage.h"
#include "data/KeyedCollection.h"
#include "notifications/NotificationsPage.h"
#include "reports/ProductivityPage.h"
#include "reports/ProductivityPicture.h"
#include "reports/ReportsPage.h"
#include "tracking/TasksPage.h"
#include "users/SharingFrame.h"
#include "users/UsersPage.h"
#include "widgets/ClickableLabel.h"
#include "widgets/KeyedTree.h"
#include "widgets/UiHelpers.h"
#include "widgets/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTableView>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

namespace {

// One named control: the page member, the class it must be, and its caption or design text
// and tool-tip where it has them (nullptr: none to check).
struct Control {
    const char* page;
    std::function<QObject*(QWidget*)> member;
    const char* name;
    const char* className;
    const char* text;
    const char* toolTip;
};

#define CONTROL(Page, name, cls, text, tip)                                                        \
    Control {                                                                                      \
#Page, [](QWidget * page) -> QObject* { return static_cast<Page*>(page)->name; }, #name,   \
                                                                                       cls, text,  \
                                                                                       tip         \
    }

// A control of the Settings page's "Sharing" frame.
#define SHARING(name, cls, text, tip)                                                              \
    Control {                                                                                      \
        "SettingsPage",                                                                            \
            [](QWidget* page) -> QObject* {                                                        \
                return static_cast<SettingsPage*>(page)->fraSharing->name;                         \
            },                                                                                     \
            #name, cls, text, tip                                                                  \
    }

const QList<Control>& controls() {
    static const QList<Control> all = {
        CONTROL(TasksPage, fraNewTask, "CaptionFrame", "Start New Task", nullptr),
        CONTROL(TasksPage, chkPrompt, "QCheckBox", "Prompt", nullptr),
        CONTROL(TasksPage, cmdStartNow, "QPushButton", "Start", nullptr),
        CONTROL(TasksPage, cmdStart, "QPushButton", "Start", nullptr),
        CONTROL(TasksPage, fraEntry, "CaptionFrame", "New Time Entry", nullptr),
        CONTROL(TasksPage, Label17, "QLabel", "Add a one off time entry against this category.",
                nullptr),
        CONTROL(TasksPage, lblSetDuration, "QLabel", "Duration:", nullptr),
        CONTROL(TasksPage, txtDuration, "QLineEdit", "0", nullptr),
        CONTROL(TasksPage, UpDown1, "UpDown", nullptr, nullptr),
        CONTROL(TasksPage, lblMinutes, "QLabel", "minutes", nullptr),
        CONTROL(TasksPage, cmdCreateNow, "QPushButton", "Create", nullptr),
        CONTROL(TasksPage, fraTime, "CaptionFrame", "Currently Working", nullptr),
        CONTROL(TasksPage, lblStartTimeCaption, "QLabel", "Start Time:", nullptr),
        CONTROL(TasksPage, lblEndTimeCaption, "QLabel", "Currently:", nullptr),
        CONTROL(TasksPage, lblDurationCaption, "QLabel", "Duration:", nullptr),
        CONTROL(TasksPage, lblStartTime, "QLabel", "00:00:00", nullptr),
        CONTROL(TasksPage, lblEndTime, "QLabel", "00:00:00", nullptr),
        CONTROL(TasksPage, lblDuration, "QLabel", "00:00:00", nullptr),
        CONTROL(TasksPage, lblMinTime, "QLabel", "Min Time:", nullptr),
        CONTROL(TasksPage, lblMaxTime, "QLabel", "Max Time:", nullptr),
        CONTROL(TasksPage, picProgress_0, "QFrame", nullptr, nullptr),
        CONTROL(TasksPage, picProgress_1, "QFrame", nullptr, nullptr),
        CONTROL(TasksPage, shpPercent_0, "QFrame", nullptr, nullptr),
        CONTROL(TasksPage, shpPercent_1, "QFrame", nullptr, nullptr),
        CONTROL(TasksPage, lblPercent_0, "QLabel", "50%", nullptr),
        CONTROL(TasksPage, lblPercent_1, "QLabel", "50%", nullptr),
        CONTROL(TasksPage, lblReminderTitle, "QLabel", "Reminders:", nullptr),
        CONTROL(TasksPage, lblReminder, "QLabel", "", nullptr),
        CONTROL(TasksPage, chkTaskReminder, "QCheckBox", "Remind Me", nullptr),
        CONTROL(TasksPage, cmdStop, "QPushButton", "Finish", nullptr),
        CONTROL(TasksPage, cmdCancelTask, "QPushButton", "Cancel", nullptr),

        CONTROL(CategoryEditorPage, fraDetails, "QGroupBox", "Category Details", nullptr),
        CONTROL(CategoryEditorPage, lblCategoryName, "QLabel", "Category Name:", nullptr),
        CONTROL(CategoryEditorPage, txtCategory, "QLineEdit", "", nullptr),
        CONTROL(CategoryEditorPage, txtId, "QLineEdit", "", nullptr),
        CONTROL(CategoryEditorPage, lblParent, "QLabel", "Parent:", nullptr),
        CONTROL(CategoryEditorPage, cboParent, "QComboBox", nullptr, nullptr),
        CONTROL(CategoryEditorPage, lblDescription, "QLabel", "Description:", nullptr),
        CONTROL(CategoryEditorPage, txtDescription, "QPlainTextEdit", "", nullptr),
        CONTROL(CategoryEditorPage, Allocation, "QGroupBox", "Time Allocation", nullptr),
        CONTROL(CategoryEditorPage, lblMinAllocated, "QLabel", "Minimum Time:", nullptr),
        CONTROL(CategoryEditorPage, txtMinAllocated, "QLineEdit", "", nullptr),
        CONTROL(CategoryEditorPage, lblMinAllocationPeriod, "QLabel", "Hours per:", nullptr),
        CONTROL(CategoryEditorPage, cboMinAllocationPeriod, "QComboBox", nullptr, nullptr),
        CONTROL(CategoryEditorPage, lblMaxAllocated, "QLabel", "Maximum Time:", nullptr),
        CONTROL(CategoryEditorPage, txtMaxAllocated, "QLineEdit", "", nullptr),
        CONTROL(CategoryEditorPage, lblMaxAllocationPeriod, "QLabel", "Hours per:", nullptr),
        CONTROL(CategoryEditorPage, cboMaxAllocationPeriod, "QComboBox", nullptr, nullptr),
        CONTROL(CategoryEditorPage, lblCharge, "QLabel", "Hourly Rate:", nullptr),
        CONTROL(CategoryEditorPage, txtCharge, "QLineEdit", "", nullptr),
        CONTROL(CategoryEditorPage, lblProductivity, "QLabel", "Productivity:", nullptr),
        CONTROL(CategoryEditorPage, cboProductivity, "QComboBox", nullptr, nullptr),
        CONTROL(CategoryEditorPage, lblFolder, "QLabel", "Working Folder:", nullptr),
        CONTROL(CategoryEditorPage, txtFolder, "QLineEdit", "", nullptr),
        CONTROL(CategoryEditorPage, cmdBrowse_0, "QPushButton", "...",
                "Locate a folder on your computer"),
        CONTROL(CategoryEditorPage, lblCategoryOwner, "QLabel", "Manager:", nullptr),
        CONTROL(CategoryEditorPage, cboCategoryOwner, "QComboBox", nullptr, nullptr),
        CONTROL(CategoryEditorPage, lblStartDate, "QLabel", "Start Date:", nullptr),
        CONTROL(CategoryEditorPage, txtStartDate, "QLineEdit", "", nullptr),
        CONTROL(CategoryEditorPage, picButtonCal, "QToolButton", nullptr, "Select a date"),
        CONTROL(CategoryEditorPage, cmdSave, "QPushButton", "Save", nullptr),
        CONTROL(CategoryEditorPage, cmdDelete, "QPushButton", "Delete", nullptr),

        CONTROL(SettingsPage, fraDisplaySettings, "QGroupBox", "Display", nullptr),
        CONTROL(SettingsPage, chkTaskBar, "QCheckBox", "Show tray icon", nullptr),
        CONTROL(SettingsPage, fraDatabase, "QGroupBox", "Database", nullptr),
        CONTROL(SettingsPage, txtDatabasePath, "QLineEdit", "", "Path to database file"),
        CONTROL(SettingsPage, cmdBrowse_1, "QPushButton", "...", "Locate the database file"),
        CONTROL(SettingsPage, lblDatabaseTips, "QLabel",
                "To create a central, shared Quillhour, use a database located on a shared "
                "computer then link each instance of this program to that database.",
                nullptr),
        CONTROL(SettingsPage, fraReminders, "QGroupBox", "Reminders", nullptr),
        CONTROL(SettingsPage, lblFrequency, "QLabel", "Show a reminder every", nullptr),
        CONTROL(SettingsPage, txtFrequency, "QLineEdit", "10", nullptr),
        CONTROL(SettingsPage, lblFrequencyMinutes, "QLabel", "minutes", nullptr),
        CONTROL(SettingsPage, fraSharing, "SharingFrame", "Sharing", nullptr),
        SHARING(lblShareWindows, "QLabel", "Share my open windows:", nullptr),
        SHARING(optShareTitles, "QRadioButton", "Window titles", nullptr),
        SHARING(optShareApplications, "QRadioButton", "Application names only", nullptr),
        SHARING(optShareNothing, "QRadioButton", "Nothing", nullptr),
        SHARING(lblHideWindows, "QLabel", "Hide windows whose title matches", nullptr),
        SHARING(txtHideWindows, "QLineEdit", "", nullptr),
        SHARING(lblSharingWho, "QLabel",
                "Everyone who uses this database sees what you share here under your name on the "
                "Users page, for as long as Quillhour runs.",
                nullptr),
        SHARING(cboPauseSharing, "QComboBox", "for 1 hour", nullptr),
        SHARING(cmdPauseSharing, "QPushButton", "Pause sharing", nullptr),
        SHARING(cmdResumeSharing, "QPushButton", "Resume sharing", nullptr),
        CONTROL(SettingsPage, fraUser, "QGroupBox", "User", nullptr),
        CONTROL(SettingsPage, lblCurrentUser, "QLabel", "Current User:", nullptr),
        CONTROL(SettingsPage, cboUser, "QComboBox", "", nullptr),

        CONTROL(ReportsPage, Label18, "QLabel", "No Data Available", nullptr),
        CONTROL(ReportsPage, grid, "QTableView", nullptr, nullptr),
        CONTROL(ReportsPage, cmdDeleteTime, "QPushButton", "Delete", nullptr),

        CONTROL(ProductivityPage, Label9, "QLabel", "User Data:", nullptr),
        CONTROL(ProductivityPage, cboUserProductivity, "QComboBox", nullptr, nullptr),
        CONTROL(ProductivityPage, Label10, "QLabel", "Category Data:", nullptr),
        CONTROL(ProductivityPage, cboCategoryProductivity, "QComboBox", nullptr, nullptr),
        CONTROL(ProductivityPage, minProdColourKey, "QLabel", "Min:", nullptr),
        CONTROL(ProductivityPage, maxProdColourKey, "QLabel", "Max:", nullptr),
        CONTROL(ProductivityPage, picProdFrame, "QFrame", nullptr, nullptr),
        CONTROL(ProductivityPage, picProd, "ProductivityPicture", nullptr, nullptr),
        CONTROL(ProductivityPage, prodScroll, "QScrollBar", nullptr, nullptr),

        CONTROL(NotificationsPage, notificationTree, "KeyedTree", nullptr, nullptr),
        CONTROL(NotificationsPage, fraNotificationAttributes, "QGroupBox", "Notification Details",
                nullptr),
        CONTROL(NotificationsPage, lblNotificationCategory, "ClickableLabel", "Category:", nullptr),
        CONTROL(NotificationsPage, lblFrom, "ClickableLabel", "From:", nullptr),
        CONTROL(NotificationsPage, lblTo, "ClickableLabel", "To:", nullptr),
        CONTROL(NotificationsPage, lblDate, "QLabel", "12 Jan 2005", nullptr),
        CONTROL(NotificationsPage, lblStatusDate, "QLabel", "12 Jan 2005", nullptr),
        CONTROL(NotificationsPage, lblNotificationMessage, "WrappingLabel", "", nullptr),
        CONTROL(NotificationsPage, cmdDeleteNotification, "QPushButton", "Delete", nullptr),

        CONTROL(UsersPage, userTree, "KeyedTree", nullptr, nullptr),
        CONTROL(UsersPage, fraUserDetails, "CaptionFrame", "User Details", nullptr),
        CONTROL(UsersPage, lblUserName, "QLabel", "User Name:", nullptr),
        CONTROL(UsersPage, txtUserName, "QLineEdit", "", nullptr),
        CONTROL(UsersPage, lblUserId, "QLabel", "User ID:", nullptr),
        CONTROL(UsersPage, txtUserId, "QLineEdit", "", nullptr),
        CONTROL(UsersPage, lblEmail, "QLabel", "Email:", nullptr),
        CONTROL(UsersPage, txtEmail, "QLineEdit", "", nullptr),
        CONTROL(UsersPage, lblUserDetails, "QLabel", "Details:", nullptr),
        CONTROL(UsersPage, txtUserDetails, "QPlainTextEdit", "", nullptr),
        CONTROL(UsersPage, lblUserCreated, "QLabel", "Created:", nullptr),
        CONTROL(UsersPage, txtUserCreated, "QLineEdit", "", nullptr),
        CONTROL(UsersPage, cmdSaveUser, "QPushButton", "Save", nullptr),
        CONTROL(UsersPage, cmdDeleteUser, "QPushButton", "Delete", nullptr),
    };
    return all;
}

// The text a user reads on the control.
// A caption as it reads: the "&" that marks its Alt key is not shown ("&&" shows one).
QString withoutMnemonic(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
            ++i;
        }
        shown += text[i];
    }
    return shown;
}

QString shownText(const QObject* control) {
    if (auto* box = qobject_cast<const QGroupBox*>(control)) {
        return box->title();
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return withoutMnemonic(button->text());
    }
    if (auto* label = qobject_cast<const QLabel*>(control)) {
        return label->buddy() != nullptr ? withoutMnemonic(label->text()) : label->text();
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* edit = qobject_cast<const QPlainTextEdit*>(control)) {
        return edit->toPlainText();
    }
    if (auto* list = qobject_cast<const QComboBox*>(control)) {
        return list->currentText();
    }
    return QStringLiteral("<no text>");
}

std::unique_ptr<QWidget> makePage(const QString& page) {
    std::unique_ptr<QWidget> made;
    if (page == QLatin1String("TasksPage")) {
        made = std::make_unique<TasksPage>();
    } else if (page == QLatin1String("CategoryEditorPage")) {
        made = std::make_unique<CategoryEditorPage>();
    } else if (page == QLatin1String("SettingsPage")) {
        made = std::make_unique<SettingsPage>();
    } else if (page == QLatin1String("ReportsPage")) {
        made = std::make_unique<ReportsPage>();
    } else if (page == QLatin1String("ProductivityPage")) {
        made = std::make_unique<ProductivityPage>();
    } else if (page == QLatin1String("NotificationsPage")) {
        made = std::make_unique<NotificationsPage>();
    } else if (page == QLatin1String("UsersPage")) {
        made = std::make_unique<UsersPage>();
    }
    if (made) {
        made->resize(640, 460);
        made->show();
        QCoreApplication::processEvents();
    }
    return made;
}

const QStringList pageNames = {
    QStringLiteral("TasksPage"),        QStringLiteral("CategoryEditorPage"),
    QStringLiteral("SettingsPage"),     QStringLiteral("ReportsPage"),
    QStringLiteral("ProductivityPage"), QStringLiteral("NotificationsPage"),
    QStringLiteral("UsersPage")};

} // namespace

// The pages of the main window's tabs, as their users and the rest of the program find them.
class PagesTest : public QObject {
    Q_OBJECT

private slots:
    void controlsAreNamedAndCaptioned_data();
    void controlsAreNamedAndCaptioned();
    void initialStates();
    void captionsFitAndControlsStayOnThePage_data();
    void captionsFitAndControlsStayOnThePage();
    void progressBarsFillFromTheLeftUnderTheirText();
    void gridCoversItsNoDataLabel();
    void chartDrawingFillsItsViewport();
    void managerListKeepsAlphabeticalOrder();
    void treeFilledAtOnceKeepsOrderAndKeys();
    void upDownStepsWithinItsRange();
    void linkLabelClicksOnLeftButtonOnly();
    void everyImageLoads();
};

void PagesTest::controlsAreNamedAndCaptioned_data() {
    QTest::addColumn<int>("row");
    for (int row = 0; row < controls().size(); ++row) {
        const Control& control = controls().at(row);
        QTest::addRow("%s.%s", control.page, control.name) << row;
    }
}

void PagesTest::controlsAreNamedAndCaptioned() {
    QFETCH(int, row);
    const Control& control = controls().at(row);
    const std::unique_ptr<QWidget> page = makePage(QString::fromLatin1(control.page));
    QVERIFY(page);
    QObject* member = control.member(page.get());
    QVERIFY2(member != nullptr, "member not created");
    const QString name = QString::fromLatin1(control.name);
    QCOMPARE(member->objectName(), name);
    QCOMPARE(page->findChildren<QObject*>(name).size(), 1);
    QCOMPARE(page->findChild<QObject*>(name), member);
    QCOMPARE(QString::fromLatin1(member->metaObject()->className()),
             QString::fromLatin1(control.className));
    if (control.text != nullptr) {
        QCOMPARE(shownText(member), QString::fromUtf8(control.text));
    }
    if (control.toolTip != nullptr) {
        QCOMPARE(qobject_cast<QWidget*>(member)->toolTip(), QString::fromUtf8(control.toolTip));
    }
    // Members of a control array also carry their index.
    static const QRegularExpression arrayName(QStringLiteral("^(cmdBrowse|picProgress|shpPercent|"
                                                             "lblPercent)_(\\d+)$"));
    if (const QRegularExpressionMatch match = arrayName.match(name); match.hasMatch()) {
        QCOMPARE(member->property("index").toInt(), match.captured(2).toInt());
    } else {
        QVERIFY(!member->property("index").isValid());
    }
}

void PagesTest::initialStates() {
    TasksPage tasks;
    QVERIFY(!tasks.cmdStartNow->isEnabled());
    QVERIFY(!tasks.cmdStart->isEnabled());
    QVERIFY(!tasks.cmdCreateNow->isEnabled());
    QVERIFY(tasks.fraTime->isHidden());
    QVERIFY(tasks.lblPercent_0->font().families().contains(QStringLiteral("Verdana")));

    CategoryEditorPage editor;
    QVERIFY(editor.cmdDelete->isHidden());
    QVERIFY(!editor.cmdDelete->isEnabled());
    QVERIFY(editor.txtId->isReadOnly());
    QVERIFY(!editor.picButtonCal->icon().isNull());
    QCOMPARE(editor.txtDescription->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    for (QComboBox* choiceOnly :
         {editor.cboParent, editor.cboMinAllocationPeriod, editor.cboMaxAllocationPeriod,
          editor.cboProductivity, editor.cboCategoryOwner}) {
        QVERIFY2(!choiceOnly->isEditable(), qPrintable(choiceOnly->objectName()));
    }

    SettingsPage settings;
    QVERIFY(settings.cboUser->isEditable());
    // A typed name is looked up, not added to the list of users.
    settings.cboUser->lineEdit()->setText(QStringLiteral("Nobody"));
    QTest::keyClick(settings.cboUser->lineEdit(), Qt::Key_Return);
    QCOMPARE(settings.cboUser->count(), 0);

    ReportsPage reports;
    QVERIFY(reports.cmdDeleteTime->isHidden());
    QVERIFY(reports.grid->model() == nullptr);
    QVERIFY(!reports.grid->horizontalHeader()->isHidden());
    QVERIFY(reports.grid->verticalHeader()->isHidden());

    ProductivityPage productivity;
    QVERIFY(productivity.minProdColourKey->autoFillBackground());
    QVERIFY(productivity.maxProdColourKey->autoFillBackground());
    QCOMPARE(productivity.prodScroll->orientation(), Qt::Horizontal);

    NotificationsPage notifications;
    QVERIFY(notifications.fraNotificationAttributes->isHidden());
    for (ClickableLabel* link :
         {notifications.lblNotificationCategory, notifications.lblFrom, notifications.lblTo}) {
        QVERIFY(link->font().underline());
        // The theme's own link colour, readable on light and dark themes alike.
        QCOMPARE(link->foregroundRole(), QPalette::Link);
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    }

    UsersPage users;
    QVERIFY(users.fraUserDetails->isHidden());
    QVERIFY(users.txtUserId->isReadOnly());
    QVERIFY(users.txtUserCreated->isReadOnly());
    QVERIFY(!users.txtUserName->isReadOnly());
}

void PagesTest::captionsFitAndControlsStayOnThePage_data() {
    QTest::addColumn<QString>("pageName");
    for (const QString& name : pageNames) {
        QTest::newRow(qPrintable(name)) << name;
    }
}

void PagesTest::captionsFitAndControlsStayOnThePage() {
    QFETCH(QString, pageName);
    const std::unique_ptr<QWidget> page = makePage(pageName);
    // Everything that can appear, as it looks once in use.
    for (const char* hidden :
         {"fraTime", "cmdDelete", "cmdDeleteTime", "fraNotificationAttributes", "fraUserDetails"}) {
        if (auto* widget = page->findChild<QWidget*>(QLatin1String(hidden))) {
            widget->show();
        }
    }
    QCoreApplication::processEvents();
    QVERIFY2(page->minimumSizeHint().width() <= 640 && page->minimumSizeHint().height() <= 460,
             "the page does not fit 640x460");
    // A page that scrolls holds its controls on what it scrolls, which must fit the page's width.
    QWidget* area = page.get();
    if (auto* scroll = page->findChild<QScrollArea*>(QStringLiteral("settingsScroll"))) {
        area = scroll->widget();
        QVERIFY2(area->minimumSizeHint().width() <= scroll->viewport()->width(),
                 "the page scrolls sideways");
    }
    const QRect pageRect = area->rect();
    for (QWidget* widget : area->findChildren<QWidget*>()) {
        const QString name = widget->objectName();
        if (!widget->isVisible() || name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
            name == QLatin1String("up") || name == QLatin1String("down")) {
            continue;
        }
        const QRect onPage(widget->mapTo(area, QPoint(0, 0)), widget->size());
        // picProd may be wider than its viewport: that is what the scroll bar is for.
        if (name != QLatin1String("picProd")) {
            QVERIFY2(pageRect.contains(onPage), qPrintable(name + QLatin1String(" off the page")));
        }
        QVERIFY2(!widget->size().isEmpty(), qPrintable(name + QLatin1String(" has no size")));
        // A push button may be narrower than the style's usual width ("..."), not than its text.
        auto* label = qobject_cast<QLabel*>(widget);
        int needed = 0;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            needed = button->fontMetrics().horizontalAdvance(withoutMnemonic(button->text())) + 12;
        } else if (qobject_cast<QAbstractButton*>(widget) != nullptr ||
                   (label != nullptr && !label->wordWrap())) {
            needed = widget->minimumSizeHint().width();
        }
        QVERIFY2(widget->width() >= needed,
                 qPrintable(QStringLiteral("%1 is cut short: %2 px of %3")
                                .arg(name)
                                .arg(widget->width())
                                .arg(needed)));
    }
}

void PagesTest::progressBarsFillFromTheLeftUnderTheirText() {
    TasksPage page;
    page.fraTime->show();
    page.resize(640, 460);
    page.show();
    QCoreApplication::processEvents();
    const QFrame* tracks[] = {page.picProgress_0, page.picProgress_1};
    QFrame* shapes[] = {page.shpPercent_0, page.shpPercent_1};
    const QLabel* texts[] = {page.lblPercent_0, page.lblPercent_1};
    const QColor fills[] = {QColor(128, 128, 255), QColor(255, 128, 128)};
    for (int index = 0; index < 2; ++index) {
        const QRect inside = tracks[index]->contentsRect();
        QVERIFY(inside.width() > 100);
        QCOMPARE(shapes[index]->parentWidget(), tracks[index]);
        QCOMPARE(shapes[index]->geometry(),
                 QRect(inside.left(), inside.top(), inside.width() / 2, inside.height()));
        QCOMPARE(shapes[index]->palette().color(QPalette::Window), fills[index]);
        QVERIFY(shapes[index]->autoFillBackground());
        QCOMPARE(texts[index]->parentWidget(), tracks[index]);
        // Later siblings are drawn over earlier ones.
        QVERIFY(tracks[index]->children().indexOf(texts[index]) >
                tracks[index]->children().indexOf(shapes[index]));
        const QPoint offCentre = texts[index]->geometry().center() - tracks[index]->rect().center();
        QVERIFY2(offCentre.manhattanLength() <= 2, "the percentage is not centred on its track");
    }

    // Once the timer has sized a shape, a wider window changes its height only.
    page.shpPercent_0->resize(37, page.shpPercent_0->height());
    page.resize(900, 520);
    QCoreApplication::processEvents();
    QCOMPARE(page.shpPercent_0->width(), 37);
    QCOMPARE(page.shpPercent_0->height(), page.picProgress_0->contentsRect().height());
    QCOMPARE(page.shpPercent_1->width(), page.picProgress_1->contentsRect().width() / 2);
}

void PagesTest::gridCoversItsNoDataLabel() {
    ReportsPage page;
    page.resize(640, 460);
    page.show();
    QCoreApplication::processEvents();
    QCOMPARE(page.Label18->geometry(), page.grid->geometry());
    QVERIFY(page.children().indexOf(page.grid) > page.children().indexOf(page.Label18));
    QVERIFY(page.grid->childAt(page.grid->rect().center()) != nullptr);
    QCOMPARE(page.Label18->alignment(), Qt::AlignCenter);
    // Showing the delete button does not squeeze the grid.
    const int gridHeight = page.grid->height();
    page.cmdDeleteTime->show();
    QCoreApplication::processEvents();
    QCOMPARE(page.grid->height(), gridHeight);
}

void PagesTest::chartDrawingFillsItsViewport() {
    ProductivityPage page;
    page.resize(640, 460);
    page.show();
    QCoreApplication::processEvents();
    QCOMPARE(page.picProd->parentWidget(), page.picProdFrame);
    QCOMPARE(page.picProd->geometry(), page.picProdFrame->rect());
    QVERIFY(page.picProd->autoFillBackground());
    QCOMPARE(page.picProd->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(page.prodScroll->geometry().top() >= page.picProdFrame->geometry().bottom());
    QCOMPARE(page.prodScroll->width(), page.picProdFrame->width());

    // A wide chart scrolled along keeps its width and place; its height follows the viewport.
    page.picProd->setGeometry(-120, 0, 2000, page.picProdFrame->height());
    page.resize(700, 560);
    QCoreApplication::processEvents();
    QCOMPARE(page.picProd->geometry(), QRect(-120, 0, 2000, page.picProdFrame->height()));
}

void PagesTest::treeFilledAtOnceKeepsOrderAndKeys() {
    KeyedTree tree;
    tree.addNode(nullptr, QStringLiteral("before"), QStringLiteral("Before"));
    QSignalSpy inserted(tree.model(), &QAbstractItemModel::rowsInserted);
    {
        const KeyedTree::Filling filling(tree, 4);
        TreeNode* a = tree.addNode(nullptr, QStringLiteral("a"), QStringLiteral("A"));
        tree.addNode(a, QStringLiteral("a1"), QStringLiteral("A1"));
        tree.addNode(nullptr, QStringLiteral("gone"), QStringLiteral("Gone"));
        tree.addNode(nullptr, QStringLiteral("b"), QStringLiteral("B"));
        // Found, owned and refused twice while still held back from the view.
        QVERIFY(tree.owns(tree.node(QStringLiteral("a1"))));
        QCOMPARE(tree.node(QStringLiteral("a1"))->parentNode(), a);
        QVERIFY_THROWS_EXCEPTION(CollectionError,
                                 tree.addNode(nullptr, QStringLiteral("a"), QStringLiteral("A")));
        tree.removeNode(QStringLiteral("gone"));
        QCOMPARE(tree.topLevelItemCount(), 1);
    }
    QCOMPARE(inserted.count(), 1); // the view took them in once
    QStringList shown;
    for (const TreeNode* node : tree.topLevelNodes()) {
        shown.append(node->text());
    }
    QCOMPARE(shown, (QStringList{"Before", "A", "B"}));
    QCOMPARE(tree.node(QStringLiteral("a1"))->parentNode()->text(), QStringLiteral("A"));
    QCOMPARE(tree.nodeCount(), 4);
    QVERIFY(tree.node(QStringLiteral("gone")) == nullptr);
}

void PagesTest::managerListKeepsAlphabeticalOrder() {
    CategoryEditorPage page;
    QComboBox* owners = page.cboCategoryOwner;
    owners->addItem(QStringLiteral("zed"));
    owners->addItems({QStringLiteral("Adam"), QStringLiteral("bob")});
    owners->insertItem(0, QStringLiteral("Carl"));
    QStringList order;
    for (int i = 0; i < owners->count(); ++i) {
        order.append(owners->itemText(i));
    }
    QCOMPARE(order, (QStringList{QStringLiteral("Adam"), QStringLiteral("bob"),
                                 QStringLiteral("Carl"), QStringLiteral("zed")}));
    // The entry chosen first stays chosen as others arrive.
    QCOMPARE(owners->currentText(), QStringLiteral("zed"));
    owners->clear();
    owners->addItem(QStringLiteral("Dora"));
    QCOMPARE(owners->count(), 1);
    QCOMPARE(owners->currentText(), QStringLiteral("Dora"));
    // The other lists keep the order they are filled in.
    page.cboProductivity->addItems({QStringLiteral("Unproductive"), QStringLiteral("Normal")});
    QCOMPARE(page.cboProductivity->itemText(0), QStringLiteral("Unproductive"));
}

void PagesTest::upDownStepsWithinItsRange() {
    UpDown spinner;
    QSignalSpy changes(&spinner, &UpDown::Change);
    spinner.setRange(0, 5);
    spinner.setIncrement(2);
    QTest::mouseClick(spinner.upButton(), Qt::LeftButton);
    QTest::mouseClick(spinner.upButton(), Qt::LeftButton);
    QCOMPARE(spinner.value(), 4);
    QTest::mouseClick(spinner.upButton(), Qt::LeftButton);
    QCOMPARE(spinner.value(), 5);
    QCOMPARE(changes.count(), 3);
    QTest::mouseClick(spinner.upButton(), Qt::LeftButton); // already at the top: no change
    QCOMPARE(changes.count(), 3);
    QTest::mouseClick(spinner.downButton(), Qt::LeftButton);
    QCOMPARE(spinner.value(), 3);
    spinner.setValue(3);
    QCOMPARE(changes.count(), 4);
    spinner.setValue(-8);
    QCOMPARE(spinner.value(), 0);
    spinner.setRange(9, 3); // reversed: put in order, the value pulled in
    QCOMPARE(spinner.minimum(), 3);
    QCOMPARE(spinner.maximum(), 9);
    QCOMPARE(spinner.value(), 3);
    QCOMPARE(changes.count(), 6);
    spinner.setIncrement(0);
    QCOMPARE(spinner.increment(), 1);
}

void PagesTest::linkLabelClicksOnLeftButtonOnly() {
    ClickableLabel link(QStringLiteral("From: Anna"));
    link.resize(120, 20);
    link.show();
    QSignalSpy clicks(&link, &ClickableLabel::clicked);
    QTest::mouseClick(&link, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QTest::mouseClick(&link, Qt::RightButton);
    QCOMPARE(clicks.count(), 1);
    // Pressed on the link, let go elsewhere: not a click.
    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(300, 5));
    QCOMPARE(clicks.count(), 1);
}

void PagesTest::everyImageLoads() {
    QStringList files;
    for (const QString& name : quillhourIconNames()) {
        const QString path = quillhourIconPath(name);
        QVERIFY2(QSvgRenderer(path).isValid(), qPrintable(path));
        QVERIFY2(!quillhourIcon(name).pixmap(20, 20).isNull(), qPrintable(path));
        files.append(name + QLatin1String(".svg"));
    }
    QCOMPARE(files.size(), 8);
    // Nothing in the resource file that the program cannot name, nor the other way round.
    QStringList stored = QDir(QStringLiteral(":/icons")).entryList(QDir::Files);
    stored.sort();
    files.sort();
    QCOMPARE(stored, files);
}

QTEST_MAIN(PagesTest)
#include "tst_pages.moc"
