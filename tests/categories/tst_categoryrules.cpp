#include "TestEnvironment.h"
#include "categories/AllocationRules.h"
#include "categories/CategoryLoader.h"
#include "categories/CategoryLookups.h"
#include "categories/CategoryStore.h"

#include <QtTest>

namespace {

QStringList names(const std::vector<LoadedCategory>& loaded) {
    QStringList result;
    for (const LoadedCategory& each : loaded) {
        result.append(each.record.categoryName);
    }
    return result;
}

QStringList listTexts(const std::vector<LoadedCategory>& loaded) {
    QStringList result;
    for (const LoadedCategory& each : loaded) {
        result.append(each.listText);
    }
    return result;
}

} // namespace

// The widget-free rules of the categories: tree order and indentation, the look-ups, the
// allocation check, and the rows that deleting and re-parenting touch.
class CategoryRulesTest : public QObject {
    Q_OBJECT

private slots:
    void treeOrderIsDepthFirstWithSortedSiblings();
    void unreachableCategoriesAreLeftOut();
    void subtreeContinuesFromItsRoot();
    void derivedValuesComeFromTheLookupTables();

    void lookupsByNameAndDays();

    void allocationCheck_data();
    void allocationCheck();

    void selfAndDescendantsAreNotParents();
    void deleteTakesTimeRowsAndLiftsChildren();
};

void CategoryRulesTest::treeOrderIsDepthFirstWithSortedSiblings() {
    TestEnvironment env;
    const int a = env.addCategory(QStringLiteral("A"));
    const int zed = env.addCategory(QStringLiteral("zed"));
    const int b = env.addCategory(QStringLiteral("B"), a);
    env.addCategory(QStringLiteral("C"), b);
    env.addCategory(QStringLiteral("apple"), zed);
    // Same name: the older id first.
    const int first = env.addCategory(QStringLiteral("Beta"));
    const int second = env.addCategory(QStringLiteral("beta"));
    env.addCategory(QStringLiteral("a"), a);

    const auto loaded = CategoryLoader::load(env.context());
    QCOMPARE(names(loaded), (QStringList{"A", "a", "B", "C", "Beta", "beta", "zed", "apple"}));
    QCOMPARE(listTexts(loaded),
             (QStringList{"A", "    a", "    B", "        C", "Beta", "beta", "zed", "    apple"}));
    QCOMPARE(loaded[4].record.categoryId, first);
    QCOMPARE(loaded[5].record.categoryId, second);
    // Each one's parent is at the position given; a top-level one has none.
    QCOMPARE(loaded[3].record.parentId, b);
    QCOMPARE(loaded[3].parentPosition, 2);
    QCOMPARE(loaded[2].parentPosition, 0);
    QCOMPARE(loaded[0].parentPosition, -1);
    QCOMPARE(loaded[7].parentPosition, 6);
    QCOMPARE(CategoryLoader::load(env.context()).size(), std::size_t(8));
}

void CategoryRulesTest::unreachableCategoriesAreLeftOut() {
    TestEnvironment env;
    env.addCategory(QStringLiteral("Kept"));
    const int orphanParent = env.addCategory(QStringLiteral("Gone"));
    const int orphan = env.addCategory(QStringLiteral("Orphan"), orphanParent);
    env.addCategory(QStringLiteral("Orphan child"), orphan);
    env.database().execute(QStringLiteral("delete from category where categoryId = ?"),
                           {orphanParent});
    // A row that is its own parent, and two that are each other's.
    const int self = env.addCategory(QStringLiteral("Self"));
    env.database().execute(QStringLiteral("update category set parentId = ? where categoryId = ?"),
                           {self, self});
    const int x = env.addCategory(QStringLiteral("X"));
    const int y = env.addCategory(QStringLiteral("Y"), x);
    env.database().execute(QStringLiteral("update category set parentId = ? where categoryId = ?"),
                           {y, x});

    QCOMPARE(names(CategoryLoader::load(env.context())), QStringList{"Kept"});
}

void CategoryRulesTest::subtreeContinuesFromItsRoot() {
    TestEnvironment env;
    const int a = env.addCategory(QStringLiteral("A"));
    const int b = env.addCategory(QStringLiteral("B"), a);
    env.addCategory(QStringLiteral("C"), b);
    env.addCategory(QStringLiteral("Other"));
    const auto loaded = CategoryLoader::load(env.context(), a, QStringLiteral("A"));
    QCOMPARE(names(loaded), (QStringList{"B", "C"}));
    QCOMPARE(listTexts(loaded), (QStringList{"    B", "        C"}));
}

