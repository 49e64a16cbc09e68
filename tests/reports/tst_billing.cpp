#include "SignedInTeam.h"
#include "TestEnvironment.h"
#include "data/Billing.h"
#include "data/ClosedPeriods.h"
#include "data/TimeCorrection.h"
#include "reports/TimeReport.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

QDateTime at(int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

// A team's year of billed time: Support's rate rises mid-year, Bob has a rate of his own on
// Support from April, Design has no rate and takes its parent's, Internal is not billed.
struct Year {
    TestEnvironment env;
    int ann = 0, bob = 0;
    int client = 0, support = 0, design = 0, internal = 0;

    Year() {
        ann = env.addUser(QStringLiteral("Ann"));
        bob = env.addUser(QStringLiteral("Bob"));
        client = rated(QStringLiteral("Client"), 0, 60);
        support = rated(QStringLiteral("Support"), client, 60);
        design = rated(QStringLiteral("Design"), client, 0);
        internal = rated(QStringLiteral("Internal"), 0, 50);
        const int categories[] = {client, support, design, internal};
        QRandomGenerator random(32);
        for (int i = 0; i < 600; ++i) {
            const QDateTime start = at(1, 1, 7).addSecs(qint64(random.bounded(340)) * 86400 +
                                                        random.bounded(10 * 3600));
            const int minutes = 1 + int(random.bounded(300));
            env.addTime(categories[random.bounded(4)], random.bounded(2) == 0 ? ann : bob, start,
                        start.addSecs(minutes * 60), minutes);
        }
        const QDate today = env.clock.now().date();
        Billing::setRate(env.database(), {client, 0, QDate(2026, 3, 1), 8000}, today);
        Billing::setRate(env.database(), {support, 0, QDate(2026, 7, 1), 7000}, today);
        Billing::setRate(env.database(), {support, bob, QDate(2026, 4, 1), 9050}, today);
        Billing::setBillable(env.database(), internal, false);
    }

    int rated(const QString& name, int parentId, int rate) {
        const int id = env.addCategory(name, parentId, ann);
        env.database().execute(
            QStringLiteral("update category set chargingRate = ? where categoryId = ?"),
            {rate, id});
        return id;
    }

    // Each finished row's rate, worked out by the database alone: the person's rate before the
    // category's, the category's before its parent's, the hourly rate last; nothing for time
    // that is not billed.
    QString ratedRows() const {
        auto inForce = [](const QString& category, const QString& person) {
            return QStringLiteral("(select r.rateCents from categoryRate r where r.categoryId = "
                                  "%1 and %2 and r.fromDate <= t.startTime order by r.fromDate "
                                  "desc limit 1)")
                .arg(category, person);
        };
        const QString own = QStringLiteral("r.userId = t.userId");
        const QString all = QStringLiteral("r.userId is null");
        return QStringLiteral("select t.categoryId, t.userId, t.duration, case when "
                              "coalesce(b.billable, 1 = 1) then coalesce(%1, %2, %3, %4, "
                              "c.chargingRate * 100) else 0 end as rate from tallyRec t "
                              "join category c on c.categoryId = t.categoryId "
                              "left join categoryBilling b on b.categoryId = t.categoryId "
                              "where t.endTime is not null and t.startTime >= ? and "
                              "t.startTime < ?")
            .arg(inForce(QStringLiteral("t.categoryId"), own),
                 inForce(QStringLiteral("t.categoryId"), all),
                 inForce(QStringLiteral("c.parentId"), own),
                 inForce(QStringLiteral("c.parentId"), all));
    }

    ReportFilter filter(const QDate& from, const QDate& to) const {
        ReportFilter chosen;
        chosen.from = from;
        chosen.to = to;
        chosen.now = env.clock.now();
        return chosen;
    }
};

QVariantList range(const QDate& from, const QDate& to) {
    return {QDateTime(from, QTime(0, 0)), QDateTime(to.addDays(1), QTime(0, 0))};
}

const ReportLine* lineOf(const std::vector<ReportLine>& lines, int id) {
    for (const ReportLine& line : lines) {
        if (line.id == id) {
            return &line;
        }
    }
    return nullptr;
}

} // namespace

class BillingTest : public QObject {
    Q_OBJECT

private slots:
    void amountsFollowTheRatesInForce();
    void aRateChangeLeavesEarlierAmounts();
    void closedTimeIsRefusedInWords();
    void serverRefusesClosedTime();
};

