#include "EarlierSchemas.h"
#include "PrivateDesktop.h"
#include "TestEnvironment.h"
#include "data/Billing.h"
#include "data/Schema.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QtTest>

namespace {

struct Result {
    int exitCode = -1;
    QString out;
    QString err;
};

// This week as the command line counts it, from the real clock the program reads.
QDate monday() {
    const QDate today = QDate::currentDate();
    return today.addDays(1 - today.dayOfWeek());
}

} // namespace

// quillhour --report and --status, run as a script would run them: the real program, with no
// display and settings of its own.
class ReportCommandTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void reportPrintsThisWeekByDefault();
    void groupingsFormatsAndFilters();
    void mistakesAreOneLineAndExitTwo();
    void statusListsTheUsersRunningTasks();
    void failedWritesAreSaidAndLeaveNoCutFile();
    void reportsOnlyReadTheDatabase();
    void billingFromTheCommandLine();

private:
    // standardOutput: a file to print into; fileSizeBlocks: a limit on the size of the files the
    // program writes, past which a write fails (EFBIG) as on a full disk.
    Result run(const QStringList& arguments, const QString& standardOutput = {},
               int fileSizeBlocks = 0) {
        QProcess process;
        if (!standardOutput.isEmpty()) {
            process.setStandardOutputFile(standardOutput, QIODevice::Append);
        }
        QProcessEnvironment environment = PrivateDesktop::environment(m_home->path());
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QLatin1String(name));
        }
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home->path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home->path());
        process.setProcessEnvironment(environment);
        const QString limit = QStringLiteral("trap '' XFSZ; ulimit -f %1; exec \"$0\" \"$@\"");
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{QStringLiteral("-c"),
                                  fileSizeBlocks > 0 ? limit.arg(fileSizeBlocks)
                                                     : QStringLiteral("exec \"$0\" \"$@\""),
                                  QStringLiteral(QUILLHOUR_BINARY)} +
                          arguments);
        if (!process.waitForFinished(60000)) {
            return {};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    void writeSettings(const QString& database, const QString& user) {
        QSettings settings(m_home->filePath(QStringLiteral("Quillhour/Quillhour.conf")),
                           QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("Database"), database);
        settings.setValue(QStringLiteral("User"), user);
    }

    std::unique_ptr<QTemporaryDir> m_home;
};

void ReportCommandTest::init() {
    m_home = std::make_unique<QTemporaryDir>();
}

void ReportCommandTest::reportPrintsThisWeekByDefault() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int design = env.addCategory(QStringLiteral("Design"));
    env.database().execute(QStringLiteral("update category set chargingRate = 45"));
    const QDate first = monday();
    // The stroke of midnight that opens the week, the last second of its Sunday, and the
    // seconds just outside it.
    const int midnight =
        env.addTime(design, ann, QDateTime(first, QTime(0, 0)), QDateTime(first, QTime(0, 20)), 20);
    const int last = env.addTime(design, ann, QDateTime(first.addDays(6), QTime(23, 59, 59)),
                                 QDateTime(first.addDays(7), QTime(0, 59, 59)), 60);
    env.addTime(design, ann, QDateTime(first.addDays(-1), QTime(23, 59, 59)),
                QDateTime(first, QTime(1, 0)), 61);
    env.addTime(design, ann, QDateTime(first.addDays(7), QTime(0, 0)),
                QDateTime(first.addDays(7), QTime(1, 0)), 60);
    env.addOpenTime(design, ann, QDateTime(first, QTime(9, 0))); // running: left out

    // The settings name the database.
    writeSettings(env.location(), QStringLiteral("Ann"));
    const Result week = run({QStringLiteral("--report")});
    QCOMPARE(week.exitCode, 0);
    QCOMPARE(week.err, QString());
    const QString day = first.toString(Qt::ISODate);
    const QString sunday = first.addDays(6).toString(Qt::ISODate);
    const QString monday = first.addDays(7).toString(Qt::ISODate);
    QCOMPARE(week.out,
             QStringLiteral("timeId,date,start,endDate,end,minutes,category,user,rate,amount,"
                            "billable,currency\r\n"
                            "%1,%2,00:00:00,%2,00:20:00,20,Design,Ann,45,15.00,yes,\r\n"
                            "%3,%4,23:59:59,%5,00:59:59,60,Design,Ann,45,45.00,yes,\r\n")
                 .arg(QString::number(midnight), day, QString::number(last), sunday, monday));

    // Nothing in the range: the header alone, and success.
    const Result empty =
        run({QStringLiteral("--report"), QStringLiteral("--from"), QStringLiteral("2001-01-01"),
             QStringLiteral("--to"), QStringLiteral("2001-01-31"), QStringLiteral("--database"),
             env.location()});
    QCOMPARE(empty.exitCode, 0);
    QCOMPARE(empty.out,
             QStringLiteral("timeId,date,start,endDate,end,minutes,category,user,rate,amount,"
                            "billable,currency\r\n"));
}

