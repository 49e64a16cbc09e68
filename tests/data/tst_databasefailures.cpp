#include "TestEnvironment.h"
#include "data/Database.h"
#include "data/Schema.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <QtTest>

using namespace std::chrono_literals;

// What the database does when another program holds it, when its file is taken away or
// replaced, and when the file is damaged: it says so in words, waits only as long as the work may
// wait, and writes nothing to a file that is not the one it opened or that is damaged.
class DatabaseFailuresTest : public QObject {
    Q_OBJECT

private slots:
    void timerWorkGivesUpAtOnceOnALock();
    void personsWorkWaitsItsPatienceAndSaysSo();
    void lockLetGoDuringTheWaitIsTaken();
    void deletedFileIsWrittenNoMore();
    void replacedFileIsLeftToItsNewOwner_data();
    void replacedFileIsLeftToItsNewOwner();
    void corruptionFoundWhileReadingStopsWriting();
    void cutShortFileIsNamedDamagedAtOpen();
    void readOnlyFileLeavesNothingBeside();
    void checkTellsSoundFromDamaged();

private:
    static QByteArray fingerprint(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    }
    static bool sideFiles(const QString& path) {
        return QFile::exists(path + QStringLiteral("-wal")) ||
               QFile::exists(path + QStringLiteral("-shm"));
    }
    // A closed database with one user and one category, in the folder given.
    static QString madeDatabase(const QString& folder, const QString& name) {
        const QString path = folder + QLatin1Char('/') + name;
        auto db = Database::create(path);
        db->execute(QStringLiteral("insert into \"user\" (userName) values ('Ann')"));
        db->execute(QStringLiteral("insert into category (category) values ('Design')"));
        return path;
    }
    // Overwrites the first page of the category table with noise.
    static void damageCategoryPage(const QString& path) {
        int page = 0;
        int pageSize = 0;
        {
            auto db = Database::open(path);
            page = db->scalar(QStringLiteral("select rootpage from sqlite_master where name = "
                                             "'category'"))
                       .toInt();
            pageSize = db->scalar(QStringLiteral("PRAGMA page_size")).toInt();
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(qint64(page - 1) * pageSize));
        file.write(QByteArray(pageSize, '\x5a'));
    }
    static DatabaseError failureOf(const std::function<void()>& work) {
        try {
            work();
        } catch (const DatabaseError& error) {
            return error;
        }
        return DatabaseError(DatabaseError::Kind::Statement, QStringLiteral("(no failure)"));
    }
};

void DatabaseFailuresTest::timerWorkGivesUpAtOnceOnALock() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    LockHolder holder(env.location());
    Database& db = env.database();
    bool told = false;
    db.setWaitObserver([&](bool) { told = true; });
    {
        Database::Patience brief(db, 0ms);
        QElapsedTimer took;
        took.start();
        const DatabaseError error = failureOf([&] {
            db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"),
                       {true, ann});
        });
        QCOMPARE(error.kind(), DatabaseError::Kind::Busy);
        QVERIFY2(error.message().startsWith(QStringLiteral("Another program is holding the "
                                                           "database")),
                 qPrintable(error.message()));
        // A transaction gives up as soon, and leaves nothing behind.
        const DatabaseError inTransaction = failureOf([&] {
            db.transaction([&] {
                db.execute(
                    QStringLiteral("insert into process (userId, processName) values (?, 'x')"),
                    {ann});
                db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"),
                           {true, ann});
            });
        });
        QCOMPARE(inTransaction.kind(), DatabaseError::Kind::Busy);
        // Nowhere near the busy timeout: the window would have stopped drawing for that long.
        QVERIFY2(took.elapsed() < Database::BusyTimeout.count() / 2,
                 qPrintable(QString::number(took.elapsed())));
    }
    QVERIFY(!told);
    QCOMPARE(db.patience(), Database::BusyTimeout);
    // Reading goes on while another program writes.
    QCOMPARE(env.count(QStringLiteral("user")), 1);
    holder.release();
    db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {true, ann});
    QCOMPARE(env.count(QStringLiteral("process")), 0);
}

void DatabaseFailuresTest::personsWorkWaitsItsPatienceAndSaysSo() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    LockHolder holder(env.location());
    Database& db = env.database();
    QList<bool> told;
    db.setWaitObserver([&](bool waiting) { told.append(waiting); });
    Database::Patience patient(db, 600ms);
    QElapsedTimer took;
    took.start();
    const DatabaseError error = failureOf([&] {
        db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {true, ann});
    });
    QCOMPARE(error.kind(), DatabaseError::Kind::Busy);
    QVERIFY(took.elapsed() >= 500);
    // Told once that a wait began, and once that it ended.
    QCOMPARE(told, (QList<bool>{true, false}));
    holder.release();
    told.clear();
    db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {true, ann});
    QVERIFY(told.isEmpty());
}

