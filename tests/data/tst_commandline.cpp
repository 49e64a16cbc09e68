#include "TestEnvironment.h"
#include "data/Schema.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

// quillhour --create-database, run as a user would run it.
class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void createDatabaseMakesAFileAndRefusesASecondTime();
    void serverFailuresNeverShowThePassword();
    void versionAndUnknownOptions();

private:
    static QProcess* run(const QStringList& arguments) {
        auto* process = new QProcess;
        process->start(QStringLiteral(QUILLHOUR_BINARY), arguments);
        process->waitForFinished(30000);
        return process;
    }
};

void CommandLineTest::createDatabaseMakesAFileAndRefusesASecondTime() {
    TestEnvironment env;
    const QString location = env.newLocation(QStringLiteral("team.db"));
    std::unique_ptr<QProcess> first(run({QStringLiteral("--create-database"), location}));
    QCOMPARE(first->exitCode(), 0);
    const QString said = QString::fromUtf8(first->readAllStandardOutput());
    QVERIFY2(said.contains(QStringLiteral("Created")), qPrintable(said));
    QCOMPARE(Schema::version(*Database::open(location)), Schema::CurrentVersion);

    const QString password = QUrl(location).password();
    if (env.database().engine() == Database::Engine::SQLite) {
        QVERIFY(QFileInfo(location).size() > 0);
        // The sqlite3 shell sees what a user would expect.
        QProcess shell;
        shell.start(QStringLiteral("sqlite3"),
                    {location, QStringLiteral(".tables"), QStringLiteral("PRAGMA journal_mode;")});
        if (shell.waitForStarted(5000)) {
            shell.waitForFinished(10000);
            const QString output = QString::fromUtf8(shell.readAllStandardOutput());
            for (const char* table : {"allocationPeriod", "category", "notification", "process",
                                      "productivity", "tallyRec", "user"}) {
                QVERIFY2(output.contains(QLatin1String(table)), qPrintable(output));
            }
            QVERIFY2(output.contains(QStringLiteral("wal")), qPrintable(output));
        }
    } else {
        // The address is shown, its password never.
        QVERIFY(!password.isEmpty());
        QVERIFY2(said.contains(Database::displayLocation(location)), qPrintable(said));
        QVERIFY2(!said.contains(password), qPrintable(said));
    }

    const QByteArray before = [&] {
        QFile file(location);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    std::unique_ptr<QProcess> second(run({QStringLiteral("--create-database"), location}));
    QCOMPARE(second->exitCode(), 1);
    const QString complaint = QString::fromUtf8(second->readAllStandardError());
    QVERIFY2(complaint.contains(QStringLiteral("already")), qPrintable(complaint));
    if (env.database().engine() == Database::Engine::SQLite) {
        QFile file(location);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    } else {
        QVERIFY2(!complaint.contains(password), qPrintable(complaint));
    }
}

void CommandLineTest::serverFailuresNeverShowThePassword() {
    if (!TestEnvironment::usesPostgres()) {
        QSKIP("PostgreSQL only: server addresses");
    }
    TestEnvironment env;
    QUrl wrong(env.location());
    const QString password = wrong.password();
    wrong.setPath(QStringLiteral("/no_such_database"));
    std::unique_ptr<QProcess> missing(run({QStringLiteral("--create-database"), wrong.toString()}));
    QCOMPARE(missing->exitCode(), 1);
    const QString complaint = QString::fromUtf8(missing->readAllStandardError());
    QVERIFY2(complaint.contains(QStringLiteral("no_such_database")), qPrintable(complaint));
    QVERIFY2(!complaint.contains(password), qPrintable(complaint));

    QUrl refused(env.location());
    refused.setPort(1);
    std::unique_ptr<QProcess> nobody(
        run({QStringLiteral("--create-database"), refused.toString()}));
    QCOMPARE(nobody->exitCode(), 1);
    const QString nobodyText = QString::fromUtf8(nobody->readAllStandardError());
    QVERIFY2(nobodyText.contains(QStringLiteral("could not connect")), qPrintable(nobodyText));
    QVERIFY2(!nobodyText.contains(password), qPrintable(nobodyText));
}

void CommandLineTest::versionAndUnknownOptions() {
    std::unique_ptr<QProcess> version(run({QStringLiteral("--version")}));
    QCOMPARE(version->exitCode(), 0);
    const QString said = QString::fromUtf8(version->readAllStandardOutput());
    QVERIFY2(said.startsWith(QStringLiteral("Quillhour " QUILLHOUR_VERSION "\n")),
             qPrintable(said));
    QVERIFY2(said.contains(QStringLiteral("GPL-3.0-or-later")), qPrintable(said));
    std::unique_ptr<QProcess> wrong(run({QStringLiteral("--no-such-option")}));
    QCOMPARE(wrong->exitCode(), 2);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
