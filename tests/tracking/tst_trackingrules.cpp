#include "TestEnvironment.h"
#include "data/category.h"
#include "tracking/AllocationCheck.h"
#include "tracking/ReminderRule.h"
#include "tracking/TaskProgress.h"

#include <QtTest>

// The rules of time tracking that need no window: when reminders come, what the progress bars
// read, the measures of allocated time and the start-up check.
class TrackingRulesTest : public QObject {
    Q_OBJECT

private slots:
    void reminderRule();
    void periodSumsCountWholeDays();
    void barsShareASumOfOnePeriod();
    void expectedMinutes();
    void findingEdges();
    void groupedCheckEqualsOneByOne();
    void checkSkipsWhatItCannotMeasure();
    void checkSumsOnlyWhatCanStillRecord();
};

void TrackingRulesTest::reminderRule() {
    // The window's tests follow reminders minute by minute; these are the edges.
    QCOMPARE(ReminderRule::frequency(QStringLiteral(" 15 ")), std::optional<int>(15));
    for (const char* bad : {"", "ten", "0", "-5", "99999999999999"}) {
        QVERIFY2(!ReminderRule::frequency(QString::fromLatin1(bad)), bad);
    }
    QVERIFY(!ReminderRule::isDue(10, 0, true, true, std::nullopt));
    // A clock set back makes no negative minute due, nor minute 0.
    QVERIFY(!ReminderRule::isDue(0, 0, true, true, 10));
    QVERIFY(!ReminderRule::isDue(-10, 0, true, true, 10));
    QCOMPARE(ReminderRule::countAfter(25, std::nullopt), 0);
    // 87 minutes of 5 hours is 29 %, though 0.29 * 100 is a hair below 29 in binary.
    QCOMPARE(TaskProgress::percentText(87.0 / 300.0, QStringLiteral("5")),
             QStringLiteral("29 % of 5 hours"));
}

void TrackingRulesTest::periodSumsCountWholeDays() {
    TestEnvironment env; // Monday 7 Dec 2026, 10:00
    const int user = env.addUser(QStringLiteral("Ann"));
    const int design = env.addCategory(QStringLiteral("Design"));
    const int other = env.addCategory(QStringLiteral("Other"));
    auto at = [](int day, int hour, int minute) {
        return QDateTime(QDate(2026, 12, day), QTime(hour, minute));
    };
    env.addTime(design, user, at(1, 0, 0), at(1, 0, 10), 10);  // first day of the week
    env.addTime(design, user, at(1, 23, 59), at(2, 0, 5), 20); // ditto, ends the next day
    env.addTime(design, user, at(1, 0, 0).addSecs(-60), at(1, 0, 0), 40); // the day before
    env.addTime(design, user, at(7, 9, 0), at(7, 9, 30), 30);             // today
    env.addTime(design, user, at(8, 0, 0), at(8, 0, 50), 50);             // tomorrow's first moment
    env.addTime(design, user, at(8, 0, 1), at(8, 1, 0), 60);              // beyond it
    env.addTime(other, user, at(7, 8, 0), at(7, 9, 0), 100);              // another category
    env.addOpenTime(design, user, at(7, 9, 45));                          // still running

    Database& db = env.database();
    // 7 days: from Tuesday 1 Dec 00:00 to Tuesday 8 Dec 00:00, both ends included.
    QCOMPARE(AllocationCheck::getCategoryPeriodTimeWorked(db, env.clock, design, 7),
             qint64(10 + 20 + 30 + 50));
    QCOMPARE(AllocationCheck::getCategoryPeriodTimeWorked(db, env.clock, design, 1),
             qint64(30 + 50));
    QCOMPARE(AllocationCheck::getCategoryPeriodTimeWorked(db, env.clock, design, 0), qint64(0));
    QCOMPARE(AllocationCheck::getCategoryPeriodTimeWorked(db, env.clock, 999, 7), qint64(0));
    QCOMPARE(AllocationCheck::getCategoryTotalTimeWorked(db, design),
             qint64(10 + 20 + 40 + 30 + 50 + 60));
    QCOMPARE(AllocationCheck::getCategoryTotalTimeWorked(db, 999), qint64(0));

    // Any notification of the type counts, deleted or not.
    env.addNotification(user, user, design, 1, QStringLiteral("x"), QStringLiteral("Deleted"));
    QVERIFY(AllocationCheck::notificationExists(db, 1, design));
    QVERIFY(!AllocationCheck::notificationExists(db, 2, design));
    QVERIFY(!AllocationCheck::notificationExists(db, 1, other));
}

