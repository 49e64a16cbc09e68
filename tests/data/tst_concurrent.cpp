#include "TestEnvironment.h"

#include <QProcess>
#include <QtTest>

// Several processes inserting into one database at the same moment: each learns its own new ids.
class ConcurrentInsertTest : public QObject {
    Q_OBJECT

private slots:
    void eachProcessLearnsItsOwnIds();
};

void ConcurrentInsertTest::eachProcessLearnsItsOwnIds() {
    TestEnvironment env;
    constexpr int Workers = 4;
    constexpr int Rows = 150;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int worker = 1; worker <= Workers; ++worker) {
        auto process = std::make_unique<QProcess>();
        process->setProgram(QStringLiteral(INSERT_WORKER));
        process->setArguments({env.location(), QString::number(worker), QString::number(Rows)});
        workers.push_back(std::move(process));
    }
    for (auto& process : workers) {
        process->start();
    }
    QSet<qint64> seen;
    for (int worker = 1; worker <= Workers; ++worker) {
        QProcess& process = *workers[std::size_t(worker - 1)];
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(process.readAllStandardOutput())
                                      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), Rows);
        for (const QString& line : lines) {
            const QStringList parts = line.split(QLatin1Char(' '));
            const qint64 id = parts[0].toLongLong();
            QVERIFY2(!seen.contains(id), "two inserts were told the same id");
            seen.insert(id);
            // The row behind the returned id is the one this worker wrote.
            const Row row =
                env.database()
                    .query(QStringLiteral("select userId, duration from tallyRec where timeId = ?"),
                           {id})
                    .first();
            QCOMPARE(row.integer(0), worker);
            QCOMPARE(row.integer(1), parts[1].toInt());
        }
    }
    QCOMPARE(env.count(QStringLiteral("tallyRec")), Workers * Rows);
    if (env.database().engine() == Database::Engine::SQLite) {
        QCOMPARE(env.database().scalar(QStringLiteral("PRAGMA integrity_check")).toString(),
                 QStringLiteral("ok"));
    }
}

QTEST_GUILESS_MAIN(ConcurrentInsertTest)
#include "tst_concurrent.moc"
