#include "TestEnvironment.h"
#include "data/ChangeCounts.h"
#include "data/Schema.h"
#include "session/ChangeWatch.h"

#include <QtTest>

// The change counts a tick reads before anything else: every write that changes a user, a
// notification, a process or a time row moves its count, from this connection or another one,
// and nothing else does; a database of the first schema is brought up to them with every row
// kept.
class ChangeCountsTest : public QObject {
    Q_OBJECT

private slots:
    void eachWriteMovesItsOwnCount();
    void anotherConnectionsWritesAreSeen();
    void firstSchemaIsUpgradedKeepingItsRows();
    void watchReadsOnlyWhatMoved();
};

void ChangeCountsTest::eachWriteMovesItsOwnCount() {
    TestEnvironment env;
    Database& db = env.database();
    ChangeCounts last = ChangeCounts::read(db);
    // Which counts moved since the last look: "users", "notifications", "processes", "times".
    auto moved = [&] {
        const ChangeCounts now = ChangeCounts::read(db);
        QStringList which;
        if (now.users != last.users) {
            which.append(QStringLiteral("users"));
        }
        if (now.notifications != last.notifications) {
            which.append(QStringLiteral("notifications"));
        }
        if (now.processes != last.processes) {
            which.append(QStringLiteral("processes"));
        }
        if (now.times != last.times) {
            which.append(QStringLiteral("times"));
        }
        last = now;
        return which.join(QLatin1Char(','));
    };

    const int ann = env.addUser(QStringLiteral("Ann"), true);
    QCOMPARE(moved(), QStringLiteral("users"));
    // The heartbeat of every tick writes what is already there: nothing changed.
    db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {true, ann});
    QCOMPARE(moved(), QString());
    db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {false, ann});
    QCOMPARE(moved(), QStringLiteral("users"));
    db.execute(QStringLiteral("update \"user\" set email = ? where userId = ?"),
               {QStringLiteral("ann@example.org"), ann});
    QCOMPARE(moved(), QStringLiteral("users"));
    // From no details to some: a null that becomes text is a change.
    db.execute(QStringLiteral("update \"user\" set details = ? where userId = ?"),
               {QStringLiteral("x"), ann});
    QCOMPARE(moved(), QStringLiteral("users"));

    const int note = env.addNotification(ann, ann, 0, 0, QStringLiteral("Hello"));
    QCOMPARE(moved(), QStringLiteral("notifications"));
    db.execute(QStringLiteral("update notification set status = ? where notificationId = ?"),
               {QStringLiteral("Read"), note});
    QCOMPARE(moved(), QStringLiteral("notifications"));
    // Written again as it was: the window may have taken its node away on the strength of it.
    db.execute(QStringLiteral("update notification set status = ? where notificationId = ?"),
               {QStringLiteral("Read"), note});
    QCOMPARE(moved(), QStringLiteral("notifications"));
    db.execute(QStringLiteral("delete from notification where notificationId = ?"), {note});
    QCOMPARE(moved(), QStringLiteral("notifications"));

    db.execute(QStringLiteral("insert into process (userId, processName) values (?, ?)"),
               {ann, QStringLiteral("Editor")});
    QCOMPARE(moved(), QStringLiteral("processes"));
    db.execute(QStringLiteral("delete from process where userId = ?"), {ann});
    QCOMPARE(moved(), QStringLiteral("processes"));

    // Categories are none of the counts' business; every write to a time row is.
    const int work = env.addCategory(QStringLiteral("Work"));
    QCOMPARE(moved(), QString());
    const int open = env.addOpenTime(work, ann, env.clock.now().addSecs(-3600));
    QCOMPARE(moved(), QStringLiteral("times"));
    db.execute(QStringLiteral("update tallyRec set endTime = ?, duration = ? where timeId = ?"),
               {env.clock.now(), 60, open});
    QCOMPARE(moved(), QStringLiteral("times"));
    db.execute(QStringLiteral("delete from tallyRec where timeId = ?"), {open});
    QCOMPARE(moved(), QStringLiteral("times"));

    // A change taken back leaves the counts where they were.
    try {
        db.transaction([&] {
            env.addUser(QStringLiteral("Bob"));
            throw std::runtime_error("taken back");
        });
    } catch (const std::runtime_error&) {
    }
    QCOMPARE(moved(), QString());
    QCOMPARE(env.count(QStringLiteral("user")), 1);
}

void ChangeCountsTest::anotherConnectionsWritesAreSeen() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const ChangeCounts before = ChangeCounts::read(env.database());
    {
        std::unique_ptr<Database> other = Database::open(env.location());
        other->execute(QStringLiteral("insert into notification (fromUserId, toUserId, subject) "
                                      "values (?, ?, ?)"),
                       {ann, ann, QStringLiteral("From elsewhere")});
    }
    const ChangeCounts after = ChangeCounts::read(env.database());
    QCOMPARE(after.users, before.users);
    QVERIFY(after.notifications > before.notifications);
    QCOMPARE(after.processes, before.processes);
    QCOMPARE(after.times, before.times);
}

