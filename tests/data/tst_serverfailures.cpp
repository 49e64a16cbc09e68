#include "TestEnvironment.h"
#include "data/Database.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QtTest>
#include <future>
#include <thread>

// A PostgreSQL server that refuses, drops or restarts under a running program: each failure is
// reported plainly, without the password, the program goes on, the next step connects again, and
// no row is lost. The test runs its own server, since it stops and starts it; its state folder is
// in the build tree, so a run that died leaves nothing the next run does not remove.
class ServerFailuresTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void refusedConnectionIsReportedPlainly();
    void restartBetweenTwoStatements();
    void serverDownThenBack();
    void droppedConnectionIsReopened();
    void transactionIsRedoneAfterARestart();
    void openTaskRowSurvivesARestart();
    void deadlockIsRetried();
    void awkwardPasswordIsDecodedAndNeverShown();

private:
    void cluster(const QString& command);
    static void expectConnectionError(const std::function<void()>& step, const QString& password,
                                      const QString& words);

    QString m_password;
};

void ServerFailuresTest::cluster(const QString& command) {
    QProcess script;
    script.start(QStringLiteral(PG_CLUSTER), {command, QStringLiteral(PG_STATE)});
    QVERIFY(script.waitForFinished(120000));
    QVERIFY2(script.exitCode() == 0, script.readAllStandardError().constData());
}

void ServerFailuresTest::initTestCase() {
    cluster(QStringLiteral("start"));
    const QString urlFile = QStringLiteral(PG_STATE "/url");
    qputenv("QUILLHOUR_TEST_POSTGRES", QFile::encodeName(urlFile));
    QVERIFY(TestEnvironment::usesPostgres());
    m_password = QUrl(TestEnvironment::postgresUrl()).password();
    QVERIFY(!m_password.isEmpty());
}

void ServerFailuresTest::cleanupTestCase() {
    cluster(QStringLiteral("stop"));
}

void ServerFailuresTest::expectConnectionError(const std::function<void()>& step,
                                               const QString& password, const QString& words) {
    try {
        step();
        QFAIL("the step should have failed");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::Connection);
        QVERIFY2(error.message().contains(words), qPrintable(error.message()));
        QVERIFY2(!error.message().contains(password), qPrintable(error.message()));
        QVERIFY2(!QString::fromUtf8(error.what()).contains(password), error.what());
        QVERIFY(!error.isRetryable());
    }
}

void ServerFailuresTest::refusedConnectionIsReportedPlainly() {
    QUrl nobody(TestEnvironment::postgresUrl());
    nobody.setPort(1); // nothing listens there
    expectConnectionError([&] { Database::open(nobody.toString()); }, m_password,
                          QStringLiteral("Connection refused"));
    expectConnectionError([&] { Database::create(nobody.toString()); }, m_password,
                          QStringLiteral("could not connect to the database server at "
                                         "postgresql://quillhour@127.0.0.1:1/postgres"));
}

void ServerFailuresTest::restartBetweenTwoStatements() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    cluster(QStringLiteral("halt"));
    cluster(QStringLiteral("resume"));
    // The statement that finds the old connection gone is reported...
    expectConnectionError([&] { env.addUser(QStringLiteral("Lost")); }, m_password,
                          QStringLiteral("was lost"));
    // ...and the next one runs on a new connection, prepared statements made anew.
    const int bob = env.addUser(QStringLiteral("Bob"));
    QVERIFY(bob > ann);
    QCOMPARE(env.count(QStringLiteral("user")), 2);
    QCOMPARE(env.database()
                 .scalar(QStringLiteral("select userName from \"user\" where userId = ?"), {ann})
                 .toString(),
             QStringLiteral("Ann"));
}