void ReportCommandTest::groupingsFormatsAndFilters() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int bob = env.addUser(QStringLiteral("Bob"));
    const int client = env.addCategory(QStringLiteral("Client"));
    const int design = env.addCategory(QStringLiteral("Design"), client);
    const int other = env.addCategory(QStringLiteral("Other"));
    env.database().execute(QStringLiteral("update category set chargingRate = categoryId * 10"));
    const QDate day(2026, 11, 2); // a Monday
    for (int i = 0; i < 30; ++i) {
        const QDateTime start(day.addDays(i % 20), QTime(8 + i % 9, (i * 7) % 60));
        env.addTime(i % 3 == 0   ? client
                    : i % 3 == 1 ? design
                                 : other,
                    i % 2 ? ann : bob, start, start.addSecs(60 * (10 + i)), 10 + i);
    }
    // The sums below round each row, as the team may choose to.
    Billing::setSetting(env.database(), Billing::RoundingSetting, QStringLiteral("row"));
    const QStringList range{
        QStringLiteral("--report"),  QStringLiteral("--database"), env.location(),
        QStringLiteral("--from"),    QStringLiteral("2026-11-02"), QStringLiteral("--to"),
        QStringLiteral("2026-11-15")};
    auto truth = [&](const QString& where, const QVariantList& params) {
        return env.database()
            .query(
                QStringLiteral("select sum(t.duration), "
                               "sum(round(cast(t.duration * c.chargingRate as numeric) / "
                               "60.0, 2)) from tallyRec t join category c on c.categoryId "
                               "= t.categoryId where t.startTime >= ? and t.startTime < ?") +
                    where,
                QVariantList{QDateTime(day, QTime(0, 0)), QDateTime(day.addDays(14), QTime(0, 0))} +
                    params)
            .values(0);
    };

    // Categories: own rows only, with their paths; Client's sub-category is counted apart.
    const Result categories =
        run(range + QStringList{QStringLiteral("--group"), QStringLiteral("category")});
    QCOMPARE(categories.exitCode, 0);
    const QStringList lines = categories.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.first(), QStringLiteral("category,path,minutes,hours,rate,amount,currency"));
    QCOMPARE(lines.size(), 4);
    const QVariantList own = truth(QStringLiteral(" and t.categoryId = ?"), {design});
    QCOMPARE(lines.at(2), QStringLiteral("Design,Client/Design,%1,%2,%3,%4,")
                              .arg(own.at(0).toLongLong())
                              .arg(own.at(0).toLongLong() / 60.0, 0, 'f', 2)
                              .arg(design * 10)
                              .arg(own.at(1).toDouble(), 0, 'f', 2));

    // One category takes its sub-categories with it; one user.
    const Result clientJson =
        run(range + QStringList{QStringLiteral("--category"), QStringLiteral("Client"),
                                QStringLiteral("--user"), QStringLiteral("Ann"),
                                QStringLiteral("--format"), QStringLiteral("json"),
                                QStringLiteral("--group"), QStringLiteral("day")});
    QCOMPARE(clientJson.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(clientJson.out.toUtf8()).object();
    QCOMPARE(root.value(QStringLiteral("group")).toString(), QStringLiteral("day"));
    const QVariantList clientTruth = truth(
        QStringLiteral(" and t.categoryId in (?, ?) and t.userId = ?"), {client, design, ann});
    const QJsonObject total = root.value(QStringLiteral("total")).toObject();
    QCOMPARE(total.value(QStringLiteral("minutes")).toInteger(), clientTruth.at(0).toLongLong());
    QCOMPARE(qRound64(total.value(QStringLiteral("amount")).toDouble() * 100),
             qRound64(clientTruth.at(1).toDouble() * 100));
    QVERIFY(!root.value(QStringLiteral("rows")).toArray().isEmpty());

    // Weeks by their Monday; users.
    const Result weeks =
        run(range + QStringList{QStringLiteral("--group"), QStringLiteral("week")});
    QVERIFY2(
        weeks.out.startsWith(QStringLiteral("date,minutes,hours,amount,currency\r\n2026-11-02,")),
        qPrintable(weeks.out));
    QVERIFY2(weeks.out.contains(QStringLiteral("\r\n2026-11-09,")), qPrintable(weeks.out));
    const Result users =
        run(range + QStringList{QStringLiteral("--group"), QStringLiteral("user")});
    const QVariantList bobs = truth(QStringLiteral(" and t.userId = ?"), {bob});
    QVERIFY2(users.out.contains(QStringLiteral("\r\nBob,%1,").arg(bobs.at(0).toLongLong())),
             qPrintable(users.out));

    // A calendar into a file: one event per row.
    const QString file = m_home->filePath(QStringLiteral("week.ics"));
    const Result calendar =
        run(range + QStringList{QStringLiteral("--format"), QStringLiteral("ics"),
                                QStringLiteral("--output"), file});
    QCOMPARE(calendar.exitCode, 0);
    QCOMPARE(calendar.out, QString());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray ics = written.readAll();
    QVERIFY(ics.startsWith("BEGIN:VCALENDAR\r\n"));
    QVERIFY(ics.endsWith("END:VCALENDAR\r\n"));
    const qint64 rows =
        env.count(QStringLiteral("tallyRec"), QStringLiteral("startTime >= ? and startTime < ?"),
                  {QDateTime(day, QTime(0, 0)), QDateTime(day.addDays(14), QTime(0, 0))});
    QCOMPARE(ics.count("BEGIN:VEVENT\r\n"), rows);
    QCOMPARE(ics.count("\r\nUID:"), rows);
}

