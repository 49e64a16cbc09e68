#include "TestEnvironment.h"
#include "data/Database.h"
#include "data/SqliteFile.h"
#include "data/TimeText.h"
#include "data/user.h"

#include <QtTest>
#include <sys/stat.h>

// The engine facade: bound values, new ids, errors, transactions and date-time text.
class DatabaseTest : public QObject {
    Q_OBJECT

private slots:
    void awkwardTextIsStoredExactly_data();
    void awkwardTextIsStoredExactly();
    void insertReturnsTheNewRowsId();
    void idsAndMinutesBeyondSixteenBits();
    void dateTimesReadBackToTheSecond();
    void dateTimesAreStoredAsSortableText();
    void valuesReadBackAlikeOnBothEngines();
    void streamedRowsReadAsQueryRows();
    void dayOfGroupsByCalendarDay();
    void dayBoundsTakeWholeCalendarDays();
    void failingStatementCarriesEngineMessageAndStatement();
    void transactionCommitsOrRollsBackAsAWhole();
    void caughtFailureStillFailsTheTransaction();
    void nestedTransactionJoinsTheOuterOne();
    void statementsAreCounted();
    void traceSeesWhatTheEngineIsSent();
    void recordColumnsAreFoundInEachResult();
    void missingRecordColumnIsNamed();
    void sumOverNoRowsIsNull();
    void connectionUsesWalAndNormalSync();
    void newDatabaseInTheOwnFolderIsPrivate();
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
                                          "values (70000, 'Big', ?)"),
                           {false});
    env.syncIds();
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

void DatabaseTest::dateTimesReadBackToTheSecond() {
    TestEnvironment env;
    const QDateTime start(QDate(2026, 5, 1), QTime(14, 3, 7, 123));
    const int id = env.addOpenTime(1, 1, start);
    const ResultSet rows = env.database().query(
        QStringLiteral("select startTime, endTime from tallyRec where timeId = ?"), {id});
    // Local wall-clock time, whatever zone the program or the server runs in.
    QCOMPARE(rows.first().dateTime(0), QDateTime(QDate(2026, 5, 1), QTime(14, 3, 7)));
    QCOMPARE(rows.first().dateTime(QStringLiteral("startTime")).timeSpec(), Qt::LocalTime);
    QVERIFY(rows.first().isNull(1));
    QVERIFY(!rows.first().dateTime(1).isValid());
    // Ranges compare the way the moments do, with whole days bound as midnight.
    auto between = [&](const QVariant& from, const QVariant& to) {
        return env.database()
            .scalar(QStringLiteral("select count(*) from tallyRec where startTime between ? and ?"),
                    {from, to})
            .toInt();
    };
    QCOMPARE(between(QDateTime(QDate(2026, 5, 1), QTime(0, 0)), QDate(2026, 5, 2)), 1);
    QCOMPARE(between(QDateTime(QDate(2026, 5, 1), QTime(14, 3, 8)), QDate(2026, 5, 2)), 0);
    QCOMPARE(between(QDate(2026, 4, 1), QDateTime(QDate(2026, 5, 1), QTime(14, 3, 7))), 1);
    // Written back unchanged by an update that binds what was read.
    env.database().execute(QStringLiteral("update tallyRec set endTime = ? where timeId = ?"),
                           {rows.first().dateTime(0).addSecs(3600), id});
    QCOMPARE(env.database()
                 .query(QStringLiteral("select endTime from tallyRec where timeId = ?"), {id})
                 .first()
                 .dateTime(0),
             QDateTime(QDate(2026, 5, 1), QTime(15, 3, 7)));
}

void DatabaseTest::dateTimesAreStoredAsSortableText() {
    QUILLHOUR_SQLITE_ONLY("the server has a date-time type of its own");
    TestEnvironment env;
    const int id = env.addOpenTime(1, 1, QDateTime(QDate(2026, 5, 1), QTime(14, 3, 7, 123)));
    const ResultSet rows = env.database().query(
        QStringLiteral("select startTime, typeof(startTime) from tallyRec where timeId = ?"), {id});
    QCOMPARE(rows.first().value(0).toString(), QStringLiteral("2026-05-01 14:03:07"));
    QCOMPARE(rows.first().value(1).toString(), QStringLiteral("text"));
}

