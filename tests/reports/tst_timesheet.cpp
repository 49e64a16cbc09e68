#include "TestEnvironment.h"
#include "data/Billing.h"
#include "data/TimeText.h"
#include "reports/TimeReport.h"
#include "reports/TimesheetExport.h"
#include "reports/TimesheetModel.h"
#include "reports/TimesheetRange.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QtTest>
#include <ctime>
#include <map>

namespace {

QDateTime at(int month, int day, int hour, int minute = 0, int second = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute, second));
}

const QDate From(2026, 12, 1);
const QDate To(2026, 12, 13);

// What the database itself says about the finished rows that start in a range of days, summed
// with a plain statement: minutes, and the amount with each row rounded to the cent.
struct Truth {
    qint64 rows = 0;
    qint64 minutes = 0;
    qint64 cents = 0;
};

// A team's month of time, drawn at random from a fixed seed, around the edges of the range
// 1 to 13 December: rows that start on the stroke of midnight of the first day, a second before
// it (and run into the range), a second before the end of the last day, and on the stroke of
// midnight after it; running tasks inside and outside the range.
struct DataSet {
    TestEnvironment env;
    int ann = 0, bob = 0, cid = 0;
    int client = 0, design = 0, icons = 0, build = 0, internal = 0, internalDesign = 0;
    int midnightRow = 0;

    DataSet() {
        ann = env.addUser(QStringLiteral("Ann"));
        bob = env.addUser(QStringLiteral("Bob"));
        cid = env.addUser(QStringLiteral("Cid Ünal"));
        client = rated(QStringLiteral("Client"), 0, 60);
        design = rated(QStringLiteral("Design"), client, 45);
        icons = rated(QStringLiteral("Icons"), design, 80);
        build = rated(QStringLiteral("Build, \"test\""), client, 31);
        internal = rated(QStringLiteral("Internal"), 0, 0);
        internalDesign = rated(QStringLiteral("Design"), internal, 7);

        const int categories[] = {client, design, icons, build, internal, internalDesign};
        const int users[] = {ann, bob, cid};
        QRandomGenerator random(19);
        for (int i = 0; i < 400; ++i) {
            const QDateTime start = at(11, 20, 0).addSecs(random.bounded(30 * 86400));
            const QDateTime end = start.addSecs(60 + random.bounded(600 * 60));
            env.addTime(categories[random.bounded(6)], users[random.bounded(3)], start, end,
                        int((start.secsTo(end)) / 60));
        }
        env.addTime(icons, ann, at(11, 30, 23, 59, 59), at(12, 1, 1, 0), 61);
        midnightRow = env.addTime(icons, bob, at(12, 1, 0), at(12, 1, 0, 7), 7);
        env.addTime(build, cid, at(12, 13, 23, 59, 59), at(12, 14, 0, 30), 31);
        env.addTime(build, cid, at(12, 14, 0), at(12, 14, 0, 30), 30);
        env.addOpenTime(design, ann, at(12, 7, 8, 30)); // 90 minutes up to the clock's 10:00
        env.addOpenTime(icons, bob, at(11, 29, 8, 0));  // outside the range
        // The sums below round each row, as the team may choose to.
        Billing::setSetting(env.database(), Billing::RoundingSetting, QStringLiteral("row"));
    }

    int rated(const QString& name, int parentId, int rate) {
        const int id = env.addCategory(name, parentId);
        env.database().execute(QStringLiteral("update category set chargingRate = ? where "
                                              "categoryId = ?"),
                               {rate, id});
        return id;
    }

    Truth truth(const QDate& from, const QDate& to, const QList<int>& categoryIds = {},
                int userId = 0) {
        QString sql =
            QStringLiteral("select count(*), sum(t.duration), "
                           "sum(round(cast(t.duration * c.chargingRate as numeric) / 60.0, 2)) "
                           "from tallyRec t join category c on c.categoryId = t.categoryId "
                           "where t.endTime is not null and t.startTime >= ? and t.startTime < ?");
        QVariantList params{QDateTime(from, QTime(0, 0)), QDateTime(to.addDays(1), QTime(0, 0))};
        if (!categoryIds.isEmpty()) {
            QStringList marks;
            for (int id : categoryIds) {
                marks.append(QStringLiteral("?"));
                params.append(id);
            }
            sql += QStringLiteral(" and t.categoryId in (%1)").arg(marks.join(QLatin1Char(',')));
        }
        if (userId != 0) {
            sql += QStringLiteral(" and t.userId = ?");
            params.append(userId);
        }
        const ResultSet result = env.database().query(sql, params);
        const QVariantList& values = result.values(0);
        return {values.at(0).toLongLong(), values.at(1).toLongLong(),
                qRound64(values.at(2).toDouble() * 100)};
    }

