#include "SubsystemFixture.h"
#include "app/SettingsPage.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryTree.h"
#include "data/category.h"
#include "users/UserList.h"
#include "users/UsersPage.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

// The category tree and the category editor built from a workspace, the editor's page and the
// lists they fill, with no main window around them.
class CategoriesStandaloneTest : public QObject {
    Q_OBJECT

private slots:
    void treeAndListsFollowTheRows();
    void loadedRecordsMatchTheirRows();
    void choosingANodeSelectsItsCategory();
    void savingANewCategory();
    void deletingTheSelectedCategory();
};

namespace {

struct Categories {
    explicit Categories(SubsystemFixture& f)
        : page(new CategoryEditorPage(f.window.get()))
        , categoryTree(new KeyedTree(f.window.get()))
        , cboCategoryProductivity(new QComboBox(f.window.get()))
        , usersPage(new UsersPage(f.window.get()))
        , settingsPage(new SettingsPage(f.window.get()))
        , cboUserProductivity(new QComboBox(f.window.get()))
        , tree(new CategoryTree(f.work, *categoryTree, *page->cboParent, *cboCategoryProductivity,
                                f.window.get()))
        , users(new UserList(f.work, *usersPage, *settingsPage->cboUser, *cboUserProductivity,
                             *page->cboCategoryOwner, f.window.get()))
        , editor(new CategoryEditor(f.work, *page, *tree, *users, f.window.get())) {
        users->loadUserList();
        tree->loadCategoryList();
        editor->loadTimeAllocationList();
        editor->loadProductivityList();
    }

    template <typename T>
    T* control(const QString& name) {
        return page->findChild<T*>(name);
    }

    CategoryEditorPage* page;
    KeyedTree* categoryTree;
    QComboBox* cboCategoryProductivity;
    UsersPage* usersPage;
    SettingsPage* settingsPage;
    QComboBox* cboUserProductivity;
    CategoryTree* tree;
    UserList* users;
    CategoryEditor* editor;
};

QString key(int categoryId) {
    return QStringLiteral("id_%1").arg(categoryId);
}

} // namespace

void CategoriesStandaloneTest::treeAndListsFollowTheRows() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int logo = f.addCategory(QStringLiteral("Logo"), design);
    Categories c(f);

    QCOMPARE(c.categoryTree->node(key(logo))->parentNode()->key(), key(design));
    QComboBox* cboParent = c.control<QComboBox>(QStringLiteral("cboParent"));
    QCOMPARE(cboParent->count(), 3);
    QCOMPARE(cboParent->itemText(0), QStringLiteral("- none -"));
    QCOMPARE(cboParent->itemData(2).toInt(), logo);
    QCOMPARE(c.cboCategoryProductivity->itemText(0), QStringLiteral("- All -"));
    QCOMPARE(c.cboCategoryProductivity->count(), 3);
    QCOMPARE(f.state.allCategories->Count(), 3); // with the "- none -" placeholder
    QCOMPARE(f.state.selectedCategory->categoryId, 0);

    // A reload keeps the selection and the running tasks on the new records of their ids.
    c.tree->selectCategory(f.state.categoryById(logo));
    task& running = f.state.activeTasks->Add(5, QStringLiteral("tid_5"));
    running.category = f.state.categoryById(design);
    f.addCategory(QStringLiteral("Print"), design);
    c.tree->loadCategoryList();
    QCOMPARE(f.state.allCategories->Count(), 4);
    QCOMPARE(f.state.selectedCategory, f.state.categoryById(logo));
    QCOMPARE(f.state.selectedCategory->categoryName, QStringLiteral("Logo"));
    QCOMPARE(running.category, f.state.categoryById(design));
    QCOMPARE(c.categoryTree->selectedNode(), f.state.selectedCategory->categoryTreeNode);
}

