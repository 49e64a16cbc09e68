#include "TestEnvironment.h"
#include "data/TimeText.h"
#include "reports/TimeRecordsModel.h"

#include <QtTest>
#include <ctime>

namespace {

QDateTime at(int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute, second));
}

// The grid's rows as the statement it read before gives them, every value as a stored value.
ResultSet rowsAsResult(Database& db, int categoryId) {
    return db.query(QStringLiteral("SELECT tallyRec.*, \"user\".userName FROM \"user\" INNER JOIN "
                                   "tallyRec ON \"user\".userId = tallyRec.userId WHERE "
                                   "tallyRec.endTime is not null and tallyRec.categoryId = ? "
                                   "order by tallyRec.timeId"),
                    {categoryId});
}

QStringList columnTexts(const QAbstractItemModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts.append(model.index(row, column).data().toString());
    }
    return texts;
}

// Runs the test's work with the local time zone set to zone.
class ZoneForTest {
public:
    explicit ZoneForTest(const QByteArray& zone)
        : m_previous(qgetenv("TZ"))
        , m_had(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneForTest() {
        if (m_had) {
            qputenv("TZ", m_previous);
        } else {
            qunsetenv("TZ");
        }
        tzset();
    }
    ZoneForTest(const ZoneForTest&) = delete;
    ZoneForTest& operator=(const ZoneForTest&) = delete;

private:
    QByteArray m_previous;
    bool m_had;
};

} // namespace

// The rows the Reports grid holds: read straight into compact lists, they must give exactly the
// rows, times and names the plain query gives, and the texts the grid showed from it.
class TimeRecordRowsTest : public QObject {
    Q_OBJECT

private slots:
    void sameRowsAsTheQuery();
    void sortsByEveryColumn();
    void oneRowReadAgain();
};

void TimeRecordRowsTest::sameRowsAsTheQuery() {
    // A zone whose clocks change, so days with a skipped and a repeated hour are among the rows.
    const ZoneForTest zone("Europe/Berlin");
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int bob = env.addUser(QStringLiteral("Bob"));
    const int design = env.addCategory(QStringLiteral("Design"));
    const int other = env.addCategory(QStringLiteral("Other"));
    env.addTime(design, ann, at(12, 1, 9, 0), at(12, 1, 9, 45), 45);
    env.addTime(design, bob, at(12, 2, 8, 0), at(12, 3, 9, 10, 59), 1510); // over a day
    env.addTime(design, ann, at(12, 4, 0, 0), at(12, 5, 0, 0), 1440);      // midnights
    env.addTime(design, bob, at(12, 6, 10, 0), at(12, 6, 8, 30), 0);       // ends before it starts
    env.addTime(other, ann, at(12, 2, 8, 0), at(12, 2, 9, 0), 60);
    env.addOpenTime(design, ann, at(12, 7, 8, 0)); // running: not listed
    // The hour the clocks skip and the hour they repeat, written as text.
    for (const auto& [start, end] :
         {std::pair{"2026-03-29 01:30:00", "2026-03-29 02:30:00"},
          std::pair{"2026-10-25 02:15:00", "2026-10-25 02:45:00"},
          // A form other than the usual one, which the engines still read as a time.
          std::pair{"2026-11-02T07:05:00", "2026-11-02 07:50:00"}}) {
        db.execute(QStringLiteral("insert into tallyRec (startTime, endTime, duration, categoryId, "
                                  "userId) values (?, ?, 0, ?, ?)"),
                   {QString::fromLatin1(start), QString::fromLatin1(end), design, bob});
    }

    const TimeRecordRows rows = TimeRecordRows::read(db, design);
    const ResultSet expected = rowsAsResult(db, design);
    QCOMPARE(rows.categoryId(), design);
    QCOMPARE(rows.count(), 7);
    QCOMPARE(rows.count(), expected.count());
    QCOMPARE(int(rows.userNames().size()), 2); // each name held once
    TimeRecordsModel model;
    model.setRows(rows);
    for (int i = 0; i < expected.count(); ++i) {
        const Row row = expected.row(i);
        const QDateTime start = row.dateTime(QStringLiteral("startTime"));
        const QDateTime end = row.dateTime(QStringLiteral("endTime"));
        QVERIFY(start.isValid());
        QCOMPARE(rows.timeId(i), row.integer64(QStringLiteral("timeId")));
        QCOMPARE(rows.start(i), TimeRecordRows::wallSeconds(start));
        QCOMPARE(rows.end(i), TimeRecordRows::wallSeconds(end));
        QCOMPARE(rows.user(i), row.text(QStringLiteral("userName")));
        // The cells read as the grid showed them from the query's values.
        const QStringList cells = {QString::number(row.integer64(QStringLiteral("timeId"))),
                                   TimeText::defaultText(start), TimeText::defaultText(end),
                                   TimeRecordsModel::timeSpent(start, end),
                                   row.text(QStringLiteral("userName"))};
        for (int column = 0; column < TimeRecordsModel::ColumnCount; ++column) {
            QCOMPARE(model.index(i, column).data().toString(), cells.at(column));
        }
    }
    QCOMPARE(model.index(1, TimeRecordsModel::SpentColumn).data().toString(),
             QStringLiteral("01:10"));
    QCOMPARE(model.index(3, TimeRecordsModel::SpentColumn).data().toString(),
             QStringLiteral("01:30"));

    // A category without finished rows holds none.
    QVERIFY(TimeRecordRows::read(db, env.addCategory(QStringLiteral("Empty"))).isEmpty());
    QVERIFY(rows.bytesHeld() > 0);
}

