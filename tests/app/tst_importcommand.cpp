#include "PrivateDesktop.h"
#include "RealProgram.h"
#include "TestEnvironment.h"
#include "data/CategoryPaths.h"

#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

// quillhour --import as a person brings the time of the tracker they used before: the real
// program on files written here after the formats' own descriptions.
class ImportCommandTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void csvOfOtherTrackers();
    void timewarriorExport();
    void iCalendarOfTodosAndEvents();
    void hamsterDatabase();

private:
    // format: the file's suffix; ics is imported as ical.
    CommandResult import(const QString& format, const QByteArray& contents, QStringList more = {}) {
        const QString file = m_home->filePath(QStringLiteral("time.") + format);
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(contents);
        out.close();
        const QString named = format == QLatin1String("ics") ? QStringLiteral("ical") : format;
        return runCommand(m_home->path(),
                          QStringList{"--import", named, file, "--database", m_env->location()} +
                              more);
    }
    // Ann's rows as "path start end minutes", in order of their start.
    QStringList rows() {
        const CategoryPaths paths(m_env->database());
        QStringList found;
        for (const Row row : m_env->database().query(
                 QStringLiteral("select categoryId, startTime, endTime, duration from tallyRec "
                                "where userId = ? order by startTime"),
                 {m_ann})) {
            found.append(QStringLiteral("%1 %2 %3 %4")
                             .arg(paths.path(row.integer(0)),
                                  row.dateTime(1).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                  row.dateTime(2).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
                             .arg(row.integer(3)));
        }
        return found;
    }

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<TestEnvironment> m_env;
    int m_ann = 0;
};

void ImportCommandTest::init() {
    m_home = std::make_unique<QTemporaryDir>();
    PrivateDesktop::makeFolders(m_home->path());
    m_env = std::make_unique<TestEnvironment>();
    m_ann = m_env->addUser(QStringLiteral("Ann"));
    m_env->addUser(QStringLiteral("Bob"));
    QSettings settings(m_home->filePath(QStringLiteral("config/Quillhour/Quillhour.conf")),
                       QSettings::IniFormat);
    settings.setValue(QStringLiteral("Settings/User"), QStringLiteral("Ann"));
}

void ImportCommandTest::csvOfOtherTrackers() {
    // Toggl's columns: a client and project make the path, a duration as hh:mm:ss. A name with
    // a comma, quotes and letters beyond Latin; an end time past midnight; a moment with an
    // offset; a row twice; a row with no start; someone else's row.
    const QString utcStart = QDateTime(QDate(2026, 11, 2), QTime(8, 0), QTimeZone::utc())
                                 .toLocalTime()
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QByteArray toggl =
        "\xEF\xBB\xBFUser,Email,Client,Project,Description,Start date,Start time,End date,"
        "End time,Duration\r\n"
        "Ann,ann@example.org,\"Acme, Inc.\",\"Site \"\"Ωμέγα\"\"\",,2026-11-01,23:30:00,,"
        "00:15:00,00:45:00\r\n"
        "Ann,,Acme,Build,,2026-11-02T08:00:00Z,,,,01:30:00\r\n"
        "Ann,,Acme,Build,,2026-11-02T08:00:00Z,,,,01:30:00\r\n"
        "Ann,,Acme,Build,,,,,,01:00:00\r\n"
        "Bob,,Acme,Build,,2026-11-03,09:00:00,2026-11-03,10:00:00,01:00:00\r\n";
    const CommandResult first = import(QStringLiteral("csv"), toggl);
    QCOMPARE(first.err, QString());
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.out, QStringLiteral("line 5: the start is not a date and time\n"
                                       "line 6: the time of Bob, who imports it themselves\n"
                                       "Read 5 rows: made 2, skipped 1 as duplicates, refused "
                                       "2.\n"));
    const QDateTime buildEnd = QDateTime::fromString(utcStart, "yyyy-MM-dd HH:mm:ss").addSecs(5400);
    QCOMPARE(rows(),
             (QStringList{"Acme, Inc./Site \"Ωμέγα\" 2026-11-01 23:30:00 2026-11-02 00:15:00 45",
                          "Acme/Build " + utcStart + " " +
                              buildEnd.toString("yyyy-MM-dd HH:mm:ss") + " 90"}));

    // Again: nothing more. A dry run of a new file writes nothing either.
    QVERIFY(import(QStringLiteral("csv"), toggl)
                .out.endsWith(QStringLiteral("made 0, skipped 3 as duplicates, refused 2.\n")));
    const QByteArray kimai = "Date;From;To;Duration;Customer;Project;Activity;User\n"
                             "07.11.2026;9:00;17:00;8:00;Acme;Build;Review;Ann\n";
    const CommandResult dry = import(QStringLiteral("csv"), kimai, {"--dry-run"});
    QCOMPARE(dry.out, QStringLiteral("Read 1 rows: 1 would be made, 0 skipped as duplicates, "
                                     "0 refused; nothing was written.\n"));
    QCOMPARE(m_env->count(QStringLiteral("tallyRec")), 2);
    QCOMPARE(m_env->count(QStringLiteral("category")), 4);

    // A file that names no columns it can use is refused whole.
    const CommandResult wrong = import(QStringLiteral("csv"), "a,b\n1,2\n");
    QCOMPARE(wrong.exitCode, 2);
    QCOMPARE(m_env->count(QStringLiteral("tallyRec")), 2);
}

