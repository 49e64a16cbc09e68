#include "TestEnvironment.h"
#include "data/Database.h"
#include "data/Schema.h"

#include <QCryptographicHash>
#include <QtTest>

// Making a new database, and refusing files that are not ours without touching them.
class SchemaTest : public QObject {
    Q_OBJECT

private slots:
    void createdTablesHaveTheirColumnsInOrder();
    void lookupRowsAndVersionAreWritten();
    void indexesServeTheProgramsQueries();
    void creationRefusesAnExistingFile();
    void missingFileIsReported();
    void fileThatIsNotADatabaseIsLeftUntouched();
    void databaseWithoutOurTablesIsLeftUntouched();
    void readOnlyFileIsRefused();
    void folderIsNotADatabase();

private:
    static QByteArray fingerprint(const QString& path);
};

QByteArray SchemaTest::fingerprint(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void SchemaTest::createdTablesHaveTheirColumnsInOrder() {
    TestEnvironment env;
    const ResultSet tables = env.database().query(QStringLiteral(
        "select name from sqlite_master where type = 'table' and name not like 'sqlite_%' "
        "order by name"));
    QStringList names;
    for (const Row row : tables) {
        names.append(row.text(0));
    }
    QCOMPARE(names, (QStringList{"allocationPeriod", "category", "notification", "process",
                                 "productivity", "tallyRec", "user"}));
    for (const auto& table : Schema::tables()) {
        const ResultSet info = env.database().query(
            QStringLiteral("select name from pragma_table_info(?) order by cid"), {table.name});
        QStringList columns;
        for (const Row row : info) {
            columns.append(row.text(0));
        }
        QCOMPARE(columns, table.columns);
    }
    // Counter keys never reuse an id.
    const QString userSql =
        env.database()
            .scalar(QStringLiteral("select sql from sqlite_master where name = 'user'"))
            .toString();
    QVERIFY(userSql.contains(QStringLiteral("AUTOINCREMENT")));
}

void SchemaTest::lookupRowsAndVersionAreWritten() {
    TestEnvironment env;
    const ResultSet periods = env.database().query(
        QStringLiteral("select * from allocationPeriod order by allocationPeriodId"));
    QCOMPARE(periods.count(), 6);
    const QList<QPair<int, QString>> expectedPeriods = {
        {1, "Day"}, {7, "Week"}, {14, "Fortnight"}, {30, "Month"}, {91, "Quarter"}, {365, "Year"}};
    for (int i = 0; i < periods.count(); ++i) {
        QCOMPARE(periods.row(i).integer(0), i + 1);
        QCOMPARE(periods.row(i).integer(1), expectedPeriods[i].first);
        QCOMPARE(periods.row(i).text(2), expectedPeriods[i].second);
    }
    const ResultSet ratings =
        env.database().query(QStringLiteral("select * from productivity order by productivityId"));
    QCOMPARE(ratings.count(), 4);
    const QStringList names = {"Unproductive", "Normal", "Productive", "Highly productive"};
    for (int i = 0; i < ratings.count(); ++i) {
        QCOMPARE(ratings.row(i).integer(0), i + 1);
        QCOMPARE(ratings.row(i).integer(1), i);
        QCOMPARE(ratings.row(i).text(2), names[i]);
    }
    QCOMPARE(Schema::version(env.database()), Schema::CurrentVersion);
}

void SchemaTest::indexesServeTheProgramsQueries() {
    TestEnvironment env;
    auto plan = [&](const QString& sql, const QVariantList& params) {
        QStringList details;
        for (const Row row :
             env.database().query(QStringLiteral("explain query plan ") + sql, params)) {
            details.append(row.text(QStringLiteral("detail")));
        }
        return details.join(QLatin1Char('\n'));
    };
    const QString periodSum = plan(
        QStringLiteral("select sum(duration) from tallyRec where categoryId = ? and endTime is not "
                       "null and startTime between ? and ?"),
        {1, QDate(2026, 1, 1), QDate(2026, 1, 8)});
    QVERIFY2(periodSum.contains(QStringLiteral("tallyRec_category_start")), qPrintable(periodSum));
    const QString openRows =
        plan(QStringLiteral("select * from tallyRec where endTime is null order by startTime"), {});
    QVERIFY2(openRows.contains(QStringLiteral("tallyRec_open")), qPrintable(openRows));
    const QString children =
        plan(QStringLiteral("select categoryId from category where parentId = ?"), {0});
    QVERIFY2(children.contains(QStringLiteral("category_parent")), qPrintable(children));
    const QString inbox =
        plan(QStringLiteral("select * from notification where toUserId = ?"), {1});
    QVERIFY2(inbox.contains(QStringLiteral("notification_to")), qPrintable(inbox));
}

void SchemaTest::creationRefusesAnExistingFile() {
    TestEnvironment env;
    const QByteArray before = fingerprint(env.databasePath());
    try {
        Database::create(env.databasePath());
        QFAIL("creating over an existing file should fail");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::AlreadyExists);
    }
    QCOMPARE(fingerprint(env.databasePath()), before);

    const QString empty = env.folder() + QStringLiteral("/empty.db");
    QFile file(empty);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::create(empty));
    QCOMPARE(QFileInfo(empty).size(), 0);
}

