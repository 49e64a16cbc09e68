#include "ReferenceData.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/Schema.h"
#include "data/TimeText.h"

#include <QCryptographicHash>
#include <QHash>
#include <QTemporaryDir>
#include <QtTest>

// The reference data set: the same seed gives the same rows, and the rows have the shapes the
// program relies on (a tree under the top level, finished rows that add up, the benchmark
// user's share of open rows and notifications).
class GenerateTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sameSeedGivesIdenticalRows();
    void differentSeedGivesDifferentRows();
    void countsFollowTheScale();
    void categoryTreeIsReachableAndAtMostFiveDeep();
    void categoriesCarryAllocationsAndManagers();
    void finishedRowsEndAfterTheyStartAndAddUp();
    void openRowsIncludeTheBenchmarkUsers();
    void notificationsAreShapedLikeTheAllocationChecks();
    void windowTitlesBelongToUsersAtWork();
    void aTeamOfItsOwnSetsPeopleCategoriesAndWindows();
    void creationRefusesAnExistingFileAndABadScale();

private:
    static constexpr double Scale = 0.01;
    static QStringList dump(Database& database, const QString& table);

    QTemporaryDir m_folder;
    std::unique_ptr<Database> m_first;
    std::unique_ptr<Database> m_again;
    std::unique_ptr<Database> m_other;
    ReferenceData::Summary m_summary;
    ReferenceData::Counts m_counts;
};

void GenerateTest::initTestCase() {
    QVERIFY(m_folder.isValid());
    ReferenceData::Options options;
    options.seed = 7;
    options.scale = Scale;
    m_summary = ReferenceData::create(m_folder.filePath(QStringLiteral("first.db")), options);
    ReferenceData::create(m_folder.filePath(QStringLiteral("again.db")), options);
    options.seed = 8;
    ReferenceData::create(m_folder.filePath(QStringLiteral("other.db")), options);
    m_first = Database::open(m_folder.filePath(QStringLiteral("first.db")));
    m_again = Database::open(m_folder.filePath(QStringLiteral("again.db")));
    m_other = Database::open(m_folder.filePath(QStringLiteral("other.db")));
    m_counts = ReferenceData::Counts::scaled(Scale);
}

void GenerateTest::cleanupTestCase() {
    m_first.reset();
    m_again.reset();
    m_other.reset();
}

QStringList GenerateTest::dump(Database& database, const QString& table) {
    const ResultSet rows =
        database.query(QStringLiteral("select * from \"%1\" order by 1").arg(table));
    QStringList lines;
    for (int i = 0; i < rows.count(); ++i) {
        QStringList fields;
        for (const QVariant& value : rows.values(i)) {
            fields.append(value.isNull() ? QStringLiteral("<null>") : value.toString());
        }
        lines.append(fields.join(QLatin1Char('|')));
    }
    return lines;
}

void GenerateTest::sameSeedGivesIdenticalRows() {
    for (const auto& table : Schema::tables()) {
        const QStringList first = dump(*m_first, table.name);
        QVERIFY2(!first.isEmpty(), qPrintable(table.name));
        QCOMPARE(dump(*m_again, table.name), first);
    }
}

void GenerateTest::differentSeedGivesDifferentRows() {
    for (const QString table : {"user", "category", "tallyRec", "notification", "process"}) {
        QVERIFY2(dump(*m_other, table) != dump(*m_first, table), qPrintable(table));
    }
    // Only the generated rows differ: the look-up rows come with every database.
    QCOMPARE(dump(*m_other, QStringLiteral("allocationPeriod")),
             dump(*m_first, QStringLiteral("allocationPeriod")));
}