void ImportCommandTest::timewarriorExport() {
    // As timew export writes them: UTC moments, tags; one interval across midnight UTC, one
    // still open, one without tags, and a tag the map sends to a path.
    const QByteArray intervals = R"([
{"id":4,"start":"20261130T223000Z","end":"20261201T003000Z","tags":["design","acme"]},
{"id":3,"start":"20261201T090000Z","end":"20261201T091500Z","tags":["Ü-Büro, \"Nord\""]},
{"id":2,"start":"20261201T100000Z","end":"20261201T101000Z"},
{"id":1,"start":"20261201T120000Z","tags":["design"]}
])";
    const QString map = m_home->filePath(QStringLiteral("tags.map"));
    QFile mapFile(map);
    mapFile.open(QIODevice::WriteOnly);
    mapFile.write("# tag = category\ndesign = Clients/Acme/Design\n");
    mapFile.close();
    const CommandResult first = import(QStringLiteral("timewarrior"), intervals, {"--map", map});
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.out, QStringLiteral("line 3: the interval has no tag to name its category\n"
                                       "line 4: the interval is still open\n"
                                       "Read 4 rows: made 2, skipped 0 as duplicates, refused "
                                       "2.\n"));
    const auto local = [](int day, int hour, int minute) {
        return QDateTime(QDate(2026, day == 30 ? 11 : 12, day), QTime(hour, minute),
                         QTimeZone::utc())
            .toLocalTime()
            .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    QCOMPARE(
        rows(),
        (QStringList{"Clients/Acme/Design " + local(30, 22, 30) + " " + local(1, 0, 30) + " 120",
                     "Ü-Büro, \"Nord\" " + local(1, 9, 0) + " " + local(1, 9, 15) + " 15"}));
    QVERIFY(import(QStringLiteral("timewarrior"), intervals, {"--map", map})
                .out.endsWith(QStringLiteral("made 0, skipped 2 as duplicates, refused 2.\n")));
    QCOMPARE(m_env->count(QStringLiteral("tallyRec")), 2);
}

