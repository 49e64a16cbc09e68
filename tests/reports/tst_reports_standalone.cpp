#include "SubsystemFixture.h"
#include "app/SettingsPage.h"
#include "categories/CategoryEditorPage.h"
#include "categories/CategoryTree.h"
#include "reports/ProductivityChart.h"
#include "reports/ProductivityPage.h"
#include "reports/ReportsPage.h"
#include "reports/TimeRecordsGrid.h"
#include "reports/TimeRecordsModel.h"
#include "users/UserList.h"
#include "users/UsersPage.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

// The time records grid and the productivity chart built from a workspace, their pages, the
// category tree and the user list, with no main window around them.
class ReportsStandaloneTest : public QObject {
    Q_OBJECT

private slots:
    void gridShowsAndDeletesTimeRows();
    void chartFollowsTheShownCategory();
};

namespace {

struct Reports {
    explicit Reports(SubsystemFixture& f)
        : page(new ReportsPage(f.window.get()))
        , productivityPage(new ProductivityPage(f.window.get()))
        , categoryPage(new CategoryEditorPage(f.window.get()))
        , usersPage(new UsersPage(f.window.get()))
        , settingsPage(new SettingsPage(f.window.get()))
        , categoryTree(new KeyedTree(f.window.get()))
        , categories(new CategoryTree(f.work, *categoryTree, *categoryPage->cboParent,
                                      *productivityPage->cboCategoryProductivity, f.window.get()))
        , users(new UserList(f.work, *usersPage, *settingsPage->cboUser,
                             *productivityPage->cboUserProductivity,
                             *categoryPage->cboCategoryOwner, f.window.get()))
        , grid(new TimeRecordsGrid(f.work, *page, f.window.get()))
        , chart(new ProductivityChart(f.work, *productivityPage, *categories, *users,
                                      f.window.get())) {
        users->loadUserList();
        categories->loadCategoryList();
    }

    ReportsPage* page;
    ProductivityPage* productivityPage;
    CategoryEditorPage* categoryPage;
    UsersPage* usersPage;
    SettingsPage* settingsPage;
    KeyedTree* categoryTree;
    CategoryTree* categories;
    UserList* users;
    TimeRecordsGrid* grid;
    ProductivityChart* chart;
};

QDateTime at(int day, int hour) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, 0));
}

} // namespace

void ReportsStandaloneTest::gridShowsAndDeletesTimeRows() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int first = f.addTime(design, ann, at(1, 9), at(1, 10), 60);
    f.addTime(design, ann, at(2, 9), at(2, 11), 120);
    Reports r(f);
    r.categories->selectCategory(f.state.categoryById(design));
    f.shell.tab = Shell::ReportsTab;

    r.grid->viewCategoryTimes();

    auto* grid = r.page->findChild<QTableView*>(QStringLiteral("grid"));
    QVERIFY(!grid->isHidden());
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(f.shell.heading, QStringLiteral("Data Reports for Design"));
    QCOMPARE(f.shell.details,
             QStringLiteral("This data shows the actual records for this category"));

    // The first row, whichever way the database returned them.
    int row = 0;
    while (r.grid->model().timeId(row) != first) {
        ++row;
    }
    grid->setCurrentIndex(grid->model()->index(row, TimeRecordsModel::UserColumn));
    r.grid->grid_Click();
    auto* cmdDeleteTime = r.page->findChild<QPushButton*>(QStringLiteral("cmdDeleteTime"));
    QVERIFY(!cmdDeleteTime->isHidden());
    f.messages.answerYes();
    cmdDeleteTime->click();

    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {first}), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);
    QCOMPARE(grid->model()->rowCount(), 1);
    QVERIFY(cmdDeleteTime->isHidden());
}

void ReportsStandaloneTest::chartFollowsTheShownCategory() {
    SubsystemFixture f;
    f.settings.setUser(QStringLiteral("Ann"));
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int print = f.addCategory(QStringLiteral("Print"));
    f.addTime(design, ann, at(1, 9), at(1, 10), 60);
    f.addTime(design, ann, at(3, 9), at(3, 11), 120);
    f.addTime(print, ann, at(5, 9), at(5, 10), 60);
    Reports r(f);
    f.shell.tab = Shell::ProductivityTab;
    r.categories->selectCategory(f.state.categoryById(design));

    r.chart->showCategory(*f.state.selectedCategory);

    QComboBox* categories = r.productivityPage->cboCategoryProductivity;
    QCOMPARE(categories->currentData().toInt(), design);
    QCOMPARE(f.shell.heading, QStringLiteral("Productivity Charting"));
    QVERIFY(r.chart->data().hasRows);
    QCOMPARE(r.chart->data().totalDays, 3); // 1 to 3 December: Print's row is not Design's
    QCOMPARE(r.chart->data().dayTotals, (std::vector<qint64>{60, 0, 120}));

    // Out of sight the list follows, and the chart waits for the page.
    f.shell.tab = Shell::TasksTab;
    r.chart->showCategory(*f.state.categoryById(print));
    QCOMPARE(categories->currentData().toInt(), print);
    QCOMPARE(r.chart->data().totalDays, 3);
}

QTEST_MAIN(ReportsStandaloneTest)
#include "tst_reports_standalone.moc"
