#include "MainWindowFixture.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryTree.h"
#include "reports/TimeReport.h"
#include "tracking/TasksPage.h"
#include "widgets/KeyedTree.h"
#include "widgets/PictureButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

namespace {

QStringList entries(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts.append(list->itemText(i));
    }
    return texts;
}

void choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    list->setCurrentIndex(index);
}

// The editor's controls of one window, found by name.
struct Editor {
    explicit Editor(MainWindowFixture& f)
        : f(f)
        , page(*f.window().categoryPage)
        , txtId(f.control<QLineEdit>("txtId"))
        , txtCategory(f.control<QLineEdit>("txtCategory"))
        , cboParent(f.control<QComboBox>("cboParent"))
        , txtDescription(f.control<QPlainTextEdit>("txtDescription"))
        , txtMinAllocated(f.control<QLineEdit>("txtMinAllocated"))
        , cboMinAllocationPeriod(f.control<QComboBox>("cboMinAllocationPeriod"))
        , txtMaxAllocated(f.control<QLineEdit>("txtMaxAllocated"))
        , cboMaxAllocationPeriod(f.control<QComboBox>("cboMaxAllocationPeriod"))
        , txtCharge(f.control<QLineEdit>("txtCharge"))
        , cboProductivity(f.control<QComboBox>("cboProductivity"))
        , txtFolder(f.control<QLineEdit>("txtFolder"))
        , cboCategoryOwner(f.control<QComboBox>("cboCategoryOwner"))
        , txtStartDate(f.control<QLineEdit>("txtStartDate"))
        , cmdSave(f.control<QPushButton>("cmdSave"))
        , cmdDelete(f.control<QPushButton>("cmdDelete")) {}

    // Picture button 1, "Create a new category".
    void startNew() { QTest::mouseClick(f.window().picButton[1], Qt::LeftButton); }
    // Page 1 chosen by the user: the current category is shown.
    void openPage() {
        f.window().tabs->setCurrentIndex(frmMain::TasksTab);
        f.window().tabs->setCurrentIndex(frmMain::CategoryTab);
    }
    void save() { cmdSave->click(); }

    MainWindowFixture& f;
    CategoryEditorPage& page;
    QLineEdit* txtId;
    QLineEdit* txtCategory;
    QComboBox* cboParent;
    QPlainTextEdit* txtDescription;
    QLineEdit* txtMinAllocated;
    QComboBox* cboMinAllocationPeriod;
    QLineEdit* txtMaxAllocated;
    QComboBox* cboMaxAllocationPeriod;
    QLineEdit* txtCharge;
    QComboBox* cboProductivity;
    QLineEdit* txtFolder;
    QComboBox* cboCategoryOwner;
    QLineEdit* txtStartDate;
    QPushButton* cmdSave;
    QPushButton* cmdDelete;
};

// One row of the category table, by name.
Row storedRow(MainWindowFixture& f, int categoryId) {
    const ResultSet rows = f.database().query(
        QStringLiteral("select * from category where categoryId = ?"), {categoryId});
    if (rows.isEmpty()) {
        qFatal("No category %d", categoryId);
    }
    return rows.first();
}

// Loads the window with Ann as the current user: until someone is, only the Settings page opens.
int loadAsAnn(MainWindowFixture& f) {
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    return f.load() ? ann : 0;
}

bool usersLoaded(MainWindowFixture& f) {
    return f.state().allUsers && f.state().allUsers->Count() > 0;
}

} // namespace

// The category editor: the look-up lists, showing and clearing, the checks before a save,
// saving new and existing categories, deleting, and the folder and date pickers.
class CategoryEditorTest : public QObject {
    Q_OBJECT

private slots:
    void lookupListsAreLoaded();
    void showingACategoryFillsEveryControl();
    void unknownPeriodAndRatingShowSensibly();
    void newCategoryClearsTheEditor();
    void firstCategoryFromTheTabWithEnter();

    void allocationChecks_data();
    void allocationChecks();
    void periodWithoutDaysIsRefused();

    void saveNewCategoryStoresEveryField();
    void saveExistingCategoryInPlace();
    void emptyNameAndEmptyNumbers();
    void existingNameQuestion();
    void parentIsTheChosenEntry();
    void parentInsideItselfIsRefused();
    void startDateFromTheEditor();

    void managerSavedAndShown();
    void managerNotInTheListIsRefused();

    void deleteWithTimeAndSubCategories();
    void deleteWithNothingShownDoesNothing();
    void deleteRefusedWhileTasksRun();

    void browseAndDatePicker();
    void ratesOverTimeAndBillable();
};

void CategoryEditorTest::lookupListsAreLoaded() {
    MainWindowFixture f;
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    const QStringList periods = {"Day", "Week", "Fortnight", "Month", "Quarter", "Year"};
    QCOMPARE(entries(e.cboMinAllocationPeriod), periods);
    QCOMPARE(entries(e.cboMaxAllocationPeriod), periods);
    QCOMPARE(entries(e.cboProductivity),
             (QStringList{"Unproductive", "Normal", "Productive", "Highly productive"}));
}

