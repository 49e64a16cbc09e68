#include "RealProgram.h"
#include "data/Database.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The real program on database files that are not as they should be: read-only to its user, cut
// short, damaged, on a full disk, deleted or replaced while it runs. It says which it is, writes
// nothing it should not, leaves nothing behind, and always ends with its own exit code, never in
// std::terminate.
class FaultyFilesTest : public QObject {
    Q_OBJECT

private slots:
    void readOnlyAsAUserWithoutRootRights();
    void fileDeletedUnderARunningInstance();
    void fileReplacedUnderARunningInstance_data();
    void fileReplacedUnderARunningInstance();
    void cutShortOrDamagedFileIsNamedAndLeftAlone();
    void damageWhileRunningLeavesOtherProgramsRows_data();
    void damageWhileRunningLeavesOtherProgramsRows();
    void fullDiskIsNotCalledNotADatabase();

private:
    // Ann's database with her task running, in folder.
    static QString teamDatabase(const QString& folder,
                                const QString& name = QStringLiteral("team.db")) {
        const QString path = folder + QLatin1Char('/') + name;
        makeTeamDatabase(path);
        return path;
    }
    static QByteArray fingerprint(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly)
                   ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                   : QByteArray();
    }
    static bool annActive(const QString& path) { return userActive(path, QStringLiteral("Ann")); }
    static bool run(const QString& program, const QStringList& arguments) {
        return QProcess::execute(program, arguments) == 0;
    }
};

void FaultyFilesTest::readOnlyAsAUserWithoutRootRights() {
    if (const QString why = RealProgram::whyNoUserWithoutRootRights(); !why.isEmpty()) {
        QSKIP(qPrintable(why));
    }
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(data));
    const QString path = teamDatabase(data);
    // The program itself, where the user without root rights can run it whatever the build
    // folder allows.
    const QString binary = home.filePath(QStringLiteral("quillhour"));
    QVERIFY(QFile::copy(RealProgram::builtBinary(), binary));
    RealProgram program(home.path(), binary);
    program.writeSettings(path, QStringLiteral("Ann"));
    RealProgram::openToAll(home.path());
    const auto readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto readWrite = readOnly | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    const auto folderReadOnly = readOnly | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    const auto folderOpen = folderReadOnly | readWrite;
    const QByteArray before = fingerprint(path);

    // The file can be written, the folder it is in not: a sound database, said to be in a
    // folder that cannot be written, never "not a database".
    QVERIFY(QFile::setPermissions(data, folderReadOnly));
    program.start(RealProgram::User::WithoutRootRights);
    QVERIFY2(program.waitForOutput(QStringLiteral("its folder"), 20000),
             qPrintable(program.output()));
    QVERIFY2(program.output().contains(QStringLiteral("is read-only")),
             qPrintable(program.output()));
    QVERIFY(!program.output().contains(QStringLiteral("not a database")));
    QCOMPARE(program.terminate(), 0);
    QCOMPARE(fingerprint(path), before);

    // The folder can be written, the file only read.
    QVERIFY(QFile::setPermissions(data, folderOpen));
    QVERIFY(QFile::setPermissions(path, readOnly));
    program.start(RealProgram::User::WithoutRootRights);
    QVERIFY2(program.waitForOutput(QStringLiteral("is read-only"), 20000),
             qPrintable(program.output()));
    QCOMPARE(program.terminate(), 0);
    QCOMPARE(fingerprint(path), before);
    // Nothing left beside it: its working files would stay read-only to everyone else.
    QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    QVERIFY(!QFile::exists(path + QStringLiteral("-shm")));

    // The owner grants write access; the next start works.
    QVERIFY(QFile::setPermissions(path, readWrite));
    program.start(RealProgram::User::WithoutRootRights);
    QVERIFY2(waitUntil([&] { return QFile::exists(path + QStringLiteral("-shm")); }, 20000),
             qPrintable(program.output()));
    QVERIFY2(waitUntil([&] { return annActive(path); }, 20000), qPrintable(program.output()));
    QCOMPARE(program.terminate(), 0);
    QVERIFY2(!program.output().contains(QStringLiteral("terminate called")),
             qPrintable(program.output()));
    QVERIFY(!annActive(path));
}

