#include "MainWindowFixture.h"
#include "data/Numbers.h"
#include "reports/ProductivityChart.h"
#include "reports/ProductivityPage.h"
#include "reports/ProductivityPicture.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

namespace {

QDateTime at(int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

// Two users, a category with a sub-category, and four days of time.
struct Chart {
    MainWindowFixture f;
    int ann = 0, bob = 0, design = 0, build = 0;

    Chart() {
        ann = f.addUser(QStringLiteral("Ann"));
        bob = f.addUser(QStringLiteral("Bob"));
        f.settings.setUser(QStringLiteral("Ann"));
        // At least 40 hours a week, at most 8 hours a day.
        design = f.addCategory(QStringLiteral("Design"), 0, 0, 40, 2, 8, 1);
        // At least 10 hours a month, at most 30 a fortnight.
        build = f.addCategory(QStringLiteral("Build"), design, 0, 10, 4, 30, 3);
        f.addTime(design, ann, at(11, 30, 9), at(11, 30, 10), 60);
        f.addTime(design, bob, at(12, 1, 0), at(12, 1, 1, 30), 90);
        f.addTime(build, ann, at(12, 1, 14), at(12, 1, 14, 45), 45);
        f.addTime(build, bob, at(12, 3, 8), at(12, 3, 12), 240);
    }

    bool load() {
        if (!f.load()) {
            return false;
        }
        QCoreApplication::processEvents();
        return true;
    }
    ProductivityPage& page() { return *f.window().productivityPage; }
    ProductivityChart& chart() { return f.window().productivityChart(); }
    QComboBox* users() { return page().cboUserProductivity; }
    QComboBox* categories() { return page().cboCategoryProductivity; }
    void showPage() { f.window().tabs->setCurrentIndex(frmMain::ProductivityTab); }
    QString details() { return f.window().lblDetails->text(); }
};

QColor pixel(const QImage& image, int x, qint64 y) {
    return image.pixelColor(x, int(y));
}

} // namespace

// The Productivity page: the lists that choose the data, the captions and colour keys, the
// hint, scrolling, and the picture itself.
class ProductivityChartTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void everythingInBothLists();
    void userAndCategoryChosen();
    void categoriesOfOneName();
    void hintWhenNothingMatches();
    void drawsWhenThePageShows();
    void scrollingAndResizing();
    void pictureShowsBandsBarsAndLines();
    void longRangeShowsItsLatestDays();
    void chosenCategoryIsWhereWorkStarts();
    void startsStoredAsBareDates();
    void unreadableStartsAreLeftOut();
};

void ProductivityChartTest::everythingInBothLists() {
    Chart c;
    QVERIFY(c.load());
    c.users()->setCurrentIndex(0);
    c.categories()->setCurrentIndex(0);
    QCOMPARE(c.categories()->currentText(), QStringLiteral("- All -"));
    c.showPage();

    QCOMPARE(c.f.window().lblTitle->text(), QStringLiteral("Productivity Charting"));
    QCOMPARE(c.details(), QStringLiteral("Productivity chart for time spent on all categories for "
                                         "all users\r\nPeriod Start: 30 Nov 2026 Period End: "
                                         "03 Dec 2026"));
    // 343 + 20 minutes a day expected, 480 + 128.57 allowed.
    QCOMPARE(c.page().minProdColourKey->text(), QStringLiteral("Min: 06:03"));
    QCOMPARE(c.page().maxProdColourKey->text(), QStringLiteral("Max: 10:09"));
    // Every row counts, on the day it started.
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{60, 135, 0, 240}));

    const ProductivityPicture* picture = c.page().picProd;
    QVERIFY(picture->showsChart());
    const ProductivityLayout& drawn = picture->chart();
    QCOMPARE(drawn.innerHeight, c.page().picProdFrame->height());
    QCOMPARE(picture->height(), c.page().picProdFrame->height());
    QCOMPARE(drawn.bars.size(), std::size_t(4));
    // Four days fit: the drawing fills the viewport and does not scroll.
    QCOMPARE(picture->width(), c.page().picProdFrame->width());
    QCOMPARE(c.page().prodScroll->maximum(), 0);
}