void TrackingRulesTest::barsShareASumOfOnePeriod() {
    TestEnvironment env;
    const int user = env.addUser(QStringLiteral("Ann"));
    const int id = env.addCategory(QStringLiteral("Build"));
    const QDateTime today = env.clock.now().addSecs(-3 * 3600);
    env.addTime(id, user, today, today.addSecs(3600), 60);

    // A minimum of 1 hour a day, passed by today's hour and the running task, and a maximum of
    // 5 hours a day: one sum serves both bars.
    category build(env.context());
    build.categoryId = id;
    build.minAllocation = 1;
    build.minAllocationPeriod = 1;
    build.maxAllocation = 5;
    build.maxAllocationPeriod = 1;
    const quint64 before = env.database().statementCount();
    const TaskProgress::Bars bars = TaskProgress::measure(env.database(), env.clock, build, 1);
    QCOMPARE(env.database().statementCount() - before, quint64(1));
    QCOMPARE(bars.minimum, 61.0 / 60.0);
    QVERIFY(bars.maximumShown);
    QCOMPARE(bars.maximum, 61.0 / 300.0);
}

void TrackingRulesTest::expectedMinutes() {
    QCOMPARE(AllocationCheck::expectedMinutes(2, 7, 7), qint64(120));
    QCOMPARE(AllocationCheck::expectedMinutes(2, 7, 0), qint64(0));
    QCOMPARE(AllocationCheck::expectedMinutes(1, 30, 45), qint64(90));
    // 1/8 of an hour is 7.5 minutes: the half goes to the even 8; 3/8 (22.5) to 22.
    QCOMPARE(AllocationCheck::expectedMinutes(1, 8, 1), qint64(8));
    QCOMPARE(AllocationCheck::expectedMinutes(3, 8, 1), qint64(22));
    QCOMPARE(AllocationCheck::expectedMinutes(5, 0, 10), qint64(0));
}

void TrackingRulesTest::findingEdges() {
    // The texts are checked where the window records them; here, when there is nothing to say.
    TestEnvironment env;
    category c(env.context());
    c.categoryId = 4;
    c.ownerUserId = 9;
    c.minAllocation = 2;
    c.minAllocationPeriod = 7;
    c.maxAllocation = 1;
    c.maxAllocationPeriod = 1;
    c.startDate = QDateTime(QDate(2026, 11, 23), QTime(9, 0));
    const QDateTime now(QDate(2026, 12, 7), QTime(10, 0));

    // 14 days: 240 minutes expected at least, 840 at most.
    QCOMPARE(AllocationCheck::evaluate(c, 239, false, false, now).size(), std::size_t(1));
    QCOMPARE(AllocationCheck::evaluate(c, 841, false, false, now).size(), std::size_t(1));
    // Exactly at either end is neither short nor over.
    QVERIFY(AllocationCheck::evaluate(c, 240, false, false, now).empty());
    QVERIFY(AllocationCheck::evaluate(c, 840, false, false, now).empty());
    // Already told: nothing again, whatever the numbers.
    QVERIFY(AllocationCheck::evaluate(c, 75, true, false, now).empty());
    QVERIFY(AllocationCheck::evaluate(c, 900, false, true, now).empty());
    // Started today: nothing is expected yet.
    c.startDate = now.addSecs(-3600);
    QVERIFY(AllocationCheck::evaluate(c, 0, false, false, now).empty());
    QVERIFY(AllocationCheck::evaluate(c, 5000, false, false, now).empty());
}