void ServerFailuresTest::serverDownThenBack() {
    TestEnvironment env;
    env.addUser(QStringLiteral("Ann"));
    cluster(QStringLiteral("halt"));
    auto resume = qScopeGuard([&] { cluster(QStringLiteral("resume")); });
    expectConnectionError([&] { env.count(QStringLiteral("user")); }, m_password,
                          QStringLiteral("was lost"));
    // While the server is down every step fails the same plain way, and nothing else breaks.
    for (int tick = 0; tick < 3; ++tick) {
        expectConnectionError([&] { env.count(QStringLiteral("user")); }, m_password,
                              QStringLiteral("could not connect"));
    }
    expectConnectionError(
        [&] { env.database().transaction([&] { env.addUser(QStringLiteral("Never")); }); },
        m_password, QStringLiteral("could not connect"));
    QVERIFY(!env.database().inTransaction());
    resume.dismiss();
    cluster(QStringLiteral("resume"));
    QCOMPARE(env.count(QStringLiteral("user")), 1);
}

void ServerFailuresTest::droppedConnectionIsReopened() {
    TestEnvironment env;
    const qint64 backend =
        env.database().scalar(QStringLiteral("select pg_backend_pid()")).toLongLong();
    {
        auto other = Database::open(env.location());
        QVERIFY(
            other->scalar(QStringLiteral("select pg_terminate_backend(?)"), {backend}).toBool());
    }
    expectConnectionError([&] { env.count(QStringLiteral("user")); }, m_password,
                          QStringLiteral("was lost"));
    const qint64 again =
        env.database().scalar(QStringLiteral("select pg_backend_pid()")).toLongLong();
    QVERIFY(again != backend);
}

void ServerFailuresTest::transactionIsRedoneAfterARestart() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    cluster(QStringLiteral("halt"));
    cluster(QStringLiteral("resume"));
    // The connection died before the transaction began, so it is safe to run it again at once:
    // a user's window titles are rewritten whole, not lost.
    int runs = 0;
    env.database().transaction([&] {
        ++runs;
        env.database().execute(QStringLiteral("delete from process where userId = ?"), {ann});
        for (const char* title : {"Editor", "Terminal", "Mail"}) {
            env.database().execute(
                QStringLiteral("insert into process (userId, processName) values (?, ?)"),
                {ann, QString::fromLatin1(title)});
        }
    });
    QCOMPARE(runs, 1); // BEGIN found the connection gone; work ran once, on the new one
    QCOMPARE(env.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {ann}), 3);
}

void ServerFailuresTest::openTaskRowSurvivesARestart() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int category = env.addCategory(QStringLiteral("Design"));
    const qint64 timeId = env.database().insert(
        QStringLiteral("insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
        {env.clock.now(), category, ann}, QStringLiteral("timeId"));
    cluster(QStringLiteral("halt"));
    cluster(QStringLiteral("resume"));
    env.clock.advanceMinutes(30);
    // Finishing fails once on the dead connection; the row stays open and the retry finishes it.
    auto finish = [&] {
        env.database().execute(
            QStringLiteral("update tallyRec set endTime = ?, duration = ? where timeId = ?"),
            {env.clock.now(), 30, timeId});
    };
    expectConnectionError(finish, m_password, QStringLiteral("was lost"));
    const ResultSet open = env.database().query(
        QStringLiteral("select timeId from tallyRec where endTime is null and userId = ?"), {ann});
    QCOMPARE(open.count(), 1);
    QCOMPARE(open.first().integer64(0), timeId);
    finish();
    const Row row = env.database()
                        .query(QStringLiteral("select * from tallyRec where timeId = ?"), {timeId})
                        .first();
    QCOMPARE(row.dateTime(QStringLiteral("endTime")), env.clock.now());
    QCOMPARE(row.integer(QStringLiteral("duration")), 30);
}