void ProductivityChartTest::userAndCategoryChosen() {
    Chart c;
    QVERIFY(c.load());
    c.showPage();
    // Start-up chose the current user and the first category.
    QCOMPARE(c.users()->currentText(), QStringLiteral("Ann"));
    QCOMPARE(c.categories()->currentText(), QStringLiteral("Design"));
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{60}));
    QCOMPARE(c.page().maxProdColourKey->text(), QStringLiteral("Max: 08:00"));
    QCOMPARE(c.page().minProdColourKey->text(), QStringLiteral("Min: 05:43"));

    // A user alone: that user's rows, every category's allocations.
    c.categories()->setCurrentIndex(0);
    c.users()->setCurrentIndex(c.users()->findText(QStringLiteral("Bob")));
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{90, 0, 240}));
    QCOMPARE(c.page().maxProdColourKey->text(), QStringLiteral("Max: 10:09"));
    QVERIFY(c.details().startsWith(
        QStringLiteral("Productivity chart for time spent on all categories for Bob\r\n")));
    QVERIFY(c.details().endsWith(QStringLiteral("Period Start: 01 Dec 2026 Period End: "
                                                "03 Dec 2026")));

    // Both: the sub-category's entry is indented; the caption is not. Choosing it makes it the
    // window's category.
    c.categories()->setCurrentIndex(c.categories()->findText(QStringLiteral("    Build")));
    QCOMPARE(c.f.state().selectedCategory->categoryId, c.build);
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{240}));
    QCOMPARE(c.page().maxProdColourKey->text(), QStringLiteral("Max: 02:09"));
    QCOMPARE(c.details(), QStringLiteral("Productivity chart for time spent on Build for Bob\r\n"
                                         "Period Start: 03 Dec 2026 Period End: 03 Dec 2026"));
    // One day: one bar, and nothing to scroll.
    QCOMPARE(c.page().picProd->chart().bars.size(), std::size_t(1));
    QCOMPARE(c.page().prodScroll->maximum(), 0);

    // Choosing the same entry again draws again, with what the database holds now.
    c.f.addTime(c.build, c.bob, at(12, 3, 13), at(12, 3, 14), 60);
    QCoreApplication::processEvents();
    emit c.categories()->activated(c.categories()->currentIndex());
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{300}));
}

void ProductivityChartTest::categoriesOfOneName() {
    Chart c;
    const int first = c.f.addCategory(QStringLiteral("Twin"));
    const int second = c.f.addCategory(QStringLiteral("Twin"), c.design);
    c.f.addTime(first, c.ann, at(12, 5, 9), at(12, 5, 10), 60);
    c.f.addTime(second, c.ann, at(12, 6, 9), at(12, 6, 11), 120);
    QVERIFY(c.load());
    c.showPage();
    c.categories()->setCurrentIndex(c.categories()->findText(QStringLiteral("    Twin")));
    QCOMPARE(c.f.state().selectedCategory->categoryId, second);
    QCOMPARE(c.chart().data().firstStart, at(12, 6, 9));
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{120}));
    c.categories()->setCurrentIndex(c.categories()->findText(QStringLiteral("Twin")));
    QCOMPARE(c.f.state().selectedCategory->categoryId, first);
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{60}));
}

void ProductivityChartTest::hintWhenNothingMatches() {
    Chart c;
    const int idle = c.f.addCategory(QStringLiteral("Idle"));
    QVERIFY(c.load());
    c.showPage();
    c.page().prodScroll->setMaximum(300);
    c.page().prodScroll->setValue(120);
    c.categories()->setCurrentIndex(c.categories()->findText(QStringLiteral("Idle")));
    QCOMPARE(c.f.state().selectedCategory->categoryId, idle);

    const ProductivityPicture* picture = c.page().picProd;
    QVERIFY(!picture->showsChart());
    QCOMPARE(picture->hint(), QStringLiteral("Select a category with time data"));
    QCOMPARE(c.page().prodScroll->maximum(), 0);
    QCOMPARE(picture->geometry(), c.page().picProdFrame->rect());
    const QPoint hint = picture->hintPosition();
    const QFontMetrics metrics = picture->fontMetrics();
    // The hint is there to be read: dark text in the middle of the white picture.
    const QImage image = c.page().picProdFrame->grab().toImage();
    bool dark = false;
    for (int x = hint.x(); x < picture->width() / 2 && !dark; ++x) {
        for (int y = hint.y(); y < hint.y() + metrics.height() && !dark; ++y) {
            dark = image.pixelColor(x, y).lightness() < 128;
        }
    }
    QVERIFY(dark);

    // Back to a category with time: drawn again.
    c.categories()->setCurrentIndex(c.categories()->findText(QStringLiteral("Design")));
    QVERIFY(picture->showsChart());
}