void TrackingRulesTest::groupedCheckEqualsOneByOne() {
    TestEnvironment env;
    const QDateTime now = env.clock.now();
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int bob = env.addUser(QStringLiteral("Bob"));
    const QDateTime started = now.addDays(-20);
    std::vector<std::unique_ptr<category>> records;
    // More categories than one query takes, with every kind of case among them.
    for (int i = 0; i < 130; ++i) {
        const int owner = i % 5 == 0 ? 0 : (i % 2 == 0 ? ann : bob);
        const int minHours = i % 3; // 0, 1 or 2 hours
        const int maxHours = i % 4 == 0 ? 0 : 3;
        const int id = env.addCategory(QStringLiteral("C%1").arg(i), 0, owner, minHours, 2,
                                       maxHours, 1, started.addDays(i % 7));
        auto record = std::make_unique<category>(env.context());
        record->categoryId = id;
        record->categoryName = QStringLiteral("C%1").arg(i);
        record->ownerUserId = owner;
        record->minAllocation = minHours;
        record->minAllocationPeriod = 7;
        record->maxAllocation = maxHours;
        record->maxAllocationPeriod = i == 7 ? 0 : 1; // one whose period names nothing
        record->startDate = started.addDays(i % 7);
        // Time from nothing to well over the maximum, some of it still running.
        for (int row = 0; row < i % 6; ++row) {
            const QDateTime from = started.addDays(row * 3);
            env.addTime(id, row % 2 == 0 ? ann : bob, from, from.addSecs(3600), 45 * i);
        }
        if (i % 9 == 0) {
            env.addOpenTime(id, ann, now.addSecs(-600));
        }
        if (i % 8 == 0) {
            env.addNotification(ann, ann, id, 1, QStringLiteral("x"), QStringLiteral("Deleted"));
        }
        if (i % 11 == 0) {
            env.addNotification(bob, ann, id, 2, QStringLiteral("y"));
        }
        if (i % 4 == 1) {
            // Told of both already, whatever became of the notices: nothing left to record.
            env.addNotification(ann, bob, id, 1, QStringLiteral("x"), QStringLiteral("Read"));
            env.addNotification(ann, bob, id, 2, QStringLiteral("y"), QStringLiteral("Deleted"));
        }
        records.push_back(std::move(record));
    }
    std::vector<const category*> categories;
    for (const auto& record : records) {
        categories.push_back(record.get());
    }
    const QSet<int> managers{ann, bob};

    std::vector<AllocationCheck::Finding> oneByOne;
    for (const category* each : categories) {
        if (!managers.contains(each->ownerUserId)) {
            continue;
        }
        Database& db = env.database();
        for (auto& finding : AllocationCheck::evaluate(
                 *each, AllocationCheck::getCategoryTotalTimeWorked(db, each->categoryId),
                 AllocationCheck::notificationExists(db, 1, each->categoryId),
                 AllocationCheck::notificationExists(db, 2, each->categoryId), now)) {
            oneByOne.push_back(finding);
        }
    }
    const quint64 before = env.database().statementCount();
    const auto grouped =
        AllocationCheck::startupFindings(env.database(), env.clock, categories, managers);
    QVERIFY(env.database().statementCount() - before <= 4);
    QVERIFY(oneByOne.size() > 20); // the case has something to find, of both types
    QVERIFY(
        std::any_of(grouped.begin(), grouped.end(), [](const auto& f) { return f.typeId == 1; }));
    QVERIFY(
        std::any_of(grouped.begin(), grouped.end(), [](const auto& f) { return f.typeId == 2; }));
    QCOMPARE(grouped.size(), oneByOne.size());
    QVERIFY(grouped == oneByOne);
}

