#include "TestEnvironment.h"
#include "data/TimeText.h"
#include "reports/ProductivityData.h"

#include <QtTest>

namespace {

QDateTime at(int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

// The figures the chart reads without a window: the range, the allocation levels and the day
// totals on a small known data set, and where everything goes on a picture of a given size.
struct Known {
    TestEnvironment env;
    int ann = 0, bob = 0, design = 0, build = 0, odd = 0, zero = 0;

    Known() {
        ann = env.addUser(QStringLiteral("Ann"));
        bob = env.addUser(QStringLiteral("Bob"));
        env.database().execute(QStringLiteral("insert into allocationPeriod (allocationPeriodId, "
                                              "days, allocationPeriod) values (7, 120, 'Third')"));
        env.database().execute(QStringLiteral("insert into allocationPeriod (allocationPeriodId, "
                                              "days, allocationPeriod) values (8, 0, 'Nothing')"));
        // 40 hours a week (342.86 minutes a day) at least, 8 hours a day at most.
        design = env.addCategory(QStringLiteral("Design"), 0, 0, 40, 2, 8, 1);
        // 10 hours a month (20 a day), 30 hours a fortnight (128.57 a day).
        build = env.addCategory(QStringLiteral("Build"), 0, 0, 10, 4, 30, 3);
        // Half a minute a day at least; a maximum period that names no row.
        odd = env.addCategory(QStringLiteral("Odd"), 0, 0, 1, 7, 5, 99);
        // Periods of no days add nothing.
        zero = env.addCategory(QStringLiteral("Zero"), 0, 0, 3, 8, 3, 8);

        env.addTime(design, ann, at(11, 30, 9), at(11, 30, 10), 60);
        // Starts on the stroke of midnight: it belongs to 1 December alone.
        env.addTime(design, bob, at(12, 1, 0), at(12, 1, 1, 30), 90);
        env.addTime(build, ann, at(12, 1, 14), at(12, 1, 14, 45), 45);
        env.addTime(build, bob, at(12, 3, 8), at(12, 3, 12), 240);
        env.addOpenTime(design, ann, at(12, 4, 9)); // running: in the range, adds nothing
    }

    ProductivityData read(int userId, int categoryId, int maxDays = ProductivityData::MaxDays) {
        return ProductivityData::read(env.database(), {userId, categoryId}, maxDays);
    }
};

// A data set made by hand, for the layout alone.
ProductivityData days(const QDateTime& first, const QDateTime& last, qint64 minimum,
                      qint64 maximum) {
    ProductivityData data;
    data.hasRows = true;
    data.firstStart = first;
    data.lastStart = last;
    data.minimumPerDay = minimum;
    data.maximumPerDay = maximum;
    data.totalDays = int(first.date().daysTo(last.date())) + 1;
    data.firstDay = first.date();
    data.dayTotals.assign(std::size_t(data.totalDays), 0);
    return data;
}

QList<int> barLefts(const ProductivityLayout& chart) {
    QList<int> lefts;
    for (const auto& bar : chart.bars) {
        lefts.append(bar.x);
    }
    return lefts;
}

} // namespace

class ProductivityDataTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void allocationSums();
    void rangeAndDayTotals();
    void filters();
    void noMatchingRows();
    void longRangeKeepsTheLatestDays();
    void levelsAndBars();
    void monthsAndDays();
    void scrolling();
    void noMaximum();
};

void ProductivityDataTest::allocationSums() {
    Known k;
    qint64 minimum = -1, maximum = -1;
    ProductivityData::readAllocations(k.env.database(), 0, minimum, maximum);
    // 343, then 343 + 20; the odd category's half minute rounds 363.5 to the even 364.
    QCOMPARE(minimum, 364);
    // 480, then 480 + 128.57 = 608.57.
    QCOMPARE(maximum, 609);
    ProductivityData::readAllocations(k.env.database(), k.design, minimum, maximum);
    QCOMPARE(minimum, 343);
    QCOMPARE(maximum, 480);
    ProductivityData::readAllocations(k.env.database(), k.build, minimum, maximum);
    QCOMPARE(minimum, 20);
    QCOMPARE(maximum, 129);
    // Alone, half a minute rounds to the even 0; the missing period adds nothing.
    ProductivityData::readAllocations(k.env.database(), k.odd, minimum, maximum);
    QCOMPARE(minimum, 0);
    QCOMPARE(maximum, 0);
    ProductivityData::readAllocations(k.env.database(), k.zero, minimum, maximum);
    QCOMPARE(minimum, 0);
    QCOMPARE(maximum, 0);
}