void TimeRecordRowsTest::sortsByEveryColumn() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("ann"));
    const int zoe = env.addUser(QStringLiteral("Zoe"));
    const int bob = env.addUser(QStringLiteral("Bob"));
    const int design = env.addCategory(QStringLiteral("Design"));
    for (int i = 0; i < 30; ++i) {
        const QDateTime start = at(11, 1 + (i * 7) % 28, (i * 5) % 24, (i * 13) % 60);
        env.addTime(design, i % 3 == 0 ? zoe : (i % 3 == 1 ? ann : bob), start,
                    start.addSecs(60 * ((i * 97) % 1500)), 0);
    }
    TimeRecordsModel model;
    model.setRows(TimeRecordRows::read(env.database(), design));
    const QStringList inIdOrder = columnTexts(model, TimeRecordsModel::TimeIdColumn);

    auto localeOrdered = [](const QStringList& texts, bool ascending) {
        for (qsizetype i = 1; i < texts.size(); ++i) {
            const int compared = QString::localeAwareCompare(texts.at(i - 1), texts.at(i));
            if (ascending ? compared > 0 : compared < 0) {
                return false;
            }
        }
        return true;
    };
    for (const int column :
         {int(TimeRecordsModel::SpentColumn), int(TimeRecordsModel::UserColumn)}) {
        model.sort(column, Qt::AscendingOrder);
        QVERIFY2(localeOrdered(columnTexts(model, column), true),
                 qPrintable(QString::number(column)));
        model.sort(column, Qt::DescendingOrder);
        QVERIFY2(localeOrdered(columnTexts(model, column), false),
                 qPrintable(QString::number(column)));
    }
    // Equal names keep the rows' own order.
    model.sort(TimeRecordsModel::UserColumn, Qt::AscendingOrder);
    QStringList annsIds;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.index(row, TimeRecordsModel::UserColumn).data().toString() ==
            QLatin1String("ann")) {
            annsIds.append(model.index(row, 0).data().toString());
        }
    }
    QStringList annsInIdOrder;
    for (int row = 1; row < inIdOrder.size(); row += 3) {
        annsInIdOrder.append(inIdOrder.at(row));
    }
    QCOMPARE(annsIds, annsInIdOrder);

    // Ids as numbers, ends as times.
    model.sort(TimeRecordsModel::TimeIdColumn, Qt::DescendingOrder);
    QStringList reversed = inIdOrder;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(columnTexts(model, TimeRecordsModel::TimeIdColumn), reversed);
    model.sort(TimeRecordsModel::EndColumn, Qt::AscendingOrder);
    QList<QDateTime> ends;
    for (int row = 0; row < model.rowCount(); ++row) {
        ends.append(env.database()
                        .query(QStringLiteral("select endTime from tallyRec where timeId = ?"),
                               {model.timeId(row)})
                        .first()
                        .dateTime(0));
    }
    QVERIFY(std::is_sorted(ends.begin(), ends.end()));
    model.sort(-1);
    QCOMPARE(columnTexts(model, TimeRecordsModel::TimeIdColumn), inIdOrder);
}

void TimeRecordRowsTest::oneRowReadAgain() {
    TestEnvironment env;
    Database& db = env.database();
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int bob = env.addUser(QStringLiteral("Bob"));
    const int design = env.addCategory(QStringLiteral("Design"));
    const int other = env.addCategory(QStringLiteral("Other"));
    const int first = env.addTime(design, ann, at(12, 1, 9, 0), at(12, 1, 10, 0), 60);
    const int second = env.addTime(design, ann, at(12, 2, 9, 0), at(12, 2, 9, 30), 30);
    const int third = env.addTime(design, bob, at(12, 3, 9, 0), at(12, 3, 11, 0), 120);
    const int elsewhere = env.addTime(other, ann, at(12, 3, 9, 0), at(12, 3, 9, 5), 5);
    TimeRecordsModel model;
    model.setRows(TimeRecordRows::read(db, design));
    model.sort(TimeRecordsModel::StartColumn, Qt::DescendingOrder); // third, second, first
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // A changed row shows its new values where it stands.
    db.execute(QStringLiteral("update tallyRec set endTime = ?, userId = ? where timeId = ?"),
               {at(12, 2, 10, 15), bob, second});
    QVERIFY(model.refreshRow(db, second));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(model.timeId(1), second);
    QCOMPARE(model.index(1, TimeRecordsModel::EndColumn).data().toString(),
             TimeText::defaultText(at(12, 2, 10, 15)));
    QCOMPARE(model.index(1, TimeRecordsModel::SpentColumn).data().toString(),
             QStringLiteral("01:15"));
    QCOMPARE(model.index(1, TimeRecordsModel::UserColumn).data().toString(), QStringLiteral("Bob"));

    // A row running again, or gone, leaves the grid; the others keep their order.
    db.execute(QStringLiteral("update tallyRec set endTime = null where timeId = ?"), {third});
    QVERIFY(model.refreshRow(db, third));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.timeId(0), second);
    QCOMPARE(model.timeId(1), first);
    db.execute(QStringLiteral("delete from tallyRec where timeId = ?"), {first});
    QVERIFY(model.refreshRow(db, first));
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.timeId(0), second);

    // A row of another category is not this grid's; one finished again comes back at the end.
    QVERIFY(!model.refreshRow(db, elsewhere));
    db.execute(QStringLiteral("update tallyRec set endTime = ? where timeId = ?"),
               {at(12, 3, 12, 0), third});
    QVERIFY(model.refreshRow(db, third));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.timeId(1), third);
    QCOMPARE(model.index(1, TimeRecordsModel::SpentColumn).data().toString(),
             QStringLiteral("03:00"));
    QCOMPARE(model.rows().count(), 2);
}

QTEST_GUILESS_MAIN(TimeRecordRowsTest)
#include "tst_timerecordrows.moc"
