#include "TestEnvironment.h"
#include "data/Lookup.h"
#include "data/category.h"
#include "data/notification.h"
#include "data/process.h"
#include "data/task.h"
#include "data/user.h"

#include <QtTest>

// The record classes: what they write, what they read back, and how they treat nulls and
// missing rows.
class RecordsTest : public QObject {
    Q_OBJECT

private slots:
    void freshCategoryDefaults();
    void categoryRoundTripsEveryField();
    void categoryRefreshOfMissingRowChangesNothing();
    void categoryNullFolderKeepsTheField();
    void categoryUnknownLookupsGiveZero();
    void categoryLargeValues();
    void getValueByIdLooksUpOneValue();

    void userInsertAndUpdate();
    void userRefreshKeepsFieldsForNulls();
    void userRefreshWithoutIdSendsNothing();
    void getCurrentTasksPicksThisUsersTasks();
    void getUserByIdFindsLoadedUsersOnly();

    void taskFinishWritesEndAndDuration();
    void oneOffTaskInsertsACompleteRow();
    void cancelDeletesTheRow();

    void notificationStatusStampsItsDate();
    void notificationInsertThenUpdate();
    void notificationWithoutUsersIsRefused();

    void processCollectionKeepsDuplicates();
};

void RecordsTest::freshCategoryDefaults() {
    TestEnvironment env;
    category fresh(env.context());
    QCOMPARE(fresh.categoryId, 0);
    QCOMPARE(fresh.minAllocationPeriod, 1);
    QCOMPARE(fresh.maxAllocationPeriod, 1);
    QCOMPARE(fresh.minAllocation, 0);
    QCOMPARE(fresh.maxAllocation, 0);
    QCOMPARE(fresh.hourlyRate, 0);
    QCOMPARE(fresh.startDate, env.clock.now());
    QVERIFY(fresh.categoryTreeNode == nullptr);
}

void RecordsTest::categoryRoundTripsEveryField() {
    TestEnvironment env;
    const int owner = env.addUser(QStringLiteral("Manager"));
    category written(env.context());
    written.categoryName = QStringLiteral("Design 'phase' \"one\" \\ ;--\nÆ");
    written.parentId = 12;
    written.description = QStringLiteral("Line one\nLine two");
    written.minAllocation = 10;
    written.maxAllocation = 20;
    written.minAllocationPeriodId = 2;
    written.maxAllocationPeriodId = 4;
    written.hourlyRate = 45;
    written.folder = QStringLiteral("/home/ann/projects/design");
    written.ownerUserId = owner;
    written.productivityId = 3;
    written.startDate = QDateTime(QDate(2026, 3, 4), QTime(9, 30, 15));
    written.save();
    QVERIFY(written.categoryId > 0);
    QCOMPARE(env.count(QStringLiteral("category")), 1);
    QCOMPARE(env.database().scalar(QStringLiteral("select max(categoryId) from category")).toInt(),
             written.categoryId);

    auto check = [&](const category& expected, category& read) {
        read.categoryId = expected.categoryId;
        read.refresh();
        QCOMPARE(read.categoryName, expected.categoryName);
        QCOMPARE(read.parentId, expected.parentId);
        QCOMPARE(read.description, expected.description);
        QCOMPARE(read.minAllocation, expected.minAllocation);
        QCOMPARE(read.maxAllocation, expected.maxAllocation);
        QCOMPARE(read.minAllocationPeriodId, expected.minAllocationPeriodId);
        QCOMPARE(read.maxAllocationPeriodId, expected.maxAllocationPeriodId);
        QCOMPARE(read.hourlyRate, expected.hourlyRate);
        QCOMPARE(read.folder, expected.folder);
        QCOMPARE(read.ownerUserId, expected.ownerUserId);
        QCOMPARE(read.productivityId, expected.productivityId);
        QCOMPARE(read.startDate, expected.startDate);
    };
    category first(env.context());
    check(written, first);
    QCOMPARE(first.minAllocationPeriod, 7);
    QCOMPARE(first.maxAllocationPeriod, 30);
    QCOMPARE(first.productivity, 2);
    QCOMPARE(first.getProductivityDescription(), QStringLiteral("Productive"));

    // A second save updates the same row.
    written.categoryName = QStringLiteral("Renamed");
    written.maxAllocationPeriodId = 6;
    written.folder.clear();
    written.startDate = QDateTime(QDate(2027, 1, 1), QTime(0, 0));
    written.save();
    QCOMPARE(env.count(QStringLiteral("category")), 1);
    category second(env.context());
    check(written, second);
    QCOMPARE(second.maxAllocationPeriod, 365);
}

