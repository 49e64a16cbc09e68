#include "EarlierSchemas.h"
#include "TestEnvironment.h"
#include "data/Schema.h"
#include "data/TimeCorrection.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QtTest>

// Databases made by earlier versions, with rows in every table, brought up to this schema when
// they are opened: every row kept as it was, the trail of time changes there and working, a copy
// of an SQLite file kept beside it, and a user who may not change the tables told so with
// nothing changed.
class UpgradeTest : public QObject {
    Q_OBJECT

private slots:
    void upgradeKeepsEveryRow_data();
    void upgradeKeepsEveryRow();
    void readOnlyFileIsToldAndLeftAlone();
    void serverUserWithoutRightsIsToldAndNothingChanges();

private:
    // Every row of every table the version had, as text, table by table in key order.
    static QStringList rows(const QString& location, int version);
    static void fill(const QString& location, int version);
};

QStringList UpgradeTest::rows(const QString& location, int version) {
    QStringList tables = {QStringLiteral("user"),
                          QStringLiteral("category"),
                          QStringLiteral("tallyRec"),
                          QStringLiteral("notification"),
                          QStringLiteral("process"),
                          QStringLiteral("productivity"),
                          QStringLiteral("allocationPeriod")};
    if (version >= 2) {
        tables.append(QStringLiteral("dataChange"));
    }
    const QString name = QStringLiteral("upgrade-rows");
    QStringList all;
    {
        QSqlDatabase db = EarlierSchemas::connect(location, name);
        for (const QString& table : tables) {
            QSqlQuery query(db);
            if (!query.exec(
                    QStringLiteral("select * from \"%1\" order by 1").arg(table.toLower()))) {
                qFatal("%s", qPrintable(table));
            }
            while (query.next()) {
                QStringList values;
                const QSqlRecord record = query.record();
                for (int i = 0; i < record.count(); ++i) {
                    const QVariant value = query.value(i);
                    // The server's date-times come as date-times, SQLite's as the stored text.
                    values.append(
                        value.isNull() ? QStringLiteral("NULL")
                        : value.typeId() == QMetaType::QDateTime
                            ? value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            : value.toString());
                }
                all.append(table + QLatin1Char(':') + values.join(QLatin1Char('|')));
            }
        }
    }
    EarlierSchemas::close(name);
    return all;
}

// Rows in every table, written as that version wrote them: date-times as "yyyy-MM-dd HH:mm:ss"
// text, yes/no as the engine's own.
void UpgradeTest::fill(const QString& location, int version) {
    const QString name = QStringLiteral("upgrade-fill");
    {
        QSqlDatabase db = EarlierSchemas::connect(location, name);
        const bool server = Database::isServerLocation(location);
        const QVariant yes = server ? QVariant(true) : QVariant(1);
        const QVariant no = server ? QVariant(false) : QVariant(0);
        using EarlierSchemas::run;
        run(db,
            QStringLiteral("insert into \"user\" (userName, created, details, email, active) "
                           "values (?, ?, ?, ?, ?)"),
            {QStringLiteral("Ann"), QStringLiteral("2026-01-02 03:04:05"), QStringLiteral("Lead"),
             QStringLiteral("ann@example.org"), yes});
        run(db,
            QStringLiteral("insert into \"user\" (userName, created, details, email, active) "
                           "values (?, ?, ?, ?, ?)"),
            {QStringLiteral("Bob"), QStringLiteral("2026-01-03 00:00:00"), QVariant(), QVariant(),
             no});
        run(db,
            QStringLiteral(
                "insert into category (category, parentId, description, "
                "minAllocation, maxAllocation, minAllocationPeriodId, "
                "maxAllocationPeriodId, chargingRate, folder, ownerUserId, "
                "productivityId, startDate) values (?, 0, ?, 2, 8, 1, 2, 45, ?, 1, 3, ?)"),
            {QStringLiteral("Design"), QStringLiteral("Drawings"), QStringLiteral("/tmp"),
             QStringLiteral("2026-02-01 00:00:00")});
        run(db, QStringLiteral("insert into category (category, parentId) values (?, 1)"),
            {QStringLiteral("Build")});
        const QString time = QStringLiteral("insert into tallyRec (startTime, endTime, duration, "
                                            "categoryId, userId) values (?, ?, ?, ?, ?)");
        run(db, time,
            {QStringLiteral("2026-12-01 09:00:37"), QStringLiteral("2026-12-01 10:15:00"), 75, 1,
             1});
        // Across midnight.
        run(db, time,
            {QStringLiteral("2026-12-02 23:30:00"), QStringLiteral("2026-12-03 00:45:00"), 75, 2,
             2});
        run(db, time,
            {QStringLiteral("2026-12-07 08:00:00"), QVariant(), QVariant(), 1, 2}); // running
        run(db,
            QStringLiteral("insert into notification (fromUserId, toUserId, message, status, "
                           "statusDate, createDate, categoryId, typeId, subject) "
                           "values (1, 2, ?, 'Unread', ?, ?, 1, 2, ?)"),
            {QStringLiteral("Work on Design has exceeded maximum time allocated"),
             QStringLiteral("2026-12-04 11:00:00"), QStringLiteral("2026-12-04 11:00:00"),
             QStringLiteral("Exceeding maximums")});
        run(db, QStringLiteral("insert into process (userId, processName) values (1, ?)"),
            {QStringLiteral("Editor - notes.txt")});
        if (version >= 2) {
            // Counts as an instance of version 2 left them.
            run(db, QStringLiteral("update dataChange set users = 7 where dataChangeId = 1"));
        }
    }
    EarlierSchemas::close(name);
}