void DatabaseTest::streamedRowsReadAsQueryRows() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ånn «x»"));
    env.addTime(7, ann, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)),
                QDateTime(QDate(2026, 1, 2), QTime(4, 0)), 56);
    env.addOpenTime(7, ann, QDateTime(QDate(2026, 1, 3), QTime(0, 0)));
    const QString statement =
        QStringLiteral("select t.timeId, t.startTime, t.endTime, t.duration, u.userName, "
                       "u.email from tallyRec t join \"user\" u on u.userId = t.userId "
                       "where t.categoryId = ? and u.userName = ? order by t.timeId");
    const QVariantList params = {7, QStringLiteral("Ånn «x»")};
    const ResultSet expected = db.query(statement, params);
    QCOMPARE(expected.count(), 2);
    const quint64 before = db.statementCount();
    int rows = 0;
    db.readEach(statement, params, [&](const StreamedRow& row) {
        const QVariantList& values = expected.values(rows);
        for (int column = 0; column < values.size(); ++column) {
            QCOMPARE(row.value(column).isNull(), values.at(column).isNull());
            QCOMPARE(row.value(column).toString(), values.at(column).toString());
        }
        QCOMPARE(row.integer64(0), expected.row(rows).integer64(0));
        // Text read without a QString made of it is the same text.
        // On SQLite text comes as the engine holds it, and is the same text.
        QByteArrayView name;
        QCOMPARE(row.utf8(4, name), db.engine() == Database::Engine::SQLite);
        if (!name.isNull()) {
            QCOMPARE(QString::fromUtf8(name), QStringLiteral("Ånn «x»"));
        }
        if (values.at(2).isNull()) { // the running task's end
            QVERIFY(!row.utf8(2, name));
            QCOMPARE(row.integer64(2), 0);
        }
        ++rows;
    });
    QCOMPARE(rows, 2);
    QCOMPARE(db.statementCount(), before + 1);

    // A statement the engine refuses says so, with the statement.
    try {
        db.readEach(QStringLiteral("select nothing from nowhere"), {}, [](const StreamedRow&) {});
        QFAIL("the statement ran");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::Statement);
        QCOMPARE(error.statement(), QStringLiteral("select nothing from nowhere"));
    }

    // A reader that gives up part way leaves no statement open: another connection's writes can
    // all be moved into the file.
    struct GaveUp {};
    try {
        db.readEach(statement, params, [](const StreamedRow&) { throw GaveUp(); });
        QFAIL("the reader went on");
    } catch (const GaveUp&) {
    }
    if (db.engine() == Database::Engine::SQLite) {
        std::unique_ptr<Database> other = Database::open(env.location());
        other->execute(QStringLiteral("update tallyRec set duration = 57 where duration = 56"));
        QCOMPARE(other->query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")).first().integer(0),
                 0);
    }
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from tallyRec where duration = ?"),
                       {db.engine() == Database::Engine::SQLite ? 57 : 56})
                 .toInt(),
             1);
}