void FaultyFilesTest::fileDeletedUnderARunningInstance() {
    QTemporaryDir folder;
    const QString path = teamDatabase(folder.path());
    const QString backup = folder.filePath(QStringLiteral("backup.db"));
    QVERIFY(QFile::copy(path, backup));
    RealProgram program(folder.path());
    program.writeSettings(path, QStringLiteral("Ann"));
    program.start();
    QVERIFY2(waitUntil([&] { return annActive(path); }, 20000), qPrintable(program.output()));

    QVERIFY(QFile::remove(path));
    // Noticed on the housekeeping tick, and said in words.
    QVERIFY2(
        program.waitForOutput(QStringLiteral("was deleted while Quillhour was using it"), 10000),
        qPrintable(program.output()));
    QVERIFY(program.output().contains(QStringLiteral("writes nothing more to it")));
    QCOMPARE(program.terminate(), 0);
    // Its closing steps could not be saved, and it said so instead of pretending.
    QVERIFY2(program.output().contains(QStringLiteral("this step was skipped")),
             qPrintable(program.output()));
    QVERIFY(!QFile::exists(path));
    // The right database brought back is the backup, whole.
    QVERIFY(QFile::copy(backup, path));
    QCOMPARE(Database::check(path).verdict, Database::CheckReport::Verdict::Sound);
}

void FaultyFilesTest::fileReplacedUnderARunningInstance_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("renamed over it") << QStringLiteral("mv");
    // In place: the file stays the same to the system, only what it holds changes.
    QTest::newRow("copied over it") << QStringLiteral("cp");
}

void FaultyFilesTest::fileReplacedUnderARunningInstance() {
    QFETCH(QString, command);
    QTemporaryDir folder;
    const QString path = teamDatabase(folder.path());
    const QString other = teamDatabase(folder.path(), QStringLiteral("other.db"));
    {
        auto db = Database::open(other);
        db->execute(QStringLiteral("insert into category (category) values ('Theirs')"));
    }
    RealProgram program(folder.path());
    program.writeSettings(path, QStringLiteral("Ann"));
    program.start();
    QVERIFY2(waitUntil([&] { return annActive(path); }, 20000), qPrintable(program.output()));
    // Its changes since then are still in its log beside the file.
    QTest::qWait(2500);

    // The right database's file; what the program wrote since it started is in the log.
    const QString saved = folder.filePath(QStringLiteral("saved.db"));
    QVERIFY(QFile::copy(path, saved));

    QVERIFY(run(command, {other, path}));
    const QByteArray replacement = fingerprint(path);
    const QByteArray log = fingerprint(path + QStringLiteral("-wal"));
    QVERIFY(!log.isEmpty());
    QVERIFY2(program.waitForOutput(QStringLiteral("was replaced by another file"), 10000),
             qPrintable(program.output()));
    QCOMPARE(program.terminate(), 0);
    // Nothing was touched: the replacement is as it was put there, the log beside it as it was.
    QCOMPARE(fingerprint(path), replacement);
    QCOMPARE(fingerprint(path + QStringLiteral("-wal")), log);
    // The right database put back finds its log and is whole, Ann still marked present.
    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::copy(saved, path));
    QCOMPARE(Database::check(path).verdict, Database::CheckReport::Verdict::Sound);
    QVERIFY(annActive(path));
}

void FaultyFilesTest::cutShortOrDamagedFileIsNamedAndLeftAlone() {
    QTemporaryDir folder;
    const QString path = teamDatabase(folder.path());
    {
        auto db = Database::open(path);
        for (int i = 0; i < 300; ++i) {
            db->execute(QStringLiteral("insert into notification (message) values (?)"),
                        {QString(300, QLatin1Char('n'))});
        }
    }
    const QString cut = folder.filePath(QStringLiteral("cut.db"));
    QVERIFY(QFile::copy(path, cut));
    QFile cutFile(cut);
    QVERIFY(cutFile.resize(cutFile.size() / 2 / 4096 * 4096));

    // Pages of the category table overwritten: only reading them shows it.
    const QString damaged = folder.filePath(QStringLiteral("damaged.db"));
    QVERIFY(QFile::copy(path, damaged));
    {
        auto db = Database::open(damaged);
        const int page =
            db->scalar(QStringLiteral("select rootpage from sqlite_master where name = "
                                      "'category'"))
                .toInt();
        db.reset();
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(qint64(page - 1) * 4096));
        file.write(QByteArray(4096, '\x5a'));
    }

    for (const QString& broken : {cut, damaged}) {
        const QByteArray before = fingerprint(broken);
        RealProgram program(folder.path());
        program.writeSettings(broken, QStringLiteral("Ann"));
        program.start();
        QVERIFY2(program.waitForOutput(QStringLiteral("is damaged"), 20000),
                 qPrintable(program.output()));
        QCOMPARE(program.terminate(), 0);
        QCOMPARE(fingerprint(broken), before); // nothing written to it
    }
}

