#include "ReferenceData.h"
#include "TestEnvironment.h"
#include "categories/CategoryLoader.h"
#include "data/Lookup.h"
#include "data/Numbers.h"
#include "data/category.h"
#include "data/user.h"
#include "reports/ProductivityData.h"

#include <QtTest>
#include <functional>

// The program reads with one statement, or a few, what a literal reading would fetch with one
// statement per category, per user or per day. On a generated data set both readings must give
// the same results.
class EquivalenceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void categoryTreeEqualsLoadingParentByParent();
    void userListEqualsRefreshingEachUser();
    void chartDayTotalsEqualOneStatementPerDay_data();
    void chartDayTotalsEqualOneStatementPerDay();
    void chartAllocationsEqualOneLookupPerCategory();

private:
    std::unique_ptr<TestEnvironment> m_env;
    ReferenceData::Summary m_summary;
};

void EquivalenceTest::initTestCase() {
    m_env = std::make_unique<TestEnvironment>();
    ReferenceData::Options options;
    options.seed = 11;
    options.scale = 0.02;
    m_summary = ReferenceData::fill(m_env->database(), options);
    m_env->syncIds();
}

void EquivalenceTest::categoryTreeEqualsLoadingParentByParent() {
    Database& db = m_env->database();
    // The literal way: the children of each category, one statement per parent, each child read
    // with its own refresh; siblings in the order the program shows them (name, then id).
    struct Expected {
        std::unique_ptr<category> record;
        QString path;
    };
    std::vector<Expected> expected;
    std::function<void(int, const QString&)> children = [&](int parentId, const QString& path) {
        std::vector<std::unique_ptr<category>> records;
        for (const Row row :
             db.query(QStringLiteral("select categoryId from category where parentId = ?"),
                      {parentId})) {
            auto record = std::make_unique<category>(m_env->context());
            record->categoryId = row.integer(0);
            record->refresh();
            records.push_back(std::move(record));
        }
        std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
            const int byName =
                QString::compare(a->categoryName, b->categoryName, Qt::CaseInsensitive);
            return byName != 0 ? byName < 0 : a->categoryId < b->categoryId;
        });
        for (auto& record : records) {
            const QString own = path.isEmpty() ? record->categoryName
                                               : path + QLatin1Char('\\') + record->categoryName;
            const int id = record->categoryId;
            expected.push_back({std::move(record), own});
            children(id, own);
        }
    };
    children(0, QString());

    const std::vector<LoadedCategory> loaded = CategoryLoader::load(m_env->context());
    QVERIFY(expected.size() > 10);
    QCOMPARE(loaded.size(), expected.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        const category& mine = loaded[i].record;
        const category& own = *expected[i].record;
        QCOMPARE(mine.categoryId, own.categoryId);
        QCOMPARE(mine.categoryName, own.categoryName);
        QCOMPARE(mine.parentId, own.parentId);
        QCOMPARE(mine.description, own.description);
        QCOMPARE(mine.minAllocation, own.minAllocation);
        QCOMPARE(mine.maxAllocation, own.maxAllocation);
        QCOMPARE(mine.hourlyRate, own.hourlyRate);
        QCOMPARE(mine.folder, own.folder);
        QCOMPARE(mine.productivityId, own.productivityId);
        QCOMPARE(mine.minAllocationPeriodId, own.minAllocationPeriodId);
        QCOMPARE(mine.maxAllocationPeriodId, own.maxAllocationPeriodId);
        QCOMPARE(mine.ownerUserId, own.ownerUserId);
        QCOMPARE(mine.startDate, own.startDate);
        QCOMPARE(mine.minAllocationPeriod, own.minAllocationPeriod);
        QCOMPARE(mine.maxAllocationPeriod, own.maxAllocationPeriod);
        QCOMPARE(mine.productivity, own.productivity);
        QCOMPARE(loaded[i].listText, CategoryLoader::listEntry(expected[i].path, own.categoryName));
        // Its parent is at the position given; a top-level one has none.
        if (loaded[i].parentPosition >= 0) {
            QCOMPARE(loaded[std::size_t(loaded[i].parentPosition)].record.categoryId, own.parentId);
        } else {
            QCOMPARE(own.parentId, 0);
        }
    }
}

void EquivalenceTest::userListEqualsRefreshingEachUser() {
    Database& db = m_env->database();
    users loaded(m_env->context());
    for (const Row row : db.query(QStringLiteral("select * from \"user\" order by userId"))) {
        loaded.Add(row.integer(QStringLiteral("userId"))).readRow(row);
    }
    int compared = 0;
    for (const Row row : db.query(QStringLiteral("select userId from \"user\""))) {
        user one(m_env->context());
        one.userId = row.integer(0);
        one.refresh();
        const user* mine = loaded.getUserById(one.userId);
        QVERIFY(mine != nullptr);
        QCOMPARE(mine->userName, one.userName);
        QCOMPARE(mine->created, one.created);
        QCOMPARE(mine->email, one.email);
        QCOMPARE(mine->details, one.details);
        QCOMPARE(mine->active, one.active);
        ++compared;
    }
    QCOMPARE(compared, loaded.Count());
}