void DatabaseTest::valuesReadBackAlikeOnBothEngines() {
    TestEnvironment env;
    Database& db = env.database();
    // Yes/no values bound as bool, read as bool.
    const int ann = env.addUser(QStringLiteral("Ann"), true);
    const int bob = env.addUser(QStringLiteral("Bob"), false);
    db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {false, ann});
    db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {true, bob});
    const ResultSet users =
        db.query(QStringLiteral("select userId, userName, active from \"user\" order by userId"));
    QCOMPARE(users.count(), 2);
    QVERIFY(!users.row(0).boolean(QStringLiteral("active")));
    QVERIFY(users.row(1).boolean(QStringLiteral("ACTIVE")));
    // Column names as written in the statement, found whatever case the engine reports them in.
    QCOMPARE(users.row(0).text(QStringLiteral("userName")), QStringLiteral("Ann"));
    QCOMPARE(users.columnIndex(QStringLiteral("userid")), 0);
    QCOMPARE(
        db.scalar(QStringLiteral("select count(*) from \"user\" where active = ?"), {true}).toInt(),
        1);

    // A question mark inside a text literal is not a value to bind.
    QCOMPARE(db.query(QStringLiteral("select 'why?' as q, userName from \"user\" where userId = ?"),
                      {bob})
                 .first()
                 .text(0),
             QStringLiteral("why?"));

    // RETURNING several columns of the new row.
    const ResultSet inserted = db.insertReturning(
        QStringLiteral("insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
        {QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), 7, ann},
        QStringLiteral("timeId, startTime, endTime"));
    QVERIFY(inserted.first().integer(0) > 0);
    QCOMPARE(inserted.first().dateTime(QStringLiteral("startTime")),
             QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
    QVERIFY(inserted.first().isNull(2));

    // Sums, counts and averages: whatever width the engine returns, they read as numbers.
    env.addTime(7, ann, env.clock.now(), env.clock.now(), 30);
    env.addTime(7, ann, env.clock.now(), env.clock.now(), 45);
    const Row totals = db.query(QStringLiteral("select sum(duration), count(*), avg(duration), "
                                               "max(duration) from tallyRec where categoryId = ? "
                                               "and endTime is not null"),
                                {7})
                           .first();
    QCOMPARE(totals.integer(0), 75);
    QCOMPARE(totals.integer64(1), qint64(2));
    QCOMPARE(totals.value(2).toDouble(), 37.5);
    QCOMPARE(totals.integer(3), 45);
    QVERIFY(totals.value(0).canConvert<qlonglong>());
    // A null number reads as empty text and as 0, not as the text "0".
    const Row none =
        db.query(QStringLiteral("select max(duration), sum(duration) from tallyRec where 1 = 0"))
            .first();
    QVERIFY(none.isNull(0));
    QCOMPARE(none.text(0), QString());
    QCOMPARE(none.integer(1), 0);
}

void DatabaseTest::dayOfGroupsByCalendarDay() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"));
    const QDate day(2026, 3, 9);
    env.addTime(1, ann, QDateTime(day, QTime(0, 0)), QDateTime(day, QTime(1, 0)), 60);
    env.addTime(1, ann, QDateTime(day, QTime(23, 59, 59)), QDateTime(day.addDays(1), QTime(0, 30)),
                31);
    env.addTime(1, ann, QDateTime(day.addDays(1), QTime(9, 0)),
                QDateTime(day.addDays(1), QTime(9, 15)), 15);
    env.addOpenTime(1, ann, QDateTime(day.addDays(2), QTime(8, 0)));
    const ResultSet days =
        db.query(QStringLiteral("select %1 as day, sum(duration) as total from tallyRec "
                                "where userId = ? group by %1 order by %1")
                     .arg(db.dayOf(QStringLiteral("startTime"))),
                 {ann});
    QCOMPARE(days.count(), 3);
    QCOMPARE(days.row(0).text(QStringLiteral("day")), QStringLiteral("2026-03-09"));
    QCOMPARE(days.row(0).integer(QStringLiteral("total")), 91);
    QCOMPARE(days.row(1).text(0), QStringLiteral("2026-03-10"));
    QCOMPARE(days.row(1).integer(1), 15);
    QCOMPARE(days.row(2).text(0), QStringLiteral("2026-03-11"));
    QVERIFY(days.row(2).isNull(1));
    // The day compares with a bound day as text.
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from tallyRec where %1 = ?")
                           .arg(db.dayOf(QStringLiteral("endTime"))),
                       {QStringLiteral("2026-03-10")})
                 .toInt(),
             2);
}