void ChangeCountsTest::firstSchemaIsUpgradedKeepingItsRows() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    env.addNotification(ann, ann, 0, 0, QStringLiteral("Kept"));
    const bool sqlite = env.database().engine() == Database::Engine::SQLite;
    // What a database made by the first schema holds: no change counts, version 1.
    if (sqlite) {
        for (const char* table : {"user", "notification", "process"}) {
            for (const char* event : {"inserted", "deleted", "changed"}) {
                env.database().execute(QStringLiteral("DROP TRIGGER %1_%2")
                                           .arg(QLatin1String(table), QLatin1String(event)));
            }
        }
        for (const char* event : {"inserted", "deleted", "changed"}) {
            env.database().execute(
                QStringLiteral("DROP TRIGGER tallyRec_%1").arg(QLatin1String(event)));
        }
        for (const char* event : {"insert", "update", "delete"}) {
            env.database().execute(
                QStringLiteral("DROP TRIGGER tallyRec_closed_%1").arg(QLatin1String(event)));
        }
        env.database().execute(QStringLiteral("DROP TABLE dataChange"));
        env.database().execute(QStringLiteral("DROP TABLE tallyRecChange"));
        env.database().execute(QStringLiteral("PRAGMA user_version = 1"));
    } else {
        env.database().execute(QStringLiteral("DROP FUNCTION quillhour_closed_check() CASCADE"));
        env.database().execute(QStringLiteral("DROP FUNCTION dataChange_count() CASCADE"));
        env.database().execute(QStringLiteral("DROP TABLE dataChange"));
        env.database().execute(QStringLiteral("DROP TABLE tallyRecChange"));
        env.database().execute(QStringLiteral("COMMENT ON TABLE \"user\" IS 'Quillhour schema 1'"));
    }
    for (const char* table : {"categoryRate", "categoryBilling", "closedPeriod", "teamSetting"}) {
        env.database().execute(QStringLiteral("DROP TABLE %1").arg(QLatin1String(table)));
    }
    QCOMPARE(Schema::version(env.database()), 1);
    QVERIFY(Schema::upgrade(env.database()));

    QCOMPARE(Schema::version(env.database()), Schema::CurrentVersion);
    QVERIFY(!Schema::upgrade(env.database())); // once
    QCOMPARE(env.count(QStringLiteral("user")), 1);
    QCOMPARE(env.count(QStringLiteral("notification")), 1);
    const ChangeCounts before = ChangeCounts::read(env.database());
    {
        // Another instance opening it finds it done, and its writes are counted.
        std::unique_ptr<Database> other = Database::open(env.location());
        QCOMPARE(Schema::version(*other), Schema::CurrentVersion);
        other->execute(QStringLiteral("insert into process (userId, processName) values (?, ?)"),
                       {ann, QStringLiteral("Editor")});
    }
    QVERIFY(ChangeCounts::read(env.database()).processes > before.processes);
    env.addTime(env.addCategory(QStringLiteral("Work")), ann, env.clock.now().addSecs(-60),
                env.clock.now(), 1);
    QVERIFY(ChangeCounts::read(env.database()).times > before.times);
}

void ChangeCountsTest::watchReadsOnlyWhatMoved() {
    auto as = [](const ChangeWatch::Reload& reload) {
        return QStringLiteral("%1%2%3%4")
            .arg(reload.users ? "u" : "-", reload.processes ? "p" : "-",
                 reload.notifications ? "n" : "-", reload.times ? "t" : "-");
    };
    ChangeWatch watch;
    const ChangeCounts start{4, 7, 9, 3};
    QCOMPARE(as(watch.next(start, 1, 1)), QStringLiteral("upnt")); // the first look
    QCOMPARE(as(watch.next(start, 1, 1)), QStringLiteral("----"));
    QCOMPARE(as(watch.next({4, 8, 9, 3}, 1, 1)), QStringLiteral("--n-"));
    QCOMPARE(as(watch.next({4, 8, 10, 3}, 1, 1)), QStringLiteral("-p--"));
    QCOMPARE(as(watch.next({4, 8, 10, 4}, 1, 1)), QStringLiteral("---t"));
    // Users shown moved: their processes, the notifications' senders and the names beside the
    // time rows are read too.
    QCOMPARE(as(watch.next({5, 8, 10, 4}, 1, 1)), QStringLiteral("upnt"));
    QCOMPARE(as(watch.next({5, 8, 10, 4}, 2, 1)), QStringLiteral("upnt")); // another current user
    QCOMPARE(as(watch.next({5, 8, 10, 4}, 2, 2)), QStringLiteral("upnt")); // users loaded anew
    QCOMPARE(as(watch.next({5, 8, 10, 4}, 2, 2)), QStringLiteral("----"));
    // Counts the database could not give (its row taken out) never stand for "nothing moved".
    QCOMPARE(as(watch.next(ChangeCounts{}, 2, 2)), QStringLiteral("upnt"));
    QCOMPARE(as(watch.next(ChangeCounts{}, 2, 2)), QStringLiteral("upnt"));
}

QTEST_GUILESS_MAIN(ChangeCountsTest)
#include "tst_changecounts.moc"