void CategoryEditorTest::showingACategoryFillsEveryControl() {
    MainWindowFixture f;
    const int parent = f.addCategory(QStringLiteral("Clients"));
    const int id = f.addCategory(QStringLiteral("Acme"), parent, 0, 10, 2, 2, 1,
                                 QDateTime(QDate(2026, 3, 5), QTime(9, 15)));
    f.database().execute(QStringLiteral("update category set description = ?, chargingRate = ?, "
                                        "folder = ?, productivityId = ? where categoryId = ?"),
                         {QStringLiteral("Web site"), 45, QStringLiteral("/srv/acme"), 3, id});
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    frmMain& w = f.window();
    QCOMPARE(w.tabs->tabText(frmMain::CategoryTab), QStringLiteral("Properties"));

    w.categories().selectCategoryByNode(w.categoryTree->node(QStringLiteral("id_%1").arg(id)));
    e.openPage();
    QCOMPARE(e.txtId->text(), QString::number(id));
    QCOMPARE(e.txtCategory->text(), QStringLiteral("Acme"));
    QCOMPARE(e.cboParent->currentText(), QStringLiteral("Clients"));
    QCOMPARE(e.txtDescription->toPlainText(), QStringLiteral("Web site"));
    QCOMPARE(e.txtMinAllocated->text(), QStringLiteral("10"));
    QCOMPARE(e.cboMinAllocationPeriod->currentText(), QStringLiteral("Week"));
    QCOMPARE(e.txtMaxAllocated->text(), QStringLiteral("2"));
    QCOMPARE(e.cboMaxAllocationPeriod->currentText(), QStringLiteral("Day"));
    QCOMPARE(e.txtCharge->text(), QStringLiteral("45"));
    QCOMPARE(e.cboProductivity->currentText(), QStringLiteral("Productive"));
    QCOMPARE(e.txtFolder->text(), QStringLiteral("/srv/acme"));
    QCOMPARE(e.txtStartDate->text(), QStringLiteral("05/03/2026"));
    QCOMPARE(e.cboCategoryOwner->currentIndex(), -1);
    QCOMPARE(w.lblTitle->text(), QStringLiteral("Properties for Acme"));
    QCOMPARE(w.lblDetails->text(),
             QStringLiteral("Change category setting below and click save to update"));
    QVERIFY(e.cmdDelete->isVisible());
    QVERIFY(e.cmdDelete->isEnabled());
    QVERIFY(e.cmdSave->isEnabled());
    // The heading follows the page turned to.
    w.tabs->setCurrentIndex(frmMain::UsersTab);
    QVERIFY(w.lblTitle->text().startsWith(QStringLiteral("Quillhour ")));
    w.tabs->setCurrentIndex(frmMain::TasksTab);
    QCOMPARE(w.lblTitle->text(), QStringLiteral("Acme"));

    // Shown from another page, the title is the name and the details the description.
    w.selectTab(frmMain::TasksTab);
    w.categories().selectCategoryByNode(w.categoryTree->node(QStringLiteral("id_%1").arg(parent)));
    QCOMPARE(w.lblTitle->text(), QStringLiteral("Clients"));
    QCOMPARE(w.lblDetails->text(), QString());
    QCOMPARE(e.cboParent->currentText(), QStringLiteral("- none -"));
}

void CategoryEditorTest::unknownPeriodAndRatingShowSensibly() {
    MainWindowFixture f;
    const int known = f.addCategory(QStringLiteral("Known"), 0, 0, 1, 4, 2, 5);
    const int odd = f.addCategory(QStringLiteral("Odd"), 0, 0, 1, 77, 2, 78);
    f.database().execute(
        QStringLiteral("update category set productivityId = 9 where categoryId = ?"), {odd});
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    CategoryEditor& editor = f.window().categoryEditor();
    CategoryTree& tree = f.window().categories();
    category* knownRecord = tree.getCategoryById(*f.state().allCategories, known);
    category* oddRecord = tree.getCategoryById(*f.state().allCategories, odd);
    editor.showCategoryProperties(knownRecord);
    e.cboProductivity->setCurrentIndex(3);
    editor.showCategoryProperties(oddRecord);
    // Periods that match no length leave the lists as they were.
    QCOMPARE(e.cboMinAllocationPeriod->currentText(), QStringLiteral("Month"));
    QCOMPARE(e.cboMaxAllocationPeriod->currentText(), QStringLiteral("Quarter"));
    QCOMPARE(e.cboProductivity->currentText(), QStringLiteral("Normal"));

    // The placeholder leaves the editor alone.
    editor.showCategoryProperties(&f.state().allCategories->Item(1));
    QCOMPARE(e.txtCategory->text(), QStringLiteral("Odd"));
}

void CategoryEditorTest::newCategoryClearsTheEditor() {
    MainWindowFixture f;
    const int a = f.addCategory(QStringLiteral("A"), 0, 0, 3, 2, 5, 2);
    f.database().execute(QStringLiteral("update category set folder = 'x', chargingRate = 9, "
                                        "description = 'd' where categoryId = ?"),
                         {a});
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.openPage();
    QCOMPARE(e.txtCategory->text(), QStringLiteral("A"));
    e.startNew();
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::CategoryTab));
    QCOMPARE(e.txtId->text(), QString());
    QCOMPARE(e.txtCategory->text(), QString());
    QCOMPARE(e.txtDescription->toPlainText(), QString());
    QCOMPARE(e.txtMinAllocated->text(), QStringLiteral("0"));
    QCOMPARE(e.txtMaxAllocated->text(), QStringLiteral("0"));
    QCOMPARE(e.cboMinAllocationPeriod->currentIndex(), 0);
    QCOMPARE(e.cboMaxAllocationPeriod->currentIndex(), 0);
    QCOMPARE(e.txtFolder->text(), QString());
    QCOMPARE(e.txtCharge->text(), QStringLiteral("0"));
    QCOMPARE(e.cboProductivity->currentText(), QStringLiteral("Normal"));
    QCOMPARE(e.cboParent->currentText(), QStringLiteral("- none -"));
    QCOMPARE(e.txtStartDate->text(), QStringLiteral("07/12/2026"));
    QVERIFY(f.window().lblTitle->text().startsWith(QStringLiteral("Quillhour ")));
    // Delete stays where it was; the caption too.
    QVERIFY(e.cmdDelete->isVisible());
    QCOMPARE(f.window().tabs->tabText(frmMain::CategoryTab), QStringLiteral("Properties"));
}