void RecordsTest::categoryRefreshOfMissingRowChangesNothing() {
    TestEnvironment env;
    category record(env.context());
    record.categoryId = 99;
    record.categoryName = QStringLiteral("Kept");
    record.minAllocation = 3;
    record.refresh();
    QCOMPARE(record.categoryName, QStringLiteral("Kept"));
    QCOMPARE(record.minAllocation, 3);
}

void RecordsTest::categoryNullFolderKeepsTheField() {
    TestEnvironment env;
    const int id = env.addCategory(QStringLiteral("No folder"));
    category record(env.context());
    record.categoryId = id;
    record.folder = QStringLiteral("/was/here");
    record.refresh();
    QCOMPARE(record.folder, QStringLiteral("/was/here"));
    QCOMPARE(record.categoryName, QStringLiteral("No folder"));
    category fresh(env.context());
    fresh.categoryId = id;
    fresh.refresh();
    QCOMPARE(fresh.folder, QString());
}

void RecordsTest::categoryUnknownLookupsGiveZero() {
    TestEnvironment env;
    const int id = env.addCategory(QStringLiteral("Odd"), 0, 0, 1, 77, 2, 88);
    env.database().execute(
        QStringLiteral("update category set productivityId = 55 where categoryId = ?"), {id});
    category record(env.context());
    record.categoryId = id;
    record.refresh();
    QCOMPARE(record.minAllocationPeriod, 0);
    QCOMPARE(record.maxAllocationPeriod, 0);
    QCOMPARE(record.productivity, 0);
    QCOMPARE(record.getProductivityDescription(), QString());
}

void RecordsTest::categoryLargeValues() {
    TestEnvironment env;
    env.database().execute(QStringLiteral(
        "insert into category (categoryId, category, parentId) values (50000, 'Big', 40000)"));
    env.syncIds();
    category record(env.context());
    record.categoryId = 50000;
    record.refresh();
    QCOMPARE(record.parentId, 40000);
    record.hourlyRate = 100000;
    record.save();
    category again(env.context());
    again.categoryId = 50000;
    again.refresh();
    QCOMPARE(again.hourlyRate, 100000);
    category fresh(env.context());
    fresh.categoryName = QStringLiteral("Next");
    fresh.save();
    QCOMPARE(fresh.categoryId, 50001);
}

void RecordsTest::getValueByIdLooksUpOneValue() {
    TestEnvironment env;
    QCOMPARE(
        getValueById(env.database(), QStringLiteral("allocationPeriod"), 3, QStringLiteral("days"))
            .toInt(),
        14);
    QCOMPARE(getValueById(env.database(), QStringLiteral("productivity"), 4,
                          QStringLiteral("productivity"))
                 .toString(),
             QStringLiteral("Highly productive"));
    QVERIFY(
        getValueById(env.database(), QStringLiteral("allocationPeriod"), 42, QStringLiteral("days"))
            .isNull());
    QVERIFY(getValueById(env.database(), QStringLiteral("allocationPeriod"), QVariant(),
                         QStringLiteral("days"))
                .isNull());
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
                             getValueById(env.database(), QStringLiteral("allocationPeriod; drop"),
                                          1, QStringLiteral("days")));
}

