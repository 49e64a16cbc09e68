#include "MainWindowFixture.h"
#include "categories/CategoryTree.h"
#include "data/Numbers.h"
#include "data/TimeText.h"
#include "reports/ReportsPage.h"
#include "reports/TimeRecordsGrid.h"
#include "reports/TimeRecordsModel.h"
#include "widgets/KeyedTree.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

namespace {

QDateTime at(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

// The grid's cells as the user reads them, row by row.
QList<QStringList> cells(const QTableView* grid) {
    QList<QStringList> rows;
    const QAbstractItemModel* model = grid->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < model->columnCount(); ++column) {
            texts.append(model->index(row, column).data().toString());
        }
        rows.append(texts);
    }
    return rows;
}

void clickCell(QTableView* grid, int row, int column) {
    const QModelIndex cell = grid->model()->index(row, column);
    grid->scrollTo(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
}

} // namespace

// The Reports page: the finished time rows of the selected category, and deleting one of them.
class TimeRecordsTest : public QObject {
    Q_OBJECT

private slots:
    void timeSpentDropsWholeDays();
    void gridShowsTheFinishedRows();
    void titlesOnlyWhileThePageShows();
    void categoryWithoutRowsShowsTheLabel();
    void rootEntryLeavesTheGrid();
    void deletingARow();
    void deletingTheLastRow();
    void columnsFitAndSort();
    void readOnlyWhileThePageShows();
    void othersTimeFollowsWhileShown();
};

void TimeRecordsTest::timeSpentDropsWholeDays() {
    QCOMPARE(TimeRecordsModel::timeSpent(at(1, 9, 0), at(2, 10, 10)), QStringLiteral("01:10"));
    QCOMPARE(TimeRecordsModel::timeSpent(at(1, 9, 0, 59), at(1, 9, 1)), QStringLiteral("00:00"));
    QCOMPARE(TimeRecordsModel::timeSpent(at(1, 23, 30), at(2, 0, 45)), QStringLiteral("01:15"));
    QCOMPARE(TimeRecordsModel::timeSpent(at(3, 8, 0), at(3, 8, 0)), QStringLiteral("00:00"));
    QCOMPARE(TimeRecordsModel::timeSpent(at(3, 10, 0), at(3, 8, 30)), QStringLiteral("01:30"));
}

void TimeRecordsTest::gridShowsTheFinishedRows() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int other = f.addCategory(QStringLiteral("Other"));
    const int first = f.addTime(design, ann, at(1, 9, 0), at(1, 9, 45), 45);
    // 25 hours and 10 minutes: the whole day is not shown.
    const int second = f.addTime(design, bob, at(2, 8, 0), at(3, 9, 10), 1510);
    f.addTime(other, ann, at(2, 8, 0), at(2, 9, 0), 60);
    f.addOpenTime(design, ann, at(4, 8, 0)); // running: not listed
    QVERIFY(f.load());
    QCOMPARE(f.state().selectedCategory->categoryId, design);
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);

    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    QVERIFY(!grid->isHidden());
    QCOMPARE(grid->model()->columnCount(), 5);
    QStringList headers;
    for (int column = 0; column < 5; ++column) {
        headers.append(grid->model()->headerData(column, Qt::Horizontal).toString());
    }
    QCOMPARE(headers, (QStringList{"", "Start Time", "End Time", "Time Spent", "User"}));
    const QList<QStringList> expected = {
        {QString::number(first), TimeText::defaultText(at(1, 9, 0)),
         TimeText::defaultText(at(1, 9, 45)), "00:45", "Ann"},
        {QString::number(second), TimeText::defaultText(at(2, 8, 0)),
         TimeText::defaultText(at(3, 9, 10)), "01:10", "Bob"},
    };
    QCOMPARE(cells(grid), expected);

    // Columns 1 to 4 share the room inside the grid, the time id has the half share left.
    QCoreApplication::processEvents();
    QHeaderView* header = grid->horizontalHeader();
    const int room = grid->viewport()->width();
    const int width = int(*Numbers::roundHalfEven(room / 4.5));
    QCOMPARE(header->sectionSize(0), room - 4 * width);
    for (int column = 1; column < 5; ++column) {
        QCOMPARE(header->sectionSize(column), width);
        QCOMPARE(grid->model()->index(0, column).data(Qt::TextAlignmentRole).toInt(),
                 int(Qt::AlignLeft | Qt::AlignVCenter));
    }
    // Rows of one fixed height, however many there are.
    QCOMPARE(grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    // A wider window keeps the shares.
    f.window().resize(f.window().width() + 180, f.window().height());
    QCoreApplication::processEvents();
    QVERIFY(grid->viewport()->width() > room);
    QCOMPARE(header->sectionSize(4), int(*Numbers::roundHalfEven(grid->viewport()->width() / 4.5)));

    // A task finished elsewhere shows at the next fill.
    f.database().execute(
        QStringLiteral("update tallyRec set endTime = ?, duration = 30 where endTime is null"),
        {at(4, 8, 30)});
    f.window().timeRecords().viewCategoryTimes();
    QCOMPARE(cells(grid).size(), 3);
    QCOMPARE(cells(grid).last().at(3), QStringLiteral("00:30"));
}