void SchemaTest::missingFileIsReported() {
    TestEnvironment env;
    for (const QString& path : {env.folder() + QStringLiteral("/none.db"), QString()}) {
        try {
            Database::open(path);
            QFAIL("opening a missing file should fail");
        } catch (const DatabaseError& error) {
            QCOMPARE(error.kind(), DatabaseError::Kind::Missing);
        }
    }
    QVERIFY(!QFile::exists(env.folder() + QStringLiteral("/none.db")));
}

void SchemaTest::fileThatIsNotADatabaseIsLeftUntouched() {
    TestEnvironment env;
    const QString path = env.folder() + QStringLiteral("/notes.db");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("These are my notes, not a database.\n").repeated(200));
    file.close();
    const QByteArray before = fingerprint(path);
    try {
        Database::open(path);
        QFAIL("a text file should not open as a database");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::NotADatabase);
        QVERIFY2(error.message().contains(QStringLiteral("not a database")),
                 qPrintable(error.message()));
    }
    QCOMPARE(fingerprint(path), before);
    QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
}

void SchemaTest::databaseWithoutOurTablesIsLeftUntouched() {
    TestEnvironment env;
    const QString path = env.folder() + QStringLiteral("/other.db");
    {
        auto other = Database::create(path);
        other->execute(QStringLiteral("drop table process"));
        other->execute(QStringLiteral("alter table category drop column folder"));
    }
    const QByteArray before = fingerprint(path);
    try {
        Database::open(path);
        QFAIL("a database without our tables should not open");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::NotQuillhour);
        QVERIFY2(error.message().contains(QStringLiteral("process")), qPrintable(error.message()));
        QVERIFY2(error.message().contains(QStringLiteral("category.folder")),
                 qPrintable(error.message()));
    }
    QCOMPARE(fingerprint(path), before);
}

void SchemaTest::readOnlyFileIsRefused() {
    TestEnvironment env;
    const QString path = env.folder() + QStringLiteral("/locked.db");
    Database::create(path).reset();
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = fingerprint(path);
    try {
        Database::open(path);
        QFAIL("a read-only file should be refused");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::ReadOnly);
        QVERIFY(error.message().contains(QStringLiteral("read-only")));
    }
    QCOMPARE(fingerprint(path), before);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

void SchemaTest::folderIsNotADatabase() {
    TestEnvironment env;
    try {
        Database::open(env.folder());
        QFAIL("a folder should not open");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::NotADatabase);
    }
}

QTEST_GUILESS_MAIN(SchemaTest)
#include "tst_schema.moc"