void UpgradeTest::upgradeKeepsEveryRow_data() {
    QTest::addColumn<int>("version");
    QTest::newRow("schema 1") << 1;
    QTest::newRow("schema 2") << 2;
}

void UpgradeTest::upgradeKeepsEveryRow() {
    QFETCH(int, version);
    TestEnvironment env;
    const QString location = env.newLocation(QStringLiteral("earlier.db"));
    EarlierSchemas::create(location, version);
    fill(location, version);
    const QStringList before = rows(location, version);
    QCOMPARE(before.size(), 2 + 2 + 3 + 1 + 1 + 4 + 6 + (version >= 2 ? 1 : 0));

    {
        std::unique_ptr<Database> upgraded = Database::open(location);
        QCOMPARE(Schema::version(*upgraded), Schema::CurrentVersion);
        QCOMPARE(Schema::CurrentVersion, 5);
        // Billing starts empty: no rate over time, nothing closed.
        QCOMPARE(upgraded->scalar(QStringLiteral("select count(*) from categoryRate")).toInt(), 0);
        QCOMPARE(upgraded->scalar(QStringLiteral("select count(*) from closedPeriod")).toInt(), 0);
        // The change counts follow writes from here on, as they do in a new database.
        const qint64 users =
            upgraded->scalar(QStringLiteral("select users from dataChange")).toLongLong();
        upgraded->execute(QStringLiteral("update \"user\" set active = ? where userId = 2"),
                          {true});
        QCOMPARE(upgraded->scalar(QStringLiteral("select users from dataChange")).toLongLong(),
                 users + 1);
        upgraded->execute(QStringLiteral("update \"user\" set active = ? where userId = 2"),
                          {false});
        // So do the time rows' writes, from a count of its own.
        upgraded->execute(QStringLiteral("update tallyRec set duration = 75 where timeId = 1"));
        QCOMPARE(upgraded->scalar(QStringLiteral("select times from dataChange")).toLongLong(), 1);
    }
    // Every row as the earlier version wrote it (the writes above left the rows as they were;
    // the counts they moved are left out).
    QStringList after = rows(location, version);
    if (version >= 2) {
        QCOMPARE(before.last(), QStringLiteral("dataChange:1|7|1|1"));
        QCOMPARE(after.last(), QStringLiteral("dataChange:1|9|1|1|1"));
        after.last() = before.last();
    }
    QCOMPARE(after, before);

    if (!TestEnvironment::usesPostgres()) {
        // The copy beside the file is the database as it was.
        const QString copy = location + QStringLiteral(".schema-%1.bak").arg(version);
        QVERIFY(QFileInfo::exists(copy));
        QCOMPARE(rows(copy, version), before);
        const QString name = QStringLiteral("upgrade-copy");
        {
            QSqlDatabase db = EarlierSchemas::connect(copy, name);
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("PRAGMA user_version")) && query.next());
            QCOMPARE(query.value(0).toInt(), version);
        }
        EarlierSchemas::close(name);
    }

    // Opened again: nothing more to do, and no second copy.
    std::unique_ptr<Database> again = Database::open(location);
    QVERIFY(!Schema::upgrade(*again));
    QVERIFY(!QFileInfo::exists(location + QStringLiteral(".schema-%1.bak.1").arg(version)));
    // The trail is there and takes a change of an old row.
    TimeCorrection correction(*again, env.clock);
    const std::optional<TimeCorrection::Row> old = correction.read(1);
    QVERIFY(old);
    QCOMPARE(correction.edit(*old,
                             {QDateTime(QDate(2026, 12, 1), QTime(9, 0)),
                              QDateTime(QDate(2026, 12, 1), QTime(11, 0)), 1},
                             1),
             std::optional<QString>());
    QCOMPARE(again->scalar(QStringLiteral("select count(*) from tallyRecChange")).toInt(), 1);
    QCOMPARE(
        again->scalar(QStringLiteral("select duration from tallyRec where timeId = 1")).toInt(),
        120);
}