void TimeRecordsTest::titlesOnlyWhileThePageShows() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int build = f.addCategory(QStringLiteral("Build"), design);
    f.addTime(design, ann, at(1, 9, 0), at(1, 10, 0), 60);
    f.addTime(build, ann, at(1, 11, 0), at(1, 12, 0), 60);
    QVERIFY(f.load());
    // At start, on the Tasks page, the welcome stays.
    QVERIFY(f.window().lblTitle->text().startsWith(QStringLiteral("Quillhour")));

    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QCOMPARE(f.control<QTableView>(QStringLiteral("grid"))->model()->rowCount(), 1);
    QCOMPARE(f.window().lblTitle->text(), QStringLiteral("Data Reports for Design"));
    QCOMPARE(f.window().lblDetails->text(),
             QStringLiteral("This data shows the actual records for this category"));

    // Choosing another category while the page shows fills the grid for it.
    f.window().categories().selectCategoryByNode(
        f.window().categoryTree->node(QStringLiteral("id_%1").arg(build)));
    QCOMPARE(f.window().lblTitle->text(), QStringLiteral("Data Reports for Build"));
    QCOMPARE(cells(f.control<QTableView>(QStringLiteral("grid"))).first().at(1),
             TimeText::defaultText(at(1, 11, 0)));
}

void TimeRecordsTest::categoryWithoutRowsShowsTheLabel() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int empty = f.addCategory(QStringLiteral("Empty"));
    f.addTime(design, ann, at(1, 9, 0), at(1, 10, 0), 60);
    f.addOpenTime(empty, ann, at(2, 9, 0)); // running only: still nothing to list
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    QVERIFY(grid->isVisible());

    f.window().categories().selectCategoryByNode(
        f.window().categoryTree->node(QStringLiteral("id_%1").arg(empty)));
    QVERIFY(!grid->isVisible());
    QVERIFY(f.control<QLabel>(QStringLiteral("Label18"))->isVisible());
    QCOMPARE(f.control<QLabel>(QStringLiteral("Label18"))->text(),
             QStringLiteral("No Data Available"));
    // Nothing was filled, so nothing was retitled; the earlier rows wait unseen.
    QVERIFY(f.window().lblTitle->text() != QStringLiteral("Data Reports for Empty"));
    QCOMPARE(grid->model()->rowCount(), 1);
}

void TimeRecordsTest::rootEntryLeavesTheGrid() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.addTime(design, ann, at(1, 9, 0), at(1, 10, 0), 60);
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    f.window().tabs->setCurrentIndex(frmMain::TasksTab);
    f.state().selectedCategory = &f.state().allCategories->Item(1); // the "- none -" entry
    f.addTime(design, ann, at(2, 9, 0), at(2, 10, 0), 60);
    const QString title = f.window().lblTitle->text();
    const quint64 statements = f.window().database().statementCount();
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    QVERIFY(grid->isVisible());
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(f.window().lblTitle->text(), title);
    QCOMPARE(f.window().database().statementCount(), statements);
}

void TimeRecordsTest::deletingARow() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int kept = f.addTime(design, ann, at(1, 9, 0), at(1, 10, 0), 60);
    const int doomed = f.addTime(design, ann, at(2, 9, 0), at(2, 9, 30), 30);
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    auto* deleteButton = f.control<QPushButton>(QStringLiteral("cmdDeleteTime"));
    QVERIFY(!deleteButton->isVisible());

    // Nothing chosen yet: the button does nothing and asks nothing.
    f.window().timeRecords().cmdDeleteTime_Click();
    QCOMPARE(f.messages.shown().size(), 0);

    // Any cell of the row leads to its id.
    clickCell(grid, 1, 3);
    QVERIFY(deleteButton->isVisible());
    f.messages.answerNo();
    deleteButton->click();
    QCOMPARE(f.messages.last().text,
             QStringLiteral("Are you sure you want to delete this time entry?"));
    QCOMPARE(f.messages.last().title, QStringLiteral("Confirm Delete"));
    QCOMPARE(f.messages.last().buttons, Messages::Buttons::YesNo);
    QCOMPARE(f.messages.last().icon, Messages::Icon::Question);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 2);
    QVERIFY(deleteButton->isVisible());
    QCOMPARE(grid->model()->rowCount(), 2);

    f.messages.answerYes();
    deleteButton->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {doomed}), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {kept}), 1);
    QCOMPARE(grid->model()->rowCount(), 1);
    QCOMPARE(cells(grid).first().first(), QString::number(kept));
    QVERIFY(!deleteButton->isVisible());
    QCOMPARE(f.messages.unexpected(), 0);
}