void GenerateTest::countsFollowTheScale() {
    Database& db = *m_first;
    auto count = [&db](const QString& sql, const QVariantList& params = {}) {
        return db.scalar(sql, params).toInt();
    };
    QCOMPARE(m_summary.counts.users, m_counts.users);
    QCOMPARE(count(QStringLiteral("select count(*) from \"user\"")), m_counts.users);
    QCOMPARE(count(QStringLiteral("select count(*) from category")), m_counts.categories);
    QCOMPARE(count(QStringLiteral("select count(*) from tallyRec where endTime is not null")),
             m_counts.finishedTimes);
    QCOMPARE(count(QStringLiteral("select count(*) from notification")), m_counts.notifications);
    QCOMPARE(count(QStringLiteral("select count(*) from process")), m_counts.processes);
    QCOMPARE(count(QStringLiteral("select count(*) from \"user\" where active = 1")),
             m_counts.activeUsers);
    // 1% of the full set, as far as whole rows go.
    QCOMPARE(m_counts.categories, 20);
    QCOMPARE(m_counts.finishedTimes, 10000);
    QCOMPARE(m_counts.notifications, 200);
    QCOMPARE(m_counts.benchmarkNotifications, 5);

    const ReferenceData::Counts full = ReferenceData::Counts::scaled(1.0);
    QCOMPARE(full.users, 200);
    QCOMPARE(full.categories, 2000);
    QCOMPARE(full.finishedTimes, 1000000);
    QCOMPARE(full.openTimes, 20);
    QCOMPARE(full.benchmarkOpenTimes, 3);
    QCOMPARE(full.notifications, 20000);
    QCOMPARE(full.benchmarkNotifications, 500);
    QCOMPARE(full.processes, 200);

    // The benchmark user is the first user row, found by its name as the benchmarks find it.
    QCOMPARE(m_summary.benchmarkUserId, 1);
    QCOMPARE(db.scalar(QStringLiteral("select userName from \"user\" where userId = 1")).toString(),
             ReferenceData::BenchmarkUserName);
    QCOMPARE(count(QStringLiteral("select count(*) from \"user\" where userName = ?"),
                   {ReferenceData::BenchmarkUserName}),
             1);
    QCOMPARE(count(QStringLiteral("select count(distinct userName) from \"user\"")),
             m_counts.users);
    // The busiest category reported is the one with the most finished rows.
    const ResultSet busiest = db.query(
        QStringLiteral("select categoryId, count(*) from tallyRec where endTime is not null "
                       "group by categoryId order by 2 desc limit 1"));
    QCOMPARE(busiest.first().integer(0), m_summary.busiestCategoryId);
    QCOMPARE(busiest.first().integer(1), m_summary.busiestCategoryRows);
}

void GenerateTest::categoryTreeIsReachableAndAtMostFiveDeep() {
    const ResultSet rows =
        m_first->query(QStringLiteral("select categoryId, parentId from category"));
    QHash<int, QList<int>> children;
    for (const Row row : rows) {
        children[row.integer(1)].append(row.integer(0));
    }
    // Walk down from the top level; every category must be met exactly once.
    QHash<int, int> depth;
    QList<int> next = children.value(0);
    for (int id : next) {
        depth.insert(id, 1);
    }
    while (!next.isEmpty()) {
        const int id = next.takeFirst();
        for (int child : children.value(id)) {
            QVERIFY2(!depth.contains(child), "a category is reached twice");
            depth.insert(child, depth.value(id) + 1);
            next.append(child);
        }
    }
    QCOMPARE(depth.size(), rows.count());
    int deepest = 0;
    for (int level : depth) {
        deepest = std::max(deepest, level);
    }
    QCOMPARE(deepest, ReferenceData::MaxDepth);
    QCOMPARE(m_summary.deepestLevel, ReferenceData::MaxDepth);
    // A sub-category never starts before its parent.
    QCOMPARE(m_first
                 ->scalar(QStringLiteral("select count(*) from category c join category p "
                                         "on p.categoryId = c.parentId "
                                         "where c.startDate < p.startDate"))
                 .toInt(),
             0);
}