// Every category line, rounded per line, and the total rounded per row, against sums the
// database makes itself.
void BillingTest::amountsFollowTheRatesInForce() {
    Year year;
    const QDate from(2026, 1, 1);
    const QDate to(2026, 12, 31);
    const TimeReport report(year.env.database());
    QCOMPARE(report.rounding(), Billing::Rounding::PerLine);
    const std::vector<ReportLine> lines =
        report.lines(year.filter(from, to), ReportGrouping::Category);
    const ResultSet perLine = year.env.database().query(
        QStringLiteral("select categoryId, sum(cast(round(cast(minutes as numeric) * rate / 60.0) "
                       "as integer)), sum(minutes), sum(case when categoryId <> ? then minutes "
                       "else 0 end) from (select categoryId, rate, sum(duration) "
                       "as minutes from (%1) rated group by categoryId, rate) parts "
                       "group by categoryId")
            .arg(year.ratedRows()),
        QVariantList{year.internal} + range(from, to));
    QCOMPARE(perLine.count(), 4);
    for (const Row row : perLine) {
        const ReportLine* line = lineOf(lines, row.integer(0));
        QVERIFY(line != nullptr);
        QCOMPARE(line->amountCents, row.integer64(1));
        QCOMPARE(line->minutes, row.integer64(2));
        QCOMPARE(line->billableMinutes, row.integer64(3));
    }
    QCOMPARE(lineOf(lines, year.internal)->amountCents, 0);
    QCOMPARE(lineOf(lines, year.internal)->billableMinutes, 0);
    QVERIFY(lineOf(lines, year.support)->amountCents > 0);

    Billing::setSetting(year.env.database(), Billing::RoundingSetting, QStringLiteral("row"));
    const TimeReport perRowReport(year.env.database());
    const qint64 perRow =
        year.env.database()
            .scalar(QStringLiteral("select sum(cast(round(cast(duration as numeric) * rate / "
                                   "60.0) as integer)) from (%1) rated")
                        .arg(year.ratedRows()),
                    range(from, to))
            .toLongLong();
    for (const ReportGrouping grouping :
         {ReportGrouping::Category, ReportGrouping::User, ReportGrouping::Week}) {
        QCOMPARE(
            TimeReport::totals(perRowReport.lines(year.filter(from, to), grouping)).amountCents,
            perRow);
    }
    qint64 entries = 0;
    perRowReport.entries(year.filter(from, to),
                         [&](const ReportEntry& entry) { entries += entry.amountCents; });
    QCOMPARE(entries, perRow);
}

// Raising a rate from a day on leaves the amounts of the time before it as they were, and
// the hourly rate in force today is what the editor shows.
void BillingTest::aRateChangeLeavesEarlierAmounts() {
    Year year;
    const QDate today = year.env.clock.now().date();
    auto quarter = [&] {
        return TimeReport(year.env.database())
            .lines(year.filter(QDate(2026, 7, 1), QDate(2026, 9, 30)), ReportGrouping::Category);
    };
    const qint64 before = lineOf(quarter(), year.support)->amountCents;
    Billing::setRate(year.env.database(), {year.support, 0, QDate(2026, 10, 1), 8500}, today);
    QCOMPARE(lineOf(quarter(), year.support)->amountCents, before);
    QCOMPARE(year.env.database()
                 .scalar(QStringLiteral("select chargingRate from category where categoryId = ?"),
                         {year.support})
                 .toInt(),
             85);
    // The first rate of a category keeps its earlier worth: Client's time before March stays
    // at its hourly rate of 60.
    const std::vector<ReportLine> february =
        TimeReport(year.env.database())
            .lines(year.filter(QDate(2026, 2, 1), QDate(2026, 2, 28)), ReportGrouping::Category);
    const ReportLine* client = lineOf(february, year.client);
    QVERIFY(client != nullptr && client->minutes > 0);
    QCOMPARE(client->amountCents, TimeReport::amountAt(client->minutes, 6000));
}