void RecordsTest::userInsertAndUpdate() {
    TestEnvironment env;
    user fresh(env.context());
    fresh.userName = QStringLiteral("Zoë \"Z\" O'Neil");
    fresh.details = QStringLiteral("Works on\nsite");
    fresh.email = QStringLiteral("zoe@example.org");
    fresh.save();
    QVERIFY(fresh.userId > 0);
    QCOMPARE(fresh.created, env.clock.now());
    QCOMPARE(env.count(QStringLiteral("user")), 1);
    const Row row =
        env.database()
            .query(QStringLiteral("select * from \"user\" where userId = ?"), {fresh.userId})
            .first();
    QCOMPARE(row.boolean(QStringLiteral("active")), false);
    QCOMPARE(row.text(QStringLiteral("userName")), fresh.userName);

    env.database().execute(QStringLiteral("update \"user\" set active = ? where userId = ?"),
                           {true, fresh.userId});
    env.clock.advanceMinutes(90);
    fresh.userName = QStringLiteral("Zoe");
    fresh.details = QStringLiteral("Moved");
    fresh.email = QString();
    fresh.save();
    QCOMPARE(env.count(QStringLiteral("user")), 1);
    user read(env.context());
    read.userId = fresh.userId;
    read.refresh();
    QCOMPARE(read.userName, QStringLiteral("Zoe"));
    QCOMPARE(read.details, QStringLiteral("Moved"));
    QCOMPARE(read.email, QString());
    QCOMPARE(read.created, env.clock.now().addSecs(-90 * 60)); // unchanged by the update
    QCOMPARE(read.active, true);                               // unchanged by the update
}

void RecordsTest::userRefreshKeepsFieldsForNulls() {
    TestEnvironment env;
    env.database().execute(
        QStringLiteral(
            "insert into \"user\" (userId, userName, created) values (40001, 'Nulls', ?)"),
        {env.clock.now()});
    user record(env.context());
    record.userId = 40001;
    record.email = QStringLiteral("kept@example.org");
    record.details = QStringLiteral("kept");
    record.refresh();
    QCOMPARE(record.userName, QStringLiteral("Nulls"));
    QCOMPARE(record.email, QStringLiteral("kept@example.org"));
    QCOMPARE(record.details, QStringLiteral("kept"));
    env.database().execute(
        QStringLiteral("update \"user\" set email = '', details = '' where userId = 40001"));
    record.refresh();
    QCOMPARE(record.email, QString());
    QCOMPARE(record.details, QString());
    // A row deleted by someone else leaves the record as it was.
    env.database().execute(QStringLiteral("delete from \"user\""));
    record.userName = QStringLiteral("Still here");
    record.refresh();
    QCOMPARE(record.userName, QStringLiteral("Still here"));
}

void RecordsTest::userRefreshWithoutIdSendsNothing() {
    TestEnvironment env;
    user record(env.context());
    record.userName = QStringLiteral("Unsaved");
    const quint64 before = env.database().statementCount();
    record.refresh();
    QCOMPARE(env.database().statementCount(), before);
    QCOMPARE(record.userName, QStringLiteral("Unsaved"));
}

void RecordsTest::getCurrentTasksPicksThisUsersTasks() {
    TestEnvironment env;
    users all(env.context());
    user& ann = all.Add(1, QStringLiteral("uid_1"));
    user& bob = all.Add(2, QStringLiteral("uid_2"));
    tasks running(env.context());
    QCOMPARE(ann.getCurrentTasks(running)->Count(), 0);
    running.Add(10, QStringLiteral("tid_10")).user = &ann;
    running.Add(11, QStringLiteral("tid_11")).user = &bob;
    task& third = running.Add(12, QStringLiteral("tid_12"));
    third.user = &ann;
    third.duration = 30;
    auto mine = ann.getCurrentTasks(running);
    QCOMPARE(mine->Count(), 2);
    QCOMPARE(mine->Item(1).taskId, 10);
    QCOMPARE(mine->Item(2).taskId, 12);
    QCOMPARE(mine->Item(2).duration, 0); // only the id is carried
    QCOMPARE(bob.getCurrentTasks(running)->Count(), 1);
}

