#include "TestEnvironment.h"
#include "data/category.h"
#include "tracking/AllocationCheck.h"
#include "tracking/ReminderRule.h"
#include "tracking/TaskProgress.h"

#include <QtTest>

namespace {

// Runs a task minute by minute, as the timer's ticks would, and lists the minutes at which it
// reminded. prompt switches on at promptFrom.
QList<int> remindedAt(int minutes, std::optional<int> frequency, int promptFrom = 0,
                      int startCount = 0, int firstMinute = 0) {
    QList<int> reminded;
    int count = startCount;
    for (int minute = firstMinute; minute <= minutes; ++minute) {
        // Several ticks fall into each minute; the raised count keeps them from repeating.
        for (int tick = 0; tick < 3; ++tick) {
            if (ReminderRule::isDue(minute, count, minute >= promptFrom, true, frequency)) {
                reminded.append(minute);
                ++count;
            }
        }
    }
    return reminded;
}

} // namespace

// The rules of time tracking that need no window: when reminders come, what the progress bars
// read, the measures of allocated time and the start-up check.
class TrackingRulesTest : public QObject {
    Q_OBJECT

private slots:
    void remindersComeAtEachPeriod();
    void badFrequenciesGiveNoReminders_data();
    void badFrequenciesGiveNoReminders();
    void onlyTheUsersPromptingTasksRemind();

    void percentText_data();
    void percentText();
    void oneOffEntriesEndLater();

    void periodSumsCountWholeDays();
    void barsOfTwoHoursAWeek();
    void barsMeasureTheMaximumOncePassed();

    void totalsAndExistingNotifications();
    void expectedMinutes();
    void findingTexts();
    void groupedCheckEqualsOneByOne();
    void checkSkipsWhatItCannotMeasure();
};

void TrackingRulesTest::remindersComeAtEachPeriod() {
    QCOMPARE(remindedAt(65, 10), (QList<int>{10, 20, 30, 40, 50, 60}));
    // "Remind Me" switched on at minute 35 with the count still 0: minute 40 is due as a
    // multiple of 10 and, on the next tick, of 20; then 60 as a multiple of 30.
    QCOMPARE(remindedAt(79, 10, 35), (QList<int>{40, 40, 60}));
    // Found running after 25 minutes: two periods are behind it, and the next is due at 30.
    QCOMPARE(ReminderRule::countAfter(25, 10), 2);
    QCOMPARE(remindedAt(45, 10, 0, ReminderRule::countAfter(25, 10), 25), (QList<int>{30, 40}));
    QCOMPARE(ReminderRule::countAfter(0, 10), 0);
    QCOMPARE(ReminderRule::countAfter(25, std::nullopt), 0);
}

void TrackingRulesTest::badFrequenciesGiveNoReminders_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << QStringLiteral("   ");
    QTest::newRow("words") << QStringLiteral("ten");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("negative") << QStringLiteral("-5");
    QTest::newRow("huge") << QStringLiteral("99999999999999");
}

void TrackingRulesTest::badFrequenciesGiveNoReminders() {
    QFETCH(QString, text);
    const std::optional<int> frequency = ReminderRule::frequency(text);
    QVERIFY(!frequency);
    QVERIFY(remindedAt(120, frequency).isEmpty());
    QCOMPARE(ReminderRule::frequency(QStringLiteral(" 15 ")), std::optional<int>(15));
}

void TrackingRulesTest::onlyTheUsersPromptingTasksRemind() {
    QVERIFY(ReminderRule::isDue(10, 0, true, true, 10));
    QVERIFY(!ReminderRule::isDue(10, 0, false, true, 10));
    QVERIFY(!ReminderRule::isDue(10, 0, true, false, 10));
    // A clock set back makes no negative minute due, nor minute 0.
    QVERIFY(!ReminderRule::isDue(0, 0, true, true, 10));
    QVERIFY(!ReminderRule::isDue(-10, 0, true, true, 10));
}