namespace {

// Every stored column and derived value of a loaded record, as a record that reads its own row
// has them.
void compareWithItsRow(SubsystemFixture& f, const category& loaded) {
    category own(f.work.data());
    own.categoryId = loaded.categoryId;
    own.refresh();
    QCOMPARE(loaded.categoryName, own.categoryName);
    QCOMPARE(loaded.parentId, own.parentId);
    QCOMPARE(loaded.description, own.description);
    QCOMPARE(loaded.minAllocation, own.minAllocation);
    QCOMPARE(loaded.maxAllocation, own.maxAllocation);
    QCOMPARE(loaded.hourlyRate, own.hourlyRate);
    QCOMPARE(loaded.folder, own.folder);
    QCOMPARE(loaded.productivityId, own.productivityId);
    QCOMPARE(loaded.minAllocationPeriodId, own.minAllocationPeriodId);
    QCOMPARE(loaded.maxAllocationPeriodId, own.maxAllocationPeriodId);
    QCOMPARE(loaded.ownerUserId, own.ownerUserId);
    QCOMPARE(loaded.startDate, own.startDate);
    QCOMPARE(loaded.minAllocationPeriod, own.minAllocationPeriod);
    QCOMPARE(loaded.maxAllocationPeriod, own.maxAllocationPeriod);
    QCOMPARE(loaded.productivity, own.productivity);
}

QStringList texts(const QComboBox* list) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i) {
        result.append(list->itemText(i));
    }
    return result;
}

QVariantList ids(const QComboBox* list) {
    QVariantList result;
    for (int i = 0; i < list->count(); ++i) {
        result.append(list->itemData(i));
    }
    return result;
}

} // namespace

void CategoriesStandaloneTest::loadedRecordsMatchTheirRows() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const QDateTime started(QDate(2024, 3, 31), QTime(9, 15, 30));
    const int beta = f.addCategory(QStringLiteral("beta"), 0, ann, 4, 2, 40, 4, started);
    const int alpha = f.addCategory(QStringLiteral("Alpha"), 0, 0, 0, 1, 0, 1,
                                    QDateTime(QDate(2023, 1, 2), QTime(0, 0)));
    const int twin = f.addCategory(QStringLiteral("alpha"));
    const int zed = f.addCategory(QStringLiteral("Zed"), alpha);
    const int mid = f.addCategory(QStringLiteral("mid"), alpha, ann, 2, 6, 3, 77);
    const int deep = f.addCategory(QStringLiteral("Deep\\er"), mid);
    const int client = f.addCategory(QStringLiteral("Client\\Acme"));
    const int site = f.addCategory(QStringLiteral("Site"), client);
    const int unicode = f.addCategory(QStringLiteral("Caf\u00e9 \u65e5\u672c"), beta);
    Database& db = f.database();
    db.execute(QStringLiteral("update category set description = ?, chargingRate = ?, folder = ?, "
                              "productivityId = ? where categoryId = ?"),
               {QStringLiteral("Line one\nline two"), 85, QStringLiteral("/work/beta"), 4, beta});
    db.execute(QStringLiteral("update category set folder = ?, productivityId = ? "
                              "where categoryId = ?"),
               {QString(QLatin1String("")), 99, mid});
    db.execute(QStringLiteral("update category set startDate = NULL where categoryId = ?"), {zed});
    Categories c(f);

    for (int load = 1; load <= 2; ++load) {
        // Siblings by name without regard to case, then by id; each followed by its subtree.
        QStringList names;
        for (const category& each : *f.state.allCategories) {
            names.append(each.categoryName);
        }
        QCOMPARE(names,
                 (QStringList{"- none -", "Alpha", "mid", "Deep\\er", "Zed", "alpha", "beta",
                              QStringLiteral("Caf\u00e9 \u65e5\u672c"), "Client\\Acme", "Site"}));
        const QList<int> order{alpha, mid, deep, zed, twin, beta, unicode, client, site};
        for (int i = 0; i < order.size(); ++i) {
            const category& member = f.state.allCategories->Item(i + 2);
            QCOMPARE(member.categoryId, order[i]);
            QCOMPARE(&f.state.allCategories->Item(key(order[i])), &member);
            QVERIFY(member.categoryTreeNode != nullptr);
            QCOMPARE(member.categoryTreeNode->key(), key(order[i]));
            QCOMPARE(member.categoryTreeNode->text(), member.categoryName);
            compareWithItsRow(f, member);
        }
        QCOMPARE(c.categoryTree->node(key(deep))->fullPath(),
                 QStringLiteral("Alpha\\mid\\Deep\\er"));
        QCOMPARE(c.categoryTree->node(key(site))->parentNode(), c.categoryTree->node(key(client)));
        QCOMPARE(c.categoryTree->topLevelNodes().size(), 4);
        QCOMPARE(c.categoryTree->nodeCount(), 9);

        const QStringList indented{"Alpha",
                                   "    mid",
                                   "            Deep\\er",
                                   "    Zed",
                                   "alpha",
                                   "beta",
                                   QStringLiteral("    Caf\u00e9 \u65e5\u672c"),
                                   "    Client\\Acme",
                                   "        Site"};
        QCOMPARE(texts(c.control<QComboBox>(QStringLiteral("cboParent"))),
                 QStringList{"- none -"} + indented);
        QCOMPARE(texts(c.cboCategoryProductivity), QStringList{"- All -"} + indented);
        QVariantList entryIds;
        for (const int id : order) {
            entryIds.append(id);
        }
        QCOMPARE(ids(c.control<QComboBox>(QStringLiteral("cboParent"))),
                 QVariantList{0} + entryIds);
        QCOMPARE(ids(c.cboCategoryProductivity), QVariantList{QVariant()} + entryIds);
        QCOMPARE(c.cboCategoryProductivity->currentIndex(), 0);
        QCOMPARE(c.control<QComboBox>(QStringLiteral("cboParent"))->currentIndex(), 0);

        c.tree->loadCategoryList();
    }
}

