#include "RawReplay.h"
#include "TestEnvironment.h"
#include "data/Database.h"

#include <QtTest>

// The raw SQL of a figure: the statements the program sent, captured as it sent them and
// replayed through the engine's own C library on a connection of its own.
class RawReplayTest : public QObject {
    Q_OBJECT

private slots:
    void replayReadsTheRowsTheProgramRead();
    void replayedWritesTakeEffect();
    void startUpOfANewDatabaseIsCaptured();
    void placeholdersAreNumberedOutsideQuotes();
    void failingStatementIsReported();
};

void RawReplayTest::replayReadsTheRowsTheProgramRead() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int project = env.addCategory(QStringLiteral("Project"), 0, ann);
    const QDateTime start = env.clock.now().addDays(-3);
    for (int i = 0; i < 7; ++i) {
        env.addTime(project, ann, start.addSecs(3600 * i), start.addSecs(3600 * i + 1800), 30);
    }

    StatementLog log(db);
    const ResultSet times = db.query(
        QStringLiteral("select * from tallyRec where categoryId = ? and startTime >= ? and "
                       "endTime is not null order by startTime"),
        {project, start.addSecs(3600 * 2)});
    const QVariant total =
        db.scalar(QStringLiteral("select sum(duration) from tallyRec where userId = ?"), {ann});
    const std::vector<SentStatement> sent = log.take();
    QCOMPARE(times.count(), 5);
    QCOMPARE(total.toInt(), 210);
    QCOMPARE(sent.size(), std::size_t(2));
    // Nothing more is captured once taken.
    db.scalar(QStringLiteral("select 1"));
    QVERIFY(log.take().empty());

    std::unique_ptr<RawReplay> raw = RawReplay::connect(env.location());
    raw->load(sent);
    QCOMPARE(raw->run(), quint64(5 + 1));
    QCOMPARE(raw->run(), quint64(5 + 1)); // again, on the same prepared statements
}

void RawReplayTest::replayedWritesTakeEffect() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"));
    std::vector<SentStatement> sent;
    {
        StatementLog log(db);
        db.transaction([&] {
            db.execute(
                QStringLiteral("update \"user\" set active = ?, created = ? where userId = ?"),
                {true, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)), ann});
        });
        sent = log.take();
    }
    QCOMPARE(sent.size(), std::size_t(3)); // begin, update, commit
    db.execute(QStringLiteral("update \"user\" set active = ?, created = null where userId = ?"),
               {false, ann});

    std::unique_ptr<RawReplay> raw = RawReplay::connect(env.location());
    raw->load(sent);
    QCOMPARE(raw->run(), quint64(0));
    const Row row =
        db.query(QStringLiteral("select * from \"user\" where userId = ?"), {ann}).first();
    QVERIFY(row.boolean(QStringLiteral("active")));
    QCOMPARE(row.dateTime(QStringLiteral("created")), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
}

void RawReplayTest::startUpOfANewDatabaseIsCaptured() {
    TestEnvironment env;
    env.addUser(QStringLiteral("Ann"));
    std::vector<SentStatement> sent;
    {
        StatementLog log{StatementLog::NewDatabases()};
        std::unique_ptr<Database> opened = Database::open(env.location());
        opened->query(QStringLiteral("select userName from \"user\""));
        sent = log.take();
        // The database opened while capturing stops being traced with the log.
        opened->setStatementTrace({});
    }
    QVERIFY(!sent.empty());
    QCOMPARE(sent.back().sql, QStringLiteral("select userName from \"user\""));
    // Databases opened afterwards are not traced.
    std::unique_ptr<Database> later = Database::open(env.location());
    later->scalar(QStringLiteral("select 1"));

    std::unique_ptr<RawReplay> raw = RawReplay::connect(env.location());
    raw->load(sent);
    QVERIFY(raw->run() >= 1);
}

void RawReplayTest::placeholdersAreNumberedOutsideQuotes() {
    QCOMPARE(numberedPlaceholders(
                 QStringLiteral("select ? from \"user?\" where a = ? and b = '?' and c = ?")),
             QStringLiteral("select $1 from \"user?\" where a = $2 and b = '?' and c = $3"));
    QCOMPARE(numberedPlaceholders(QStringLiteral("select 1")), QStringLiteral("select 1"));
}

void RawReplayTest::failingStatementIsReported() {
    TestEnvironment env;
    std::unique_ptr<RawReplay> raw = RawReplay::connect(env.location());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             raw->load({{QStringLiteral("select * from nowhere"), {}}}));
}

QTEST_GUILESS_MAIN(RawReplayTest)
#include "tst_rawreplay.moc"