void CategoryEditorTest::firstCategoryFromTheTabWithEnter() {
    MainWindowFixture f;
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    // Nothing chosen yet: the tab offers a new category as "Create a new category" does.
    e.openPage();
    QCOMPARE(e.txtStartDate->text(), QStringLiteral("07/12/2026"));
    QCOMPARE(e.cboProductivity->currentText(), QStringLiteral("Normal"));
    e.txtCategory->setText(QStringLiteral("Garden"));
    QTest::keyClick(e.txtCategory, Qt::Key_Return);
    QCOMPARE(f.count(QStringLiteral("category"), QStringLiteral("category = ?"),
                     {QStringLiteral("Garden")}),
             1);
    // The next one is typed at once.
    e.startNew();
    QCOMPARE(f.window().focusWidget(), e.txtCategory);
}

void CategoryEditorTest::allocationChecks_data() {
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("minPeriod");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<QString>("maxPeriod");
    QTest::addColumn<QString>("charge");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("valid"); // what the allocation check alone answers

    const auto add = [](const char* name, const QStringList& boxes, const QStringList& messages,
                        bool saved, bool valid) {
        QTest::newRow(name) << boxes[0] << boxes[1] << boxes[2] << boxes[3] << boxes[4] << messages
                            << saved << valid;
    };
    const QString exceeds = QStringLiteral("The minimum time allocated to this category exceedes "
                                           "the maximum time allocated. Please fix and try again");
    const QString minTooLong =
        QStringLiteral("The minimum time period is invalid there are not 30 hours in a Day");
    add("10 a week, 1 a day", {"10", "Week", "1", "Day", "0"}, {}, true, true);
    add("8 a day, 20 a week", {"8", "Day", "20", "Week", "0"}, {exceeds}, false, false);
    // More hours than the period has is pointed out; the rates still decide.
    add("30 in a day", {"30", "Day", "210", "Week", "0"},
        {minTooLong, "The maximum time period is invalid there are not 210 hours in a Week"}, true,
        true);
    add("30 in a day, refused", {"30", "Day", "25", "Day", "0"},
        {minTooLong, "The maximum time period is invalid there are not 25 hours in a Day", exceeds},
        false, false);
    add("minimum not a number", {"ten", "Day", "1", "Day", "0"},
        {"Minimum Time must be a whole number from 0 to 32767."}, false, false);
    add("maximum below 0", {"0", "Day", "-1", "Day", "0"},
        {"Maximum Time must be a whole number from 0 to 32767."}, false, false);
    add("maximum too large", {"0", "Day", "32768", "Day", "0"},
        {"Maximum Time must be a whole number from 0 to 32767."}, false, false);
    add("rate not a number", {"0", "Day", "0", "Day", "12x"},
        {"Hourly Rate must be a whole number from 0 to 32767."}, false, true);
    add("rate too large", {"0", "Day", "0", "Day", "40000"},
        {"Hourly Rate must be a whole number from 0 to 32767."}, false, true);
    // Money is not rounded: "85.50" is not 86.
    add("rate with a fraction", {"0", "Day", "0", "Day", "85.50"},
        {"Hourly Rate must be a whole number from 0 to 32767."}, false, true);
    add("rate with a fraction of nothing", {"0", "Day", "0", "Day", "85.00"}, {}, true, true);
    add("largest numbers", {"0", "Day", "32767", "Year", "32767"},
        {"The maximum time period is invalid there are not 32767 hours in a Year"}, true, true);
}

void CategoryEditorTest::allocationChecks() {
    QFETCH(QString, minimum);
    QFETCH(QString, minPeriod);
    QFETCH(QString, maximum);
    QFETCH(QString, maxPeriod);
    QFETCH(QString, charge);
    QFETCH(QStringList, messages);
    QFETCH(bool, saved);
    QFETCH(bool, valid);

    MainWindowFixture f;
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.startNew();
    e.txtCategory->setText(QStringLiteral("Checked"));
    e.txtMinAllocated->setText(minimum);
    choose(e.cboMinAllocationPeriod, minPeriod);
    e.txtMaxAllocated->setText(maximum);
    choose(e.cboMaxAllocationPeriod, maxPeriod);
    e.txtCharge->setText(charge);
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), messages);
    for (const auto& shown : f.messages.shown()) {
        const bool informs = shown.text.contains(QStringLiteral("time period is invalid"));
        QCOMPARE(shown.icon, informs ? Messages::Icon::None : Messages::Icon::Critical);
        QCOMPARE(shown.title, QString());
    }
    QCOMPARE(f.count(QStringLiteral("category")), saved ? 1 : 0);
    QCOMPARE(e.txtId->text().isEmpty(), !saved);
    if (saved) {
        const Row row = storedRow(f, e.txtId->text().toInt());
        QCOMPARE(row.integer(QStringLiteral("minAllocation")), minimum.toInt());
        QCOMPARE(row.integer(QStringLiteral("maxAllocation")), maximum.toInt());
        QCOMPARE(row.integer(QStringLiteral("chargingRate")), int(charge.toDouble()));
    }

    // The check on its own gives the same answer.
    e.startNew();
    e.txtMinAllocated->setText(minimum);
    choose(e.cboMinAllocationPeriod, minPeriod);
    e.txtMaxAllocated->setText(maximum);
    choose(e.cboMaxAllocationPeriod, maxPeriod);
    QCOMPARE(f.window().categoryEditor().validateCategoryTimeAllocation(), valid);
}