void ProductivityChartTest::drawsWhenThePageShows() {
    Chart c;
    QVERIFY(c.load());
    // Out of sight, the lists change without drawing...
    c.users()->setCurrentIndex(c.users()->findText(QStringLiteral("Bob")));
    QVERIFY(!c.chart().data().hasRows);
    QVERIFY(!c.page().picProd->showsChart());
    // ...though choosing a category still makes it the window's, shown as a click in the tree
    // shows it.
    c.categories()->setCurrentIndex(c.categories()->findText(QStringLiteral("    Build")));
    QCOMPARE(c.f.state().selectedCategory->categoryId, c.build);
    QCOMPARE(c.f.window().lblTitle->text(), QStringLiteral("Build"));

    // Choosing the page draws what the lists say.
    c.showPage();
    QVERIFY(c.page().picProd->showsChart());
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{240}));

    // Drawn while another page shows, the captions stay as they are; the keys follow.
    c.f.window().tabs->setCurrentIndex(frmMain::TasksTab);
    c.f.window().lblTitle->setText(QStringLiteral("Elsewhere"));
    c.categories()->setCurrentIndex(0);
    c.chart().loadProductivityChart();
    QCOMPARE(c.f.window().lblTitle->text(), QStringLiteral("Elsewhere"));
    QCOMPARE(c.page().maxProdColourKey->text(), QStringLiteral("Max: 10:09"));
}

void ProductivityChartTest::scrollingAndResizing() {
    Chart c;
    // A hundred days for Ann.
    for (int day = 0; day < 100; ++day) {
        const QDateTime start(QDate(2026, 6, 1).addDays(day), QTime(9, 0));
        c.f.addTime(c.design, c.ann, start, start.addSecs(3600), 60);
    }
    QVERIFY(c.load());
    c.showPage();
    QCOMPARE(c.chart().data().days(), 183); // 1 June to 30 November
    ProductivityPicture* picture = c.page().picProd;
    QScrollBar* scroll = c.page().prodScroll;
    const int viewport = c.page().picProdFrame->width();
    QCOMPARE(picture->width(), 183 * 20);
    QCOMPARE(scroll->maximum(), 183 * 20 - viewport);
    QCOMPARE(scroll->pageStep(), int(*Numbers::roundHalfEven(scroll->maximum() / 10.0 + 1)));

    scroll->setValue(0);
    QCOMPARE(picture->x(), 0);
    scroll->setValue(700);
    QCOMPARE(picture->x(), -700);
    scroll->setValue(scroll->maximum());
    QCOMPARE(picture->x() + picture->width(), viewport); // the last days in view

    // A redraw keeps the place; a larger window a taller picture with the maximum at mid-height.
    c.chart().loadProductivityChart();
    QCOMPARE(picture->x(), -scroll->value());
    c.f.window().resize(c.f.window().width() + 200, c.f.window().height() + 120);
    QCoreApplication::processEvents();
    const int height = c.page().picProdFrame->height();
    QCOMPARE(picture->height(), height);
    QCOMPARE(picture->chart().innerHeight, height);
    QCOMPARE(picture->chart().maximumLevel, *Numbers::roundHalfEven(height / 2.0));
    QCOMPARE(scroll->maximum(), 183 * 20 - c.page().picProdFrame->width());
    QCOMPARE(picture->x(), -scroll->value());
}