    ReportFilter filter(int categoryId = 0, int userId = 0, bool running = false) {
        ReportFilter filter;
        filter.from = From;
        filter.to = To;
        filter.categoryId = categoryId;
        filter.userId = userId;
        filter.includeRunning = running;
        filter.now = env.clock.now();
        return filter;
    }
};

void compare(const ReportLine& line, const Truth& truth, const char* what) {
    QVERIFY2(line.rows == truth.rows && line.minutes == truth.minutes &&
                 line.amountCents == truth.cents,
             qPrintable(QStringLiteral("%1: %2 rows, %3 min, %4 cents; the database says %5, "
                                       "%6, %7")
                            .arg(QLatin1String(what))
                            .arg(line.rows)
                            .arg(line.minutes)
                            .arg(line.amountCents)
                            .arg(truth.rows)
                            .arg(truth.minutes)
                            .arg(truth.cents)));
}

const ReportLine* find(const std::vector<ReportLine>& lines, int id) {
    for (const ReportLine& line : lines) {
        if (line.id == id) {
            return &line;
        }
    }
    return nullptr;
}

// RFC 4180 read back: quoted fields with doubled quotes, CR LF between records.
QList<QStringList> parseCsv(const QString& text) {
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() &&
                text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record.append(field);
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() &&
                   text.at(i + 1) == QLatin1Char('\n')) {
            record.append(field);
            records.append(record);
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

qint64 cents(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    return parts.at(0).toLongLong() * 100 + parts.at(1).toLongLong();
}

// Unfolds iCalendar content lines (RFC 5545 3.1) after checking that none is over 75 octets.
QStringList unfold(const QByteArray& octets) {
    QStringList lines;
    QByteArray current;
    for (const QByteArray& physical : octets.split('\n')) {
        if (physical.isEmpty()) {
            continue;
        }
        [&] { QVERIFY2(physical.endsWith('\r'), physical.constData()); }();
        const QByteArray line = physical.chopped(1);
        [&] { QVERIFY2(line.size() <= 75, line.constData()); }();
        if (line.startsWith(' ')) {
            current += line.mid(1);
        } else {
            if (!current.isNull()) {
                lines.append(QString::fromUtf8(current));
            }
            current = line;
        }
    }
    lines.append(QString::fromUtf8(current));
    return lines;
}

QByteArray exported(TimeReport& report, const ReportFilter& filter, ReportGrouping grouping,
                    TimesheetExport::Format format, const QDateTime& now) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TimesheetExport writer(buffer, format,
                           {filter.from, filter.to, grouping, QStringLiteral("0123456789abcdef"),
                            now, QString(), false});
    if (grouping == ReportGrouping::Entries) {
        report.entries(filter, [&](const ReportEntry& entry) { writer.entry(entry); });
    } else {
        for (const ReportLine& line : report.lines(filter, grouping)) {
            writer.line(line);
        }
    }
    writer.finish();
    return buffer.data();
}

} // namespace

// Timesheets compared with what the database says when asked directly, on a generated month of
// a team's time: every grouping, the roll-up of sub-categories, rates, the edges of the range,
// running tasks, and each export read back.
class TimesheetTest : public QObject {
    Q_OBJECT

private slots:
    void groupsAgreeWithTheDatabase();
    void categoryTreeRollsUpAndFilters();
    void runningTasksCountUpToNow();
    void entriesStreamEveryRowInOrder();
    void csvReadsBack();
    void jsonReadsBack();
    void icalendarReadsBackWithStableUids();
    void icalendarReadsTheWallClockAcrossClockChanges();
    void goneNamesAndLineBreaksStayInTheirRows();
    void modelShowsTheTreeRolledUp();
    void rangesAndArithmetic();
};