void CategoriesStandaloneTest::choosingANodeSelectsItsCategory() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    Categories c(f);
    QSignalSpy selected(c.tree, &CategoryTree::categorySelected);

    c.tree->categoryTree_NodeClick(c.categoryTree->node(key(design)));

    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).value<category*>(), f.state.categoryById(design));
    QCOMPARE(f.state.selectedCategory->categoryName, QStringLiteral("Design"));

    // A double click opens the editor's page, unless the pages are locked.
    f.shell.lockAllTabs(true);
    c.tree->categoryTree_DblClick();
    QCOMPARE(f.shell.tabsOpened, 0);
    f.shell.lockAllTabs(false);
    c.tree->categoryTree_DblClick();
    QCOMPARE(f.shell.tab, int(Shell::CategoryTab));
    QCOMPARE(f.shell.tabsOpened, 1);
}

void CategoriesStandaloneTest::savingANewCategory() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    Categories c(f);
    QSignalSpy selected(c.tree, &CategoryTree::categorySelected);

    c.editor->clearCategoryAttributes();
    QCOMPARE(f.shell.welcomes, 1);
    QCOMPARE(c.control<QComboBox>(QStringLiteral("cboCategoryOwner"))->currentText(),
             QStringLiteral("Ann"));
    c.control<QLineEdit>(QStringLiteral("txtCategory"))->setText(QStringLiteral("Research"));
    QComboBox* cboParent = c.control<QComboBox>(QStringLiteral("cboParent"));
    cboParent->setCurrentIndex(cboParent->findData(design));
    c.control<QPushButton>(QStringLiteral("cmdSave"))->click();
    QCOMPARE(f.messages.texts(), QStringList());

    const Row stored =
        f.database()
            .query(QStringLiteral("select categoryId, parentId, ownerUserId from category "
                                  "where category = ?"),
                   {QStringLiteral("Research")})
            .first();
    const int research = stored.integer(0);
    QCOMPARE(stored.integer(1), design);
    QCOMPARE(stored.integer(2), ann);
    QCOMPARE(c.categoryTree->node(key(research))->parentNode()->key(), key(design));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(f.state.selectedCategory->categoryId, research);
    QCOMPARE(f.messages.texts().size(), 0);
}

void CategoriesStandaloneTest::deletingTheSelectedCategory() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int logo = f.addCategory(QStringLiteral("Logo"), design);
    f.addTime(design, ann, f.clock.now().addSecs(-3600), f.clock.now(), 60);
    Categories c(f);
    QSignalSpy gone(c.editor, &CategoryEditor::selectedCategoryDeleted);
    c.tree->selectCategory(f.state.categoryById(design));
    f.shell.tab = Shell::CategoryTab;
    c.editor->showCategoryProperties(f.state.selectedCategory);
    QCOMPARE(f.shell.tabCaptions[Shell::CategoryTab], QStringLiteral("Properties"));
    QVERIFY(f.shell.heading.endsWith(QStringLiteral("Design")));

    f.messages.answerYes();
    c.control<QPushButton>(QStringLiteral("cmdDelete"))->click();

    QCOMPARE(f.count(QStringLiteral("category"), QStringLiteral("categoryId = ?"), {design}), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("categoryId = ?"), {design}), 0);
    QCOMPARE(
        f.database()
            .scalar(QStringLiteral("select parentId from category where categoryId = ?"), {logo})
            .toInt(),
        0);
    QVERIFY(!c.categoryTree->exists(key(design)));
    QCOMPARE(gone.count(), 1);
    QCOMPARE(f.state.selectedCategory->categoryId, 0);
}

QTEST_MAIN(CategoriesStandaloneTest)
#include "tst_categories_standalone.moc"