void ReportCommandTest::mistakesAreOneLineAndExitTwo() {
    TestEnvironment env;
    env.addUser(QStringLiteral("Ann"));
    const int client = env.addCategory(QStringLiteral("Client"));
    const int clientDesign = env.addCategory(QStringLiteral("Design"), client);
    const int design = env.addCategory(QStringLiteral("Design"));
    const QStringList base{QStringLiteral("--report"), QStringLiteral("--database"),
                           env.location()};
    const QList<QStringList> mistakes = {
        {QStringLiteral("--user"), QStringLiteral("Nobody")},
        {QStringLiteral("--category"), QStringLiteral("Nothing")},
        {QStringLiteral("--category"), QStringLiteral("Design")}, // two are named so
        {QStringLiteral("--from"), QStringLiteral("2026-02-30")},
        {QStringLiteral("--to"), QStringLiteral("7/12/2026")},
        {QStringLiteral("--from"), QStringLiteral("2026-12-10"), QStringLiteral("--to"),
         QStringLiteral("2026-12-09")},
        {QStringLiteral("--group"), QStringLiteral("month")},
        {QStringLiteral("--format"), QStringLiteral("xml")},
        {QStringLiteral("--format"), QStringLiteral("ics"), QStringLiteral("--group"),
         QStringLiteral("user")},
        {QStringLiteral("--group"), QString()},
        {QStringLiteral("--format"), QString()},
        {QStringLiteral("--from"), QString()},
        {QStringLiteral("--output"), QString()},
    };
    for (const QStringList& mistake : mistakes) {
        const Result result = run(base + mistake);
        QVERIFY2(result.exitCode == 2, qPrintable(mistake.join(QLatin1Char(' '))));
        QCOMPARE(result.out, QString());
        QVERIFY2(result.err.startsWith(QStringLiteral("quillhour: ")) &&
                     result.err.count(QLatin1Char('\n')) == 1 && result.err.endsWith('\n'),
                 qPrintable(result.err));
    }
    // The ids tell categories of one name apart, roots too; a path tells the two apart.
    QCOMPARE(run(base + QStringList{QStringLiteral("--category"), QStringLiteral("Design")}).err,
             QStringLiteral("quillhour: \"Design\" names more than one category: %1 "
                            "(Client/Design), %2 (Design); give its id, as in --category %1\n")
                 .arg(clientDesign)
                 .arg(design));
    for (const QString& chosen : {QString::number(design), QStringLiteral("Client/Design")}) {
        QCOMPARE(run(base + QStringList{QStringLiteral("--category"), chosen}).exitCode, 0);
    }
    // --from alone runs to the end of this week: a later day is after that, not after a --to.
    const QString nextWeek = monday().addDays(7).toString(Qt::ISODate);
    const Result late = run(base + QStringList{QStringLiteral("--from"), nextWeek});
    QCOMPARE(late.exitCode, 2);
    QCOMPARE(late.err, QStringLiteral("quillhour: --from %1 is after %2, the Sunday of this week, "
                                      "where the report ends when --to is not given\n")
                           .arg(nextWeek, monday().addDays(6).toString(Qt::ISODate)));
    // The report's options without --report.
    QCOMPARE(run({QStringLiteral("--group"), QStringLiteral("user")}).exitCode, 2);
    // A database that is not there: not a mistake in what was asked, but a failure.
    if (!TestEnvironment::usesPostgres()) {
        const Result missing = run({QStringLiteral("--report"), QStringLiteral("--database"),
                                    env.folder() + QStringLiteral("/none.db")});
        QCOMPARE(missing.exitCode, 1);
        QVERIFY(missing.err.startsWith(QStringLiteral("quillhour: ")));
    }
}