void TimesheetTest::groupsAgreeWithTheDatabase() {
    DataSet data;
    TimeReport report(data.env.database());
    const ReportFilter filter = data.filter();
    const Truth all = data.truth(From, To);
    QVERIFY(all.rows > 100);

    for (ReportGrouping grouping : {ReportGrouping::Category, ReportGrouping::User,
                                    ReportGrouping::Day, ReportGrouping::Week}) {
        const ReportTotals totals = TimeReport::totals(report.lines(filter, grouping));
        QCOMPARE(totals.rows, all.rows);
        QCOMPARE(totals.minutes, all.minutes);
        QCOMPARE(totals.amountCents, all.cents);
    }

    const std::vector<ReportLine> users = report.lines(filter, ReportGrouping::User);
    QCOMPARE(int(users.size()), 3);
    QCOMPARE(users.at(0).label, QStringLiteral("Ann"));
    QCOMPARE(users.at(2).label, QStringLiteral("Cid Ünal"));
    for (int user : {data.ann, data.bob, data.cid}) {
        compare(*find(users, user), data.truth(From, To, {}, user), "user");
    }

    // Every day of the range, the first and the last with their rows on the stroke of midnight
    // and a second before the next.
    const std::vector<ReportLine> days = report.lines(filter, ReportGrouping::Day);
    QCOMPARE(int(days.size()), 13);
    for (const ReportLine& day : days) {
        compare(day, data.truth(day.date, day.date), "day");
    }
    QCOMPARE(days.front().date, From);
    QCOMPARE(days.back().date, To);

    // Weeks from Monday, and from Sunday; the first and last are cut by the range.
    const std::vector<ReportLine> weeks = report.lines(filter, ReportGrouping::Week);
    QCOMPARE(int(weeks.size()), 2);
    QCOMPARE(weeks.at(0).date, QDate(2026, 11, 30));
    compare(weeks.at(0), data.truth(From, QDate(2026, 12, 6)), "week from Monday");
    compare(weeks.at(1), data.truth(QDate(2026, 12, 7), To), "second week from Monday");
    const std::vector<ReportLine> sundays = report.lines(filter, ReportGrouping::Week, Qt::Sunday);
    QCOMPARE(int(sundays.size()), 3);
    QCOMPARE(sundays.at(2).date, To);
    compare(sundays.at(2), data.truth(To, To), "last week from Sunday");

    // A range with no rows, and one that runs backwards, have no lines.
    ReportFilter empty = filter;
    empty.from = empty.to = QDate(2025, 1, 1);
    QVERIFY(report.lines(empty, ReportGrouping::Category).empty());
    ReportFilter backwards = filter;
    std::swap(backwards.from, backwards.to);
    QVERIFY(report.lines(backwards, ReportGrouping::Day).empty());
}

void TimesheetTest::categoryTreeRollsUpAndFilters() {
    DataSet data;
    TimeReport report(data.env.database());
    const std::vector<ReportLine> tree = report.lines(data.filter(), ReportGrouping::Category);
    // Tree order: Client, its children by name, then Internal and its child.
    QList<int> order;
    for (const ReportLine& line : tree) {
        order.append(line.id);
    }
    QCOMPARE(order, (QList<int>{data.client, data.build, data.design, data.icons, data.internal,
                                data.internalDesign}));
    const ReportLine& icons = *find(tree, data.icons);
    QCOMPARE(icons.path, QStringLiteral("Client/Design/Icons"));
    QCOMPARE(icons.depth, 2);
    QCOMPARE(icons.rate, 80);
    for (const ReportLine& line : tree) {
        compare(line, data.truth(From, To, {line.id}), "own time");
    }
    const Truth client = data.truth(From, To, {data.client, data.design, data.icons, data.build});
    const ReportLine& clientLine = *find(tree, data.client);
    QCOMPARE(clientLine.totalMinutes, client.minutes);
    QCOMPARE(clientLine.totalAmountCents, client.cents);
    const Truth design = data.truth(From, To, {data.design, data.icons});
    QCOMPARE(find(tree, data.design)->totalMinutes, design.minutes);

    // One category: it and its sub-categories, nothing above or beside it.
    const std::vector<ReportLine> chosen =
        report.lines(data.filter(data.design), ReportGrouping::Category);
    QCOMPARE(int(chosen.size()), 2);
    QCOMPARE(chosen.at(0).id, data.design);
    QCOMPARE(chosen.at(0).totalMinutes, design.minutes);
    const ReportTotals byDay =
        TimeReport::totals(report.lines(data.filter(data.design), ReportGrouping::Day));
    QCOMPARE(byDay.minutes, design.minutes);
    QCOMPARE(byDay.amountCents, design.cents);
    // With one user besides.
    const Truth bobsDesign = data.truth(From, To, {data.design, data.icons}, data.bob);
    const ReportTotals bobs =
        TimeReport::totals(report.lines(data.filter(data.design, data.bob), ReportGrouping::User));
    QCOMPARE(bobs.minutes, bobsDesign.minutes);
    QCOMPARE(bobs.amountCents, bobsDesign.cents);

    // Names: a unique name, a path, a name two categories share.
    using Ids = std::vector<int>;
    QCOMPARE(report.categoriesNamed(QStringLiteral("Icons")), Ids{data.icons});
    QCOMPARE(report.categoriesNamed(QStringLiteral("Internal/Design")), Ids{data.internalDesign});
    QCOMPARE(report.categoriesNamed(QStringLiteral("Design")),
             (Ids{data.design, data.internalDesign}));
    QVERIFY(report.categoriesNamed(QStringLiteral("Nothing")).empty());
    QCOMPARE(report.userIdByName(QStringLiteral("Bob")), data.bob);
    QCOMPARE(report.userIdByName(QStringLiteral("bob")), 0);

    // Time on a category that is no more still counts, after the tree, at no rate.
    data.env.addTime(9999, data.ann, at(12, 5, 9), at(12, 5, 10), 60);
    const std::vector<ReportLine> withGone = report.lines(data.filter(), ReportGrouping::Category);
    QCOMPARE(withGone.back().id, 9999);
    QCOMPARE(withGone.back().label, QStringLiteral("(deleted category)"));
    QCOMPARE(withGone.back().minutes, 60);
    QCOMPARE(withGone.back().amountCents, 0);
    QCOMPARE(TimeReport::totals(withGone).rows, data.truth(From, To).rows + 1);
    QCOMPARE(TimeReport::totals(report.lines(data.filter(), ReportGrouping::Day)).minutes,
             data.truth(From, To).minutes + 60);
}