// A closed quarter: the program refuses to add, change, move or delete its time with a
// sentence naming the period and who closed it, the database refuses any other writer, a rate
// cannot reach back into it, and reopening leaves the closing in the record.
void BillingTest::closedTimeIsRefusedInWords() {
    Year year;
    Database& db = year.env.database();
    const QDate through(2026, 3, 31);
    const int inside = year.env.addTime(year.design, year.ann, at(3, 2, 9), at(3, 2, 10), 60);
    const int closedRow = year.env.addTime(year.support, year.ann, at(3, 31, 23), at(4, 1, 0), 60);
    QCOMPARE(ClosedPeriods::close(db, year.support, through, year.bob, year.env.clock.now())
                 .value_or(QString()),
             QStringLiteral("Only the manager of a category can close its time."));
    QCOMPARE(ClosedPeriods::close(db, year.support, through, year.ann, year.env.clock.now()),
             std::nullopt);
    TimeCorrection correction(db, year.env.clock);
    const std::optional<TimeCorrection::Row> row = correction.read(closedRow);
    QVERIFY(row);
    const QString expected = QStringLiteral(
        "The time on Support up to and including 31 Mar 2026 was closed by Ann: it cannot be "
        "added, changed or deleted.");
    QCOMPARE(correction.edit(*row, {at(4, 2, 9), at(4, 2, 10), year.support}, year.ann)
                 .value_or(QString()),
             expected);
    QCOMPARE(
        correction.add({at(1, 5, 9), at(1, 5, 10), year.support}, year.bob).value_or(QString()),
        expected);
    // Moving other time into the period is refused too; Design's own time is not closed.
    const std::optional<TimeCorrection::Row> design = correction.read(inside);
    QCOMPARE(correction.edit(*design, {at(3, 2, 9), at(3, 2, 10), year.support}, year.ann)
                 .value_or(QString()),
             expected);
    QCOMPARE(correction.edit(*design, {at(3, 2, 9), at(3, 2, 11), year.design}, year.ann),
             std::nullopt);
    try {
        correction.remove(closedRow, year.ann);
        QFAIL("the closed row was deleted");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.kind(), DatabaseError::Kind::Refused);
        QCOMPARE(error.message(), expected);
    }
    // Another program's write meets the database's own refusal.
    QVERIFY_THROWS_EXCEPTION(DatabaseError,
                             db.execute(QStringLiteral("update tallyRec set duration = 1 where "
                                                       "timeId = ?"),
                                        {closedRow}));
    QCOMPARE(year.env.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {closedRow}),
             1);
    QVERIFY_THROWS_EXCEPTION(
        DatabaseError,
        Billing::setRate(db, {year.support, 0, QDate(2026, 3, 1), 1}, year.env.clock.now().date()));

    QVERIFY(ClosedPeriods::reopen(db, year.support, through, year.bob, year.env.clock.now()));
    QCOMPARE(correction.edit(*row, {at(4, 2, 9), at(4, 2, 10), year.support}, year.ann),
             std::nullopt);
    QCOMPARE(year.env.count(QStringLiteral("closedPeriod"),
                            QStringLiteral("reopenedByUserId = ? and closedByUserId = ?"),
                            {year.bob, year.ann}),
             1);
}

// Signed in, the server holds everyone to a closed period, and only an administrator reopens.
void BillingTest::serverRefusesClosedTime() {
    if (!SignedInTeam::available()) {
        QSKIP("needs the private PostgreSQL server");
    }
    TestEnvironment env;
    SignedInTeam team(env);
    const int boss = team.addAdministrator(QStringLiteral("boss"));
    const int dee = team.addLogin(QStringLiteral("dee"));
    const int work = env.addCategory(QStringLiteral("Work"), 0, dee);
    const int row = env.addTime(work, dee, at(2, 3, 9), at(2, 3, 10), 60);

    // Closing all time is an administrator's: a manager is refused.
    auto closeAll = [&](const QString& login, int userId) {
        return team.psql(login, QStringLiteral("insert into closedPeriod (categoryId, "
                                               "closedThrough, closedByUserId, closedAt) values "
                                               "(null, '2026-03-31', %1, '2026-12-07 10:00:00');")
                                    .arg(userId));
    };
    const SignedInTeam::PsqlRun early = closeAll(QStringLiteral("dee"), dee);
    QVERIFY2(early.exitCode != 0 && early.errors.contains(QStringLiteral(
                                        "only a team administrator closes the time of all")),
             qPrintable(early.errors));
    const SignedInTeam::PsqlRun closing = closeAll(QStringLiteral("boss"), boss);
    QVERIFY2(closing.exitCode == 0, qPrintable(closing.errors));

    const SignedInTeam::PsqlRun change =
        team.psql(QStringLiteral("dee"),
                  QStringLiteral("update tallyRec set duration = 5 where timeId = %1;").arg(row));
    QVERIFY2(change.exitCode != 0 &&
                 change.errors.contains(QStringLiteral("All time up to and including 2026-03-31 "
                                                       "was closed by boss")),
             qPrintable(change.errors));
    const SignedInTeam::PsqlRun reopen = team.psql(
        QStringLiteral("dee"), QStringLiteral("update closedPeriod set reopenedByUserId = %1, "
                                              "reopenedAt = '2026-12-07 11:00:00';")
                                   .arg(dee));
    QVERIFY2(reopen.exitCode != 0 && reopen.errors.contains(QStringLiteral(
                                         "Only a team administrator can reopen a closed period.")),
             qPrintable(reopen.errors));
    QCOMPARE(env.count(QStringLiteral("tallyRec"), QStringLiteral("duration = 60")), 1);
}

QTEST_GUILESS_MAIN(BillingTest)
#include "tst_billing.moc"