void CategoryRulesTest::derivedValuesComeFromTheLookupTables() {
    TestEnvironment env;
    const int known = env.addCategory(QStringLiteral("Known"), 0, 0, 5, 2, 9, 4);
    const int unknown = env.addCategory(QStringLiteral("Unknown"), 0, 0, 5, 77, 9, 0);
    env.database().execute(
        QStringLiteral("update category set productivityId = ?, folder = ? where categoryId = ?"),
        {99, QStringLiteral("/work/x"), unknown});
    const auto loaded = CategoryLoader::load(env.context());
    QCOMPARE(loaded.size(), std::size_t(2));
    const category& k = loaded[0].record;
    QCOMPARE(k.categoryId, known);
    QCOMPARE(k.minAllocationPeriod, 7);
    QCOMPARE(k.maxAllocationPeriod, 30);
    QCOMPARE(k.productivity, 1);
    QVERIFY(k.folder.isEmpty());
    const category& u = loaded[1].record;
    QCOMPARE(u.minAllocationPeriod, 0);
    QCOMPARE(u.maxAllocationPeriod, 0);
    QCOMPARE(u.productivity, 0);
    QCOMPARE(u.folder, QStringLiteral("/work/x"));
    QCOMPARE(u.minAllocation, 5);
    QCOMPARE(u.productivityId, 99);
}

void CategoryRulesTest::lookupsByNameAndDays() {
    TestEnvironment env;
    Database& db = env.database();
    QCOMPARE(CategoryLookups::productivityNames(db),
             (QStringList{"Unproductive", "Normal", "Productive", "Highly productive"}));
    QCOMPARE(CategoryLookups::allocationPeriodNames(db),
             (QStringList{"Day", "Week", "Fortnight", "Month", "Quarter", "Year"}));
    QCOMPARE(CategoryLookups::getProductivityId(db, QStringLiteral("Productive")), 3);
    QCOMPARE(CategoryLookups::getProductivityId(db, QStringLiteral("productive")), 0);
    const auto week = CategoryLookups::getAllocationPeriod(db, QStringLiteral("Week"));
    QVERIFY(week.has_value());
    QCOMPARE(week->integer(QStringLiteral("allocationPeriodId")), 2);
    QCOMPARE(week->integer(QStringLiteral("days")), 7);
    QVERIFY(!CategoryLookups::getAllocationPeriod(db, QStringLiteral("Decade")));
    QCOMPARE(CategoryLookups::getAllocationPeriodDescription(db, 14), QStringLiteral("Fortnight"));
    QCOMPARE(CategoryLookups::getAllocationPeriodDescription(db, 3), QString());
    QCOMPARE(CategoryLookups::getAllocationPeriodDays(db, 5), std::optional<int>(91));
    QCOMPARE(CategoryLookups::getAllocationPeriodDays(db, 50), std::optional<int>());
    // Of two periods of one length, the first is the one named.
    db.execute(QStringLiteral("insert into allocationPeriod (allocationPeriodId, days, "
                              "allocationPeriod) values (7, 7, 'Sennight')"));
    QCOMPARE(CategoryLookups::getAllocationPeriodDescription(db, 7), QStringLiteral("Week"));
}

void CategoryRulesTest::allocationCheck_data() {
    QTest::addColumn<int>("minHours");
    QTest::addColumn<int>("minDays");
    QTest::addColumn<int>("maxHours");
    QTest::addColumn<int>("maxDays");
    QTest::addColumn<int>("minRate");
    QTest::addColumn<int>("maxRate");
    QTest::addColumn<bool>("minTooLong");
    QTest::addColumn<bool>("maxTooLong");
    QTest::addColumn<bool>("valid");
    QTest::newRow("10 a week, 1 a day") << 10 << 7 << 1 << 1 << 1 << 1 << false << false << true;
    QTest::newRow("8 a day, 20 a week") << 8 << 1 << 20 << 7 << 8 << 3 << false << false << false;
    QTest::newRow("30 in a day") << 30 << 1 << 40 << 1 << 30 << 40 << true << true << true;
    QTest::newRow("halves go to even") << 5 << 2 << 7 << 2 << 2 << 4 << false << false << true;
    QTest::newRow("nothing") << 0 << 1 << 0 << 1 << 0 << 0 << false << false << true;
    QTest::newRow("a full day is allowed")
        << 24 << 1 << 24 << 1 << 24 << 24 << false << false << true;
}

void CategoryRulesTest::allocationCheck() {
    QFETCH(int, minHours);
    QFETCH(int, minDays);
    QFETCH(int, maxHours);
    QFETCH(int, maxDays);
    const auto check = AllocationRules::check(minHours, minDays, maxHours, maxDays);
    QTEST(check.minRate, "minRate");
    QTEST(check.maxRate, "maxRate");
    QTEST(check.minLongerThanPeriod, "minTooLong");
    QTEST(check.maxLongerThanPeriod, "maxTooLong");
    QTEST(check.valid, "valid");
}

