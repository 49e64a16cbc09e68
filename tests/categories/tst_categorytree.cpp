#include "MainWindowFixture.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryTree.h"
#include "reports/ProductivityPage.h"
#include "tracking/TaskTracker.h"
#include "tracking/TasksPage.h"
#include "widgets/KeyedTree.h"
#include "widgets/PictureButton.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

QStringList entries(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts.append(list->itemText(i));
    }
    return texts;
}

QStringList memberNames(const cateories& all) {
    QStringList names;
    for (const category& each : all) {
        names.append(each.categoryName);
    }
    return names;
}

// The tree as text: each node's full path, depth first.
QStringList paths(const KeyedTree* tree) {
    QStringList result;
    std::function<void(const TreeNode*)> walk = [&](const TreeNode* node) {
        result.append(node->fullPath());
        for (int i = 0; i < node->children(); ++i) {
            walk(node->childNode(i));
        }
    };
    for (const TreeNode* top : tree->topLevelNodes()) {
        walk(top);
    }
    return result;
}

void click(KeyedTree* tree, TreeNode* node) {
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

} // namespace

// The category tree of the main window: what it loads into the collection, the tree and the
// two category lists, and how choosing a node makes its category current.
class CategoryTreeTest : public QObject {
    Q_OBJECT

private slots:
    void emptyDatabase();
    void treeAndListsFollowTheHierarchy();
    void backslashInANameIndentsTheLists();
    void unreachableCategoryIsNowhere();
    void clickAndExpandMakeTheCategoryCurrent();
    void doubleClickOpensTheEditor();
    void lookups();
    void categoryExistsNeedsAnArgument();
    void rebuildKeepsTheCurrentCategoryAndTasks();
    void largeTreeLoadsWithAFewStatements();
    void showCategoryShowsButtonsAndCaptions();
};

void CategoryTreeTest::emptyDatabase() {
    MainWindowFixture f;
    QVERIFY(f.load());
    QCOMPARE(f.window().categoryTree->nodeCount(), 0);
    QCOMPARE(entries(f.control<QComboBox>("cboParent")), QStringList{"- none -"});
    QCOMPARE(entries(f.control<QComboBox>("cboCategoryProductivity")), QStringList{"- All -"});
    QCOMPARE(f.state().allCategories->Count(), 1);
    const category& placeholder = f.state().allCategories->Item(1);
    QCOMPARE(placeholder.categoryId, 0);
    QCOMPARE(placeholder.categoryName, QStringLiteral("- none -"));
    QCOMPARE(placeholder.parentId, -1);
    QCOMPARE(f.state().selectedCategory, &placeholder);
}

void CategoryTreeTest::treeAndListsFollowTheHierarchy() {
    MainWindowFixture f;
    const int a = f.addCategory(QStringLiteral("A"));
    const int b = f.addCategory(QStringLiteral("B"), a);
    const int c = f.addCategory(QStringLiteral("C"), b);
    QVERIFY(f.load());

    QCOMPARE(paths(f.window().categoryTree), (QStringList{"A", "A\\B", "A\\B\\C"}));
    KeyedTree* tree = f.window().categoryTree;
    QCOMPARE(tree->node(QStringLiteral("id_%1").arg(c))->parentNode(),
             tree->node(QStringLiteral("id_%1").arg(b)));
    QCOMPARE(entries(f.control<QComboBox>("cboParent")),
             (QStringList{"- none -", "A", "    B", "        C"}));
    QCOMPARE(entries(f.control<QComboBox>("cboCategoryProductivity")),
             (QStringList{"- All -", "A", "    B", "        C"}));

    const cateories& all = *f.state().allCategories;
    QCOMPARE(memberNames(all), (QStringList{"- none -", "A", "B", "C"}));
    const category& cRecord = all.Item(QStringLiteral("id_%1").arg(c));
    QCOMPARE(cRecord.categoryId, c);
    QCOMPARE(cRecord.parentId, b);
    QCOMPARE(cRecord.categoryTreeNode, tree->node(QStringLiteral("id_%1").arg(c)));
    // The derived values are there without a refresh of their own.
    QCOMPARE(cRecord.productivity, 1);
    QCOMPARE(cRecord.minAllocationPeriod, 1);
}

