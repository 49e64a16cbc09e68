#include "PrivateDesktop.h"
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
    void unknownOptionWithoutADisplay();
    void checkDatabaseSaysWhatItFound();

private:
    QProcess* run(const QStringList& arguments) const {
        auto* process = new QProcess;
        process->setProcessEnvironment(PrivateDesktop::environment(m_home.path()));
        process->start(QStringLiteral(QUILLHOUR_BINARY), arguments);
        process->waitForFinished(30000);
        return process;
    }

    QTemporaryDir m_home;
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

void CommandLineTest::unknownOptionWithoutADisplay() {
    // No display to open a window on, and no platform chosen: the option is still told about.
    QProcess process;
    QProcessEnvironment environment = PrivateDesktop::environment(m_home.path());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QLatin1String(name));
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUILLHOUR_BINARY),
                  {QStringLiteral("--databse"), QStringLiteral("/tmp/x.db")});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QString said = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(said.contains(QStringLiteral("Unknown option 'databse'")), qPrintable(said));
    // The window system's own options are no mistake.
    std::unique_ptr<QProcess> withQtOption(run(
        {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("--version")}));
    QCOMPARE(withQtOption->exitCode(), 0);
}

void CommandLineTest::checkDatabaseSaysWhatItFound() {
    TestEnvironment env;
    std::unique_ptr<QProcess> sound(run({QStringLiteral("--check-database"), env.location()}));
    QCOMPARE(sound->exitCode(), 0);
    const QString report = QString::fromUtf8(sound->readAllStandardOutput());
    QVERIFY2(report.contains(QStringLiteral("is sound.")), qPrintable(report));
    if (TestEnvironment::usesPostgres()) {
        const QString password = QUrl(env.location()).password();
        QVERIFY(!password.isEmpty());
        QVERIFY2(!report.contains(password), qPrintable(report));
        // A server database without Quillhour's tables is not a sound Quillhour database.
        std::unique_ptr<QProcess> empty(
            run({QStringLiteral("--check-database"), env.newLocation(QString())}));
        QCOMPARE(empty->exitCode(), 1);
        return;
    }
    std::unique_ptr<QProcess> nowhere(
        run({QStringLiteral("--check-database"), env.folder() + QStringLiteral("/none.db")}));
    QCOMPARE(nowhere->exitCode(), 3);
    // A file cut to half its pages: damaged, and said so.
    const QString path = env.newLocation(QStringLiteral("cut.db"));
    {
        auto db = Database::create(path);
        for (int i = 0; i < 200; ++i) {
            db->execute(QStringLiteral("insert into category (category) values (?)"),
                        {QString(200, QLatin1Char('c'))});
        }
    }
    QFile file(path);
    QVERIFY(file.resize(file.size() / 2 / 4096 * 4096));
    std::unique_ptr<QProcess> cut(run({QStringLiteral("--check-database"), path}));
    QCOMPARE(cut->exitCode(), 1);
    const QString said = QString::fromUtf8(cut->readAllStandardOutput());
    QVERIFY2(said.contains(QStringLiteral("is damaged")), qPrintable(said));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