void TimesheetTest::runningTasksCountUpToNow() {
    DataSet data;
    TimeReport report(data.env.database());
    const Truth finished = data.truth(From, To);
    const std::vector<ReportLine> lines =
        report.lines(data.filter(0, 0, true), ReportGrouping::Category);
    const ReportTotals totals = TimeReport::totals(lines);
    // Ann's task on Design since 8:30, at 10:00; Bob's from before the range stays out.
    QCOMPARE(totals.rows, finished.rows + 1);
    QCOMPARE(totals.minutes, finished.minutes + 90);
    QCOMPARE(totals.amountCents, finished.cents + 6750);
    const ReportTotals days =
        TimeReport::totals(report.lines(data.filter(0, 0, true), ReportGrouping::Week));
    QCOMPARE(days.minutes, totals.minutes);

    int running = 0;
    report.entries(data.filter(0, 0, true), [&](const ReportEntry& entry) {
        if (entry.running) {
            ++running;
            QCOMPARE(entry.minutes, 90);
            QCOMPARE(entry.end.moment(), data.env.clock.now());
            QCOMPARE(entry.amountCents, 6750);
        }
    });
    QCOMPARE(running, 1);

    const std::vector<ReportEntry> bobs = report.runningTasks(data.bob, data.env.clock.now());
    QCOMPARE(int(bobs.size()), 1);
    QCOMPARE(bobs.front().category, QStringLiteral("Icons"));
    QCOMPARE(bobs.front().minutes, 8 * 1440 + 120);
    QVERIFY(report.runningTasks(data.cid, data.env.clock.now()).empty());
}

void TimesheetTest::entriesStreamEveryRowInOrder() {
    DataSet data;
    TimeReport report(data.env.database());
    const Truth all = data.truth(From, To);
    ReportTotals seen;
    QDateTime previous;
    bool midnight = false;
    report.entries(data.filter(), [&](const ReportEntry& entry) {
        ++seen.rows;
        seen.minutes += entry.minutes;
        seen.amountCents += entry.amountCents;
        QVERIFY(!entry.running);
        const QDateTime start = entry.start.moment();
        QVERIFY(start >= QDateTime(From, QTime(0, 0)));
        QVERIFY(start < QDateTime(To.addDays(1), QTime(0, 0)));
        QVERIFY(!previous.isValid() || previous <= start);
        previous = start;
        QCOMPARE(entry.amountCents, TimeReport::amountCents(entry.minutes, entry.rate));
        if (entry.timeId == data.midnightRow) {
            midnight = true;
            QCOMPARE(entry.categoryPath, QStringLiteral("Client/Design/Icons"));
            QCOMPARE(entry.user, QStringLiteral("Bob"));
        }
    });
    QVERIFY(midnight);
    QCOMPARE(seen.rows, all.rows);
    QCOMPARE(seen.minutes, all.minutes);
    QCOMPARE(seen.amountCents, all.cents);
}