void TrackingRulesTest::percentText_data() {
    QTest::addColumn<double>("fraction");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passed");
    QTest::newRow("part") << 0.456 << QStringLiteral("2") << QStringLiteral("45 % of 2 hours")
                          << false;
    QTest::newRow("exactly") << 1.0 << QStringLiteral("2") << QStringLiteral("100 % of 2 hours")
                             << false;
    QTest::newRow("over") << 121.0 / 120.0 << QStringLiteral("2") << QStringLiteral("Complete")
                          << true;
    QTest::newRow("nothing") << 0.0 << QStringLiteral("5") << QStringLiteral("0 % of 5 hours")
                             << false;
    // 87 minutes of 5 hours is 29 %, though 0.29 * 100 is a hair below 29 in binary.
    QTest::newRow("binary") << 87.0 / 300.0 << QStringLiteral("5")
                            << QStringLiteral("29 % of 5 hours") << false;
}

void TrackingRulesTest::percentText() {
    QFETCH(double, fraction);
    QFETCH(QString, total);
    QFETCH(QString, text);
    QFETCH(bool, passed);
    QCOMPARE(TaskProgress::percentText(fraction, total), text);
    QCOMPARE(TaskProgress::passed(fraction), passed);
}

void TrackingRulesTest::oneOffEntriesEndLater() {
    const QDateTime morning(QDate(2026, 12, 7), QTime(10, 15, 30));
    QCOMPARE(TaskProgress::oneOffEnd(morning, 30),
             QDateTime(QDate(2026, 12, 7), QTime(10, 45, 30)));
    const QDateTime late(QDate(2026, 12, 7), QTime(23, 50, 0));
    QCOMPARE(TaskProgress::oneOffEnd(late, 30), QDateTime(QDate(2026, 12, 8), QTime(0, 20, 0)));
    QCOMPARE(TaskProgress::oneOffEnd(late, 1500), QDateTime(QDate(2026, 12, 9), QTime(0, 50, 0)));
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
}

void TrackingRulesTest::barsOfTwoHoursAWeek() {
    TestEnvironment env;
    const int user = env.addUser(QStringLiteral("Ann"));
    const int id = env.addCategory(QStringLiteral("Design"), 0, 0, 2, 2);
    const QDateTime yesterday = env.clock.now().addDays(-1);
    env.addTime(id, user, yesterday, yesterday.addSecs(90 * 60), 90);

    category design(env.context());
    design.categoryId = id;
    design.minAllocation = 2;
    design.minAllocationPeriod = 7;

    TaskProgress::Bars bars = TaskProgress::measure(env.database(), env.clock, design, 30);
    QVERIFY(bars.minimumShown);
    QCOMPARE(bars.minimum, 1.0);
    QCOMPARE(TaskProgress::percentText(bars.minimum, QStringLiteral("2")),
             QStringLiteral("100 % of 2 hours"));
    QVERIFY(!bars.maximumShown);
    QVERIFY(!bars.exceeded);

    bars = TaskProgress::measure(env.database(), env.clock, design, 31);
    QCOMPARE(TaskProgress::percentText(bars.minimum, QStringLiteral("2")),
             QStringLiteral("Complete"));
    // Passed, with no maximum: the second bar is shown and has nothing to measure.
    QVERIFY(bars.maximumShown);
    QVERIFY(!bars.maximumMeasured);
    QVERIFY(!bars.exceeded);
}