void RecordsTest::getUserByIdFindsLoadedUsersOnly() {
    TestEnvironment env;
    users all(env.context());
    all.Add(3, QStringLiteral("uid_3")).userName = QStringLiteral("Keyed");
    all.Add(70000).userName = QStringLiteral("Unkeyed");
    QCOMPARE(all.getUserById(3)->userName, QStringLiteral("Keyed"));
    QCOMPARE(all.getUserById(70000)->userName, QStringLiteral("Unkeyed"));
    QVERIFY(all.getUserById(4) == nullptr);
}

void RecordsTest::taskFinishWritesEndAndDuration() {
    TestEnvironment env;
    const int userId = env.addUser(QStringLiteral("Ann"));
    const int categoryId = env.addCategory(QStringLiteral("Design"));
    const int timeId = env.addOpenTime(categoryId, userId, env.clock.now());
    tasks running(env.context());
    task& item = running.Add(timeId, QStringLiteral("tid_%1").arg(timeId));
    item.startTime = env.clock.now();
    env.clock.advanceMinutes(45);
    item.finish(); // duration never updated: 0 is written
    const Row row = env.database()
                        .query(QStringLiteral("select * from tallyRec where timeId = ?"), {timeId})
                        .first();
    QCOMPARE(row.dateTime(QStringLiteral("endTime")), env.clock.now());
    QCOMPARE(row.integer(QStringLiteral("duration")), 0);
    item.duration = 40000;
    item.save();
    QCOMPARE(env.database()
                 .scalar(QStringLiteral("select duration from tallyRec where timeId = ?"), {timeId})
                 .toInt(),
             40000);
}

void RecordsTest::oneOffTaskInsertsACompleteRow() {
    TestEnvironment env;
    users all(env.context());
    cateories categories(env.context());
    user& ann = all.Add(env.addUser(QStringLiteral("Ann")));
    category& design = categories.Add(env.addCategory(QStringLiteral("Design")));
    task entry(env.context());
    entry.user = &ann;
    entry.category = &design;
    entry.startTime = env.clock.now();
    entry.endTime = env.clock.now().addSecs(30 * 60);
    entry.duration = 30;
    entry.save();
    QCOMPARE(entry.taskId, 0);
    const Row row = env.database().query(QStringLiteral("select * from tallyRec")).first();
    QCOMPARE(row.dateTime(QStringLiteral("startTime")), env.clock.now());
    QCOMPARE(row.dateTime(QStringLiteral("endTime")), env.clock.now().addSecs(1800));
    QCOMPARE(row.integer(QStringLiteral("duration")), 30);
    QCOMPARE(row.integer(QStringLiteral("categoryId")), design.categoryId);
    QCOMPARE(row.integer(QStringLiteral("userId")), ann.userId);

    task orphan(env.context());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, orphan.save());
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 1);
}

void RecordsTest::cancelDeletesTheRow() {
    TestEnvironment env;
    const int keep = env.addOpenTime(1, 1, env.clock.now());
    const int drop = env.addOpenTime(1, 1, env.clock.now());
    task item(env.context());
    item.taskId = drop;
    item.Cancel();
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 1);
    QCOMPARE(env.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {keep}), 1);
    task unsaved(env.context());
    unsaved.Cancel();
    QCOMPARE(env.count(QStringLiteral("tallyRec")), 1);
}