void TimesheetTest::csvReadsBack() {
    DataSet data;
    TimeReport report(data.env.database());
    const Truth all = data.truth(From, To);

    const QByteArray entries = exported(report, data.filter(), ReportGrouping::Entries,
                                        TimesheetExport::Format::Csv, data.env.clock.now());
    const QList<QStringList> rows = parseCsv(QString::fromUtf8(entries));
    QCOMPARE(rows.first(),
             QStringList({"timeId", "date", "start", "endDate", "end", "minutes", "category",
                          "user", "rate", "amount", "billable", "currency"}));
    QCOMPARE(rows.size() - 1, all.rows);
    qint64 minutes = 0;
    qint64 amount = 0;
    bool quotedName = false;
    for (const QStringList& row : rows.mid(1)) {
        QCOMPARE(row.size(), 12);
        minutes += row.at(5).toLongLong();
        amount += cents(row.at(9));
        QCOMPARE(cents(row.at(9)),
                 TimeReport::amountCents(row.at(5).toLongLong(), row.at(8).toLongLong()));
        quotedName = quotedName || row.at(6) == QStringLiteral("Build, \"test\"");
        if (row.at(0) == QString::number(data.midnightRow)) {
            QCOMPARE(row.mid(1), QStringList({"2026-12-01", "00:00:00", "2026-12-01", "00:07:00",
                                              "7", "Icons", "Bob", "80", "9.33", "yes", ""}));
        }
        // The last second of the range, ending after midnight: the end on its own day.
        if (row.at(1) == QStringLiteral("2026-12-13") && row.at(2) == QStringLiteral("23:59:59")) {
            QCOMPARE(row.mid(3, 3), QStringList({"2026-12-14", "00:30:00", "31"}));
        }
    }
    QVERIFY(quotedName);
    QCOMPARE(minutes, all.minutes);
    QCOMPARE(amount, all.cents);
    QVERIFY(entries.contains("Cid \xc3\x9cnal")); // UTF-8

    const QList<QStringList> categories =
        parseCsv(QString::fromUtf8(exported(report, data.filter(), ReportGrouping::Category,
                                            TimesheetExport::Format::Csv, data.env.clock.now())));
    QCOMPARE(categories.first(),
             QStringList({"category", "path", "minutes", "hours", "rate", "amount", "currency"}));
    QCOMPARE(categories.size(), 7);
    for (const QStringList& row : categories.mid(1)) {
        const std::vector<int> named = report.categoriesNamed(row.at(1));
        QVERIFY2(named.size() == 1, qPrintable(row.at(1)));
        const int id = named.front();
        const Truth own = data.truth(From, To, {id});
        QCOMPARE(row.at(2).toLongLong(), own.minutes);
        QCOMPARE(row.at(3), TimeReport::hoursText(own.minutes));
        QCOMPARE(cents(row.at(5)), own.cents);
    }

    const QList<QStringList> users =
        parseCsv(QString::fromUtf8(exported(report, data.filter(), ReportGrouping::User,
                                            TimesheetExport::Format::Csv, data.env.clock.now())));
    QCOMPARE(users.first(), QStringList({"user", "minutes", "hours", "amount", "currency"}));
    QCOMPARE(users.at(1).at(0), QStringLiteral("Ann"));
    QCOMPARE(users.at(1).at(1).toLongLong(), data.truth(From, To, {}, data.ann).minutes);

    const QList<QStringList> weeks =
        parseCsv(QString::fromUtf8(exported(report, data.filter(), ReportGrouping::Week,
                                            TimesheetExport::Format::Csv, data.env.clock.now())));
    QCOMPARE(weeks.first(), QStringList({"date", "minutes", "hours", "amount", "currency"}));
    QCOMPARE(weeks.at(2).at(0), QStringLiteral("2026-12-07"));
    QCOMPARE(cents(weeks.at(2).at(3)), data.truth(QDate(2026, 12, 7), To).cents);

    // Nothing in the range: the header alone.
    ReportFilter empty = data.filter();
    empty.from = empty.to = QDate(2025, 1, 1);
    QCOMPARE(exported(report, empty, ReportGrouping::Entries, TimesheetExport::Format::Csv, {}),
             QByteArray("timeId,date,start,endDate,end,minutes,category,user,rate,amount,"
                        "billable,currency\r\n"));
}