void ReportCommandTest::statusListsTheUsersRunningTasks() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int bob = env.addUser(QStringLiteral("Bob"));
    const int design = env.addCategory(QStringLiteral("Design"));
    const int build = env.addCategory(QStringLiteral("Build"));
    writeSettings(env.location(), QStringLiteral("Ann"));

    Result none = run({QStringLiteral("--status")});
    QCOMPARE(none.exitCode, 0);
    QCOMPARE(none.out, QString());

    const QDateTime now = QDateTime::currentDateTime();
    env.addOpenTime(design, ann, now.addSecs(-75 * 60));
    env.addOpenTime(build, ann, now.addSecs(-(26 * 60 + 5) * 60));
    env.addOpenTime(build, bob, now.addSecs(-5 * 60));
    env.addTime(design, ann, now.addSecs(-3600), now, 60);
    const Result running = run({QStringLiteral("--status")});
    QCOMPARE(running.exitCode, 0);
    const QStringList lines = running.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    // Oldest first; the clock may have passed a minute boundary since the rows were written.
    QVERIFY2(lines.at(0) == QStringLiteral("Build\t26:05") ||
                 lines.at(0) == QStringLiteral("Build\t26:06"),
             qPrintable(lines.at(0)));
    QVERIFY2(lines.at(1) == QStringLiteral("Design\t01:15") ||
                 lines.at(1) == QStringLiteral("Design\t01:16"),
             qPrintable(lines.at(1)));

    // A name with a line break and a tab stays on its line, the tab before the time the only one.
    env.addOpenTime(env.addCategory(QStringLiteral("Web\nsite\tnew")), ann, now.addSecs(-60));
    const QStringList three = run({QStringLiteral("--status")}).out.split(QLatin1Char('\n'));
    QCOMPARE(three.size(), 4); // and the empty text after the last line break
    QVERIFY2(three.at(2).startsWith(QStringLiteral("Web\\nsite\\tnew\t")), qPrintable(three.at(2)));

    writeSettings(env.location(), QStringLiteral("Nobody"));
    const Result unknown = run({QStringLiteral("--status")});
    QCOMPARE(unknown.exitCode, 2);
    QCOMPARE(unknown.err.count(QLatin1Char('\n')), 1);
}