void UpgradeTest::readOnlyFileIsToldAndLeftAlone() {
    QUILLHOUR_SQLITE_ONLY("a file's permissions");
    TestEnvironment env;
    const QString location = env.newLocation(QStringLiteral("earlier.db"));
    EarlierSchemas::create(location, 2);
    fill(location, 2);
    const QStringList before = rows(location, 2);
    QVERIFY(QFile::setPermissions(location, QFile::ReadOwner | QFile::ReadGroup));
    try {
        Database::open(location);
        QFAIL("a read-only database of an earlier schema should be refused");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::ReadOnly);
        QVERIFY2(error.message().contains(QStringLiteral("read-only")),
                 qPrintable(error.message()));
    }
    QVERIFY(QFile::setPermissions(location, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(rows(location, 2), before);
    const QStringList beside = QDir(env.folder()).entryList({QStringLiteral("earlier.db.*")});
    QVERIFY2(beside.isEmpty(), qPrintable(beside.join(QLatin1Char(' '))));
}

void UpgradeTest::serverUserWithoutRightsIsToldAndNothingChanges() {
    if (!TestEnvironment::usesPostgres()) {
        QSKIP("PostgreSQL only: a user of the server without the right to change tables");
    }
    TestEnvironment env;
    const QString location = env.newLocation(QString());
    EarlierSchemas::create(location, 2);
    fill(location, 2);
    const QStringList before = rows(location, 2);

    // A team member who reads and writes rows but does not own the tables.
    const QString role = QStringLiteral("quillhour_member_%1_%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QRandomGenerator::global()->bounded(1000000));
    const QString admin = QStringLiteral("upgrade-admin");
    {
        QSqlDatabase db = EarlierSchemas::connect(location, admin);
        EarlierSchemas::run(db, QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'member'").arg(role));
        EarlierSchemas::run(db, QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES "
                                               "IN SCHEMA public TO %1")
                                    .arg(role));
    }
    QUrl member(location);
    member.setUserName(role);
    member.setPassword(QStringLiteral("member"));
    try {
        Database::open(member.toString());
        QFAIL("a user who may not change the tables should be told");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::ReadOnly);
        QVERIFY2(error.message().contains(QStringLiteral("does not let this user change")),
                 qPrintable(error.message()));
        QVERIFY2(error.message().contains(QStringLiteral("schema 2")), qPrintable(error.message()));
    }
    QCOMPARE(rows(location, 2), before);
    {
        QSqlDatabase db = QSqlDatabase::database(admin);
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("select obj_description('\"user\"'::regclass, "
                                          "'pg_class')")) &&
                query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("Quillhour schema 2"));
        EarlierSchemas::run(db, QStringLiteral("DROP OWNED BY %1").arg(role));
        EarlierSchemas::run(db, QStringLiteral("DROP ROLE %1").arg(role));
    }
    EarlierSchemas::close(admin);
    // Its owner opens it: upgraded.
    QCOMPARE(Schema::version(*Database::open(location)), Schema::CurrentVersion);
}

QTEST_GUILESS_MAIN(UpgradeTest)
#include "tst_upgrade.moc"