void CategoryEditorTest::periodWithoutDaysIsRefused() {
    MainWindowFixture f;
    f.database().execute(QStringLiteral("insert into allocationPeriod (allocationPeriodId, days, "
                                        "allocationPeriod) values (7, 0, 'Never')"));
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.startNew();
    choose(e.cboMaxAllocationPeriod, QStringLiteral("Never"));
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList{"Choose a period for Maximum Time."});
    QCOMPARE(f.count(QStringLiteral("category")), 0);

    // No period at all.
    choose(e.cboMaxAllocationPeriod, QStringLiteral("Day"));
    e.cboMinAllocationPeriod->setCurrentIndex(-1);
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList{"Choose a period for Minimum Time."});
    QCOMPARE(f.count(QStringLiteral("category")), 0);
}

void CategoryEditorTest::saveNewCategoryStoresEveryField() {
    MainWindowFixture f;
    const int parent = f.addCategory(QStringLiteral("Clients"));
    const int ann = loadAsAnn(f);
    QVERIFY(ann > 0);
    Editor e(f);
    e.startNew();
    e.txtCategory->setText(QStringLiteral("O'Neil \"Web\" shop"));
    choose(e.cboParent, QStringLiteral("Clients"));
    e.txtDescription->setPlainText(QStringLiteral("Line one\nLine two"));
    e.txtMinAllocated->setText(QStringLiteral("10"));
    choose(e.cboMinAllocationPeriod, QStringLiteral("Week"));
    e.txtMaxAllocated->setText(QStringLiteral("60"));
    choose(e.cboMaxAllocationPeriod, QStringLiteral("Month"));
    e.txtCharge->setText(QStringLiteral("45"));
    choose(e.cboProductivity, QStringLiteral("Highly productive"));
    e.txtFolder->setText(QStringLiteral("/srv/shop"));
    e.txtStartDate->setText(QStringLiteral("1/3/2026"));
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList());

    QCOMPARE(f.count(QStringLiteral("category")), 2);
    const int id = f.database()
                       .scalar(QStringLiteral("select categoryId from category where category = ?"),
                               {QStringLiteral("O'Neil \"Web\" shop")})
                       .toInt();
    const Row row = storedRow(f, id);
    QCOMPARE(row.integer(QStringLiteral("parentId")), parent);
    QCOMPARE(row.text(QStringLiteral("description")), QStringLiteral("Line one\nLine two"));
    QCOMPARE(row.integer(QStringLiteral("minAllocation")), 10);
    QCOMPARE(row.integer(QStringLiteral("minAllocationPeriodId")), 2);
    QCOMPARE(row.integer(QStringLiteral("maxAllocation")), 60);
    QCOMPARE(row.integer(QStringLiteral("maxAllocationPeriodId")), 4);
    QCOMPARE(row.integer(QStringLiteral("chargingRate")), 45);
    QCOMPARE(row.text(QStringLiteral("folder")), QStringLiteral("/srv/shop"));
    // A new category's manager is the current user unless another is chosen.
    QCOMPARE(row.integer(QStringLiteral("ownerUserId")), ann);
    QCOMPARE(row.integer(QStringLiteral("productivityId")), 4);
    QCOMPARE(row.dateTime(QStringLiteral("startDate")), QDateTime(QDate(2026, 3, 1), QTime(0, 0)));

    // The new category is current, in the tree under its parent and in both lists.
    ProgramState& state = f.state();
    QCOMPARE(state.selectedCategory->categoryId, id);
    QCOMPARE(state.selectedCategory->minAllocationPeriod, 7);
    QCOMPARE(state.selectedCategory->maxAllocationPeriod, 30);
    QCOMPARE(state.selectedCategory->productivity, 3);
    TreeNode* node = f.window().categoryTree->node(QStringLiteral("id_%1").arg(id));
    QVERIFY(node != nullptr);
    QCOMPARE(node->parentNode()->key(), QStringLiteral("id_%1").arg(parent));
    QCOMPARE(f.window().categoryTree->selectedNode(), node);
    QVERIFY(entries(e.cboParent).contains(QStringLiteral("    O'Neil \"Web\" shop")));
    QVERIFY(entries(f.control<QComboBox>("cboCategoryProductivity"))
                .contains(QStringLiteral("    O'Neil \"Web\" shop")));
    QCOMPARE(e.txtId->text(), QString::number(id));
    QCOMPARE(f.control<QGroupBox>("fraNewTask")->title(),
             QStringLiteral("Start working on O'Neil \"Web\" shop"));
    QCOMPARE(f.window().lblTitle->text(), QStringLiteral("Properties for O'Neil \"Web\" shop"));
}

