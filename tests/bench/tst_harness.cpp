#include "Harness.h"
#include "TestEnvironment.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// The figures the benchmark programs report: medians, statement counts, memory, and the same
// numbers in the table and in the JSON file.
class HarnessTest : public QObject {
    Q_OBJECT

private slots:
    void medianOfOddAndEvenCounts();
    void timedWorkRunsWarmupsPlusRunsAndCountsItsStatements();
    void residentMemoryIsRead();
    void tableAndJsonCarryTheSameFigures();
};

void HarnessTest::medianOfOddAndEvenCounts() {
    QCOMPARE(Harness::median({5, 1, 3}), 3.0);
    QCOMPARE(Harness::median({4, 1, 3, 2}), 2.5);
    QCOMPARE(Harness::median({7}), 7.0);
    QCOMPARE(Harness::median({}), 0.0);
}

void HarnessTest::timedWorkRunsWarmupsPlusRunsAndCountsItsStatements() {
    TestEnvironment env;
    Harness harness(QStringLiteral("test"));
    harness.setRuns(5);
    harness.setWarmups(2);
    int calls = 0;
    const Harness::Figure& figure =
        harness.time(QStringLiteral("two statements"), env.database(), [&] {
            ++calls;
            env.database().scalar(QStringLiteral("select count(*) from category"));
            env.database().query(QStringLiteral("select * from \"user\""));
        });
    QCOMPARE(calls, 7);
    QCOMPARE(figure.runs, 5);
    QCOMPARE(figure.statements, 2);
    QCOMPARE(figure.unit, QStringLiteral("ms"));
    QVERIFY(figure.min <= figure.median && figure.median <= figure.max);
    QVERIFY(figure.min >= 0);

    // A figure of its own run count; work without a database counts no statements.
    const Harness::Figure& plain = harness.time(
        QStringLiteral("no database"), [] {}, 3);
    QCOMPARE(plain.runs, 3);
    QCOMPARE(plain.statements, -1);

    const Harness::Figure& counted =
        harness.timeCounted(QStringLiteral("reported"), [] { return quint64(4); });
    QCOMPARE(counted.statements, 4);
}

void HarnessTest::residentMemoryIsRead() {
    const qint64 before = Harness::residentKiB();
    QVERIFY(before > 1000); // a Qt process holds more than a megabyte
    // Touch 64 MiB; the figure must grow by about that much.
    QByteArray block(64 * 1024 * 1024, 'x');
    const qint64 after = Harness::residentKiB();
    QVERIFY2(after - before > 60 * 1024,
             qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
    QCOMPARE(block.at(block.size() - 1), 'x');

    Harness harness(QStringLiteral("test"));
    const Harness::Figure& figure = harness.memory(QStringLiteral("memory"));
    QCOMPARE(figure.unit, QStringLiteral("KiB"));
    QVERIFY(figure.median >= after - 1024);
}

void HarnessTest::tableAndJsonCarryTheSameFigures() {
    TestEnvironment env;
    Harness harness(QStringLiteral("Data layer"));
    harness.setRuns(3);
    harness.setWarmups(0);
    harness.note(QStringLiteral("database"), QStringLiteral("reference.db"));
    harness.time(QStringLiteral("Category list"), env.database(),
                 [&] { env.database().query(QStringLiteral("select * from category")); });
    harness.memory(QStringLiteral("Resident memory"));

    const QString table = harness.table();
    const QStringList lines = table.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.at(0), QStringLiteral("Data layer"));
    QVERIFY(lines.at(1).contains(QStringLiteral("database: reference.db")));
    QVERIFY(lines.at(2).startsWith(QStringLiteral("Figure")));
    QVERIFY(lines.at(4).startsWith(QStringLiteral("Category list")));
    QVERIFY(lines.at(5).startsWith(QStringLiteral("Resident memory")));
    // Columns line up: each row's unit starts under the "Unit" heading.
    const qsizetype unitColumn = lines.at(2).indexOf(QStringLiteral("Unit"));
    QCOMPARE(lines.at(4).indexOf(QStringLiteral(" ms ")) + 1, unitColumn);
    QCOMPARE(lines.at(5).indexOf(QStringLiteral(" KiB ")) + 1, unitColumn);
    const Harness::Figure& timed = harness.figures().at(0);
    QVERIFY(lines.at(4).contains(QString::number(timed.median, 'f', 3)));

    const QString path = env.folder() + QStringLiteral("/results/data.json");
    harness.writeJson(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(json.value("title").toString(), QStringLiteral("Data layer"));
    QCOMPARE(json.value("notes").toObject().value("database").toString(),
             QStringLiteral("reference.db"));
    const QJsonArray figures = json.value("figures").toArray();
    QCOMPARE(figures.size(), 2);
    QCOMPARE(figures.at(0).toObject().value("name").toString(), QStringLiteral("Category list"));
    QCOMPARE(figures.at(0).toObject().value("median").toDouble(), timed.median);
    QCOMPARE(figures.at(0).toObject().value("statements").toInt(), 1);
    QCOMPARE(figures.at(0).toObject().value("runs").toInt(), 3);
    QCOMPARE(figures.at(1).toObject().value("unit").toString(), QStringLiteral("KiB"));
    QVERIFY(!figures.at(1).toObject().contains("statements"));

    // A path that cannot be written is an error, not a silent loss of the figures.
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             harness.writeJson(QStringLiteral("/proc/none/x.json")));
}

QTEST_GUILESS_MAIN(HarnessTest)
#include "tst_harness.moc"