void ReportCommandTest::failedWritesAreSaidAndLeaveNoCutFile() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int design = env.addCategory(QStringLiteral("Design"));
    for (int i = 0; i < 60; ++i) {
        env.addTime(design, ann, QDateTime(QDate(2026, 11, 2), QTime(8, i)),
                    QDateTime(QDate(2026, 11, 2), QTime(9, i)), 60);
    }
    env.addOpenTime(design, ann, QDateTime::currentDateTime().addSecs(-600));
    writeSettings(env.location(), QStringLiteral("Ann"));
    const QStringList november{QStringLiteral("--report"),   QStringLiteral("--from"),
                               QStringLiteral("2026-11-01"), QStringLiteral("--to"),
                               QStringLiteral("2026-11-30"), QStringLiteral("--output")};
    auto read = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QString full = fullDevice(m_home->path());
    if (full.isEmpty()) {
        QSKIP("root may not make a device here, and /dev/full is not to be put at risk");
    }
    // A disk full from the start: the standard output, and a device named by --output.
    for (const QStringList& printing : {november.mid(0, 5), QStringList{"--status"}}) {
        QCOMPARE(run(printing, full).err, QStringLiteral("quillhour: the standard output could "
                                                         "not be written: The disk is full\n"));
    }
    const Result toDevice = run(november + QStringList{full});
    QCOMPARE(toDevice.exitCode, 1);
    QCOMPARE(toDevice.err, "quillhour: " + full + " could not be written: The disk is full\n");
    QVERIFY(!QFileInfo(full).isFile()); // still the device

    // One that fills part of the way: the file stays as it was, with nothing left beside it.
    const QString kept = m_home->filePath(QStringLiteral("kept.csv"));
    QFile old(kept);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("last month\n") > 0);
    old.close();
    const QStringList before = QDir(m_home->path()).entryList(QDir::Files | QDir::System);
    const Result cut = run(november + QStringList{kept}, {}, 1);
    QCOMPARE(cut.exitCode, 1);
    QVERIFY2(cut.err.startsWith("quillhour: " + kept + " could not be written: "),
             qPrintable(cut.err));
    QCOMPARE(read(kept), QByteArray("last month\n"));
    QCOMPARE(QDir(m_home->path()).entryList(QDir::Files | QDir::System), before);

    // The database, the files the engine keeps beside it and a link to it are refused.
    if (!TestEnvironment::usesPostgres()) {
        const QString db = env.databasePath();
        const QByteArray database = read(db);
        QFile::link(db, m_home->filePath(QStringLiteral("link.csv")));
        for (const QString& target : {db, db + "-wal", db + "-shm", db + "-journal",
                                      m_home->filePath(QStringLiteral("link.csv"))}) {
            const Result refused = run(november + QStringList{target});
            QVERIFY2(refused.exitCode == 2 && refused.err.contains("nothing was written"),
                     qPrintable(target + refused.err));
        }
        QCOMPARE(read(db), database);
        QVERIFY(!QFileInfo::exists(db + "-journal"));
    }
}