void CategoryTreeTest::backslashInANameIndentsTheLists() {
    MainWindowFixture f;
    const int top = f.addCategory(QStringLiteral("Clients\\Acme"));
    f.addCategory(QStringLiteral("Site"), top);
    QVERIFY(f.load());
    QCOMPARE(entries(f.control<QComboBox>("cboParent")),
             (QStringList{"- none -", "    Clients\\Acme", "        Site"}));
    QCOMPARE(f.window().categoryTree->firstNode()->text(), QStringLiteral("Clients\\Acme"));
}

void CategoryTreeTest::unreachableCategoryIsNowhere() {
    MainWindowFixture f;
    f.addCategory(QStringLiteral("Kept"));
    const int gone = f.addCategory(QStringLiteral("Gone"));
    const int orphan = f.addCategory(QStringLiteral("Orphan"), gone);
    f.database().execute(QStringLiteral("delete from category where categoryId = ?"), {gone});
    QVERIFY(f.load());
    QCOMPARE(paths(f.window().categoryTree), QStringList{"Kept"});
    QCOMPARE(entries(f.control<QComboBox>("cboParent")), (QStringList{"- none -", "Kept"}));
    QCOMPARE(memberNames(*f.state().allCategories), (QStringList{"- none -", "Kept"}));
    QVERIFY(!f.state().allCategories->contains(QStringLiteral("id_%1").arg(orphan)));
}

void CategoryTreeTest::clickAndExpandMakeTheCategoryCurrent() {
    MainWindowFixture f;
    const int a = f.addCategory(QStringLiteral("A"));
    const int b = f.addCategory(QStringLiteral("B"), a);
    f.addCategory(QStringLiteral("C"), b);
    const int d = f.addCategory(QStringLiteral("D"));
    QVERIFY(f.load());
    f.window().show();
    KeyedTree* tree = f.window().categoryTree;
    // Start-up shows the first category.
    QCOMPARE(f.state().selectedCategory->categoryId, a);

    click(tree, tree->node(QStringLiteral("id_%1").arg(d)));
    QCOMPARE(f.state().selectedCategory->categoryId, d);
    QCOMPARE(f.control<QGroupBox>("fraNewTask")->title(), QStringLiteral("Start working on D"));
    QCOMPARE(f.control<QLineEdit>("txtCategory")->text(), QStringLiteral("D"));

    tree->node(QStringLiteral("id_%1").arg(b))->setExpanded(true);
    QCOMPARE(f.state().selectedCategory->categoryId, b);
    QCOMPARE(f.control<QGroupBox>("fraEntry")->title(), QStringLiteral("Create entry for B"));
    QCOMPARE(f.control<QComboBox>("cboCategoryProductivity")->currentText(),
             QStringLiteral("    B"));
}

void CategoryTreeTest::doubleClickOpensTheEditor() {
    MainWindowFixture f;
    f.addCategory(QStringLiteral("A"));
    const int b = f.addCategory(QStringLiteral("B"));
    f.addUser(QStringLiteral("Ann")); // the pages open once someone is the current user
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.window().show();
    KeyedTree* tree = f.window().categoryTree;
    TreeNode* node = tree->node(QStringLiteral("id_%1").arg(b));
    const QPoint at = tree->visualItemRect(node).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::CategoryTab));
    QCOMPARE(f.control<QLineEdit>("txtCategory")->text(), QStringLiteral("B"));
    QCOMPARE(f.window().lblTitle->text(), QStringLiteral("Properties for B"));
}