void TrackingRulesTest::checkSkipsWhatItCannotMeasure() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const QDateTime now = env.clock.now();
    category unmanaged(env.context());
    unmanaged.categoryId = env.addCategory(QStringLiteral("Unmanaged"), 0, 0, 1, 1);
    unmanaged.minAllocation = 1;
    unmanaged.minAllocationPeriod = 1;
    unmanaged.startDate = now.addDays(-10);
    category goneManager(env.context());
    goneManager.categoryId = env.addCategory(QStringLiteral("Gone"), 0, 77, 1, 1);
    goneManager.ownerUserId = 77;
    goneManager.minAllocation = 1;
    goneManager.minAllocationPeriod = 1;
    goneManager.startDate = now.addDays(-10);
    category noDays(env.context());
    noDays.categoryId = env.addCategory(QStringLiteral("No days"), 0, ann, 1, 1);
    noDays.ownerUserId = ann;
    noDays.minAllocation = 1;
    noDays.minAllocationPeriod = 0;
    noDays.maxAllocation = 1;
    noDays.maxAllocationPeriod = 0;
    noDays.startDate = now.addDays(-10);
    QVERIFY(!AllocationCheck::hasAllocation(noDays));
    QVERIFY(AllocationCheck::startupFindings(env.database(), env.clock,
                                             {&unmanaged, &goneManager, &noDays}, {ann})
                .empty());
    // The same category with its manager known is short of its minimum.
    unmanaged.ownerUserId = ann;
    QCOMPARE(
        AllocationCheck::startupFindings(env.database(), env.clock, {&unmanaged}, {ann}).size(),
        std::size_t(1));
}

void TrackingRulesTest::checkSumsOnlyWhatCanStillRecord() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const QDateTime now = env.clock.now();
    std::vector<std::unique_ptr<category>> records;
    auto add = [&](int minHours, int maxHours) {
        auto record = std::make_unique<category>(env.context());
        record->categoryName = QStringLiteral("C%1").arg(records.size());
        record->categoryId = env.addCategory(record->categoryName, 0, ann, minHours, 1, maxHours, 1,
                                             now.addDays(-30));
        record->ownerUserId = ann;
        record->minAllocation = minHours;
        record->minAllocationPeriod = 1;
        record->maxAllocation = maxHours;
        record->maxAllocationPeriod = 1;
        record->startDate = now.addDays(-30);
        records.push_back(std::move(record));
        return records.back()->categoryId;
    };
    // Far below its minimum and far over its maximum, but told of both long ago.
    const int told = add(2, 0);
    env.addTime(told, ann, now.addDays(-3), now.addDays(-3).addSecs(60), 1);
    env.addNotification(ann, ann, told, 1, QStringLiteral("x"), QStringLiteral("Deleted"));
    const int over = add(0, 1);
    records.back()->minAllocationPeriod = 0;
    env.addTime(over, ann, now.addDays(-3), now.addDays(-3).addSecs(60), 100000);
    env.addNotification(ann, ann, over, 2, QStringLiteral("y"), QStringLiteral("Read"));
    std::vector<const category*> categories{records[0].get(), records[1].get()};

    const quint64 before = env.database().statementCount();
    QVERIFY(AllocationCheck::startupFindings(env.database(), env.clock, categories, {ann}).empty());
    QCOMPARE(env.database().statementCount() - before, quint64(1)); // the notices, no sum

    // A maximum of no hours records nothing, told or not: still no sum.
    add(0, 0);
    records.back()->minAllocationPeriod = 0;
    records.back()->maxAllocation = 0;
    QVERIFY(!AllocationCheck::canStillRecord(*records.back(), false, false));
    QVERIFY(AllocationCheck::canStillRecord(*records[0], false, true));
    QVERIFY(!AllocationCheck::canStillRecord(*records[1], false, true));
    // A minimum of no hours is still summed: a total below nothing is below it.
    records[1]->minAllocationPeriod = 1;
    QVERIFY(AllocationCheck::canStillRecord(*records[1], false, true));
    records[1]->minAllocationPeriod = 0;

    // One that can still be told is summed, and told.
    const int untold = add(0, 1);
    records.back()->minAllocationPeriod = 0;
    env.addTime(untold, ann, now.addDays(-3), now.addDays(-3).addSecs(60), 100000);
    categories.push_back(records.back().get());
    const quint64 again = env.database().statementCount();
    const auto found =
        AllocationCheck::startupFindings(env.database(), env.clock, categories, {ann});
    QCOMPARE(env.database().statementCount() - again, quint64(2));
    QCOMPARE(found.size(), std::size_t(1));
    QCOMPARE(found.front().categoryId, untold);
    QCOMPARE(found.front().typeId, AllocationCheck::AboveMaximum);
}

QTEST_GUILESS_MAIN(TrackingRulesTest)
#include "tst_trackingrules.moc"