void ReportCommandTest::reportsOnlyReadTheDatabase() {
    TestEnvironment env;
    // A database of an earlier version, which opening it to work in would bring up to date, in
    // a file and a folder the person may only read.
    const QString folder = m_home->filePath(QStringLiteral("shared"));
    QDir().mkpath(folder);
    const QString location = TestEnvironment::usesPostgres() ? env.newLocation(QString())
                                                             : folder + QStringLiteral("/team.db");
    EarlierSchemas::create(location, 2);
    {
        QSqlDatabase db = EarlierSchemas::connect(location, QStringLiteral("earlier"));
        for (const char* row : {"insert into \"user\" (userName) values ('Ann')",
                                "insert into category (category) values ('Design')",
                                "insert into tallyRec (startTime, categoryId, userId) values "
                                "('2026-01-05 09:00:00', 1, 1)"}) {
            EarlierSchemas::run(db, QLatin1String(row));
        }
        db.close();
    }
    EarlierSchemas::close(QStringLiteral("earlier"));
    QFile::setPermissions(location, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    writeSettings(location, QStringLiteral("Ann"));

    const Result report = run({QStringLiteral("--report")});
    QCOMPARE(report.err + QString::number(report.exitCode), QStringLiteral("0"));
    const Result status = run({QStringLiteral("--status")});
    QVERIFY2(status.out.startsWith(QStringLiteral("Design\t")), qPrintable(status.err));
    const Result check = run({QStringLiteral("--check-database"), location});
    QVERIFY2(check.out.contains(QStringLiteral("- schema version 2: ok")), qPrintable(check.out));
    QCOMPARE(check.exitCode, 0);
    QCOMPARE(Schema::version(*Database::openReadOnly(location)), 2);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).join(','),
             TestEnvironment::usesPostgres() ? QString() : QStringLiteral("team.db"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A rate from a day on, the team's currency and a closed quarter, set from the command line,
// and what the report then carries.
void ReportCommandTest::billingFromTheCommandLine() {
    TestEnvironment env;
    const int ann = env.addUser(QStringLiteral("Ann"));
    const int support = env.addCategory(QStringLiteral("Support"), 0, ann);
    env.database().execute(QStringLiteral("update category set chargingRate = 60"));
    env.addTime(support, ann, QDateTime(QDate(2026, 1, 5), QTime(9, 0)),
                QDateTime(QDate(2026, 1, 5), QTime(10, 0)), 60);
    env.addTime(support, ann, QDateTime(QDate(2026, 7, 6), QTime(9, 0)),
                QDateTime(QDate(2026, 7, 6), QTime(10, 0)), 60);
    writeSettings(env.location(), QStringLiteral("Ann"));

    const Result rate =
        run({QStringLiteral("--set-rate"), QStringLiteral("Support"), QStringLiteral("70"),
             QStringLiteral("--from"), QStringLiteral("2026-07-01")});
    QCOMPARE(rate.err, QString());
    QCOMPARE(rate.out, QStringLiteral("The rate of Support is 70.00 from 2026-07-01 on.\n"));
    QCOMPARE(run({QStringLiteral("--set-currency"), QStringLiteral("EUR")}).exitCode, 0);
    QCOMPARE(run({QStringLiteral("--set-currency"), QStringLiteral("euro")}).exitCode, 2);

    const QString csv = m_home->filePath(QStringLiteral("year.csv"));
    const Result year = run(
        {QStringLiteral("--report"), QStringLiteral("--group"), QStringLiteral("category"),
         QStringLiteral("--from"), QStringLiteral("2026-01-01"), QStringLiteral("--to"),
         QStringLiteral("2026-12-31"), QStringLiteral("--bom"), QStringLiteral("--output"), csv});
    QCOMPARE(year.exitCode, 0);
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    // 60 minutes at 60.00 and 60 at 70.00: the earlier hour keeps its rate.
    QCOMPARE(written.readAll(), QByteArray("\xEF\xBB\xBF"
                                           "category,path,minutes,hours,rate,amount,currency\r\n"
                                           "Support,Support,120,2.00,70,130.00,EUR\r\n"));

    const Result close = run({QStringLiteral("--close-period"), QStringLiteral("2026-03-31"),
                              QStringLiteral("--category"), QStringLiteral("Support")});
    QCOMPARE(close.err, QString());
    QCOMPARE(close.exitCode, 0);
    const Result reaching =
        run({QStringLiteral("--set-rate"), QStringLiteral("Support"), QStringLiteral("80"),
             QStringLiteral("--from"), QStringLiteral("2026-02-01")});
    QCOMPARE(reaching.exitCode, 1);
    QVERIFY2(reaching.err.contains(QStringLiteral("would change amounts already closed")),
             qPrintable(reaching.err));
}

QTEST_GUILESS_MAIN(ReportCommandTest)
#include "tst_reportcommand.moc"