void TimeRecordsTest::deletingTheLastRow() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.addTime(design, ann, at(1, 9, 0), at(1, 10, 0), 60);
    const int running = f.addOpenTime(design, ann, at(2, 9, 0));
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    clickCell(grid, 0, 4);
    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdDeleteTime"))->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {running}), 1);
    QVERIFY(!grid->isVisible());
    QVERIFY(f.control<QLabel>(QStringLiteral("Label18"))->isVisible());
    QVERIFY(!f.control<QPushButton>(QStringLiteral("cmdDeleteTime"))->isVisible());
}

void TimeRecordsTest::columnsFitAndSort() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int zoe = f.addUser(QStringLiteral("Zoe"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    // Enough rows for the vertical scroll bar, with long times in the cells.
    QList<int> ids;
    for (int i = 0; i < 40; ++i) {
        const QDateTime start = at(1 + (i * 7) % 28, 9 + i % 10, (i * 13) % 60);
        ids.append(f.addTime(design, i % 3 == 0 ? zoe : (i % 3 == 1 ? ann : bob), start,
                             start.addSecs(60 * (5 + (i * 37) % 300)), 5 + (i * 37) % 300));
    }
    QVERIFY(f.load());
    f.window().show();
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QCoreApplication::processEvents();

    // The window as it opens: every column in view, nothing to scroll sideways.
    auto* grid = f.control<QTableView>(QStringLiteral("grid"));
    QHeaderView* header = grid->horizontalHeader();
    QVERIFY(grid->verticalScrollBar()->isVisible());
    QVERIFY(!grid->horizontalScrollBar()->isVisible());
    QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
    QVERIFY(header->length() <= grid->viewport()->width());
    const int user = TimeRecordsModel::UserColumn;
    QVERIFY(header->sectionViewportPosition(user) >= 0);
    QVERIFY(header->sectionViewportPosition(user) + header->sectionSize(user) <=
            grid->viewport()->width());
    // The time ids can be read in the narrow first column.
    QVERIFY(header->sectionSize(0) >=
            grid->fontMetrics().horizontalAdvance(QString::number(ids.last())));

    // The rows come as the database keeps them until a heading is clicked.
    auto column = [&](int index) {
        QStringList texts;
        for (int row = 0; row < grid->model()->rowCount(); ++row) {
            texts.append(grid->model()->index(row, index).data().toString());
        }
        return texts;
    };
    auto clickHeading = [&](int index) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(index) + header->sectionSize(index) / 2,
                   header->height() / 2));
    };
    QStringList inIdOrder;
    for (int id : ids) {
        inIdOrder.append(QString::number(id));
    }
    QCOMPARE(column(0), inIdOrder);

    clickHeading(user);
    QStringList names = column(user);
    QCOMPARE(names.first(), QStringLiteral("Ann"));
    QCOMPARE(names.last(), QStringLiteral("Zoe"));
    QVERIFY(std::is_sorted(names.begin(), names.end()));
    clickHeading(user);
    QCOMPARE(column(user).first(), QStringLiteral("Zoe"));

    // Times sort as times, whatever their text looks like.
    clickHeading(TimeRecordsModel::StartColumn);
    QList<QDateTime> starts;
    for (int row = 0; row < grid->model()->rowCount(); ++row) {
        starts.append(f.database()
                          .query(QStringLiteral("select startTime from tallyRec where timeId = ?"),
                                 {grid->model()->index(row, 0).data().toInt()})
                          .first()
                          .dateTime(0));
    }
    QVERIFY(std::is_sorted(starts.begin(), starts.end()));

    // Delete takes the row that was chosen, wherever sorting put it; the order stays.
    const int chosenRow = 5;
    const int chosenId = grid->model()->index(chosenRow, 0).data().toInt();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(chosenRow, user)).center());
    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdDeleteTime"))->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {chosenId}), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 39);
    QCOMPARE(grid->model()->rowCount(), 39);
    QVERIFY(grid->model()->index(chosenRow, 0).data().toInt() != chosenId);
    QCOMPARE(header->sortIndicatorSection(), int(TimeRecordsModel::StartColumn));
    QVERIFY(!grid->horizontalScrollBar()->isVisible());
}

