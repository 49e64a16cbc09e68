#include "PrivateXServer.h"
#include "RealProgram.h"
#include "data/Database.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace std::chrono_literals;

// The real program while the sqlite3 shell holds the database in an exclusive transaction for
// 15 seconds: the window keeps drawing and the running task's clock keeps moving, the user is
// told once that another program holds the database; closing ends within the busy timeout
// without writing; a start that cannot write says so and ends.
class LocksTest : public QObject {
    Q_OBJECT

private slots:
    void clockKeepsMovingOnScreen();
    void closingWhileLockedEndsWithinTheBusyTimeout();
    void startWhileLockedSaysSoAndEnds();

private:
    // Ann's database with her task running, and her settings naming it.
    struct Setup {
        QTemporaryDir folder;
        QString path = folder.filePath(QStringLiteral("team.db"));
        RealProgram program{folder.path()};

        Setup() {
            makeTeamDatabase(path);
            program.writeSettings(path, QStringLiteral("Ann"));
        }
        bool annActive() const { return userActive(path, QStringLiteral("Ann")); }
    };
    // The sqlite3 shell in an exclusive transaction for the given seconds; once this returns
    // the lock is held.
    static bool holdLock(QProcess& shell, const QString& path, int seconds) {
        shell.start(QStringLiteral("sqlite3"), {path});
        if (!shell.waitForStarted(5000)) {
            return false;
        }
        shell.write(QStringLiteral(".timeout 5000\nBEGIN EXCLUSIVE;\nupdate user set email = "
                                   "email;\n.shell sleep %1\nCOMMIT;\n")
                        .arg(seconds)
                        .toUtf8());
        shell.waitForBytesWritten(5000);
        shell.closeWriteChannel();
        auto db = Database::open(path);
        Database::Patience brief(*db, 0ms);
        return waitUntil(
            [&] {
                try {
                    db->execute(QStringLiteral("update \"user\" set email = email"));
                    return false;
                } catch (const DatabaseError& error) {
                    return error.kind() == DatabaseError::Kind::Busy;
                }
            },
            5000);
    }
    // Whether the shell has let go of its lock and ended.
    static bool ended(QProcess& shell) {
        return waitUntil([&] { return shell.state() == QProcess::NotRunning; }, 20000);
    }
    static int count(const QString& text, const QString& part) { return int(text.count(part)); }
    static std::optional<QString> run(const QString& program, const QStringList& arguments,
                                      const QString& display) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0) {
            return std::nullopt;
        }
        return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    }
};

void LocksTest::clockKeepsMovingOnScreen() {
    PrivateXServer x;
    QString why;
    QVERIFY2(x.start(why), qPrintable(why));
    Setup setup;
    RealProgram& program = setup.program;
    program.setDisplay(x.displayName());
    program.start();
    // The window's caption names the running task once its timer has run.
    QString window;
    QVERIFY2(waitUntil(
                 [&] {
                     window = run(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--name"), QStringLiteral("^Design - ")},
                                  x.displayName())
                                  .value_or(QString())
                                  .section(QLatin1Char('\n'), 0, 0);
                     return !window.isEmpty();
                 },
                 PrivateXServer::WaitMs),
             qPrintable(program.output()));
    QVERIFY(waitUntil([&] { return setup.annActive(); }, 20000));

    QProcess shell;
    QVERIFY2(holdLock(shell, setup.path, 15), "the sqlite3 shell could not take the lock");
    // What the window shows, while the lock is held: "Currently" is the time of day to the
    // second, so a window that keeps drawing changes every second.
    QList<QByteArray> shots;
    QList<qint64> changes;
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 13500 && shell.state() == QProcess::Running) {
        QProcess import;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), x.displayName());
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        import.setProcessEnvironment(environment);
        import.start(QStringLiteral("import"),
                     {QStringLiteral("-silent"), QStringLiteral("-window"), window,
                      QStringLiteral("rgb:-")});
        QVERIFY(import.waitForFinished(10000));
        const QByteArray shot =
            QCryptographicHash::hash(import.readAllStandardOutput(), QCryptographicHash::Md5);
        if (!shots.isEmpty() && shot != shots.last()) {
            changes.append(held.elapsed());
        }
        shots.append(shot);
        QTest::qWait(250);
    }
    QVERIFY2(shell.state() == QProcess::Running, "the lock ended before the watch did");
    qint64 longestStill = 0;
    qint64 previous = 0;
    for (const qint64 at : changes) {
        longestStill = std::max(longestStill, at - previous);
        previous = at;
    }
    longestStill = std::max(longestStill, held.elapsed() - previous);
    QVERIFY2(changes.size() >= 10 && longestStill < 3000,
             qPrintable(QStringLiteral("%1 changes in %2 ms; longest without one: %3 ms")
                            .arg(changes.size())
                            .arg(held.elapsed())
                            .arg(longestStill)));
    // Told once, in words, that another program holds the database and Quillhour keeps trying.
    QVERIFY2(program.waitForOutput(QStringLiteral("Quillhour keeps trying"), 5000),
             qPrintable(program.output()));
    QVERIFY(ended(shell));
    QTest::qWait(3000);
    QCOMPARE(count(program.output(), QStringLiteral("Another program is holding the database")), 1);
    QVERIFY(!program.output().contains(QStringLiteral("database is locked")));
    QCOMPARE(program.terminate(), 0);
}

void LocksTest::closingWhileLockedEndsWithinTheBusyTimeout() {
    Setup setup;
    RealProgram& program = setup.program;
    program.start();
    QVERIFY2(waitUntil([&] { return setup.annActive(); }, 20000), qPrintable(program.output()));
    QProcess shell;
    QVERIFY2(holdLock(shell, setup.path, 15), "the sqlite3 shell could not take the lock");
    QCOMPARE(program.terminate(), 0);
    // Ended before the lock did: it gave up on what it could not write, and said so.
    QCOMPARE(shell.state(), QProcess::Running);
    QVERIFY2(program.output().contains(QStringLiteral("while closing, this step was skipped")),
             qPrintable(program.output()));
    QVERIFY(!program.output().contains(QStringLiteral("terminate called")));
    QVERIFY(ended(shell));
}

void LocksTest::startWhileLockedSaysSoAndEnds() {
    Setup setup;
    RealProgram& program = setup.program;
    QProcess shell;
    QVERIFY2(holdLock(shell, setup.path, 15), "the sqlite3 shell could not take the lock");
    program.start();
    QVERIFY2(program.waitForOutput(QStringLiteral("could not start"), 14000),
             qPrintable(program.output()));
    QVERIFY(program.output().contains(QStringLiteral("Another program is holding the database")));
    QCOMPARE(shell.state(), QProcess::Running);
    QCOMPARE(program.terminate(), 0); // the box is answered by ending the program
    QVERIFY(ended(shell));
    QVERIFY(!setup.annActive());
}

QTEST_GUILESS_MAIN(LocksTest)
#include "tst_locks.moc"