void CategoryRulesTest::selfAndDescendantsAreNotParents() {
    TestEnvironment env;
    const int a = env.addCategory(QStringLiteral("A"));
    const int b = env.addCategory(QStringLiteral("B"), a);
    const int c = env.addCategory(QStringLiteral("C"), b);
    const int d = env.addCategory(QStringLiteral("D"));
    Database& db = env.database();
    QVERIFY(CategoryStore::isSelfOrDescendant(db, a, a));
    QVERIFY(CategoryStore::isSelfOrDescendant(db, a, b));
    QVERIFY(CategoryStore::isSelfOrDescendant(db, a, c));
    QVERIFY(!CategoryStore::isSelfOrDescendant(db, a, d));
    QVERIFY(!CategoryStore::isSelfOrDescendant(db, a, 0));
    QVERIFY(!CategoryStore::isSelfOrDescendant(db, c, a));
    QVERIFY(!CategoryStore::isSelfOrDescendant(db, b, 999));
    // A circle already in the table does not keep the walk going.
    db.execute(QStringLiteral("update category set parentId = ? where categoryId = ?"), {d, d});
    QVERIFY(!CategoryStore::isSelfOrDescendant(db, a, d));
}

void CategoryRulesTest::deleteTakesTimeRowsAndLiftsChildren() {
    TestEnvironment env;
    const int user = env.addUser(QStringLiteral("Ann"));
    const int a = env.addCategory(QStringLiteral("A"));
    const int b = env.addCategory(QStringLiteral("B"), a);
    const int c1 = env.addCategory(QStringLiteral("C1"), b);
    const int c2 = env.addCategory(QStringLiteral("C2"), b);
    const int grandchild = env.addCategory(QStringLiteral("G"), c1);
    const QDateTime start = env.clock.now().addDays(-1);
    env.addTime(b, user, start, start.addSecs(600), 10);
    const int running = env.addOpenTime(b, user, start);
    env.addTime(a, user, start, start.addSecs(60), 1);

    // Not while a task runs on it: the task would lose its row.
    QCOMPARE(CategoryStore::runningTaskCount(env.database(), b), 1);
    QVERIFY(!CategoryStore::deleteCategory(env.database(), env.clock, b, user));
    QCOMPARE(env.count(QStringLiteral("category")), 5);
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 3);

    env.database().execute(QStringLiteral("update tallyRec set endTime = ?, duration = 5 where "
                                          "timeId = ?"),
                           {start.addSecs(300), running});
    QCOMPARE(CategoryStore::runningTaskCount(env.database(), b), 0);
    QVERIFY(CategoryStore::deleteCategory(env.database(), env.clock, b, user));
    QCOMPARE(env.count(QStringLiteral("category"), QStringLiteral("categoryId = ?"), {b}), 0);
    QCOMPARE(env.count(QStringLiteral("tallyRec"), QStringLiteral("categoryId = ?"), {b}), 0);
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 1);
    // Each deleted row is kept in the trail; one's own time needs no notice.
    QCOMPARE(env.count(QStringLiteral("tallyRecChange"),
                       QStringLiteral("kind = 'delete' and oldCategoryId = ? and "
                                      "changedByUserId = ? and newCategoryId is null"),
                       {b, user}),
             2);
    QCOMPARE(env.count(QStringLiteral("notification")), 0);
    QCOMPARE(env.count(QStringLiteral("category"), QStringLiteral("parentId = ?"), {a}), 2);
    QCOMPARE(env.count(QStringLiteral("category"),
                       QStringLiteral("categoryId = ? and parentId = ?"), {grandchild, c1}),
             1);
    QCOMPARE(names(CategoryLoader::load(env.context())), (QStringList{"A", "C1", "G", "C2"}));
    Q_UNUSED(c2);

    // A top-level category's children become top-level. Someone else's time on it goes too,
    // and they are told.
    const int other = env.addUser(QStringLiteral("Other"));
    env.addTime(a, other, start, start.addSecs(90 * 60), 90);
    env.addTime(a, other, start, start.addSecs(30 * 60), 30);
    QVERIFY(CategoryStore::deleteCategory(env.database(), env.clock, a, user));
    QCOMPARE(env.database()
                 .scalar(QStringLiteral("select message from notification where toUserId = ? "
                                        "and subject = 'Time changed'"),
                         {other})
                 .toString(),
             QStringLiteral("Ann deleted the category A, and with it 2 of your time entries "
                            "(02:00)."));
    QCOMPARE(env.count(QStringLiteral("tallyRecChange")), 5);
    QCOMPARE(names(CategoryLoader::load(env.context())), (QStringList{"C1", "G", "C2"}));
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 0);
}

QTEST_GUILESS_MAIN(CategoryRulesTest)
#include "tst_categoryrules.moc"