void DatabaseFailuresTest::lockLetGoDuringTheWaitIsTaken() {
    QUILLHOUR_SQLITE_ONLY("the sqlite3 shell holds the lock");
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {env.databasePath()});
    if (!shell.waitForStarted(5000)) {
        QSKIP("the sqlite3 shell is not installed");
    }
    shell.write(".timeout 5000\nBEGIN EXCLUSIVE;\nupdate user set email = email;\n.shell sleep "
                "1.5\nCOMMIT;\n");
    shell.waitForBytesWritten(5000); // there is no event loop to send them
    shell.closeWriteChannel();
    Database& db = env.database();
    auto write = [&] {
        db.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"), {true, ann});
    };
    // Wait until the shell holds the lock: a brief try fails.
    QElapsedTimer waited;
    waited.start();
    bool locked = false;
    while (!locked && waited.elapsed() < 5000) {
        Database::Patience brief(db, 0ms);
        locked = failureOf(write).kind() == DatabaseError::Kind::Busy;
        QThread::msleep(20);
    }
    QVERIFY(locked);
    QList<bool> told;
    db.setWaitObserver([&](bool waiting) { told.append(waiting); });
    write(); // waits, and gets through once the shell commits
    QCOMPARE(told, (QList<bool>{true, false}));
    QVERIFY(env.database()
                .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {ann})
                .toBool());
    QVERIFY(shell.waitForFinished(10000));
}

void DatabaseFailuresTest::deletedFileIsWrittenNoMore() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    TestEnvironment env;
    const QString path = madeDatabase(env.folder(), QStringLiteral("team.db"));
    auto db = Database::open(path);
    db->execute(QStringLiteral("insert into category (category) values ('Unsaved elsewhere')"));
    QVERIFY(QFile::remove(path));
    const QByteArray log = fingerprint(path + QStringLiteral("-wal"));
    QVERIFY(!log.isEmpty());
    const DatabaseError error =
        failureOf([&] { db->execute(QStringLiteral("update \"user\" set active = ?"), {false}); });
    QCOMPARE(error.kind(), DatabaseError::Kind::Lost);
    QVERIFY2(error.message().contains(QStringLiteral("was deleted")), qPrintable(error.message()));
    QVERIFY(error.message().contains(QStringLiteral("Restart Quillhour")));
    // Every later write is refused in the same words; the housekeeping check says it too.
    QCOMPARE(failureOf([&] { db->execute(QStringLiteral("delete from process")); }).kind(),
             DatabaseError::Kind::Lost);
    QCOMPARE(failureOf([&] { db->transaction([] {}); }).kind(), DatabaseError::Kind::Lost);
    QCOMPARE(failureOf([&] { db->verifyFile(); }).kind(), DatabaseError::Kind::Lost);
    QVERIFY(db->writingStopped().has_value());
    db.reset();
    QVERIFY(!QFile::exists(path)); // nothing made in its place
    // The engine's log is left as the engine left it, for whoever puts the database back.
    QCOMPARE(fingerprint(path + QStringLiteral("-wal")), log);
}

void DatabaseFailuresTest::replacedFileIsLeftToItsNewOwner_data() {
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("renamed over it") << false;
    // As cp does: the file keeps its identity, and only its contents change.
    QTest::newRow("copied over it") << true;
}

void DatabaseFailuresTest::replacedFileIsLeftToItsNewOwner() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    QFETCH(bool, inPlace);
    TestEnvironment env;
    const QString path = madeDatabase(env.folder(), QStringLiteral("team.db"));
    const QString other = madeDatabase(env.folder(), QStringLiteral("restored.db"));
    auto db = Database::open(path);
    db->execute(QStringLiteral("insert into category (category) values ('Before')"));
    db->verifyFile(); // as the housekeeping tick does
    // Someone puts another database in the place of the one in use.
    if (inPlace) {
        QFile source(other);
        QFile target(path);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QVERIFY(target.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(target.write(source.readAll()) == source.size());
    } else {
        QVERIFY(::rename(QFile::encodeName(other).constData(),
                         QFile::encodeName(path).constData()) == 0);
    }
    const QByteArray replacement = fingerprint(path);
    const QByteArray log = fingerprint(path + QStringLiteral("-wal"));
    const DatabaseError error = failureOf(
        [&] { db->execute(QStringLiteral("insert into category (category) values ('After')")); });
    QCOMPARE(error.kind(), DatabaseError::Kind::Lost);
    QVERIFY2(error.message().contains(QStringLiteral("was replaced by another file")),
             qPrintable(error.message()));
    if (inPlace) {
        // What this connection would read now is neither database: it reads no more either.
        QCOMPARE(failureOf([&] { db->query(QStringLiteral("select * from category")); }).kind(),
                 DatabaseError::Kind::Lost);
    }
    db.reset();
    // Neither the replacement nor the engine's log beside it is touched: which database the log
    // belongs to is for the person who put the file there to settle.
    QCOMPARE(fingerprint(path), replacement);
    QCOMPARE(fingerprint(path + QStringLiteral("-wal")), log);
}