void TimesheetTest::jsonReadsBack() {
    DataSet data;
    TimeReport report(data.env.database());
    const Truth all = data.truth(From, To);
    for (ReportGrouping grouping :
         {ReportGrouping::Entries, ReportGrouping::Category, ReportGrouping::Day}) {
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(exported(report, data.filter(), grouping,
                                             TimesheetExport::Format::Json, data.env.clock.now()),
                                    &error);
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        const QJsonObject root = document.object();
        QCOMPARE(root.value(QStringLiteral("from")).toString(), QStringLiteral("2026-12-01"));
        QCOMPARE(root.value(QStringLiteral("to")).toString(), QStringLiteral("2026-12-13"));
        const QJsonArray rows = root.value(QStringLiteral("rows")).toArray();
        qint64 minutes = 0;
        qint64 amount = 0;
        for (const QJsonValue& row : rows) {
            minutes += row.toObject().value(QStringLiteral("minutes")).toInteger();
            amount += qRound64(row.toObject().value(QStringLiteral("amount")).toDouble() * 100);
        }
        QCOMPARE(minutes, all.minutes);
        QCOMPARE(amount, all.cents);
        const QJsonObject total = root.value(QStringLiteral("total")).toObject();
        QCOMPARE(total.value(QStringLiteral("minutes")).toInteger(), all.minutes);
        QCOMPARE(qRound64(total.value(QStringLiteral("amount")).toDouble() * 100), all.cents);
        QCOMPARE(total.value(QStringLiteral("rows")).toInteger(), all.rows);
        if (grouping == ReportGrouping::Entries) {
            QCOMPARE(rows.size(), all.rows);
            const QJsonObject first = rows.first().toObject();
            QCOMPARE(first.value(QStringLiteral("start")).toString(), QStringLiteral("00:00:00"));
            QCOMPARE(first.value(QStringLiteral("path")).toString(),
                     QStringLiteral("Client/Design/Icons"));
        }
    }
}

void TimesheetTest::icalendarReadsBackWithStableUids() {
    DataSet data;
    // A long name with letters of two octets: folded, never inside a letter.
    data.env.database().execute(
        QStringLiteral("update category set category = ? where categoryId = ?"),
        {QStringLiteral("Überarbeitung; Entwürfe, Prüfung und Übergabe an den Kunden, Teil zwei"),
         data.icons});
    TimeReport report(data.env.database());
    const Truth all = data.truth(From, To);
    auto calendar = [&] {
        return exported(report, data.filter(), ReportGrouping::Entries,
                        TimesheetExport::Format::ICalendar, data.env.clock.now());
    };
    const QStringList lines = unfold(calendar());
    QCOMPARE(lines.first(), QStringLiteral("BEGIN:VCALENDAR"));
    QCOMPARE(lines.last(), QStringLiteral("END:VCALENDAR"));
    QVERIFY(lines.contains(QStringLiteral("VERSION:2.0")));
    QStringList uids;
    std::map<QString, QString> event;
    std::vector<std::map<QString, QString>> events;
    for (const QString& line : lines) {
        if (line == QStringLiteral("BEGIN:VEVENT")) {
            event.clear();
        } else if (line == QStringLiteral("END:VEVENT")) {
            events.push_back(event);
        } else {
            const qsizetype colon = line.indexOf(QLatin1Char(':'));
            event[line.left(colon)] = line.mid(colon + 1);
        }
    }
    QCOMPARE(qint64(events.size()), all.rows);
    bool midnight = false;
    for (const auto& each : events) {
        for (const char* required : {"UID", "DTSTAMP", "DTSTART", "DTEND", "SUMMARY"}) {
            QVERIFY2(each.count(QLatin1String(required)) == 1, required);
        }
        uids.append(each.at(QStringLiteral("UID")));
        const QString uid = QStringLiteral("%1-0123456789abcdef@quillhour").arg(data.midnightRow);
        if (each.at(QStringLiteral("UID")) == uid) {
            midnight = true;
            // Midnight local time, given in UTC.
            QCOMPARE(each.at(QStringLiteral("DTSTART")),
                     at(12, 1, 0).toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
            QCOMPARE(each.at(QStringLiteral("DTEND")),
                     at(12, 1, 0, 7).toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")));
            QCOMPARE(each.at(QStringLiteral("SUMMARY")),
                     QStringLiteral("Client/Design/Überarbeitung\\; Entwürfe\\, Prüfung und "
                                    "Übergabe an den Kunden\\, Teil zwei"));
        }
    }
    QVERIFY(midnight);
    QCOMPARE(QSet<QString>(uids.begin(), uids.end()).size(), uids.size());
    // Exported again later: the same events under the same UIDs.
    data.env.clock.advanceMinutes(30);
    QStringList again;
    for (const QString& line : unfold(calendar())) {
        if (line.startsWith(QStringLiteral("UID:"))) {
            again.append(line.mid(4));
        }
    }
    QCOMPARE(again, uids);
}

void TimesheetTest::icalendarReadsTheWallClockAcrossClockChanges() {
    // Berlin puts its clocks forward at 02:00 on 29 March 2026 and back at 03:00 on 25 October.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    const auto restore = qScopeGuard([&] {
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    });
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int design = env.addCategory(QStringLiteral("Design"));
    // As the wall clock read them: within the skipped hour, out of it, across the repeated one.
    for (const char* row : {"'2026-03-29 02:30:00', '2026-03-29 02:45:00'",
                            "'2026-03-29 02:40:00', '2026-03-29 03:10:00'",
                            "'2026-10-25 02:50:00', '2026-10-25 02:10:00'"}) {
        env.database().execute(QStringLiteral("insert into tallyRec (startTime, endTime, duration, "
                                              "categoryId, userId) values (%1, 20, ?, ?)")
                                   .arg(QLatin1String(row)),
                               {design, ann});
    }
    TimeReport report(env.database());
    ReportFilter year;
    year.from = QDate(2026, 1, 1);
    year.to = QDate(2026, 12, 31);
    const QStringList times = unfold(exported(report, year, ReportGrouping::Entries,
                                              TimesheetExport::Format::ICalendar, env.clock.now()))
                                  .filter(QRegularExpression(QStringLiteral("^DT(START|END):")));
    QCOMPARE(times, QStringList({"DTSTART:20260329T013000Z", "DTEND:20260329T014500Z",
                                 "DTSTART:20260329T014000Z", "DTEND:20260329T020000Z",
                                 "DTSTART:20261025T005000Z", "DTEND:20261025T011000Z"}));
}