void TrackingRulesTest::barsMeasureTheMaximumOncePassed() {
    TestEnvironment env;
    const int user = env.addUser(QStringLiteral("Ann"));
    const int id = env.addCategory(QStringLiteral("Build"));
    const QDateTime today = env.clock.now().addSecs(-3 * 3600);
    env.addTime(id, user, today, today.addSecs(3600), 60);
    const QDateTime lastWeek = env.clock.now().addDays(-5);
    env.addTime(id, user, lastWeek, lastWeek.addSecs(120 * 60), 120);

    category build(env.context());
    build.categoryId = id;
    build.maxAllocation = 5; // per week, no minimum
    build.maxAllocationPeriod = 7;
    TaskProgress::Bars bars = TaskProgress::measure(env.database(), env.clock, build, 30);
    QVERIFY(!bars.minimumShown);
    QVERIFY(bars.maximumShown);
    QVERIFY(bars.maximumMeasured);
    QCOMPARE(bars.maximum, 210.0 / 300.0);
    QVERIFY(!bars.exceeded);

    // A one-day minimum of 1 hour, passed by today's hour and the running task.
    build.minAllocation = 1;
    build.minAllocationPeriod = 1;
    bars = TaskProgress::measure(env.database(), env.clock, build, 1);
    QCOMPARE(bars.minimum, 61.0 / 60.0);
    QVERIFY(bars.maximumShown);
    QCOMPARE(bars.maximum, 181.0 / 300.0);
    bars = TaskProgress::measure(env.database(), env.clock, build, 121);
    QVERIFY(bars.exceeded);
    QCOMPARE(TaskProgress::percentText(bars.maximum, QStringLiteral("5")),
             QStringLiteral("Complete"));

    // Both periods the same length: one sum serves both bars.
    build.maxAllocationPeriod = 1;
    const quint64 before = env.database().statementCount();
    bars = TaskProgress::measure(env.database(), env.clock, build, 1);
    QCOMPARE(env.database().statementCount() - before, quint64(1));
    QCOMPARE(bars.maximum, 61.0 / 300.0);
}

void TrackingRulesTest::totalsAndExistingNotifications() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int design = env.addCategory(QStringLiteral("Design"));
    env.addNotification(ann, ann, design, 1, QStringLiteral("Not meeting expected minimums"),
                        QStringLiteral("Deleted"));
    QVERIFY(AllocationCheck::notificationExists(env.database(), 1, design));
    QVERIFY(!AllocationCheck::notificationExists(env.database(), 2, design));
    QVERIFY(!AllocationCheck::notificationExists(env.database(), 1, design + 1));
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

void TrackingRulesTest::findingTexts() {
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
    std::vector<AllocationCheck::Finding> found =
        AllocationCheck::evaluate(c, 75, false, false, now);
    QCOMPARE(found.size(), std::size_t(1));
    QCOMPARE(found[0].typeId, 1);
    QCOMPARE(found[0].categoryId, 4);
    QCOMPARE(found[0].managerId, 9);
    QCOMPARE(found[0].subject, QStringLiteral("Not meeting expected minimums"));
    QCOMPARE(found[0].message, QStringLiteral("Expected minimum time from 23 Nov 2026 to 07 Dec "
                                              "2026 is 04:00. Actual time recorded is 01:15"));

    found = AllocationCheck::evaluate(c, 900, false, false, now);
    QCOMPARE(found.size(), std::size_t(1));
    QCOMPARE(found[0].typeId, 2);
    QCOMPARE(found[0].subject, QStringLiteral("Exceeding maximums"));
    QCOMPARE(found[0].message,
             QStringLiteral("Exceeded maximum time during period 23 Nov 2026 to 07 Dec 2026 (14 "
                            "days).  Maximum allocated time is 14:00. Actual time recorded is "
                            "15:00"));

    // Already told: nothing again, whatever the numbers.
    QVERIFY(AllocationCheck::evaluate(c, 75, true, false, now).empty());
    QVERIFY(AllocationCheck::evaluate(c, 900, false, true, now).empty());
    // Exactly at either end is neither short nor over.
    QVERIFY(AllocationCheck::evaluate(c, 240, false, false, now).empty());
    QVERIFY(AllocationCheck::evaluate(c, 840, false, false, now).empty());
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

QTEST_GUILESS_MAIN(TrackingRulesTest)
#include "tst_trackingrules.moc"