void CategoryTreeTest::lookups() {
    MainWindowFixture f;
    const int a = f.addCategory(QStringLiteral("A"));
    const int twin1 = f.addCategory(QStringLiteral("Twin"));
    f.addCategory(QStringLiteral("Twin"), a);
    QVERIFY(f.load());
    CategoryTree& tree = f.window().categories();
    const cateories& all = *f.state().allCategories;

    QCOMPARE(tree.getCategoryById(all, a)->categoryName, QStringLiteral("A"));
    QCOMPARE(tree.getCategoryById(all, 999), &all.Item(1));
    cateories empty(f.window().context());
    QVERIFY(tree.getCategoryById(empty, 1) == nullptr);

    QCOMPARE(tree.getCategoryByName(QStringLiteral("A"))->categoryId, a);
    QVERIFY(tree.getCategoryByName(QStringLiteral("A ")) == nullptr);
    QVERIFY(tree.getCategoryByName(QStringLiteral("a")) == nullptr);
    QCOMPARE(tree.getCategoryIdByName(QStringLiteral("  A  ")), a);
    QCOMPARE(tree.getCategoryIdByName(QStringLiteral("nothing")), 0);
    QCOMPARE(tree.getCategoryIdByName(QStringLiteral("- none -")), 0);
    // Of two with one name, the first in tree order: the one under A.
    QCOMPARE(tree.getCategoryByName(QStringLiteral("Twin"))->parentId, a);
    QVERIFY(tree.getCategoryByName(QStringLiteral("Twin"))->categoryId != twin1);

    QCOMPARE(CategoryTree::categoryIdFromKey(QStringLiteral("id_7")), QStringLiteral("7"));
    QCOMPARE(CategoryTree::charCount(QStringLiteral("x\\y\\z"), QStringLiteral("\\")), 2);
    QCOMPARE(CategoryTree::charCount(QStringLiteral("xyz"), QStringLiteral("\\")), 0);
    QVERIFY(tree.categoryExists(QStringLiteral("Twin"), std::nullopt));
    QVERIFY(!tree.categoryExists(QStringLiteral("twin"), std::nullopt));
    QVERIFY(tree.categoryExists(std::nullopt, twin1));
    QVERIFY(tree.categoryExists(QStringLiteral("A"), a));
    QVERIFY(!tree.categoryExists(QStringLiteral("A"), twin1));
    QVERIFY(!tree.categoryExists(QStringLiteral("Nobody"), std::nullopt));
}

void CategoryTreeTest::categoryExistsNeedsAnArgument() {
    MainWindowFixture f;
    f.addCategory(QStringLiteral("A"));
    QVERIFY(f.load());
    f.messages.clear();
    QVERIFY(!f.window().categories().categoryExists(std::nullopt, std::nullopt));
    QCOMPARE(f.messages.last().text,
             QStringLiteral("The function categoryExists must be calleded with either name or "
                            "categoryId"));
    QCOMPARE(f.messages.last().title, QStringLiteral("Missing Argument"));
    QCOMPARE(f.messages.last().icon, Messages::Icon::Critical);
}

void CategoryTreeTest::rebuildKeepsTheCurrentCategoryAndTasks() {
    MainWindowFixture f;
    const int user = f.addUser(QStringLiteral("Ann"));
    const int a = f.addCategory(QStringLiteral("A"));
    const int b = f.addCategory(QStringLiteral("B"), a);
    const int c = f.addCategory(QStringLiteral("C"));
    QVERIFY(f.load());
    ProgramState& state = f.state();
    CategoryTree& tree = f.window().categories();
    state.selectedCategory = tree.getCategoryById(*state.allCategories, b);
    task& onB = state.activeTasks->Add(41, QStringLiteral("tid_41"));
    onB.category = state.selectedCategory;
    task& onC = state.activeTasks->Add(42, QStringLiteral("tid_42"));
    onC.category = tree.getCategoryById(*state.allCategories, c);
    Q_UNUSED(user);

    f.database().execute(QStringLiteral("update category set category = 'B2' where categoryId = ?"),
                         {b});
    f.database().execute(QStringLiteral("delete from category where categoryId = ?"), {c});
    tree.loadCategoryList();

    QCOMPARE(state.selectedCategory->categoryId, b);
    QCOMPARE(state.selectedCategory->categoryName, QStringLiteral("B2"));
    QCOMPARE(state.allCategories->positionOf(state.selectedCategory), 3);
    QCOMPARE(f.window().categoryTree->selectedNode(), state.selectedCategory->categoryTreeNode);
    // Each running task holds the new record of its category, or the placeholder.
    QCOMPARE(onB.category, state.selectedCategory);
    QCOMPARE(onC.category, &state.allCategories->Item(1));

    // The current category deleted: the placeholder takes its place.
    f.database().execute(QStringLiteral("delete from category where categoryId = ?"), {b});
    tree.loadCategoryList();
    QCOMPARE(state.selectedCategory, &state.allCategories->Item(1));
    QCOMPARE(onB.category, &state.allCategories->Item(1));
}