void CategoryEditorTest::saveExistingCategoryInPlace() {
    MainWindowFixture f;
    const QDateTime started(QDate(2026, 2, 10), QTime(8, 45, 30));
    const int other = f.addCategory(QStringLiteral("Other"));
    const int id = f.addCategory(QStringLiteral("Before"), 0, 0, 1, 1, 2, 1, started);
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    CategoryTree& tree = f.window().categories();
    category* record = tree.getCategoryById(*f.state().allCategories, id);
    tree.selectCategoryByNode(record->categoryTreeNode);
    e.openPage();
    QCOMPARE(e.txtStartDate->text(), QStringLiteral("10/02/2026"));

    e.txtCategory->setText(QStringLiteral("After"));
    choose(e.cboParent, QStringLiteral("Other"));
    e.txtDescription->setPlainText(QStringLiteral("changed"));
    e.txtMinAllocated->setText(QStringLiteral("3"));
    choose(e.cboMinAllocationPeriod, QStringLiteral("Fortnight"));
    e.txtMaxAllocated->setText(QStringLiteral("100"));
    choose(e.cboMaxAllocationPeriod, QStringLiteral("Quarter"));
    e.txtCharge->setText(QStringLiteral("12"));
    choose(e.cboProductivity, QStringLiteral("Unproductive"));
    e.txtFolder->setText(QStringLiteral("/tmp/after"));
    f.messages.clear();
    const int before = f.state().allCategories->Count();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList());

    const Row row = storedRow(f, id);
    QCOMPARE(row.text(QStringLiteral("category")), QStringLiteral("After"));
    QCOMPARE(row.integer(QStringLiteral("parentId")), other);
    QCOMPARE(row.text(QStringLiteral("description")), QStringLiteral("changed"));
    QCOMPARE(row.integer(QStringLiteral("minAllocation")), 3);
    QCOMPARE(row.integer(QStringLiteral("minAllocationPeriodId")), 3);
    QCOMPARE(row.integer(QStringLiteral("maxAllocation")), 100);
    QCOMPARE(row.integer(QStringLiteral("maxAllocationPeriodId")), 5);
    QCOMPARE(row.integer(QStringLiteral("chargingRate")), 12);
    QCOMPARE(row.integer(QStringLiteral("productivityId")), 1);
    QCOMPARE(row.text(QStringLiteral("folder")), QStringLiteral("/tmp/after"));
    // The start date was left as shown: the stored moment stays, time of day included.
    QCOMPARE(row.dateTime(QStringLiteral("startDate")), started);
    QCOMPARE(f.count(QStringLiteral("category")), 2);

    // The same record, changed in place; the tree and lists wait for the next rebuild.
    QCOMPARE(tree.getCategoryById(*f.state().allCategories, id), record);
    QCOMPARE(f.state().allCategories->Count(), before);
    QCOMPARE(record->categoryName, QStringLiteral("After"));
    QCOMPARE(record->minAllocationPeriod, 14);
    QCOMPARE(record->maxAllocationPeriod, 91);
    QCOMPARE(record->productivity, 0);
    QCOMPARE(record->categoryTreeNode->text(), QStringLiteral("Before"));
    QCOMPARE(f.window().lblTitle->text(), QStringLiteral("Properties for After"));

    // A changed start date is stored as that day's start.
    e.txtStartDate->setText(QStringLiteral("11/02/2026"));
    e.save();
    QCOMPARE(storedRow(f, id).dateTime(QStringLiteral("startDate")),
             QDateTime(QDate(2026, 2, 11), QTime(0, 0)));
    QCOMPARE(record->startDate, QDateTime(QDate(2026, 2, 11), QTime(0, 0)));
}

void CategoryEditorTest::emptyNameAndEmptyNumbers() {
    MainWindowFixture f;
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.startNew();
    e.txtMinAllocated->clear();
    e.txtMaxAllocated->setText(QStringLiteral("  "));
    e.txtCharge->clear();
    e.save();
    QCOMPARE(e.txtCategory->text(), QStringLiteral("NEW CATEGORY"));
    QCOMPARE(e.txtMinAllocated->text(), QStringLiteral("0"));
    QCOMPARE(e.txtMaxAllocated->text(), QStringLiteral("0"));
    QCOMPARE(e.txtCharge->text(), QStringLiteral("0"));
    QCOMPARE(f.count(QStringLiteral("category"),
                     QStringLiteral("category = 'NEW CATEGORY' and minAllocation = 0 and "
                                    "maxAllocation = 0 and chargingRate = 0")),
             1);
    // A new category made today keeps the moment it was made.
    QCOMPARE(storedRow(f, e.txtId->text().toInt()).dateTime(QStringLiteral("startDate")),
             f.clock.now());
}

void CategoryEditorTest::existingNameQuestion() {
    MainWindowFixture f;
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    const QString question = QStringLiteral(
        "A category called Design already exists. Do you want to create this category anyway");

    e.startNew();
    e.txtCategory->setText(QStringLiteral("Design"));
    f.messages.clear();
    f.messages.answerNo();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList{question});
    QCOMPARE(f.messages.last().title, QStringLiteral("Existing Category"));
    QCOMPARE(f.messages.last().icon, Messages::Icon::Question);
    QCOMPARE(f.messages.last().buttons, Messages::Buttons::YesNo);
    QCOMPARE(f.count(QStringLiteral("category")), 1);
    QCOMPARE(e.txtId->text(), QString());

    f.messages.answerYes();
    e.save();
    QCOMPARE(f.count(QStringLiteral("category"), QStringLiteral("category = 'Design'")), 2);
    QCOMPARE(f.window().categoryTree->nodeCount(), 2);

    // Saving an existing category asks nothing.
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList());
    QCOMPARE(f.messages.unexpected(), 0);
}