void FaultyFilesTest::damageWhileRunningLeavesOtherProgramsRows_data() {
    QTest::addColumn<bool>("cut");
    QTest::newRow("a page overwritten") << false;
    QTest::newRow("cut to half") << true;
}

void FaultyFilesTest::damageWhileRunningLeavesOtherProgramsRows() {
    QFETCH(bool, cut);
    QTemporaryDir folder;
    const QString path = teamDatabase(folder.path());
    // Another program commits 60 rows and stays open: while a program has the database open, no
    // checkpoint copies them into the file. They are in the log, with the category table's page.
    auto theirs = Database::open(path);
    theirs->transaction([&] {
        for (int i = 0; i < 60; ++i) {
            theirs->execute(QStringLiteral("insert into category (category) values (?)"),
                            {QStringLiteral("Theirs %1").arg(i)});
        }
    });
    RealProgram program(folder.path());
    program.writeSettings(path, QStringLiteral("Ann"));
    program.start();
    QVERIFY2(waitUntil([&] { return annActive(path); }, 20000), qPrintable(program.output()));
    theirs.reset();
    const int page =
        Database::openReadOnly(path)
            ->scalar(QStringLiteral("select rootpage from sqlite_master where name = 'category'"))
            .toInt();
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (cut) {
            QVERIFY(file.resize(file.size() / 2 / 4096 * 4096));
        } else {
            QVERIFY(file.seek(qint64(page - 1) * 4096));
            QCOMPARE(file.write(QByteArray(4096, '\x5a')), 4096);
        }
    }
    const QByteArray log = fingerprint(path + QStringLiteral("-wal"));
    QVERIFY2(
        program.waitForOutput(QStringLiteral("was damaged while Quillhour was using it"), 10000),
        qPrintable(program.output()));
    QCOMPARE(program.terminate(), 0);
    QCOMPARE(fingerprint(path + QStringLiteral("-wal")), log);
    if (!cut) {
        // Read as the engine reads it, the log's page over the damaged one: every row is there.
        auto db = Database::openReadOnly(path);
        QCOMPARE(db->scalar(QStringLiteral("select count(*) from category")).toInt(), 61);
        QCOMPARE(db->scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
    }
}

void FaultyFilesTest::fullDiskIsNotCalledNotADatabase() {
    // A small file system of its own, in a mount namespace of its own: no root needed.
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty()) {
        QSKIP("unshare is not installed");
    }
    QTemporaryDir folder;
    const QString source = teamDatabase(folder.path(), QStringLiteral("source.db"));
    const QString mount = folder.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(mount));
    const QString path = mount + QStringLiteral("/team.db");
    // The disk is filled, then 16 KB made free again.
    const QString script = QStringLiteral("mount -t tmpfs -o size=512k tmpfs '%1' || exit 97\n"
                                          "cp '%2' '%3' || exit 98\n"
                                          "cat /dev/zero > '%1/filler' 2>/dev/null\n"
                                          "truncate -s -16K '%1/filler' || exit 99\n"
                                          "exec \"$@\"\n")
                               .arg(mount, source, path);
    RealProgram program(folder.path());
    program.writeSettings(path, QStringLiteral("Ann"));
    program.start(RealProgram::User::Self,
                  {unshare, QStringLiteral("--mount"), QStringLiteral("--map-root-user"),
                   QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh")});
    const bool said = program.waitForOutput(QStringLiteral("is full"), 20000);
    // unshare or mount refused (a container without user namespaces): the program never ran.
    if (!said && !program.isRunning() && !program.output().contains(QStringLiteral("Quillhour"))) {
        QSKIP(
            qPrintable(QStringLiteral("this system allows no file system of a test's own here: ") +
                       program.output().trimmed()));
    }
    QVERIFY2(said, qPrintable(program.output()));
    QVERIFY(program.output().contains(QStringLiteral("The disk that holds the database")));
    QVERIFY(!program.output().contains(QStringLiteral("not a database")));
    QCOMPARE(program.terminate(), 0);
}

QTEST_GUILESS_MAIN(FaultyFilesTest)
#include "tst_faultyfiles.moc"