void GenerateTest::categoriesCarryAllocationsAndManagers() {
    Database& db = *m_first;
    const ResultSet rows = db.query(QStringLiteral("select * from category"));
    int withManager = 0;
    for (const Row row : rows) {
        for (const QString column : {"minAllocationPeriodId", "maxAllocationPeriodId"}) {
            QVERIFY(row.integer(column) >= 1 && row.integer(column) <= 6);
        }
        QVERIFY(row.integer("productivityId") >= 1 && row.integer("productivityId") <= 4);
        QVERIFY(row.integer("minAllocation") >= 0 && row.integer("maxAllocation") >= 0);
        const QDateTime start = row.dateTime("startDate");
        QVERIFY(start.isValid());
        QVERIFY(start.date() >=
                ReferenceData::referenceTime().date().addYears(-ReferenceData::Years));
        QVERIFY(start < ReferenceData::referenceTime());
        const int owner = row.integer("ownerUserId");
        if (owner != 0) {
            ++withManager;
            QCOMPARE(
                db.scalar(QStringLiteral("select count(*) from \"user\" where userId = ?"), {owner})
                    .toInt(),
                1);
        }
    }
    QVERIFY(withManager > rows.count() / 2);
    QVERIFY(db.scalar(QStringLiteral("select count(*) from category where ownerUserId = ?"),
                      {m_summary.benchmarkUserId})
                .toInt() >= 1);

    // At full scale every kind of allocation is present: none, minimum only, maximum only, both.
    QTemporaryDir folder;
    ReferenceData::Options options;
    options.scale = 0.05;
    ReferenceData::create(folder.filePath(QStringLiteral("kinds.db")), options);
    auto larger = Database::open(folder.filePath(QStringLiteral("kinds.db")));
    for (const QString where :
         {"minAllocation = 0 and maxAllocation = 0", "minAllocation > 0 and maxAllocation = 0",
          "minAllocation = 0 and maxAllocation > 0", "minAllocation > 0 and maxAllocation > 0",
          "folder is null", "folder is not null", "ownerUserId = 0"}) {
        QVERIFY2(
            larger->scalar(QStringLiteral("select count(*) from category where ") + where).toInt() >
                0,
            qPrintable(where));
    }
}

void GenerateTest::finishedRowsEndAfterTheyStartAndAddUp() {
    const ResultSet rows = m_first->query(QStringLiteral(
        "select t.startTime, t.endTime, t.duration, c.startDate from tallyRec t "
        "join category c on c.categoryId = t.categoryId where t.endTime is not null"));
    QCOMPARE(rows.count(), m_counts.finishedTimes);
    const QDateTime reference = ReferenceData::referenceTime();
    const QDateTime firstDay(reference.date().addYears(-ReferenceData::Years), QTime(0, 0));
    for (const Row row : rows) {
        const QDateTime start = row.dateTime(0);
        const QDateTime end = row.dateTime(1);
        QVERIFY(start.isValid() && end.isValid());
        QVERIFY2(end >= start, qPrintable(row.text(0)));
        QCOMPARE(qint64(row.integer(2)), TimeText::minutesBetween(start, end));
        QVERIFY(row.integer(2) >= 5 && row.integer(2) <= 240);
        QVERIFY(start >= firstDay && end < QDateTime(reference.date(), QTime(0, 0)));
        QVERIFY2(start >= row.dateTime(3), "time recorded before its category began");
        QVERIFY(start.date().dayOfWeek() <= 5);
        QVERIFY(start.time() >= QTime(7, 30));
    }
    // Rows are in the order they were recorded.
    QCOMPARE(m_first
                 ->scalar(QStringLiteral("select count(*) from tallyRec a join tallyRec b "
                                         "on b.timeId = a.timeId + 1 "
                                         "where b.startTime < a.startTime"))
                 .toInt(),
             0);
}

void GenerateTest::openRowsIncludeTheBenchmarkUsers() {
    const ResultSet open = m_first->query(
        QStringLiteral("select t.userId, t.duration, t.startTime, u.active from tallyRec t "
                       "join \"user\" u on u.userId = t.userId where t.endTime is null"));
    QCOMPARE(open.count(), m_counts.openTimes);
    int benchmarkRows = 0;
    for (const Row row : open) {
        QVERIFY(row.isNull(1));
        QCOMPARE(row.dateTime(2).date(), ReferenceData::referenceTime().date());
        QVERIFY(row.dateTime(2) < ReferenceData::referenceTime());
        if (row.integer(0) == m_summary.benchmarkUserId) {
            ++benchmarkRows;
        } else {
            QVERIFY2(row.boolean(QStringLiteral("active")), "a running task of a user not at work");
        }
    }
    QCOMPARE(benchmarkRows, m_counts.benchmarkOpenTimes);
}