void TimesheetTest::goneNamesAndLineBreaksStayInTheirRows() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann\nSmith"));
    const int design = env.addCategory(QStringLiteral("Design,\r\nphase 2"));
    env.addTime(design, ann, at(12, 2, 9), at(12, 2, 10), 60);
    env.addTime(9999, 8888, at(12, 3, 9), at(12, 3, 9, 30), 30); // both deleted since
    TimeReport report(env.database());
    ReportFilter filter;
    filter.from = From;
    filter.to = To;
    const QList<QStringList> rows = parseCsv(QString::fromUtf8(
        exported(report, filter, ReportGrouping::Entries, TimesheetExport::Format::Csv, {})));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(1).mid(6, 2), QStringList({"Design,\r\nphase 2", "Ann\nSmith"}));
    QCOMPARE(rows.at(2).mid(6, 2), QStringList({"(deleted category)", "(deleted user)"}));
    const std::vector<ReportLine> users = report.lines(filter, ReportGrouping::User);
    QCOMPARE(users.front().label, QStringLiteral("(deleted user)"));
    QCOMPARE(users.front().minutes, 30);
}

void TimesheetTest::modelShowsTheTreeRolledUp() {
    DataSet data;
    TimeReport report(data.env.database());
    TimesheetModel model;
    model.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    model.setLines(report.lines(data.filter(), ReportGrouping::Category), ReportGrouping::Category);
    // Client and Internal at the top; Build and Design under Client; Icons under Design.
    QCOMPARE(model.rowCount(), 2);
    const QModelIndex client = model.index(0, 0);
    QCOMPARE(model.data(client).toString(), QStringLiteral("Client"));
    QCOMPARE(model.rowCount(client), 2);
    const QModelIndex design = model.index(1, 0, client);
    QCOMPARE(model.data(design).toString(), QStringLiteral("Design"));
    QCOMPARE(model.parent(design), client);
    const QModelIndex icons = model.index(0, 0, design);
    QCOMPARE(model.data(icons).toString(), QStringLiteral("Icons"));
    QCOMPARE(model.parent(icons), design);
    QCOMPARE(model.rowCount(icons), 0);

    const Truth rolled = data.truth(From, To, {data.client, data.design, data.icons, data.build});
    auto cell = [&](const QModelIndex& at, int column) {
        return model.data(model.index(at.row(), column, model.parent(at))).toString();
    };
    QCOMPARE(cell(client, TimesheetModel::TimeColumn), TimeText::minToTime(rolled.minutes));
    QCOMPARE(cell(client, TimesheetModel::HoursColumn),
             QLocale(QLocale::English, QLocale::UnitedStates)
                 .toString(double(TimeReport::amountCents(rolled.minutes, 1)) / 100, 'f', 2));
    QCOMPARE(cell(icons, TimesheetModel::RateColumn), QStringLiteral("$80.00"));
    QCOMPARE(cell(client, TimesheetModel::AmountColumn),
             QLocale(QLocale::English, QLocale::UnitedStates)
                 .toCurrencyString(double(rolled.cents) / 100));
    // The totals count each row once, not again in every category above it.
    QCOMPARE(model.totals().minutes, data.truth(From, To).minutes);
    QCOMPARE(model.totals().amountCents, data.truth(From, To).cents);

    model.setLines(report.lines(data.filter(), ReportGrouping::Week), ReportGrouping::Week);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Week of"));
    QCOMPARE(model.data(model.index(1, 0)).toString(),
             TimeText::format(QDate(2026, 12, 7), TimeText::DD_MMM_YYYY));
}