void ServerFailuresTest::deadlockIsRetried() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    for (const char* title : {"first", "second"}) {
        env.database().execute(
            QStringLiteral("insert into process (userId, processName) values (?, ?)"),
            {ann, QString::fromLatin1(title)});
    }
    const ResultSet ids =
        env.database().query(QStringLiteral("select processId from process order by processId"));
    const int first = ids.row(0).integer(0);
    const int second = ids.row(1).integer(0);

    // Another program locks the second row, then wants the first one, which this one holds.
    std::promise<void> locked;
    std::future<void> lockedSignal = locked.get_future();
    QString otherFailure;
    std::thread other([&] {
        const QUrl url(env.location());
        const QString name = QStringLiteral("other-program");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            db.setHostName(url.host());
            db.setPort(url.port());
            db.setUserName(url.userName());
            db.setPassword(url.password());
            db.setDatabaseName(url.path().mid(1));
            if (!db.open()) {
                otherFailure = db.lastError().text();
                locked.set_value();
            } else {
                QSqlQuery query(db);
                query.exec(QStringLiteral("begin"));
                query.exec(QStringLiteral("update process set processName = 'other' where "
                                          "processId = %1")
                               .arg(second));
                locked.set_value();
                QThread::msleep(300);
                if (!query.exec(QStringLiteral("update process set processName = 'other' where "
                                               "processId = %1")
                                    .arg(first)) ||
                    !query.exec(QStringLiteral("commit"))) {
                    otherFailure = query.lastError().text();
                }
                query.finish();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(name);
    });
    lockedSignal.wait();
    int runs = 0;
    // This side waits first, so it is the one to give way: its lock wait ends (or the server's
    // deadlock check picks it), and the whole transaction runs again until the other is done.
    env.database().transaction([&] {
        ++runs;
        env.database().execute(
            QStringLiteral("update process set processName = ? where processId = ?"),
            {QStringLiteral("mine"), first});
        env.database().execute(
            QStringLiteral("update process set processName = ? where processId = ?"),
            {QStringLiteral("mine"), second});
    });
    other.join();
    QVERIFY2(otherFailure.isEmpty(), qPrintable(otherFailure));
    QVERIFY2(runs >= 2, qPrintable(QString::number(runs)));
    QCOMPARE(env.count(QStringLiteral("process"), QStringLiteral("processName = ?"),
                       {QStringLiteral("mine")}),
             2);
}

void ServerFailuresTest::awkwardPasswordIsDecodedAndNeverShown() {
    TestEnvironment env;
    const QString password = QStringLiteral("p@ss:w/rd ?#%&=Zoë");
    env.database().execute(
        QStringLiteral("CREATE ROLE team_member LOGIN PASSWORD '%1'").arg(password));
    auto dropRole = qScopeGuard([&] {
        env.database().execute(QStringLiteral("DROP OWNED BY team_member"));
        env.database().execute(QStringLiteral("DROP ROLE team_member"));
    });
    env.database().execute(
        QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO "
                       "team_member"));
    env.database().execute(
        QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO team_member"));
    QUrl url(env.location());
    url.setUserName(QStringLiteral("team_member"));
    url.setPassword(password);
    const QString location = url.toString(QUrl::FullyEncoded);
    QVERIFY(location.contains(QStringLiteral("%40")));
    {
        auto member = Database::open(location);
        QVERIFY(!member->location().contains(QStringLiteral("p%40ss")));
        QVERIFY(member->location().startsWith(QStringLiteral("postgresql://team_member@")));
        member->execute(QStringLiteral("insert into \"user\" (userName, active) values (?, ?)"),
                        {QStringLiteral("Member"), false});
    }
    QCOMPARE(env.count(QStringLiteral("user")), 1);
    // The same password given as an option works as well, and is not shown either.
    QUrl asOption(env.location());
    asOption.setUserName(QStringLiteral("team_member"));
    asOption.setPassword(QString());
    asOption.setQuery(QStringLiteral("password=") +
                      QString::fromLatin1(QUrl::toPercentEncoding(password)));
    QVERIFY(!Database::displayLocation(asOption.toString(QUrl::FullyEncoded))
                 .contains(QStringLiteral("password")));
    Database::open(asOption.toString(QUrl::FullyEncoded));

    url.setPassword(QStringLiteral("wrong-%1").arg(password));
    expectConnectionError([&] { Database::open(url.toString(QUrl::FullyEncoded)); },
                          QStringLiteral("wrong-"), QStringLiteral("password authentication"));
}

QTEST_GUILESS_MAIN(ServerFailuresTest)
#include "tst_serverfailures.moc"