void ProductivityChartTest::pictureShowsBandsBarsAndLines() {
    Chart c;
    // From 30 January: the February line falls on the third bar.
    c.f.addTime(c.design, c.ann, QDateTime(QDate(2026, 1, 30), QTime(9, 0)),
                QDateTime(QDate(2026, 1, 30), QTime(17, 0)), 480);
    c.f.addTime(c.design, c.ann, QDateTime(QDate(2026, 2, 1), QTime(9, 0)),
                QDateTime(QDate(2026, 2, 1), QTime(11, 0)), 120);
    c.f.addTime(c.design, c.ann, QDateTime(QDate(2026, 2, 2), QTime(9, 0)),
                QDateTime(QDate(2026, 2, 2), QTime(9, 30)), 30);
    QVERIFY(c.load());
    c.f.database().execute(QStringLiteral("delete from tallyRec where startTime > ?"),
                           {QDateTime(QDate(2026, 3, 1), QTime(0, 0))});
    c.showPage();
    const ProductivityPicture* picture = c.page().picProd;
    const ProductivityLayout& chart = picture->chart();
    QCOMPARE(chart.bars.size(), std::size_t(4));
    QCOMPARE(chart.months.size(), std::size_t(2));
    QCOMPARE(chart.months.at(1).x, 40);
    const QImage image = c.page().picProdFrame->grab().toImage();
    const int bottom = chart.innerHeight - 1;

    // 30 January: 8 hours, the maximum, reaches mid-height.
    QCOMPARE(chart.bars.at(0).height, chart.maximumLevel);
    QCOMPARE(pixel(image, 10, bottom), ProductivityPicture::BarColour);
    QCOMPARE(pixel(image, 10, chart.maximumTop() + 2), ProductivityPicture::BarColour);
    QCOMPARE(pixel(image, 10, chart.maximumTop() - 3), QColor(Qt::white));
    // 31 January, nothing: the blue band under the minimum, red up to the maximum, white above.
    QCOMPARE(pixel(image, 30, bottom), ProductivityPicture::MinimumColour);
    QCOMPARE(pixel(image, 30, chart.minimumTop() + 2), ProductivityPicture::MinimumColour);
    QCOMPARE(pixel(image, 30, chart.minimumTop() - 2), ProductivityPicture::MaximumColour);
    QCOMPARE(pixel(image, 30, chart.maximumTop() + 2), ProductivityPicture::MaximumColour);
    QCOMPARE(pixel(image, 30, chart.maximumTop() - 3), QColor(Qt::white));
    // The level lines.
    QCOMPARE(pixel(image, 30, chart.minimumTop()), QColor(Qt::black));
    QCOMPARE(pixel(image, 30, chart.maximumTop()), QColor(Qt::black));
    // The dotted line at the left edge of 1 February's bar: grey dots above the bands.
    int dots = 0;
    for (int y = 0; y < chart.maximumTop() - 2; ++y) {
        dots += pixel(image, 40, y) == ProductivityPicture::MonthLineColour ? 1 : 0;
    }
    QVERIFY(dots > 2);
    QCOMPARE(pixel(image, 50, bottom), ProductivityPicture::BarColour);
    // Beyond the last day the picture stays white.
    QCOMPARE(pixel(image, 100, bottom), QColor(Qt::white));
    QCOMPARE(pixel(image, 100, chart.minimumTop()), QColor(Qt::white));
    // Day numbers at the top of each column.
    bool numberInk = false;
    for (int x = 0; x < 20 && !numberInk; ++x) {
        for (int y = 0; y < picture->fontMetrics().height() && !numberInk; ++y) {
            numberInk = image.pixelColor(x, y).lightness() < 128;
        }
    }
    QVERIFY(numberInk);
}

void ProductivityChartTest::longRangeShowsItsLatestDays() {
    Chart c;
    // A start a century and more back, typed wrongly.
    c.f.addTime(c.design, c.ann, QDateTime(QDate(1901, 3, 4), QTime(9, 0)),
                QDateTime(QDate(1901, 3, 4), QTime(10, 0)), 60);
    QVERIFY(c.load());
    c.showPage();
    const ProductivityData& data = c.chart().data();
    QVERIFY(data.shortened());
    QCOMPARE(data.days(), ProductivityData::MaxDays);
    QCOMPARE(data.lastDay(), QDate(2026, 11, 30));
    QCOMPARE(data.firstDay, QDate(2026, 11, 30).addDays(-(ProductivityData::MaxDays - 1)));
    QVERIFY(c.details().contains(QStringLiteral("Period Start: 04 Mar 1901 Period End: 30 Nov "
                                                "2026")));
    QVERIFY(c.details().endsWith(
        QStringLiteral("\r\nThe period is too long to chart whole: the chart shows its last "
                       "36,500 days, from %1.")
            .arg(QLocale().toString(data.firstDay, QStringLiteral("dd MMM yyyy")))));

    ProductivityPicture* picture = c.page().picProd;
    QScrollBar* scroll = c.page().prodScroll;
    QCOMPARE(picture->width(), ProductivityData::MaxDays * 20);
    QCOMPARE(scroll->maximum(), picture->width() - c.page().picProdFrame->width());
    // The latest days, in view, are painted like any others.
    scroll->setValue(scroll->maximum());
    const QImage image = c.page().picProdFrame->grab().toImage();
    const ProductivityLayout& chart = picture->chart();
    const int lastBar = chart.bars.back().x + picture->x() + 10;
    QCOMPARE(lastBar, c.page().picProdFrame->width() - 10);
    QCOMPARE(pixel(image, lastBar, chart.innerHeight - 1), ProductivityPicture::BarColour);
}