void CategoryEditorTest::parentIsTheChosenEntry() {
    MainWindowFixture f;
    const int first = f.addCategory(QStringLiteral("Twin"));
    const int second = f.addCategory(QStringLiteral("Twin"));
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.startNew();
    e.txtCategory->setText(QStringLiteral("Child"));
    QCOMPARE(entries(e.cboParent), (QStringList{"- none -", "Twin", "Twin"}));
    e.cboParent->setCurrentIndex(2);
    e.save();
    const int child = e.txtId->text().toInt();
    QCOMPARE(storedRow(f, child).integer(QStringLiteral("parentId")), second);
    QCOMPARE(f.window().categoryTree->node(QStringLiteral("id_%1").arg(child))->parentNode()->key(),
             QStringLiteral("id_%1").arg(second));
    // Shown again, the parent list points at that one, not at its namesake.
    QCOMPARE(e.cboParent->currentIndex(), 2);
    Q_UNUSED(first);
}

void CategoryEditorTest::parentInsideItselfIsRefused() {
    MainWindowFixture f;
    const int a = f.addCategory(QStringLiteral("A"));
    const int b = f.addCategory(QStringLiteral("B"), a);
    f.addCategory(QStringLiteral("C"), b);
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    const QString refusal = QStringLiteral("A category cannot be placed under itself or one of "
                                           "its own sub-categories. Please choose another parent.");
    CategoryTree& tree = f.window().categories();
    tree.selectCategoryByNode(f.window().categoryTree->node(QStringLiteral("id_%1").arg(a)));
    for (const QString& parent : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}) {
        choose(e.cboParent, QStringLiteral("    ").repeated(parent.at(0).unicode() - 'A') + parent);
        e.txtDescription->setPlainText(QStringLiteral("should not be stored"));
        f.messages.clear();
        e.save();
        QCOMPARE(f.messages.texts(), QStringList{refusal});
        QCOMPARE(f.messages.last().icon, Messages::Icon::Critical);
        QCOMPARE(storedRow(f, a).integer(QStringLiteral("parentId")), 0);
        QCOMPARE(storedRow(f, a).text(QStringLiteral("description")), QString());
    }
    QCOMPARE(tree.getCategoryById(*f.state().allCategories, a)->parentId, 0);
    tree.loadCategoryList();
    QCOMPARE(f.window().categoryTree->nodeCount(), 3);
}

void CategoryEditorTest::startDateFromTheEditor() {
    MainWindowFixture f;
    const int id = f.addCategory(QStringLiteral("A"));
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.openPage();
    e.txtStartDate->setText(QStringLiteral("31/02/2026"));
    e.txtDescription->setPlainText(QStringLiteral("not stored"));
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList{"Start Date must be a date, such as 7/12/2026."});
    QCOMPARE(storedRow(f, id).text(QStringLiteral("description")), QString());
    QCOMPARE(storedRow(f, id).dateTime(QStringLiteral("startDate")), f.clock.now());
}

void CategoryEditorTest::managerSavedAndShown() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int gone = f.addUser(QStringLiteral("Gone"));
    const int managed = f.addCategory(QStringLiteral("Managed"), 0, ann);
    const int orphaned = f.addCategory(QStringLiteral("Orphaned"), 0, gone);
    f.database().execute(QStringLiteral("delete from \"user\" where userId = ?"), {gone});
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    if (!usersLoaded(f)) {
        QSKIP("needs the user list");
    }
    Editor e(f);
    frmMain& w = f.window();
    CategoryTree& tree = w.categories();
    tree.selectCategoryByNode(w.categoryTree->node(QStringLiteral("id_%1").arg(managed)));
    QCOMPARE(e.cboCategoryOwner->currentText(), QStringLiteral("Ann"));
    QVERIFY(!w.picButton[3]->isHidden());

    choose(e.cboCategoryOwner, QStringLiteral("Bob"));
    e.save();
    QCOMPARE(storedRow(f, managed).integer(QStringLiteral("ownerUserId")), bob);
    QCOMPARE(e.cboCategoryOwner->currentText(), QStringLiteral("Bob"));

    // A manager who is no longer a user shows as none; saving then stores no manager.
    tree.selectCategoryByNode(w.categoryTree->node(QStringLiteral("id_%1").arg(orphaned)));
    QCOMPARE(e.cboCategoryOwner->currentIndex(), -1);
    QCOMPARE(e.cboCategoryOwner->currentText(), QString());
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList());
    QCOMPARE(storedRow(f, orphaned).integer(QStringLiteral("ownerUserId")), 0);
    QVERIFY(w.picButton[3]->isHidden());

    // A new category starts with the current user as its manager.
    e.startNew();
    QCOMPARE(e.cboCategoryOwner->currentText(), QStringLiteral("Ann"));
    e.txtCategory->setText(QStringLiteral("Mine"));
    e.save();
    QCOMPARE(storedRow(f, e.txtId->text().toInt()).integer(QStringLiteral("ownerUserId")), ann);
    // Nothing locked the window on the way.
    QVERIFY(w.tabs->isTabEnabled(frmMain::TasksTab));
}

void CategoryEditorTest::managerNotInTheListIsRefused() {
    MainWindowFixture f;
    const int id = f.addCategory(QStringLiteral("A"));
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.openPage();
    // A name that is in the list but belongs to no loaded user (removed meanwhile).
    e.cboCategoryOwner->addItem(QStringLiteral("Nobody Known"));
    choose(e.cboCategoryOwner, QStringLiteral("Nobody Known"));
    e.txtDescription->setPlainText(QStringLiteral("not stored"));
    f.messages.clear();
    e.save();
    QCOMPARE(f.messages.texts(), QStringList{"Choose a manager from the list."});
    QCOMPARE(storedRow(f, id).text(QStringLiteral("description")), QString());
    // The window was not locked by a failed look-up.
    QVERIFY(f.window().tabs->isTabEnabled(frmMain::TasksTab));
}

