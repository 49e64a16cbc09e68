#include "SubsystemFixture.h"
#include "app/KeyedTree.h"
#include "app/SettingsPage.h"
#include "categories/CategoryEditor.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryTree.h"
#include "data/category.h"
#include "users/UserList.h"
#include "users/UsersPage.h"

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