void TimesheetTest::rangesAndArithmetic() {
    const QDate wednesday(2026, 12, 9);
    using Period = TimesheetRange::Period;
    auto range = [&](Period period, Qt::DayOfWeek first) {
        const TimesheetRange r = TimesheetRange::of(period, wednesday, first);
        return std::make_pair(r.from, r.to);
    };
    QCOMPARE(range(Period::ThisWeek, Qt::Monday),
             std::make_pair(QDate(2026, 12, 7), QDate(2026, 12, 13)));
    QCOMPARE(range(Period::ThisWeek, Qt::Sunday),
             std::make_pair(QDate(2026, 12, 6), QDate(2026, 12, 12)));
    QCOMPARE(range(Period::LastWeek, Qt::Saturday),
             std::make_pair(QDate(2026, 11, 28), QDate(2026, 12, 4)));
    QCOMPARE(range(Period::ThisMonth, Qt::Monday),
             std::make_pair(QDate(2026, 12, 1), QDate(2026, 12, 31)));
    QCOMPARE(range(Period::LastMonth, Qt::Monday),
             std::make_pair(QDate(2026, 11, 1), QDate(2026, 11, 30)));
    QCOMPARE(TimesheetRange::of(Period::LastMonth, QDate(2026, 3, 31), Qt::Monday).to,
             QDate(2026, 2, 28));
    QCOMPARE(TimesheetRange::of(Period::LastMonth, QDate(2027, 1, 15), Qt::Monday).from,
             QDate(2026, 12, 1));
    QCOMPARE(range(Period::ThisYear, Qt::Monday),
             std::make_pair(QDate(2026, 1, 1), QDate(2026, 12, 31)));
    QVERIFY(!TimesheetRange::of(Period::Custom, wednesday, Qt::Monday).from.isValid());
    // A Monday is the first day of its own week.
    QCOMPARE(TimeReport::weekOf(QDate(2026, 12, 7), Qt::Monday), QDate(2026, 12, 7));
    QCOMPARE(TimeReport::weekOf(QDate(2026, 12, 6), Qt::Monday), QDate(2026, 11, 30));

    QCOMPARE(TimeReport::amountCents(7, 80), 933);         // 9.3333
    QCOMPARE(TimeReport::amountCents(1, 1), 2);            // 1.6667
    QCOMPARE(TimeReport::amountCents(2, -1), -3);          // -3.3333
    QCOMPARE(TimeReport::amountCents(59, 32767), 3222088); // 32,767 × 59 ÷ 60
    QCOMPARE(TimeReport::centsText(5), QStringLiteral("0.05"));
    QCOMPARE(TimeReport::centsText(-5), QStringLiteral("-0.05"));
    QCOMPARE(TimeReport::centsText(-1234), QStringLiteral("-12.34"));
    QCOMPARE(TimeReport::hoursText(90), QStringLiteral("1.50"));
    QCOMPARE(TimeReport::hoursText(1), QStringLiteral("0.02"));
    QCOMPARE(TimesheetExport::csvField(QStringLiteral("a \"b\", c")),
             QStringLiteral("\"a \"\"b\"\", c\""));
    QCOMPARE(TimesheetExport::icalText(QStringLiteral("a;b,c\\d\r\ne")),
             QStringLiteral("a\\;b\\,c\\\\d\\ne"));
}

QTEST_GUILESS_MAIN(TimesheetTest)
#include "tst_timesheet.moc"