void CategoryEditorTest::deleteWithTimeAndSubCategories() {
    MainWindowFixture f;
    const int user = f.addUser(QStringLiteral("Ann"));
    const int a = f.addCategory(QStringLiteral("A"));
    const int b = f.addCategory(QStringLiteral("B"), a);
    const int c = f.addCategory(QStringLiteral("C"), b);
    const int d = f.addCategory(QStringLiteral("D"), b);
    const QDateTime start = f.clock.now().addDays(-2);
    f.addTime(b, user, start, start.addSecs(3600), 60);
    f.addTime(b, user, start.addDays(1), start.addDays(1).addSecs(60), 1);
    f.addTime(c, user, start, start.addSecs(60), 1);
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    Editor e(f);
    frmMain& w = f.window();
    w.categories().selectCategoryByNode(w.categoryTree->node(QStringLiteral("id_%1").arg(b)));
    e.openPage();
    const QString question =
        QStringLiteral("Are you sure you want to delete the B category and all its associated "
                       "time?");

    f.messages.clear();
    f.messages.answerNo();
    e.cmdDelete->click();
    QCOMPARE(f.messages.texts(), QStringList{question});
    QCOMPARE(f.messages.last().title, QStringLiteral("Confirm Delete"));
    QCOMPARE(f.messages.last().icon, Messages::Icon::None);
    QCOMPARE(f.count(QStringLiteral("category")), 4);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 3);

    // A one-off entry was ready to go on B.
    f.control<QLineEdit>("txtDuration")->setText(QStringLiteral("30"));
    QVERIFY(f.control<QPushButton>("cmdCreateNow")->isEnabled());
    f.messages.answerYes();
    e.cmdDelete->click();
    QCOMPARE(f.count(QStringLiteral("category"), QStringLiteral("categoryId = ?"), {b}), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("categoryId = ?"), {b}), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);
    QCOMPARE(f.count(QStringLiteral("category"), QStringLiteral("parentId = ?"), {a}), 2);

    // The sub-categories are under A now, in the tree and the lists.
    KeyedTree* tree = w.categoryTree;
    QVERIFY(tree->node(QStringLiteral("id_%1").arg(b)) == nullptr);
    QCOMPARE(tree->node(QStringLiteral("id_%1").arg(c))->parentNode()->key(),
             QStringLiteral("id_%1").arg(a));
    QCOMPARE(tree->node(QStringLiteral("id_%1").arg(d))->parentNode()->key(),
             QStringLiteral("id_%1").arg(a));
    QCOMPARE(entries(e.cboParent), (QStringList{"- none -", "A", "    C", "    D"}));
    QCOMPARE(f.state().allCategories->Count(), 4);

    // The deleted category was current: the placeholder is, and nothing can be started on it.
    QCOMPARE(f.state().selectedCategory, &f.state().allCategories->Item(1));
    QVERIFY(!f.control<QPushButton>("cmdStartNow")->isEnabled());
    QVERIFY(!f.control<QPushButton>("cmdCreateNow")->isEnabled());
    QVERIFY(w.picButton[0]->isHidden());
    QCOMPARE(e.txtId->text(), QString());
    QCOMPARE(e.txtCategory->text(), QString());
    // ...and the Tasks page names none.
    QCOMPARE(f.control<QGroupBox>("fraNewTask")->title(), QStringLiteral("Start New Task"));
    QCOMPARE(f.control<QGroupBox>("fraEntry")->title(), QStringLiteral("New Time Entry"));
}

void CategoryEditorTest::deleteWithNothingShownDoesNothing() {
    MainWindowFixture f;
    f.addCategory(QStringLiteral("A"));
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.openPage();
    e.startNew();
    QVERIFY(e.cmdDelete->isVisible());
    f.messages.clear();
    e.cmdDelete->click();
    QCOMPARE(f.messages.texts(), QStringList());
    QCOMPARE(f.messages.unexpected(), 0);
    QCOMPARE(f.count(QStringLiteral("category")), 1);
}

void CategoryEditorTest::deleteRefusedWhileTasksRun() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const QDateTime start = f.clock.now().addSecs(-3600);
    f.addTime(design, ann, start, start.addSecs(600), 10);
    const int bobs = f.addOpenTime(design, bob, start);
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    Editor e(f);
    f.control<QPushButton>("cmdStartNow")->click();
    const int annsTask = f.state().currentTask->taskId;
    f.clock.advanceMinutes(5);
    e.openPage();
    QCOMPARE(e.txtCategory->text(), QStringLiteral("Design"));

    // Ann's task and Bob's run on it: nothing is asked, and nothing deleted.
    f.messages.clear();
    e.cmdDelete->click();
    QCOMPARE(f.messages.texts(),
             QStringList{"The Design category cannot be deleted while 2 tasks are running on it. "
                         "Nothing has been deleted."});
    QCOMPARE(f.messages.last().icon, Messages::Icon::Warning);
    QCOMPARE(f.messages.unexpected(), 0);
    QCOMPARE(f.count(QStringLiteral("category")), 1);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("categoryId = ?"), {design}), 3);
    QCOMPARE(f.control<QGroupBox>("fraNewTask")->title(),
             QStringLiteral("Start working on Design"));

    // Ann's task is whole: Finish records its five minutes.
    f.control<QPushButton>("cmdStop")->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ? and duration = 5"),
                     {annsTask}),
             1);
    f.messages.clear();
    e.cmdDelete->click();
    QCOMPARE(f.messages.texts(),
             QStringList{"The Design category cannot be deleted while 1 task is running on it. "
                         "Nothing has been deleted."});

    // Once Bob has finished too, it goes.
    f.database().execute(
        QStringLiteral("update tallyRec set endTime = ?, duration = 60 where timeId = ?"),
        {f.clock.now(), bobs});
    f.messages.clear();
    f.messages.answerYes();
    e.cmdDelete->click();
    QCOMPARE(f.messages.texts(),
             QStringList{"Are you sure you want to delete the Design category and all its "
                         "associated time?"});
    QCOMPARE(f.count(QStringLiteral("category")), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);
}