void ProductivityChartTest::chosenCategoryIsWhereWorkStarts() {
    Chart c;
    QVERIFY(c.load());
    auto* newTask = c.f.control<QGroupBox>(QStringLiteral("fraNewTask"));
    QCOMPARE(newTask->title(), QStringLiteral("Start working on Design"));
    c.users()->setCurrentIndex(0);
    for (const bool pageShowing : {true, false}) {
        if (pageShowing) {
            c.showPage();
        } else {
            c.f.window().tabs->setCurrentIndex(frmMain::TasksTab);
        }
        const int chosen = pageShowing ? c.build : c.design;
        const QString name = pageShowing ? QStringLiteral("Build") : QStringLiteral("Design");
        c.categories()->setCurrentIndex(c.categories()->findData(chosen));
        QCOMPARE(c.f.state().selectedCategory->categoryId, chosen);
        // Shown as a click in the tree shows it.
        QCOMPARE(newTask->title(), QStringLiteral("Start working on ") + name);
        QCOMPARE(c.f.window().categoryTree->selectedNode()->key(),
                 QStringLiteral("id_%1").arg(chosen));
    }
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{45, 0, 240}));
    c.f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    QCOMPARE(c.f.count(QStringLiteral("tallyRec"),
                       QStringLiteral("endTime is null and "
                                      "categoryId = ?"),
                       {c.design}),
             1);
}

void ProductivityChartTest::startsStoredAsBareDates() {
    Chart c;
    // Midnight of 2 December, written as the date alone: it is a start on the 2nd.
    c.f.database().execute(QStringLiteral("insert into tallyRec (startTime, endTime, duration, "
                                          "categoryId, userId) values (?, ?, 30, ?, ?)"),
                           {QStringLiteral("2026-12-02"), at(12, 2, 0, 30), c.design, c.ann});
    QVERIFY(c.load());
    c.users()->setCurrentIndex(0);
    c.categories()->setCurrentIndex(0);
    c.showPage();
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{60, 135, 30, 240}));
    QCOMPARE(c.chart().data().unreadableRows, 0);
    // The range starts and ends on such a day too.
    c.f.database().execute(QStringLiteral("update tallyRec set startTime = ? where duration = 60"),
                           {QStringLiteral("2026-11-29")});
    c.chart().loadProductivityChart();
    QCOMPARE(c.chart().data().firstStart, at(11, 29, 0));
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{60, 0, 135, 30, 240}));
    QCOMPARE(c.details(), QStringLiteral("Productivity chart for time spent on all categories for "
                                         "all users\r\nPeriod Start: 29 Nov 2026 Period End: "
                                         "03 Dec 2026"));
}

void ProductivityChartTest::unreadableStartsAreLeftOut() {
    QUILLHOUR_SQLITE_ONLY("a date-time column of the server holds only date-times");
    Chart c;
    const QString insert = QStringLiteral("insert into tallyRec (startTime, endTime, duration, "
                                          "categoryId, userId) values (?, NULL, 600, ?, ?)");
    // Before, among and after the readable starts as text sorts them.
    for (const QString& unreadable : {QStringLiteral(""), QStringLiteral("12/01/2026 09:00"),
                                      QStringLiteral("2026-12-32"), QStringLiteral("yesterday")}) {
        c.f.database().execute(insert, {unreadable, c.build, c.ann});
    }
    // A time that cannot be read after a day that can: the row counts on that day.
    c.f.database().execute(insert, {QStringLiteral("2026-12-02 at nine"), c.build, c.ann});
    QVERIFY(c.load());
    c.users()->setCurrentIndex(0);
    c.showPage();
    c.categories()->setCurrentIndex(c.categories()->findData(c.build));
    QVERIFY(c.page().picProd->showsChart());
    QCOMPARE(c.chart().data().firstStart, at(12, 1, 14));
    QCOMPARE(c.chart().data().lastStart, at(12, 3, 8));
    QCOMPARE(c.chart().data().dayTotals, (std::vector<qint64>{45, 600, 240}));
    QCOMPARE(c.details(),
             QStringLiteral("Productivity chart for time spent on Build for all users\r\n"
                            "Period Start: 01 Dec 2026 Period End: 03 Dec 2026\r\n"
                            "4 rows with unreadable start times are left out"));

    // Nothing readable left: the hint, and the caption says why.
    c.f.database().execute(QStringLiteral(
        "delete from tallyRec where duration <> 600 or startTime like '2026-12-02%'"));
    c.chart().loadProductivityChart();
    QVERIFY(!c.page().picProd->showsChart());
    QCOMPARE(c.page().picProd->hint(), QStringLiteral("Select a category with time data"));
    QCOMPARE(c.details(), QStringLiteral("4 rows with unreadable start times are left out"));
    c.f.database().execute(QStringLiteral("delete from tallyRec where startTime <> ''"));
    c.chart().loadProductivityChart();
    QCOMPARE(c.details(), QStringLiteral("1 row with an unreadable start time is left out"));
}

QTEST_MAIN(ProductivityChartTest)
#include "tst_productivitychart.moc"