void DatabaseFailuresTest::corruptionFoundWhileReadingStopsWriting() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    TestEnvironment env;
    const QString path = madeDatabase(env.folder(), QStringLiteral("team.db"));
    damageCategoryPage(path);
    const QByteArray damaged = fingerprint(path);
    auto db = Database::open(path);
    const DatabaseError error =
        failureOf([&] { db->query(QStringLiteral("select * from category")); });
    QCOMPARE(error.kind(), DatabaseError::Kind::Damaged);
    QVERIFY2(error.message().contains(QStringLiteral("is damaged")), qPrintable(error.message()));
    QVERIFY(error.message().contains(QStringLiteral("--check-database")));
    // A reader that skipped the failure does not keep the damage from being known.
    QVERIFY(db->writingStopped().has_value());
    QCOMPARE(failureOf([&] {
                 db->execute(QStringLiteral("update \"user\" set active = ?"), {true});
             }).kind(),
             DatabaseError::Kind::Damaged);
    QCOMPARE(failureOf([&] { db->verifyFile(); }).kind(), DatabaseError::Kind::Damaged);
    db.reset();
    QCOMPARE(fingerprint(path), damaged);
}

void DatabaseFailuresTest::cutShortFileIsNamedDamagedAtOpen() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    TestEnvironment env;
    const QString path = madeDatabase(env.folder(), QStringLiteral("team.db"));
    QFile file(path);
    QVERIFY(file.resize(file.size() / 2 / 4096 * 4096)); // whole pages, half of them
    const QByteArray cut = fingerprint(path);
    const DatabaseError error = failureOf([&] { Database::open(path); });
    QCOMPARE(error.kind(), DatabaseError::Kind::Damaged);
    QVERIFY2(error.message().contains(QStringLiteral("shorter than the database it records")),
             qPrintable(error.message()));
    QCOMPARE(fingerprint(path), cut);
    QVERIFY(!sideFiles(path));
}

void DatabaseFailuresTest::readOnlyFileLeavesNothingBeside() {
    QUILLHOUR_SQLITE_ONLY("a file on disk");
    TestEnvironment env;
    const QString path = madeDatabase(env.folder(), QStringLiteral("team.db"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QCOMPARE(failureOf([&] { Database::open(path); }).kind(), DatabaseError::Kind::ReadOnly);
    // The refusal made no working files, which would keep the database read-only once its owner
    // allows writing.
    QVERIFY(!sideFiles(path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    auto db = Database::open(path);
    db->execute(QStringLiteral("update \"user\" set active = ?"), {true});
}

void DatabaseFailuresTest::checkTellsSoundFromDamaged() {
    TestEnvironment env;
    using Verdict = Database::CheckReport::Verdict;
    const Database::CheckReport sound = Database::check(env.location());
    QVERIFY2(sound.verdict == Verdict::Sound, qPrintable(sound.lines.join('\n')));
    QVERIFY(sound.lines.last().endsWith(QStringLiteral("is sound.")));
    QVERIFY(sound.lines.contains(
        QStringLiteral("- schema version %1: ok").arg(Schema::CurrentVersion)));
    if (TestEnvironment::usesPostgres()) {
        QVERIFY2(sound.lines.join('\n').contains(QStringLiteral("every page of the seven tables")),
                 qPrintable(sound.lines.join('\n')));
        env.database().execute(QStringLiteral("drop table process"));
        const Database::CheckReport lacking = Database::check(env.location());
        QCOMPARE(lacking.verdict, Verdict::Damaged);
        QVERIFY(lacking.lines.join('\n').contains(QStringLiteral("process")));
        QUrl nowhere(env.location());
        nowhere.setPort(1);
        QCOMPARE(Database::check(nowhere.toString()).verdict, Verdict::NotChecked);
        return;
    }
    QVERIFY(sound.lines.contains(
        QStringLiteral("- the engine's integrity check (PRAGMA integrity_check): ok")));
    QCOMPARE(Database::check(env.folder() + QStringLiteral("/none.db")).verdict,
             Verdict::NotChecked);
    const QString path = madeDatabase(env.folder(), QStringLiteral("team.db"));
    damageCategoryPage(path);
    const QByteArray damaged = fingerprint(path);
    const Database::CheckReport report = Database::check(path);
    QCOMPARE(report.verdict, Verdict::Damaged);
    QVERIFY2(report.lines.join('\n').contains(QStringLiteral("Page ")),
             qPrintable(report.lines.join('\n')));
    // Checking changes nothing, and leaves nothing beside the file.
    QCOMPARE(fingerprint(path), damaged);
    QVERIFY(!sideFiles(path));
}

QTEST_GUILESS_MAIN(DatabaseFailuresTest)
#include "tst_databasefailures.moc"
