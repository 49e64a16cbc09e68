#include "TestEnvironment.h"
#include "data/Database.h"
#include "data/Schema.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QtTest>

// Making a new database, and refusing files that are not ours without touching them.
class SchemaTest : public QObject {
    Q_OBJECT

private slots:
    void createdTablesHaveTheirColumnsInOrder();
    void serverColumnsHaveTheServersTypes();
    void lookupRowsAndVersionAreWritten();
    void indexesAreMade();
    void indexesServeTheProgramsQueries();
    void creationRefusesAnExistingDatabase();
    void creationRefusesAnEmptyFile();
    void serverCreationIsOneTransaction();
    void missingFileIsReported();
    void fileThatIsNotADatabaseIsLeftUntouched();
    void databaseWithoutOurTablesIsLeftUntouched();
    void newerSchemaIsRefusedUntouched();
    void readOnlyFileIsRefused();
    void folderIsNotADatabase();

private:
    static QByteArray fingerprint(const QString& location);
    static QStringList tableNames(Database& database);
    static void runOnServer(const QString& url, const QString& statement);
};

// What a database holds, to show that a refused open or create changed nothing: the file's bytes,
// or on a server every table, column, comment and row count of its schemas.
QByteArray SchemaTest::fingerprint(const QString& location) {
    if (!Database::isServerLocation(location)) {
        QFile file(location);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    const QUrl url(location);
    const QString name = QStringLiteral("fingerprint");
    QByteArray text;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(url.host());
        db.setPort(url.port());
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        if (!db.open()) {
            qFatal("fingerprint: %s", qPrintable(db.lastError().text()));
        }
        QSqlQuery query(db);
        query.exec(QStringLiteral(
            "select c.table_schema, c.table_name, c.column_name, c.data_type, "
            "obj_description(format('%I.%I', c.table_schema, c.table_name)::regclass, 'pg_class') "
            "from information_schema.columns c where c.table_schema not in ('pg_catalog', "
            "'information_schema') order by 1, 2, c.ordinal_position"));
        QStringList tables;
        while (query.next()) {
            for (int i = 0; i < 5; ++i) {
                text += query.value(i).toString().toUtf8() + '|';
            }
            text += '\n';
            tables.append(query.value(0).toString() + QLatin1Char('.') + query.value(1).toString());
        }
        tables.removeDuplicates();
        for (const QString& table : tables) {
            query.exec(QStringLiteral("select count(*) from %1").arg(table));
            query.next();
            text += table.toUtf8() + ' ' + query.value(0).toByteArray() + '\n';
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return text;
}

QStringList SchemaTest::tableNames(Database& database) {
    const ResultSet tables = database.query(
        database.engine() == Database::Engine::SQLite
            ? QStringLiteral("select name from sqlite_master where type = 'table' and name not "
                             "like 'sqlite_%' order by lower(name)")
            : QStringLiteral("select table_name from information_schema.tables where "
                             "table_schema = current_schema() order by 1"));
    QStringList names;
    for (const Row row : tables) {
        names.append(row.text(0).toLower());
    }
    return names;
}

// A statement run outside Quillhour's own code, the way another program (or a person) would.
void SchemaTest::runOnServer(const QString& url, const QString& statement) {
    const QUrl address(url);
    const QString name = QStringLiteral("outsider");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(address.host());
        db.setPort(address.port());
        db.setUserName(address.userName());
        db.setPassword(address.password());
        db.setDatabaseName(address.path().mid(1));
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery query(db);
        QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void SchemaTest::createdTablesHaveTheirColumnsInOrder() {
    TestEnvironment env;
    QCOMPARE(tableNames(env.database()),
             (QStringList{"allocationperiod", "category", "categorybilling", "categoryrate",
                          "closedperiod", "datachange", "notification", "process", "productivity",
                          "tallyrec", "tallyrecchange", "teamsetting", "user"}));
    for (const auto& table : Schema::tables()) {
        const ResultSet empty = env.database().query(
            QStringLiteral("select * from \"%1\" where 1 = 0").arg(table.name.toLower()));
        QStringList expected;
        for (const QString& column : table.columns) {
            expected.append(column.toLower());
        }
        QStringList columns;
        for (const QString& column : empty.columns()) {
            columns.append(column.toLower());
        }
        QCOMPARE(columns, expected);
    }
    if (env.database().engine() == Database::Engine::SQLite) {
        // Counter keys never reuse an id.
        const QString userSql =
            env.database()
                .scalar(QStringLiteral("select sql from sqlite_master where name = 'user'"))
                .toString();
        QVERIFY(userSql.contains(QStringLiteral("AUTOINCREMENT")));
    }
}

void SchemaTest::serverColumnsHaveTheServersTypes() {
    if (!TestEnvironment::usesPostgres()) {
        QSKIP("PostgreSQL only: column types of the server");
    }
    TestEnvironment env;
    auto type = [&](const QString& table, const QString& column) {
        const Row row =
            env.database()
                .query(QStringLiteral("select data_type, datetime_precision, is_identity from "
                                      "information_schema.columns where table_schema = "
                                      "current_schema() and table_name = ? and column_name = ?"),
                       {table, column})
                .first();
        return QStringLiteral("%1(%2)%3")
            .arg(row.text(0), row.text(1),
                 row.text(2) == QLatin1String("YES") ? QStringLiteral(" identity") : QString());
    };
    const QString timestamp = QStringLiteral("timestamp without time zone(0)");
    QCOMPARE(type("user", "userid"), QStringLiteral("integer() identity"));
    QCOMPARE(type("user", "created"), timestamp);
    QCOMPARE(type("user", "active"), QStringLiteral("boolean()"));
    QCOMPARE(type("tallyrec", "timeid"), QStringLiteral("integer() identity"));
    QCOMPARE(type("tallyrec", "starttime"), timestamp);
    QCOMPARE(type("tallyrec", "endtime"), timestamp);
    QCOMPARE(type("category", "startdate"), timestamp);
    QCOMPARE(type("notification", "statusdate"), timestamp);
    QCOMPARE(type("notification", "notificationid"), QStringLiteral("integer() identity"));
    QCOMPARE(type("process", "processid"), QStringLiteral("integer() identity"));
    QCOMPARE(type("productivity", "productivityid"), QStringLiteral("integer()"));
    // A deleted row's id is not handed out again here either.
    const int first = env.addUser(QStringLiteral("Ann"));
    env.database().execute(QStringLiteral("delete from \"user\""));
    QCOMPARE(env.addUser(QStringLiteral("Bob")), first + 1);
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

void SchemaTest::indexesAreMade() {
    TestEnvironment env;
    const ResultSet indexes = env.database().query(
        env.database().engine() == Database::Engine::SQLite
            ? QStringLiteral("select name from sqlite_master where type = 'index' and name not "
                             "like 'sqlite_%' order by name")
            : QStringLiteral("select indexname from pg_indexes where schemaname = "
                             "current_schema() and indexname not like '%_pkey' order by 1"));
    QStringList names;
    for (const Row row : indexes) {
        names.append(row.text(0).toLower());
    }
    names.sort(); // the engines order mixed case apart
    QCOMPARE(names, (QStringList{"category_parent", "categoryrate_category", "notification_to",
                                 "notification_type_category", "process_user",
                                 "tallyrec_category_start", "tallyrec_open", "tallyrec_start",
                                 "tallyrec_user_start", "tallyrecchange_time", "user_name"}));
}

void SchemaTest::indexesServeTheProgramsQueries() {
    QUILLHOUR_SQLITE_ONLY("query plans are read from SQLite's explain");
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

void SchemaTest::creationRefusesAnExistingDatabase() {
    TestEnvironment env;
    env.addUser(QStringLiteral("Ann"));
    const QByteArray before = fingerprint(env.location());
    try {
        Database::create(env.location());
        QFAIL("creating over an existing database should fail");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::AlreadyExists);
    }
    QCOMPARE(fingerprint(env.location()), before);

    if (env.database().engine() == Database::Engine::PostgreSQL) {
        // Any table at all, in any schema, makes a server database not empty.
        const QString other = env.newLocation(QString());
        runOnServer(other, QStringLiteral("create schema notes"));
        runOnServer(other, QStringLiteral("create table notes.page (id integer, body text)"));
        runOnServer(other, QStringLiteral("insert into notes.page values (1, 'mine')"));
        const QByteArray untouched = fingerprint(other);
        try {
            Database::create(other);
            QFAIL("creating in a database that holds tables should fail");
        } catch (const DatabaseError& error) {
            QCOMPARE(error.kind(), DatabaseError::Kind::AlreadyExists);
            QVERIFY2(error.message().contains(QStringLiteral("already holds tables")),
                     qPrintable(error.message()));
        }
        QCOMPARE(fingerprint(other), untouched);
    }
}

void SchemaTest::creationRefusesAnEmptyFile() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    TestEnvironment env;
    const QString empty = env.folder() + QStringLiteral("/empty.db");
    QFile file(empty);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::create(empty));
    QCOMPARE(QFileInfo(empty).size(), 0);
}

void SchemaTest::serverCreationIsOneTransaction() {
    if (!TestEnvironment::usesPostgres()) {
        QSKIP("PostgreSQL only: SQLite removes a half-made file");
    }
    TestEnvironment env;
    // A type named like the fifth table lets the first four be made before creation fails.
    const QString target = env.newLocation(QString());
    runOnServer(target, QStringLiteral("create type process as (x integer)"));
    const QByteArray before = fingerprint(target);
    try {
        Database::create(target);
        QFAIL("creation should have failed at the process table");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::Statement);
        QVERIFY2(error.statement().contains(QStringLiteral("CREATE TABLE process")),
                 qPrintable(error.statement()));
    }
    QCOMPARE(fingerprint(target), before);
    QVERIFY(!before.contains("tallyrec"));
    // And the same database takes the tables once the obstacle is gone.
    runOnServer(target, QStringLiteral("drop type process"));
    auto made = Database::create(target);
    QCOMPARE(tableNames(*made).size(), 13);
    QCOMPARE(Schema::version(*made), Schema::CurrentVersion);
}

void SchemaTest::missingFileIsReported() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
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
    QUILLHOUR_SQLITE_ONLY("a file on disk");
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
    const QString other = env.newLocation(QStringLiteral("other.db"));
    {
        auto made = Database::create(other);
        made->execute(QStringLiteral("drop table process"));
        made->execute(QStringLiteral("alter table category drop column folder"));
    }
    const QByteArray before = fingerprint(other);
    try {
        Database::open(other);
        QFAIL("a database without our tables should not open");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::NotQuillhour);
        QVERIFY2(error.message().contains(QStringLiteral("process")), qPrintable(error.message()));
        QVERIFY2(error.message().contains(QStringLiteral("category.folder")),
                 qPrintable(error.message()));
    }
    QCOMPARE(fingerprint(other), before);

    if (env.database().engine() == Database::Engine::PostgreSQL) {
        // A database that holds something else entirely, or nothing at all.
        const QString foreign = env.newLocation(QString());
        runOnServer(foreign, QStringLiteral("create table invoices (id integer, total integer)"));
        const QByteArray untouched = fingerprint(foreign);
        try {
            Database::open(foreign);
            QFAIL("a database of another program should not open");
        } catch (const DatabaseError& error) {
            QCOMPARE(error.kind(), DatabaseError::Kind::NotQuillhour);
            QVERIFY2(error.message().contains(QStringLiteral("tallyRec")),
                     qPrintable(error.message()));
        }
        QCOMPARE(fingerprint(foreign), untouched);
        const QString empty = env.newLocation(QString());
        QVERIFY_THROWS_EXCEPTION(DatabaseError, Database::open(empty));
        QCOMPARE(fingerprint(empty), QByteArray());
    }
}

void SchemaTest::newerSchemaIsRefusedUntouched() {
    TestEnvironment env;
    const QString newer = env.newLocation(QStringLiteral("newer.db"));
    const int newerVersion = Schema::CurrentVersion + 1;
    {
        auto made = Database::create(newer);
        made->execute(made->engine() == Database::Engine::SQLite
                          ? QStringLiteral("PRAGMA user_version = %1").arg(newerVersion)
                          : QStringLiteral("COMMENT ON TABLE \"user\" IS 'Quillhour schema %1'")
                                .arg(newerVersion));
        QCOMPARE(Schema::version(*made), newerVersion);
    }
    const QByteArray before = fingerprint(newer);
    try {
        Database::open(newer);
        QFAIL("a database of a newer schema should not open");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::NotQuillhour);
        QVERIFY2(error.message().contains(QStringLiteral("newer version")),
                 qPrintable(error.message()));
    }
    QCOMPARE(fingerprint(newer), before);
    // The test's own database, of the current schema, opens.
    QCOMPARE(Schema::version(*Database::open(env.location())), Schema::CurrentVersion);
}

void SchemaTest::readOnlyFileIsRefused() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
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
    QUILLHOUR_SQLITE_ONLY("a file on disk");
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