void RecordsTest::notificationStatusStampsItsDate() {
    TestEnvironment env;
    notification note(env.context());
    QCOMPARE(note.status(), notification::Unread);
    QCOMPARE(note.createDate, env.clock.now());
    QCOMPARE(note.statusDate, env.clock.now());
    env.clock.advanceMinutes(5);
    note.setStatus(notification::Read);
    QCOMPARE(note.statusDate, env.clock.now());
    const QDateTime readAt = env.clock.now();
    env.clock.advanceMinutes(5);
    note.setStatus(notification::Read);
    QCOMPARE(note.statusDate, readAt);
    note.setStatus(QStringLiteral("read")); // the comparison is exact
    QCOMPARE(note.statusDate, env.clock.now());
    QCOMPARE(note.createDate, env.clock.now().addSecs(-600));
}

void RecordsTest::notificationInsertThenUpdate() {
    TestEnvironment env;
    users all(env.context());
    user& from = all.Add(env.addUser(QStringLiteral("From")));
    user& to = all.Add(env.addUser(QStringLiteral("To")));
    notification note(env.context());
    note.fromUser = &from;
    note.toUser = &to;
    note.message = QStringLiteral("Work on O'Brien \"X\" has exceeded; --");
    note.subject = QStringLiteral("Exceeding maximums");
    note.categoryId = 33000;
    note.typeId = 2;
    note.save();
    QCOMPARE(note.notificationId, 0);
    note.save();
    QCOMPARE(env.count(QStringLiteral("notification")), 2);

    const Row stored =
        env.database()
            .query(QStringLiteral("select * from notification order by notificationId"))
            .first();
    QCOMPARE(stored.integer(QStringLiteral("fromUserId")), from.userId);
    QCOMPARE(stored.integer(QStringLiteral("toUserId")), to.userId);
    QCOMPARE(stored.text(QStringLiteral("message")), note.message);
    QCOMPARE(stored.text(QStringLiteral("status")), QStringLiteral("Unread"));
    QCOMPARE(stored.integer(QStringLiteral("categoryId")), 33000);
    QCOMPARE(stored.integer(QStringLiteral("typeId")), 2);

    // A stored record is updated in full; the created date goes back unchanged.
    notification loaded(env.context());
    loaded.notificationId = stored.integer(QStringLiteral("notificationId"));
    loaded.fromUser = &from;
    loaded.toUser = &to;
    loaded.message = stored.text(QStringLiteral("message"));
    loaded.subject = stored.text(QStringLiteral("subject"));
    loaded.categoryId = stored.integer(QStringLiteral("categoryId"));
    loaded.typeId = stored.integer(QStringLiteral("typeId"));
    loaded.createDate = stored.dateTime(QStringLiteral("createDate"));
    env.clock.advanceMinutes(60);
    loaded.setStatus(notification::Read);
    loaded.save();
    const Row updated =
        env.database()
            .query(QStringLiteral("select * from notification where notificationId = ?"),
                   {loaded.notificationId})
            .first();
    QCOMPARE(updated.text(QStringLiteral("status")), QStringLiteral("Read"));
    QCOMPARE(updated.dateTime(QStringLiteral("statusDate")), env.clock.now());
    QCOMPARE(updated.dateTime(QStringLiteral("createDate")), env.clock.now().addSecs(-3600));
    QCOMPARE(updated.text(QStringLiteral("message")), note.message);
}

void RecordsTest::notificationWithoutUsersIsRefused() {
    TestEnvironment env;
    notification note(env.context());
    QVERIFY_THROWS_EXCEPTION(DatabaseError, note.save());
    QCOMPARE(env.count(QStringLiteral("notification")), 0);
}

void RecordsTest::processCollectionKeepsDuplicates() {
    processes all;
    process& first = all.Add(QStringLiteral("Terminal"));
    all.Add(QStringLiteral("Terminal"));
    QCOMPARE(all.Count(), 2);
    QCOMPARE(first.userId, 0);
    QCOMPARE(first.processId, 0);
    QCOMPARE(all.Item(2).processName, QStringLiteral("Terminal"));
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
