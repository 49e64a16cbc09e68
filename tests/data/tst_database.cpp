#include "TestEnvironment.h"
#include "data/Database.h"

#include <QtTest>

// The engine facade: bound values, new ids, errors, transactions and date-time text.
class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void awkwardTextIsStoredExactly_data();
    void awkwardTextIsStoredExactly();
    void insertReturnsTheNewRowsId();
    void idsAndMinutesBeyondSixteenBits();
    void dateTimesAreStoredAsSortableText();
    void failingStatementCarriesEngineMessageAndStatement();
    void transactionCommitsOrRollsBackAsAWhole();
    void nestedTransactionJoinsTheOuterOne();
    void statementsAreCounted();
    void sumOverNoRowsIsNull();
    void connectionUsesWalAndNormalSync();
};

void DatabaseTest::awkwardTextIsStoredExactly_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("single quote") << QStringLiteral("O'Brien's project");
    QTest::newRow("double quote") << QStringLiteral("The \"big\" one");
    QTest::newRow("backslash") << QStringLiteral("C:\\work\\plans");
    QTest::newRow("statement end") << QStringLiteral("a; drop table category; --");
    QTest::newRow("comment") << QStringLiteral("-- not a comment");
    QTest::newRow("newlines") << QStringLiteral("first line\nsecond line\r\nthird");
    QTest::newRow("non-ASCII") << QStringLiteral("Zoë — 日本語 ✓");
}

void DatabaseTest::awkwardTextIsStoredExactly() {
    QFETCH(QString, text);
    TestEnvironment env;
    const int id = env.addUser(text);
    const ResultSet rows = env.database().query(
        QStringLiteral("select userName from \"user\" where userId = ?"), {id});
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.first().text(QStringLiteral("userName")), text);
    // Found again by the same text as a bound value.
    QCOMPARE(env.database()
                 .scalar(QStringLiteral("select userId from \"user\" where userName = ?"), {text})
                 .toInt(),
             id);
    QCOMPARE(env.count(QStringLiteral("category")), 0);
}

void DatabaseTest::insertReturnsTheNewRowsId() {
    TestEnvironment env;
    const int first = env.addUser(QStringLiteral("Ann"));
    const int second = env.addUser(QStringLiteral("Bob"));
    QCOMPARE(second, first + 1);
    // A deleted row's id is never handed out again.
    env.database().execute(QStringLiteral("delete from \"user\" where userId = ?"), {second});
    const int third = env.addUser(QStringLiteral("Cid"));
    QCOMPARE(third, second + 1);
}

void DatabaseTest::idsAndMinutesBeyondSixteenBits() {
    TestEnvironment env;
    env.database().execute(QStringLiteral("insert into \"user\" (userId, userName, active) "
                                          "values (70000, 'Big', 0)"));
    const int next = env.addUser(QStringLiteral("After"));
    QCOMPARE(next, 70001);
    const int time =
        env.addTime(40000, 70000, env.clock.now(), env.clock.now().addDays(100), 144000);
    const Row row = env.database()
                        .query(QStringLiteral("select * from tallyRec where timeId = ?"), {time})
                        .first();
    QCOMPARE(row.integer(QStringLiteral("duration")), 144000);
    QCOMPARE(row.integer(QStringLiteral("categoryId")), 40000);
    QCOMPARE(row.integer(QStringLiteral("userId")), 70000);
}

void DatabaseTest::dateTimesAreStoredAsSortableText() {
    TestEnvironment env;
    const QDateTime start(QDate(2026, 5, 1), QTime(14, 3, 7, 123));
    const int id = env.addOpenTime(1, 1, start);
    const ResultSet rows = env.database().query(
        QStringLiteral(
            "select startTime, typeof(startTime), endTime from tallyRec where timeId = ?"),
        {id});
    QCOMPARE(rows.first().value(0).toString(), QStringLiteral("2026-05-01 14:03:07"));
    QCOMPARE(rows.first().value(1).toString(), QStringLiteral("text"));
    QCOMPARE(rows.first().dateTime(0), QDateTime(QDate(2026, 5, 1), QTime(14, 3, 7)));
    QVERIFY(rows.first().isNull(2));
    QVERIFY(!rows.first().dateTime(2).isValid());
    // Ranges compare the way the moments do.
    QCOMPARE(
        env.database()
            .scalar(QStringLiteral("select count(*) from tallyRec where startTime between ? and ?"),
                    {QDateTime(QDate(2026, 5, 1), QTime(0, 0)), QDate(2026, 5, 2)})
            .toInt(),
        1);
}