void TimeRecordsTest::readOnlyWhileThePageShows() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int build = f.addCategory(QStringLiteral("Build"));
    f.addTime(design, ann, at(1, 9, 0), at(1, 10, 0), 60);
    f.addTime(build, ann, at(1, 11, 0), at(1, 12, 0), 60);
    QVERIFY(f.load());
    QCOMPARE(f.window().tabs->currentIndex(), int(frmMain::TasksTab));
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    auto& model = f.window().timeRecords().model();
    // Nothing is read at start while the page is out of sight.
    QCOMPARE(model.rowCount(), 0);

    // Rows written after the start, and a category chosen on the Tasks page, are what the page
    // shows when it is chosen.
    f.addTime(build, ann, at(2, 9, 0), at(2, 9, 20), 20);
    f.window().categories().selectCategoryByNode(
        f.window().categoryTree->node(QStringLiteral("id_%1").arg(build)));
    QCOMPARE(model.rowCount(), 0);
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QCOMPARE(grid->model(), &model);
    QVERIFY(!grid->isHidden());
    QCOMPARE(cells(grid).size(), 2);
    QCOMPARE(cells(grid).last().at(3), QStringLiteral("00:20"));
    QCOMPARE(f.window().lblTitle->text(), QStringLiteral("Data Reports for Build"));

    // Back on the Tasks page a finished task is not read into the hidden grid, until the page
    // shows again.
    f.window().tabs->setCurrentIndex(frmMain::TasksTab);
    f.addTime(build, ann, at(3, 9, 0), at(3, 9, 40), 40);
    const quint64 statements = f.window().database().statementCount();
    f.window().timeRecords().viewCategoryTimes();
    QCOMPARE(f.window().database().statementCount(), statements);
    QCOMPARE(model.rowCount(), 2);
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QCOMPARE(cells(grid).size(), 3);
    QCOMPARE(cells(grid).last().at(3), QStringLiteral("00:40"));
}

void TimeRecordsTest::othersTimeFollowsWhileShown() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.addTime(design, ann, at(1, 9, 0), at(1, 10, 0), 60);
    QVERIFY(f.load());
    frmMain& window = f.window();
    window.tabs->setCurrentIndex(frmMain::ReportsTab);
    f.systemTick();
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    clickCell(grid, 0, 2);

    // Bob's instance, on a connection of its own, records an hour and takes it back; the grid
    // follows on the next tick, keeping the row Ann chose.
    const int bobs = f.addTime(design, bob, at(2, 9, 0), at(2, 10, 0), 60);
    f.systemTick();
    QCOMPARE(cells(grid).size(), 2);
    QCOMPARE(cells(grid).last().at(4), QStringLiteral("Bob"));
    QCOMPARE(grid->currentIndex().row(), 0);
    QVERIFY(f.control<QPushButton>(QStringLiteral("cmdDeleteTime"))->isVisible());
    f.database().execute(QStringLiteral("delete from tallyRec where timeId = ?"), {bobs});
    f.systemTick();
    QCOMPARE(cells(grid).size(), 1);

    // The timesheet too.
    window.tabs->setCurrentIndex(frmMain::TimesheetTab);
    f.addTime(design, bob, at(7, 8, 0), at(7, 9, 30), 90);
    f.systemTick();
    QVERIFY(f.control<QLabel>(QStringLiteral("lblTimesheetTotal"))
                ->text()
                .startsWith(QStringLiteral("Total: 01:30")));

    // A page out of sight reads nothing: such a tick costs what a quiet one does, and the one
    // read of the running tasks that written time calls for.
    window.tabs->setCurrentIndex(frmMain::TasksTab);
    auto tickCost = [&] {
        const quint64 before = window.database().statementCount();
        f.systemTick();
        return window.database().statementCount() - before;
    };
    const quint64 quiet = tickCost();
    f.addTime(design, bob, at(7, 9, 30), at(7, 9, 45), 15);
    QCOMPARE(tickCost(), quiet + 1);
}

QTEST_MAIN(TimeRecordsTest)
#include "tst_timerecords.moc"