void DatabaseTest::dayBoundsTakeWholeCalendarDays() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"));
    // The night the clocks go forward in much of Europe: the arithmetic looks at no zone, so the
    // day still runs from midnight to midnight.
    const QDate day(2026, 3, 29);
    for (const QDateTime& start :
         {QDateTime(day.addDays(-1), QTime(23, 59, 59)), QDateTime(day, QTime(0, 0)),
          QDateTime(day, QTime(23, 59, 59)), QDateTime(day.addDays(1), QTime(0, 0))}) {
        env.addTime(1, ann, start, start.addSecs(60), 1);
    }
    // Midnight written as a bare date, as other programs write it, belongs to its own day.
    for (const QString& bare : {QStringLiteral("2026-03-29"), QStringLiteral("2026-03-30")}) {
        db.execute(QStringLiteral("insert into tallyRec (startTime, duration, categoryId, userId) "
                                  "values (?, 1, 1, ?)"),
                   {bare, ann});
    }
    const QString oneDay = QStringLiteral("select count(*) from tallyRec where startTime >= %1 "
                                          "and startTime < %2")
                               .arg(db.dayStart(QStringLiteral("?"), QStringLiteral("0")),
                                    db.dayEnd(QStringLiteral("?"), QStringLiteral("0")));
    const QDateTime midnight(day, QTime(0, 0));
    QCOMPARE(db.scalar(oneDay, {midnight, midnight}).toInt(), 3);
    // A moment later in the day starts the same day.
    const QDateTime noon(day, QTime(12, 0));
    QCOMPARE(db.scalar(oneDay, {noon, noon}).toInt(), 3);
    // Across the end of a year, and from a column.
    const QVariant newYear = db.scalar(
        QStringLiteral("select %1").arg(db.dayStart(QStringLiteral("?"), QStringLiteral("3"))),
        {QDateTime(QDate(2026, 12, 30), QTime(0, 0))});
    QCOMPARE(TimeText::fromStorage(newYear), QDateTime(QDate(2027, 1, 2), QTime(0, 0)));
    const QVariant latest =
        db.scalar(QStringLiteral("select max(%1) from tallyRec")
                      .arg(db.dayStart(QStringLiteral("startTime"), QStringLiteral("2"))));
    QCOMPARE(TimeText::fromStorage(latest), QDateTime(QDate(2026, 4, 1), QTime(0, 0)));
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

void DatabaseTest::caughtFailureStillFailsTheTransaction() {
    TestEnvironment env;
    int runs = 0;
    try {
        env.database().transaction([&] {
            ++runs;
            env.addUser(QStringLiteral("Before"));
            try {
                env.database().execute(QStringLiteral("insert into nowhere values (1)"));
            } catch (const DatabaseError&) {
                // carried on regardless
            }
            env.addUser(QStringLiteral("After"));
        });
        QFAIL("the transaction should have failed");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::Statement);
        QVERIFY2(error.statement().contains(QStringLiteral("nowhere")),
                 qPrintable(error.statement()));
    }
    QCOMPARE(runs, 1);
    QCOMPARE(env.count(QStringLiteral("user")), 0);
    QVERIFY(!env.database().inTransaction());
    // The next transaction starts clean.
    env.database().transaction([&] { env.addUser(QStringLiteral("Next")); });
    QCOMPARE(env.count(QStringLiteral("user")), 1);
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

void DatabaseTest::traceSeesWhatTheEngineIsSent() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"));
    std::vector<std::pair<QString, QVariantList>> sent;
    db.setStatementTrace(
        [&](const QString& sql, const QVariantList& values) { sent.emplace_back(sql, values); });
    const QString update =
        QStringLiteral("update \"user\" set created = ?, active = ? where userId = ?");
    const QString read = QStringLiteral("select userName from \"user\" where userId = ?");
    db.execute(update, {QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)), true, ann});
    db.transaction([&] { db.query(read, {ann}); });
    db.setStatementTrace({});
    db.query(read, {ann});

    QCOMPARE(sent.size(), std::size_t(4)); // the update, then begin, the select and commit
    QCOMPARE(sent[0].first, update);
    const QVariantList& values = sent[0].second;
    QCOMPARE(values.size(), 3);
    // Date-times as storage text, yes/no as the engine takes them.
    QCOMPARE(values.at(0).toString(), QStringLiteral("2026-12-07 09:05:03"));
    if (db.engine() == Database::Engine::SQLite) {
        QCOMPARE(values.at(1).typeId(), int(QMetaType::Int));
        QCOMPARE(values.at(1).toInt(), 1);
    } else {
        QCOMPARE(values.at(1).typeId(), int(QMetaType::Bool));
    }
    QCOMPARE(values.at(2).toInt(), ann);
    QVERIFY(sent[1].first.startsWith(QLatin1String("BEGIN")));
    QCOMPARE(sent[2].first, read);
    QCOMPARE(sent[2].second, QVariantList{ann});
    QCOMPARE(sent[3].first, QStringLiteral("COMMIT"));
}