void EquivalenceTest::chartDayTotalsEqualOneStatementPerDay_data() {
    QTest::addColumn<bool>("byUser");
    QTest::addColumn<bool>("byCategory");
    QTest::newRow("everything") << false << false;
    QTest::newRow("one user") << true << false;
    QTest::newRow("one category") << false << true;
    QTest::newRow("both") << true << true;
}

void EquivalenceTest::chartDayTotalsEqualOneStatementPerDay() {
    QFETCH(bool, byUser);
    QFETCH(bool, byCategory);
    Database& db = m_env->database();
    ProductivityFilter filter;
    QString pieces;
    QVariantList values;
    if (byCategory) {
        filter.categoryId = m_summary.busiestCategoryId;
        pieces += QStringLiteral(" and categoryId = ?");
        values.append(filter.categoryId);
    }
    if (byUser) {
        filter.userId = m_summary.benchmarkUserId;
        pieces += QStringLiteral(" and userId = ?");
        values.append(filter.userId);
    }
    const ProductivityData chart = ProductivityData::read(db, filter);
    QVERIFY(chart.hasRows);

    // The literal way: the range, then one statement per day from the first start's day to the
    // last's. The generated rows start in working hours, never at midnight, so the literal
    // statement's double count of a midnight start does not arise here.
    const QDateTime first =
        db.query(QStringLiteral("select min(startTime) from tallyRec where 1=1") + pieces, values)
            .first()
            .dateTime(0);
    const QDateTime last =
        db.query(QStringLiteral("select max(startTime) from tallyRec where 1=1") + pieces, values)
            .first()
            .dateTime(0);
    QCOMPARE(chart.firstStart, first);
    QCOMPARE(chart.lastStart, last);
    QCOMPARE(chart.days(), int(first.date().daysTo(last.date())) + 1);
    int daysWithTime = 0;
    for (int k = 0; k < chart.days(); ++k) {
        const QDate day = first.date().addDays(k);
        QVariantList dayValues = {QDateTime(day, QTime(0, 0)),
                                  QDateTime(day.addDays(1), QTime(0, 0))};
        dayValues.append(values);
        qint64 total = 0;
        for (const Row row : db.query(
                 QStringLiteral("select duration from tallyRec where startTime between ? and ?") +
                     pieces,
                 dayValues)) {
            total += row.integer64(0);
        }
        QCOMPARE(chart.dayTotals[std::size_t(k)], total);
        daysWithTime += total > 0 ? 1 : 0;
    }
    QVERIFY(daysWithTime > 0);
}

void EquivalenceTest::chartAllocationsEqualOneLookupPerCategory() {
    Database& db = m_env->database();
    for (const int categoryId : {0, m_summary.busiestCategoryId}) {
        qint64 minimum = 0;
        qint64 maximum = 0;
        ProductivityData::readAllocations(db, categoryId, minimum, maximum);
        // The literal way: each category's allocation, its period's days looked up one by one,
        // the running sum rounded half to even after each category.
        qint64 expectedMinimum = 0;
        qint64 expectedMaximum = 0;
        const QString filter = categoryId == 0 ? QString() : QStringLiteral(" and categoryId = ?");
        const QVariantList values = categoryId == 0 ? QVariantList() : QVariantList{categoryId};
        for (const Row row :
             db.query(QStringLiteral("select minAllocation, minAllocationPeriodId, maxAllocation, "
                                     "maxAllocationPeriodId from category where 1=1") +
                          filter,
                      values)) {
            const int minDays = getValueById(db, QStringLiteral("allocationPeriod"), row.integer(1),
                                             QStringLiteral("days"))
                                    .toInt();
            const int maxDays = getValueById(db, QStringLiteral("allocationPeriod"), row.integer(3),
                                             QStringLiteral("days"))
                                    .toInt();
            if (minDays > 0) {
                expectedMinimum = *Numbers::roundHalfEven(double(expectedMinimum) +
                                                          row.integer(0) / double(minDays) * 60.0);
            }
            if (maxDays > 0) {
                expectedMaximum = *Numbers::roundHalfEven(double(expectedMaximum) +
                                                          row.integer(2) / double(maxDays) * 60.0);
            }
        }
        QCOMPARE(minimum, expectedMinimum);
        QCOMPARE(maximum, expectedMaximum);
    }
}

QTEST_GUILESS_MAIN(EquivalenceTest)
#include "tst_equivalence.moc"