void DatabaseTest::failingStatementCarriesEngineMessageAndStatement() {
    TestEnvironment env;
    const QString bad = QStringLiteral("select nonsense from nowhere");
    try {
        env.database().query(bad);
        QFAIL("the statement should have failed");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::Statement);
        QCOMPARE(error.statement(), bad);
        QVERIFY2(error.message().contains(QStringLiteral("nowhere")), qPrintable(error.message()));
        QVERIFY(QString::fromUtf8(error.what()).contains(bad));
        QVERIFY(!error.isRetryable());
    }
    // The connection is still usable afterwards.
    QCOMPARE(env.count(QStringLiteral("allocationPeriod")), 6);
}

void DatabaseTest::transactionCommitsOrRollsBackAsAWhole() {
    TestEnvironment env;
    env.database().transaction([&] {
        env.addUser(QStringLiteral("One"));
        env.addUser(QStringLiteral("Two"));
    });
    QCOMPARE(env.count(QStringLiteral("user")), 2);
    QVERIFY(!env.database().inTransaction());

    QVERIFY_THROWS_EXCEPTION(DatabaseError, env.database().transaction([&] {
        env.addUser(QStringLiteral("Three"));
        env.database().execute(QStringLiteral("insert into nowhere values (1)"));
    }));
    QCOMPARE(env.count(QStringLiteral("user")), 2);

    QVERIFY_THROWS_EXCEPTION(std::runtime_error, env.database().transaction([&] {
        env.addUser(QStringLiteral("Four"));
        throw std::runtime_error("not a database failure");
    }));
    QCOMPARE(env.count(QStringLiteral("user")), 2);
    QVERIFY(!env.database().inTransaction());
}

void DatabaseTest::nestedTransactionJoinsTheOuterOne() {
    TestEnvironment env;
    QVERIFY_THROWS_EXCEPTION(DatabaseError, env.database().transaction([&] {
        env.database().transaction([&] { env.addUser(QStringLiteral("Inner")); });
        QVERIFY(env.database().inTransaction());
        env.database().execute(QStringLiteral("broken statement"));
    }));
    QCOMPARE(env.count(QStringLiteral("user")), 0);
}

void DatabaseTest::statementsAreCounted() {
    TestEnvironment env;
    const quint64 before = env.database().statementCount();
    env.database().scalar(QStringLiteral("select 1"));
    env.addUser(QStringLiteral("Ann"));
    QCOMPARE(env.database().statementCount(), before + 2);
    env.database().transaction([&] { env.addUser(QStringLiteral("Bob")); });
    QCOMPARE(env.database().statementCount(), before + 5); // begin, insert, commit
}

void DatabaseTest::sumOverNoRowsIsNull() {
    TestEnvironment env;
    const QVariant sum = env.database().scalar(
        QStringLiteral(
            "select sum(duration) from tallyRec where categoryId = ? and endTime is not null"),
        {5});
    QVERIFY(sum.isNull());
    QCOMPARE(env.database()
                 .query(QStringLiteral("select sum(duration) from tallyRec"))
                 .first()
                 .integer(0),
             0);
}

void DatabaseTest::connectionUsesWalAndNormalSync() {
    TestEnvironment env;
    QCOMPARE(env.database().scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
             QStringLiteral("wal"));
    QCOMPARE(env.database().scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1); // NORMAL
    QCOMPARE(env.database().scalar(QStringLiteral("PRAGMA busy_timeout")).toInt(), 10000);
    auto again = Database::open(env.databasePath());
    QCOMPARE(again->scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1);
    QCOMPARE(again->scalar(QStringLiteral("PRAGMA busy_timeout")).toInt(), 10000);
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