void DatabaseTest::recordColumnsAreFoundInEachResult() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"), true, QStringLiteral("ann@example.com"));
    db.execute(QStringLiteral("update \"user\" set details = ? where userId = ?"),
               {QStringLiteral("Team lead"), ann});
    // One reader, results whose columns stand in other orders and other cases: each result
    // finds its own positions.
    const QStringList statements = {
        QStringLiteral("select * from \"user\" where userId = ?"),
        QStringLiteral("select email, created, details, userName, active, userId from \"user\" "
                       "where userId = ?"),
        QStringLiteral("select created as CREATED, email as Email, active as ACTIVE, "
                       "userName as username, details as DETAILS from \"user\" where userId = ?"),
    };
    for (const QString& statement : statements) {
        const ResultSet rows = db.query(statement, {ann});
        for (int pass = 0; pass < 2; ++pass) {
            user record(env.context());
            record.readRow(rows.first());
            QCOMPARE(record.userName, QStringLiteral("Ann"));
            QCOMPARE(record.email, QStringLiteral("ann@example.com"));
            QCOMPARE(record.details, QStringLiteral("Team lead"));
            QVERIFY(record.active);
            QCOMPARE(record.created, env.clock.now());
        }
    }
}

void DatabaseTest::missingRecordColumnIsNamed() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const ResultSet rows = env.database().query(
        QStringLiteral("select userName, details, email, active from \"user\" where userId = ?"),
        {ann});
    user record(env.context());
    try {
        record.readRow(rows.first());
        QFAIL("a result without the created column was read");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.message(), QStringLiteral("The result has no column named created."));
    }
    // The same by name, and a column that is there still reads.
    QVERIFY_THROWS_EXCEPTION(DatabaseError, rows.first().dateTime(QStringLiteral("created")));
    QCOMPARE(rows.first().text(QStringLiteral("USERNAME")), QStringLiteral("Ann"));
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
    QUILLHOUR_SQLITE_ONLY("write-ahead logging and busy timeouts are SQLite's");
    TestEnvironment env;
    QCOMPARE(env.database().scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
             QStringLiteral("wal"));
    QCOMPARE(env.database().scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1); // NORMAL
    // The engine gives up on a lock after a short wait; the database object tries again for up
    // to the busy timeout.
    QCOMPARE(env.database().scalar(QStringLiteral("PRAGMA busy_timeout")).toInt(), 100);
    QCOMPARE(env.database().patience(), Database::BusyTimeout);
    auto again = Database::open(env.databasePath());
    QCOMPARE(again->scalar(QStringLiteral("PRAGMA synchronous")).toInt(), 1);
    QCOMPARE(again->scalar(QStringLiteral("PRAGMA busy_timeout")).toInt(), 100);
}

void DatabaseTest::newDatabaseInTheOwnFolderIsPrivate() {
    QUILLHOUR_SQLITE_ONLY("a file's mode is SQLite's");
    TestEnvironment env;
    qputenv("XDG_DATA_HOME", QFile::encodeName(env.folder()));
    const QString own = SqliteFile::ownFolder() + QStringLiteral("/quillhour.db");
    const QString shared = env.folder() + QStringLiteral("/shared/team.db");
    const mode_t umaskBefore = ::umask(022);
    // Kept open, with their logs beside them.
    const auto ownDatabase = Database::create(own), sharedDatabase = Database::create(shared);
    ::umask(umaskBefore);
    qunsetenv("XDG_DATA_HOME");
    const auto mode = [](const QString& path) { return QFile::permissions(path) & 0x7077; };
    QCOMPARE(mode(QFileInfo(own).path()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(mode(own), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(mode(own + QStringLiteral("-wal")), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(mode(shared),
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

QTEST_GUILESS_MAIN(DatabaseTest)
#include "tst_database.moc"