void CategoryTreeTest::largeTreeLoadsWithAFewStatements() {
    MainWindowFixture f;
    f.database().transaction([&] {
        for (int top = 0; top < 20; ++top) {
            int parent = f.addCategory(QStringLiteral("Top %1").arg(top));
            for (int i = 0; i < 99; ++i) {
                const int id = f.addCategory(QStringLiteral("Item %1").arg(i), parent);
                if (i % 10 == 0) {
                    parent = id;
                }
            }
        }
    });
    QVERIFY(f.load());
    Database& db = f.window().database();
    const quint64 before = db.statementCount();
    f.window().categories().loadCategoryList();
    QVERIFY2(db.statementCount() - before <= 3,
             qPrintable(QString::number(db.statementCount() - before)));
    QCOMPARE(f.state().allCategories->Count(), 2001);
    QCOMPARE(f.window().categoryTree->nodeCount(), 2000);
    QCOMPARE(f.control<QComboBox>("cboParent")->count(), 2001);
    QCOMPARE(f.control<QComboBox>("cboCategoryProductivity")->count(), 2001);
}

void CategoryTreeTest::showCategoryShowsButtonsAndCaptions() {
    MainWindowFixture f;
    const QString folder = QDir(f.folder()).filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(folder));
    const int user = f.addUser(QStringLiteral("Boss"));
    const int withFolder = f.addCategory(QStringLiteral("Has folder"), 0, user);
    const int missing = f.addCategory(QStringLiteral("Missing folder"));
    const int none = f.addCategory(QStringLiteral("No folder"));
    f.database().execute(QStringLiteral("update category set folder = ? where categoryId = ?"),
                         {folder, withFolder});
    f.database().execute(QStringLiteral("update category set folder = ? where categoryId = ?"),
                         {folder + QStringLiteral("/gone"), missing});
    QVERIFY(f.load());
    frmMain& w = f.window();
    TaskTracker& tracker = w.tracker();

    tracker.showCategory(withFolder, nullptr);
    QVERIFY(f.control<QPushButton>("cmdStartNow")->isEnabled());
    QVERIFY(!w.picButton[0]->isHidden());
    QVERIFY(!w.picButton[2]->isHidden());
    QVERIFY(!w.picButton[3]->isHidden());
    QCOMPARE(f.control<QGroupBox>("fraNewTask")->title(),
             QStringLiteral("Start working on Has folder"));
    QCOMPARE(f.control<QComboBox>("cboCategoryProductivity")->currentText(),
             QStringLiteral("Has folder"));
    // The chosen category's folder opens with button 2.
    w.state().selectedCategory =
        w.categories().getCategoryById(*w.state().allCategories, withFolder);
    w.picButton_Click(2);
    QCOMPARE(f.folders.opened(), QStringList{folder});

    tracker.showCategory(missing, nullptr);
    QVERIFY(w.picButton[2]->isHidden());
    QVERIFY(w.picButton[3]->isHidden());
    tracker.showCategory(none, nullptr);
    QVERIFY(w.picButton[2]->isHidden());
    QCOMPARE(f.control<QGroupBox>("fraEntry")->title(),
             QStringLiteral("Create entry for No folder"));
    QCOMPARE(f.control<QLineEdit>("txtCategory")->text(), QStringLiteral("No folder"));
}

QTEST_MAIN(CategoryTreeTest)
#include "tst_categorytree.moc"