void ProductivityDataTest::rangeAndDayTotals() {
    Known k;
    const quint64 before = k.env.database().statementCount();
    const ProductivityData all = k.read(0, 0);
    QCOMPARE(k.env.database().statementCount() - before, quint64(5));
    QVERIFY(all.hasRows);
    QCOMPARE(all.firstStart, at(11, 30, 9));
    QCOMPARE(all.lastStart, at(12, 4, 9)); // the running task's start
    QCOMPARE(all.totalDays, 5);
    QCOMPARE(all.firstDay, QDate(2026, 11, 30));
    QVERIFY(!all.shortened());
    QCOMPARE(all.dayTotals, (std::vector<qint64>{60, 135, 0, 240, 0}));
    QCOMPARE(all.minimumPerDay, 364);
    QCOMPARE(all.maximumPerDay, 609);
}

void ProductivityDataTest::filters() {
    Known k;
    const ProductivityData ann = k.read(k.ann, 0);
    QCOMPARE(ann.firstStart, at(11, 30, 9));
    QCOMPARE(ann.lastStart, at(12, 4, 9));
    QCOMPARE(ann.dayTotals, (std::vector<qint64>{60, 45, 0, 0, 0}));
    // A user alone: the allocations of every category.
    QCOMPARE(ann.maximumPerDay, 609);

    const ProductivityData bob = k.read(k.bob, 0);
    QCOMPARE(bob.firstStart, at(12, 1, 0));
    QCOMPARE(bob.dayTotals, (std::vector<qint64>{90, 0, 240}));

    const ProductivityData design = k.read(0, k.design);
    QCOMPARE(design.dayTotals, (std::vector<qint64>{60, 90, 0, 0, 0}));
    QCOMPARE(design.minimumPerDay, 343);
    QCOMPARE(design.maximumPerDay, 480);

    // Both filters take effect.
    const ProductivityData bobBuild = k.read(k.bob, k.build);
    QCOMPARE(bobBuild.firstStart, at(12, 3, 8));
    QCOMPARE(bobBuild.lastStart, at(12, 3, 8));
    QCOMPARE(bobBuild.totalDays, 1);
    QCOMPARE(bobBuild.dayTotals, (std::vector<qint64>{240}));
    QCOMPARE(bobBuild.maximumPerDay, 129);
    const ProductivityData annDesign = k.read(k.ann, k.design);
    QCOMPARE(annDesign.dayTotals, (std::vector<qint64>{60, 0, 0, 0, 0}));
}

void ProductivityDataTest::noMatchingRows() {
    Known k;
    QVERIFY(!k.read(0, k.odd).hasRows);
    QVERIFY(!k.read(k.bob, k.odd).hasRows);
    TestEnvironment empty;
    QVERIFY(!ProductivityData::read(empty.database(), {}).hasRows);
}

void ProductivityDataTest::longRangeKeepsTheLatestDays() {
    Known k;
    const ProductivityData latest = k.read(0, 0, 3);
    QVERIFY(latest.hasRows);
    QVERIFY(latest.shortened());
    QCOMPARE(latest.totalDays, 5);
    QCOMPARE(latest.days(), 3);
    QCOMPARE(latest.firstDay, QDate(2026, 12, 2));
    QCOMPARE(latest.firstStart, at(11, 30, 9)); // the period itself is still the whole range
    QCOMPARE(latest.dayTotals, (std::vector<qint64>{0, 240, 0}));
    // The rows of the days not charted are readable all the same.
    QCOMPARE(latest.unreadableRows, 0);
    QCOMPARE(k.read(0, 0).unreadableRows, 0);
    const ProductivityLayout chart = latest.layout(300, 40);
    QCOMPARE(chart.drawingWidth, 60);
    QCOMPARE(chart.months.front().name, QStringLiteral("December"));
}

void ProductivityDataTest::levelsAndBars() {
    Known k;
    const ProductivityLayout chart = k.read(0, 0).layout(300, 600);
    // 609 minutes at mid-height: 4.06 minutes a unit.
    QCOMPARE(chart.scale, 609 / 150.0);
    QCOMPARE(chart.maximumLevel, 150);
    QCOMPARE(chart.minimumLevel, 90); // 364 / 4.06 = 89.66
    QCOMPARE(chart.maximumTop(), 150);
    QCOMPARE(chart.minimumTop(), 210);
    QCOMPARE(barLefts(chart), (QList<int>{0, 20, 40, 60, 80}));
    QList<qint64> heights;
    for (const auto& bar : chart.bars) {
        heights.append(bar.height);
    }
    // 60, 135 and 240 minutes at 4.06 a unit: 14.78, 33.25, 59.11.
    QCOMPARE(heights, (QList<qint64>{15, 33, 0, 59, 0}));
    QCOMPARE(chart.bars.at(1).day, QDate(2026, 12, 1));
    QCOMPARE(chart.drawingWidth, 100);
    QCOMPARE(chart.width, 600);
    QCOMPARE(chart.innerHeight, 300);

    // A picture with no height yet: nothing to scale to, and nothing fails.
    const ProductivityLayout flat = k.read(0, 0).layout(0, 600);
    QCOMPARE(flat.maximumLevel, 0);
    QCOMPARE(flat.bars.at(3).height, 0);
}