void GenerateTest::notificationsAreShapedLikeTheAllocationChecks() {
    Database& db = *m_first;
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from notification where toUserId = ?"),
                       {m_summary.benchmarkUserId})
                 .toInt(),
             m_counts.benchmarkNotifications);
    const ResultSet rows = db.query(
        QStringLiteral("select n.*, c.ownerUserId from notification n "
                       "join category c on c.categoryId = n.categoryId order by n.notificationId"));
    QCOMPARE(rows.count(), m_counts.notifications);
    QSet<QString> statuses;
    QDateTime previous;
    for (const Row row : rows) {
        const int type = row.integer("typeId");
        QVERIFY(type == 1 || type == 2);
        QCOMPARE(row.text("subject"), type == 1 ? QStringLiteral("Not meeting expected minimums")
                                                : QStringLiteral("Exceeding maximums"));
        QVERIFY(row.text("message").startsWith(type == 1 ? "Expected minimum time from "
                                                         : "Exceeded maximum time during period "));
        QVERIFY(row.text("message").contains(QStringLiteral(". Actual time recorded is ")));
        statuses.insert(row.text("status"));
        QVERIFY(row.dateTime("statusDate") >= row.dateTime("createDate"));
        QVERIFY(row.dateTime("statusDate") <= ReferenceData::referenceTime());
        if (row.text("status") == QLatin1String("Unread")) {
            QCOMPARE(row.dateTime("statusDate"), row.dateTime("createDate"));
        }
        // The check writes from and to the category's manager.
        QCOMPARE(row.integer("fromUserId"), row.integer("toUserId"));
        QCOMPARE(row.integer("toUserId"), row.integer("ownerUserId"));
        QVERIFY(!previous.isValid() || row.dateTime("createDate") >= previous);
        previous = row.dateTime("createDate");
    }
    QCOMPARE(statuses, (QSet<QString>{"Unread", "Read", "Deleted"}));
}

void GenerateTest::windowTitlesBelongToUsersAtWork() {
    QCOMPARE(m_first
                 ->scalar(QStringLiteral("select count(*) from process p join \"user\" u "
                                         "on u.userId = p.userId where u.active = 1 "
                                         "and p.processName <> ''"))
                 .toInt(),
             m_counts.processes);
}

void GenerateTest::creationRefusesAnExistingFileAndABadScale() {
    const QString path = m_folder.filePath(QStringLiteral("first.db"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    file.close();
    try {
        ReferenceData::create(path, ReferenceData::Options{});
        QFAIL("an existing file was filled");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::AlreadyExists);
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256), before);

    const QString fresh = m_folder.filePath(QStringLiteral("bad-scale.db"));
    for (const double scale : {0.0, -0.5, 5.5}) {
        ReferenceData::Options options;
        options.scale = scale;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ReferenceData::create(fresh, options));
        QVERIFY(!QFile::exists(fresh));
    }
    for (const int people : {-1, ReferenceData::MaxPeople + 1}) {
        ReferenceData::Options options;
        options.scale = Scale;
        options.people = people;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ReferenceData::create(fresh, options));
        QVERIFY(!QFile::exists(fresh));
    }
}

void GenerateTest::aTeamOfItsOwnSetsPeopleCategoriesAndWindows() {
    // The large data set: five times the rows, a team of a thousand.
    const ReferenceData::Counts large = ReferenceData::Counts::scaled(5.0, 1000);
    QCOMPARE(large.users, 1000);
    QCOMPARE(large.categories, 10000);
    QCOMPARE(large.finishedTimes, 5000000);
    QCOMPARE(large.activeUsers, 100);
    QCOMPARE(large.processes, 1000);

    // More people than first and last names can pair: every one still has a name of their own.
    ReferenceData::Options options;
    options.scale = 0.001;
    options.people = 2600;
    const QString path = m_folder.filePath(QStringLiteral("team.db"));
    const ReferenceData::Summary summary = ReferenceData::create(path, options);
    auto db = Database::open(path);
    auto count = [&db](const QString& sql) { return db->scalar(sql).toInt(); };
    QCOMPARE(summary.counts.users, 2600);
    QCOMPARE(count(QStringLiteral("select count(distinct userName) from \"user\"")), 2600);
    QCOMPARE(count(QStringLiteral("select count(*) from category")), 26000);
    QCOMPARE(count(QStringLiteral("select count(*) from \"user\" where active = 1")), 260);
    QCOMPARE(count(QStringLiteral("select count(*) from process")), 2600);
    QCOMPARE(count(QStringLiteral("select count(*) from tallyRec where endTime is not null")),
             1000);
    QCOMPARE(count(QStringLiteral("select count(distinct userId) from tallyRec where endTime is "
                                  "null and userId <> 1")),
             summary.counts.openTimes - summary.counts.benchmarkOpenTimes);
}

QTEST_GUILESS_MAIN(GenerateTest)
#include "tst_generate.moc"