void CategoryEditorTest::browseAndDatePicker() {
    MainWindowFixture f;
    QVERIFY(loadAsAnn(f) > 0);
    Editor e(f);
    e.startNew();
    auto* browse = f.control<QPushButton>("cmdBrowse_0");
    e.txtFolder->setText(QStringLiteral("/start/here"));
    f.messages.chooseFolder(QStringLiteral("/chosen/folder"));
    browse->click();
    QCOMPARE(f.messages.lastFolderStart(), QStringLiteral("/start/here"));
    QCOMPARE(e.txtFolder->text(), QStringLiteral("/chosen/folder"));
    f.messages.chooseFolder(std::nullopt);
    browse->click();
    QCOMPARE(e.txtFolder->text(), QStringLiteral("/chosen/folder"));

    auto* calendar = f.control<QToolButton>("picButtonCal");
    e.txtStartDate->setText(QStringLiteral("31/12/2005"));
    f.messages.chooseDate(QDate(2005, 3, 5));
    calendar->click();
    QCOMPARE(f.messages.lastDateStart(), QDate(2005, 12, 31));
    QCOMPARE(e.txtStartDate->text(), QStringLiteral("5/3/2005"));
    // Not a date: the picker opens on today.
    e.txtStartDate->setText(QStringLiteral("soon"));
    f.messages.chooseDate(std::nullopt);
    calendar->click();
    QCOMPARE(f.messages.lastDateStart(), f.clock.now().date());
    QCOMPARE(e.txtStartDate->text(), QStringLiteral("soon"));
    QCOMPARE(f.messages.unexpected(), 0);

    // What the picker wrote is what is saved.
    e.txtStartDate->setText(QStringLiteral("5/3/2005"));
    e.txtCategory->setText(QStringLiteral("Dated"));
    e.save();
    QCOMPARE(storedRow(f, e.txtId->text().toInt()).dateTime(QStringLiteral("startDate")),
             QDateTime(QDate(2005, 3, 5), QTime(0, 0)));
}

// "Rate from..." makes the Hourly Rate the rate from a chosen day, a changed Hourly Rate saved
// holds from today, and earlier time keeps its worth; "Billable" unticked is stored at once.
void CategoryEditorTest::ratesOverTimeAndBillable() {
    MainWindowFixture f;
    const int id = f.addCategory(QStringLiteral("Acme"));
    f.database().execute(QStringLiteral("update category set chargingRate = 45"));
    const int ann = loadAsAnn(f);
    QVERIFY(ann > 0);
    f.addTime(id, ann, QDateTime(QDate(2026, 11, 2), QTime(9, 0)),
              QDateTime(QDate(2026, 11, 2), QTime(10, 0)), 60);
    Editor e(f);
    CategoryTree& tree = f.window().categories();
    tree.selectCategoryByNode(tree.getCategoryById(*f.state().allCategories, id)->categoryTreeNode);
    e.openPage();
    auto* rateFrom = f.control<QPushButton>("cmdRateFrom");
    auto* billable = f.control<QCheckBox>("chkBillable");
    QVERIFY(rateFrom->isEnabled());
    QVERIFY(billable->isChecked());

    e.txtCharge->setText(QStringLiteral("50"));
    f.messages.chooseDate(QDate(2026, 12, 1));
    rateFrom->click();
    QCOMPARE(f.messages.texts(),
             QStringList{QStringLiteral("The rate is 50 from 01 Dec 2026 on; time before that day "
                                        "keeps the rate it had.")});
    e.txtCharge->setText(QStringLiteral("55"));
    e.save();
    QCOMPARE(storedRow(f, id).integer(QStringLiteral("chargingRate")), 55);
    QStringList rates;
    for (const Row row : f.database().query(
             QStringLiteral("select fromDate, rateCents from categoryRate order by fromDate"))) {
        rates << row.dateTime(0).date().toString(Qt::ISODate) + QLatin1Char('=') +
                     QString::number(row.integer(1));
    }
    QCOMPARE(rates, (QStringList{"1900-01-01=4500", "2026-12-01=5000", "2026-12-07=5500"}));
    ReportFilter november;
    november.from = QDate(2026, 11, 1);
    november.to = QDate(2026, 11, 30);
    QCOMPARE(TimeReport::totals(TimeReport(f.database()).lines(november, ReportGrouping::Category))
                 .amountCents,
             4500);

    billable->click();
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select count(*) from categoryBilling where categoryId = "
                                        "? and billable = ?"),
                         {id, false})
                 .toInt(),
             1);
    QCOMPARE(TimeReport::totals(TimeReport(f.database()).lines(november, ReportGrouping::Category))
                 .amountCents,
             0);
}

QTEST_MAIN(CategoryEditorTest)
#include "tst_categoryeditor.moc"
