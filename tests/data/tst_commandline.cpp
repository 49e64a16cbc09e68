#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// quillhour --create-database, run as a user would run it.
class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void createDatabaseMakesAFileAndRefusesASecondTime();
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
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("team.db"));
    std::unique_ptr<QProcess> first(run({QStringLiteral("--create-database"), path}));
    QCOMPARE(first->exitCode(), 0);
    QVERIFY(QString::fromUtf8(first->readAllStandardOutput()).contains(QStringLiteral("Created")));
    QVERIFY(QFileInfo(path).size() > 0);

    // The sqlite3 shell sees what a user would expect.
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"),
                {path, QStringLiteral(".tables"), QStringLiteral("PRAGMA journal_mode;")});
    if (shell.waitForStarted(5000)) {
        shell.waitForFinished(10000);
        const QString output = QString::fromUtf8(shell.readAllStandardOutput());
        for (const char* table : {"allocationPeriod", "category", "notification", "process",
                                  "productivity", "tallyRec", "user"}) {
            QVERIFY2(output.contains(QLatin1String(table)), qPrintable(output));
        }
        QVERIFY2(output.contains(QStringLiteral("wal")), qPrintable(output));
    }

    const QByteArray before = [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    std::unique_ptr<QProcess> second(run({QStringLiteral("--create-database"), path}));
    QCOMPARE(second->exitCode(), 1);
    QVERIFY(QString::fromUtf8(second->readAllStandardError())
                .contains(QStringLiteral("already exists")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void CommandLineTest::versionAndUnknownOptions() {
    std::unique_ptr<QProcess> version(run({QStringLiteral("--version")}));
    QCOMPARE(version->exitCode(), 0);
    QVERIFY(QString::fromUtf8(version->readAllStandardOutput())
                .startsWith(QStringLiteral("Quillhour ")));
    std::unique_ptr<QProcess> wrong(run({QStringLiteral("--no-such-option")}));
    QCOMPARE(wrong->exitCode(), 2);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