void ImportCommandTest::iCalendarOfTodosAndEvents() {
    // To-dos as categories (one under another), events on them: in UTC, in a named zone,
    // floating (local), with a duration, on a folded line, with an escaped comma, and one with
    // no end.
    const QByteArray calendar =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example//Tracker//EN\r\n"
        "BEGIN:VTODO\r\nUID:t1\r\nSUMMARY:Kunden\\, Süd\r\nEND:VTODO\r\n"
        "BEGIN:VTODO\r\nUID:t2\r\nRELATED-TO:t1\r\nSUMMARY:Ent\r\n wurf\r\nEND:VTODO\r\n"
        "BEGIN:VEVENT\r\nUID:e1\r\nRELATED-TO:t2\r\nDTSTART:20261201T230000Z\r\n"
        "DTEND:20261202T000000Z\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:e2\r\nRELATED-TO:t2\r\nDTSTART;TZID=America/New_York:"
        "20261202T090000\r\nDURATION:PT1H30M\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:e3\r\nSUMMARY:Admin\r\nDTSTART:20261203T080000\r\n"
        "DTEND:20261203T081500\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:e4\r\nRELATED-TO:t1\r\nDTSTART:20261204T080000Z\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    const CommandResult first = import(QStringLiteral("ics"), calendar, {});
    QCOMPARE(first.out.section(QLatin1Char('\n'), -2), // the last line
             QStringLiteral("Read 4 rows: made 3, skipped 0 as duplicates, refused 1.\n"));
    QVERIFY2(first.out.startsWith(QStringLiteral("line 32: ")), qPrintable(first.out));
    const auto local = [](const QDateTime& moment) {
        return moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    const QDateTime newYork(QDate(2026, 12, 2), QTime(9, 0), QTimeZone("America/New_York"));
    QCOMPARE(rows().size(), 3);
    QVERIFY(rows().contains(
        "Kunden, Süd/Entwurf " +
        local(QDateTime(QDate(2026, 12, 1), QTime(23, 0), QTimeZone::utc())) + " " +
        local(QDateTime(QDate(2026, 12, 2), QTime(0, 0), QTimeZone::utc())) + " 60"));
    QVERIFY(rows().contains("Kunden, Süd/Entwurf " + local(newYork) + " " +
                            local(newYork.addSecs(5400)) + " 90"));
    QVERIFY(rows().contains(QStringLiteral("Admin 2026-12-03 08:00:00 2026-12-03 08:15:00 15")));
    QVERIFY(import(QStringLiteral("ics"), calendar, {})
                .out.endsWith(QStringLiteral("made 0, skipped 3 as duplicates, refused 1.\n")));
}

void ImportCommandTest::hamsterDatabase() {
    // Hamster's tables as it makes them: categories, their activities, and facts on those.
    const QString path = m_home->filePath(QStringLiteral("hamster.db"));
    {
        QSqlDatabase hamster = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "hamster");
        hamster.setDatabaseName(path);
        QVERIFY(hamster.open());
        QSqlQuery sql(hamster);
        for (const char* statement :
             {"create table categories (id integer primary key, name varchar2(500) default '', "
              "color_code varchar2(50), category_order integer, search_name varchar2)",
              "create table activities (id integer primary key, name varchar2(500), work integer, "
              "activity_order integer, deleted integer, category_id integer, "
              "search_name varchar2)",
              "create table facts (id integer primary key, activity_id integer, start_time "
              "timestamp, end_time timestamp, description varchar2)",
              "insert into categories (id, name) values (1, 'Работа')",
              "insert into activities (id, name, category_id) values (1, 'Code, \"review\"', 1)",
              "insert into activities (id, name, category_id) values (2, 'Lunch', -1)",
              "insert into facts values (1, 1, '2026-12-01 23:30:00', '2026-12-02 00:45:00', '')",
              "insert into facts values (2, 2, '2026-12-02 12:00:00', '2026-12-02 12:30:00', '')",
              "insert into facts values (3, 1, '2026-12-03 09:00:00', null, '')"}) {
            QVERIFY2(sql.exec(QString::fromUtf8(statement)), qPrintable(sql.lastError().text()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("hamster"));
    const QStringList arguments{"--import", "hamster", path, "--database", m_env->location()};
    const CommandResult first = runCommand(m_home->path(), arguments);
    QCOMPARE(first.out, QStringLiteral("line 3: the fact is still running\n"
                                       "Read 3 rows: made 2, skipped 0 as duplicates, refused "
                                       "1.\n"));
    QCOMPARE(rows(),
             (QStringList{"Работа/Code, \"review\" 2026-12-01 23:30:00 2026-12-02 00:45:00 75",
                          "Lunch 2026-12-02 12:00:00 2026-12-02 12:30:00 30"}));
    QVERIFY(runCommand(m_home->path(), arguments)
                .out.endsWith(QStringLiteral("made 0, skipped 2 as duplicates, refused 1.\n")));
}

QTEST_MAIN(ImportCommandTest)
#include "tst_importcommand.moc"
