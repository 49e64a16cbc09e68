#include "TestEnvironment.h"
#include "data/category.h"
#include "data/notification.h"
#include "data/task.h"

#include <QtTest>

// The keyed collection shared by every record collection.
class CollectionsTest : public QObject {
    Q_OBJECT

private slots:
    void addAppendsInOrderAndSetsTheId();
    void itemByPositionAndKey();
    void duplicateKeyIsRefusedAndChangesNothing();
    void missingKeyAndBadPositionsAreErrors();
    void removeKeepsTheOthersInOrder();
    void unkeyedElementsAreReachedByPositionOnly();
};

void CollectionsTest::addAppendsInOrderAndSetsTheId() {
    TestEnvironment env;
    tasks all(env.context());
    for (int id : {5, 3, 9}) {
        task& added = all.Add(id, QStringLiteral("tid_%1").arg(id));
        QCOMPARE(added.taskId, id);
    }
    QList<int> order;
    for (const task& each : all) {
        order.append(each.taskId);
    }
    QCOMPARE(order, (QList<int>{5, 3, 9}));
    QCOMPARE(all.Count(), 3);
    notifications notes(env.context());
    QCOMPARE(notes.Add(40000, QStringLiteral("nid_40000")).notificationId, 40000);
}

void CollectionsTest::itemByPositionAndKey() {
    TestEnvironment env;
    cateories all(env.context());
    all.Add(0).categoryName = QStringLiteral("- none -");
    all.Add(12, QStringLiteral("id_12")).categoryName = QStringLiteral("Twelve");
    QCOMPARE(all.Item(1).categoryName, QStringLiteral("- none -"));
    QCOMPARE(all.Item(2).categoryId, 12);
    QCOMPARE(all.Item(QStringLiteral("id_12")).categoryName, QStringLiteral("Twelve"));
    QCOMPARE(all.find(QStringLiteral("id_13")), nullptr);
    QCOMPARE(all.keyOf(&all.Item(2)), QStringLiteral("id_12"));
}

void CollectionsTest::duplicateKeyIsRefusedAndChangesNothing() {
    TestEnvironment env;
    tasks all(env.context());
    task& first = all.Add(1, QStringLiteral("tid_1"));
    first.duration = 17;
    QVERIFY_THROWS_EXCEPTION(CollectionError, all.Add(2, QStringLiteral("tid_1")));
    QCOMPARE(all.Count(), 1);
    QCOMPARE(&all.Item(QStringLiteral("tid_1")), &first);
    QCOMPARE(all.Item(QStringLiteral("tid_1")).duration, 17);
}

void CollectionsTest::missingKeyAndBadPositionsAreErrors() {
    TestEnvironment env;
    tasks all(env.context());
    all.Add(1, QStringLiteral("tid_1"));
    try {
        all.Item(QStringLiteral("tid_2"));
        QFAIL("a missing key should be an error");
    } catch (const CollectionError& error) {
        QVERIFY(error.message().contains(QStringLiteral("tid_2")));
    }
    QVERIFY_THROWS_EXCEPTION(CollectionError, all.Item(0));
    QVERIFY_THROWS_EXCEPTION(CollectionError, all.Item(2));
    QVERIFY_THROWS_EXCEPTION(CollectionError, all.Remove(QStringLiteral("tid_9")));
    QVERIFY_THROWS_EXCEPTION(CollectionError, all.Remove(-1));
    QVERIFY_THROWS_EXCEPTION(CollectionError, all.Remove(2));
    QCOMPARE(all.Count(), 1);
}

void CollectionsTest::removeKeepsTheOthersInOrder() {
    TestEnvironment env;
    tasks all(env.context());
    for (int id = 1; id <= 5; ++id) {
        all.Add(id, QStringLiteral("tid_%1").arg(id));
    }
    all.Remove(QStringLiteral("tid_2"));
    all.Remove(3); // tid_4 now sits third
    QList<int> order;
    for (const task& each : all) {
        order.append(each.taskId);
    }
    QCOMPARE(order, (QList<int>{1, 3, 5}));
    QVERIFY(!all.contains(QStringLiteral("tid_4")));
    QCOMPARE(all.Item(QStringLiteral("tid_5")).taskId, 5);
    // A removed key can be used again.
    all.Add(2, QStringLiteral("tid_2"));
    QCOMPARE(all.Item(4).taskId, 2);
}

void CollectionsTest::unkeyedElementsAreReachedByPositionOnly() {
    TestEnvironment env;
    tasks all(env.context());
    all.Add(7);
    all.Add(8);
    QCOMPARE(all.Count(), 2);
    QCOMPARE(all.Item(2).taskId, 8);
    QVERIFY(!all.contains(QString()));
    QVERIFY_THROWS_EXCEPTION(CollectionError, all.Item(QString()));
}

QTEST_GUILESS_MAIN(CollectionsTest)
#include "tst_collections.moc"
