#include "Harness.h"
#include "RawReplay.h"
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
    void rawSqlRatioAndBudgetStandBesideTheFigure();
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

void HarnessTest::rawSqlRatioAndBudgetStandBesideTheFigure() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    env.addCategory(QStringLiteral("Project"), 0, ann);
    Harness harness(QStringLiteral("Window"));
    harness.setRuns(3);
    harness.setWarmups(1);
    std::unique_ptr<RawReplay> raw = RawReplay::connect(env.location());
    int calls = 0;
    // A copy: the harness's list grows below.
    const Harness::Figure figure =
        harness.timeAgainstRaw(QStringLiteral("Categories"), env.database(), *raw, [&] {
            ++calls;
            env.database().query(QStringLiteral("select * from category where ownerUserId = ?"),
                                 {ann});
            env.database().scalar(QStringLiteral("select count(*) from \"user\""));
        });
    // Warm-up and timed runs, then one more run whose statements are replayed.
    QCOMPARE(calls, 1 + 3 + 1);
    QCOMPARE(figure.statements, 2);
    QVERIFY(figure.raw > 0);
    QCOMPARE(figure.ratio(), figure.median / figure.raw);
    harness.budget(0.000001);
    harness.time(QStringLiteral("Nothing"), [] {});

    const QStringList lines = harness.table().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY(lines.at(1).contains(QStringLiteral("Raw SQL")));
    QVERIFY(lines.at(1).contains(QStringLiteral("Ratio")));
    QVERIFY(lines.at(1).contains(QStringLiteral("Budget")));
    // Over its (tiny) budget, so marked; the figure without raw SQL shows none.
    QVERIFY(lines.at(3).startsWith(QStringLiteral("Categories")));
    QVERIFY(lines.at(3).contains(QString::number(figure.raw, 'f', 3)));
    QVERIFY(lines.at(3).endsWith(QStringLiteral("1e-06!")));
    QVERIFY(lines.at(4).startsWith(QStringLiteral("Nothing")));
    QVERIFY(lines.at(4).contains(QRegularExpression(QStringLiteral("\\s-\\s+-\\s+-$"))));

    const QJsonObject entry = harness.json().value("figures").toArray().at(0).toObject();
    QCOMPARE(entry.value("raw").toDouble(), figure.raw);
    QCOMPARE(entry.value("ratio").toDouble(), figure.ratio());
    QCOMPARE(entry.value("budget").toDouble(), 0.000001);
    QCOMPARE(harness.figures().at(0).budget, 0.000001);
    QVERIFY(!harness.json().value("figures").toArray().at(1).toObject().contains("raw"));
}

QTEST_GUILESS_MAIN(HarnessTest)
#include "tst_harness.moc"
