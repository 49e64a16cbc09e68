#include "ReferenceData.h"
#include "TestEnvironment.h"
#include "data/Database.h"
#include "data/TimeText.h"

#include <QProcess>
#include <QtTest>

// copy_reference: a server database filled from the reference file holds the very same rows,
// ids included, and a second copy leaves it as it is.
class CopyReferenceTest : public QObject {
    Q_OBJECT

private slots:
    void serverHoldsTheFilesRows();
};

namespace {

QString run(const QStringList& arguments, int& exitCode) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(COPY_REFERENCE), arguments);
    process.waitForFinished(120000);
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAll());
}

// Every row of a table, in id order, as text: date-times in the storage form, yes/no as 1 and 0
// (the server's types read back as the file holds them).
QStringList rowsOf(Database& db, const QString& table, const QString& id) {
    QStringList rows;
    const ResultSet result =
        db.query(QStringLiteral("select * from %1 order by %2").arg(table, id));
    for (const Row row : result) {
        QStringList fields;
        for (int i = 0; i < result.columns().size(); ++i) {
            const QVariant value = row.value(i);
            if (value.isNull()) {
                fields.append(QStringLiteral("null"));
            } else if (value.typeId() == QMetaType::QDateTime) {
                fields.append(TimeText::toStorage(value.toDateTime()));
            } else if (value.typeId() == QMetaType::Bool) {
                fields.append(value.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
            } else {
                fields.append(value.toString());
            }
        }
        rows.append(fields.join(QLatin1Char('|')));
    }
    return rows;
}

} // namespace

void CopyReferenceTest::serverHoldsTheFilesRows() {
    if (!TestEnvironment::usesPostgres()) {
        QSKIP("Copies into a server database");
    }
    TestEnvironment env;
    const QString file = env.folder() + QStringLiteral("/reference.db");
    ReferenceData::Options options;
    options.seed = 5;
    options.scale = 0.005;
    ReferenceData::create(file, options);
    const QString server = env.newLocation(QStringLiteral("copy"));

    int exitCode = 0;
    QString output = run({file, server}, exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));

    std::unique_ptr<Database> copied = Database::open(server);
    std::unique_ptr<Database> original = Database::open(file);
    const std::vector<std::pair<QString, QString>> tables = {
        {QStringLiteral("\"user\""), QStringLiteral("userId")},
        {QStringLiteral("category"), QStringLiteral("categoryId")},
        {QStringLiteral("tallyRec"), QStringLiteral("timeId")},
        {QStringLiteral("notification"), QStringLiteral("notificationId")},
        {QStringLiteral("process"), QStringLiteral("processId")},
    };
    for (const auto& [table, id] : tables) {
        const QStringList expected = rowsOf(*original, table, id);
        QVERIFY2(!expected.isEmpty(), qPrintable(table));
        QCOMPARE(rowsOf(*copied, table, id), expected);
    }
    // A second copy finds the data there and changes nothing.
    output = run({file, server}, exitCode);
    QVERIFY2(exitCode == 0, qPrintable(output));
    QVERIFY2(output.contains(QStringLiteral("already holds")), qPrintable(output));
    QCOMPARE(rowsOf(*copied, tables.front().first, tables.front().second),
             rowsOf(*original, tables.front().first, tables.front().second));

    // New rows get ids past the copied ones.
    const qint64 highest =
        copied->scalar(QStringLiteral("select max(userId) from \"user\"")).toLongLong();
    const qint64 next =
        copied->insert(QStringLiteral("insert into \"user\" (userName, active) values (?, ?)"),
                       {QStringLiteral("Newcomer"), false}, QStringLiteral("userId"));
    QCOMPARE(next, highest + 1);

    // A database holding other data is refused, not mixed.
    output = run({file, server}, exitCode);
    QCOMPARE(exitCode, 1);
    QVERIFY2(output.contains(QStringLiteral("already holds other data")), qPrintable(output));
}

QTEST_GUILESS_MAIN(CopyReferenceTest)
#include "tst_copyreference.moc"