void ProductivityDataTest::monthsAndDays() {
    // From the 30th of a 31-day month: the heading names January; the line and heading of
    // February stand at the left edge of the third bar.
    const ProductivityLayout january = days(QDateTime(QDate(2026, 1, 30), QTime(16, 0)),
                                            QDateTime(QDate(2026, 2, 2), QTime(8, 0)), 0, 0)
                                           .layout(200, 300);
    QCOMPARE(january.months.size(), std::size_t(2));
    QCOMPARE(january.months.at(0).x, 0);
    QCOMPARE(january.months.at(0).name, QStringLiteral("January"));
    QVERIFY(!january.months.at(0).line);
    QCOMPARE(january.months.at(1).x, 40);
    QCOMPARE(january.months.at(1).name, QStringLiteral("February"));
    QVERIFY(january.months.at(1).line);
    QCOMPARE(january.bars.at(2).x, 40);
    QList<int> numbers;
    for (const auto& bar : january.bars) {
        numbers.append(bar.day.day());
    }
    QCOMPARE(numbers, (QList<int>{30, 31, 1, 2}));

    // Starting on the 1st: one heading, with its line at the left edge.
    const ProductivityLayout march = days(QDateTime(QDate(2026, 3, 1), QTime(9, 0)),
                                          QDateTime(QDate(2026, 3, 3), QTime(9, 0)), 0, 0)
                                         .layout(200, 300);
    QCOMPARE(march.months.size(), std::size_t(1));
    QVERIFY(march.months.front().line);
    QCOMPARE(march.months.front().name, QStringLiteral("March"));

    // Across a year: December, then January of the next.
    const ProductivityLayout turn = days(QDateTime(QDate(2026, 12, 31), QTime(9, 0)),
                                         QDateTime(QDate(2027, 1, 1), QTime(9, 0)), 0, 0)
                                        .layout(200, 300);
    QCOMPARE(turn.months.size(), std::size_t(2));
    QCOMPARE(turn.months.at(1).x, 20);
    QCOMPARE(turn.bars.at(1).day, QDate(2027, 1, 1));
}

void ProductivityDataTest::scrolling() {
    // One day: one bar, a drawing as wide as its viewport, nothing to scroll.
    const ProductivityLayout one = days(QDateTime(QDate(2026, 5, 4), QTime(9, 0)),
                                        QDateTime(QDate(2026, 5, 4), QTime(17, 0)), 60, 120)
                                       .layout(200, 640);
    QCOMPARE(one.bars.size(), std::size_t(1));
    QCOMPARE(one.drawingWidth, 20);
    QCOMPARE(one.width, 640);
    QCOMPARE(one.scrollMaximum, 0);
    QCOMPARE(one.scrollLargeStep, 1);

    // A hundred days in 600 units: 1400 to scroll, in steps of 141.
    const ProductivityData hundred = days(QDateTime(QDate(2026, 1, 1), QTime(9, 0)),
                                          QDateTime(QDate(2026, 4, 10), QTime(9, 0)), 60, 120);
    QCOMPARE(hundred.days(), 100);
    const ProductivityLayout wide = hundred.layout(200, 600);
    QCOMPARE(wide.width, 2000);
    QCOMPARE(wide.scrollMaximum, 1400);
    QCOMPARE(wide.scrollLargeStep, 141);
    // 15 to scroll: 2.5 rounds to the even 2.
    QCOMPARE(hundred.layout(200, 1985).scrollLargeStep, 2);
}

void ProductivityDataTest::noMaximum() {
    ProductivityData data = days(QDateTime(QDate(2026, 5, 4), QTime(9, 0)),
                                 QDateTime(QDate(2026, 5, 5), QTime(9, 0)), 45, 0);
    data.dayTotals = {30, 500};
    const ProductivityLayout chart = data.layout(200, 300);
    // One minute a unit: the red band is empty, the blue one reaches 45 up.
    QCOMPARE(chart.scale, 1.0);
    QCOMPARE(chart.maximumLevel, 0);
    QCOMPARE(chart.minimumLevel, 45);
    QCOMPARE(chart.maximumTop(), 200);
    QCOMPARE(chart.minimumTop(), 155);
    QCOMPARE(chart.bars.at(0).height, 30);
    QCOMPARE(chart.bars.at(1).height, 500); // taller than the picture: cut when painted
}

QTEST_GUILESS_MAIN(ProductivityDataTest)
#include "tst_productivitydata.moc"
