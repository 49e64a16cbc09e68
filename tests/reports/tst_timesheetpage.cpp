#include "SubsystemFixture.h"
#include "data/Billing.h"
#include "data/TimeText.h"
#include "data/user.h"
#include "reports/Timesheet.h"
#include "reports/TimesheetModel.h"
#include "reports/TimesheetPage.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

namespace {

QDateTime at(int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

// The Timesheet page and its subsystem, built from a workspace with no main window around them;
// printing goes to a PDF file in the test's folder instead of a print dialog.
struct Sheet {
    explicit Sheet(SubsystemFixture& f)
        : page(new TimesheetPage(f.window.get()))
        , timesheet(new Timesheet(
              f.work, *page,
              [&f, this](QPrinter& printer) {
                  ++printed;
                  printer.setOutputFormat(QPrinter::PdfFormat);
                  printer.setOutputFileName(f.folder() + QStringLiteral("/printed.pdf"));
                  return true;
              },
              f.window.get())) {}

    template <typename Control>
    Control* find(const char* name) {
        auto* found = page->findChild<Control*>(QLatin1String(name));
        [&] { QVERIFY2(found != nullptr, name); }();
        return found;
    }
    QString cell(int row, int column, const QModelIndex& parent = {}) {
        const QAbstractItemModel* model = find<QTreeView>("timesheetGrid")->model();
        return model->data(model->index(row, column, parent)).toString();
    }

    TimesheetPage* page;
    Timesheet* timesheet;
    int printed = 0;
};

// The sum the database gives for the finished rows that start in a range of days.
qint64 minutesIn(TestEnvironment& env, const QDate& from, const QDate& to,
                 const QString& where = {}, const QVariantList& params = {}) {
    return env.database()
        .scalar(QStringLiteral("select sum(duration) from tallyRec where endTime is not null "
                               "and startTime >= ? and startTime < ?") +
                    where,
                QVariantList{QDateTime(from, QTime(0, 0)), QDateTime(to.addDays(1), QTime(0, 0))} +
                    params)
        .toLongLong();
}

} // namespace

// The Timesheet page driven through its controls, found by their names: ranges, the user and
// category lists, grouping, running tasks, the totals, and each export.
class TimesheetPageTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)); }
    void controlsChooseWhatIsShown();
    void exportsWriteWhatThePageShows();
    void headingSaysWhatIsCoveredAndFailedExportsAreSaid();
    void importAddsAFileAsTheUsersOwnTime();
};

void TimesheetPageTest::controlsChooseWhatIsShown() {
    SubsystemFixture f; // the clock stands at Monday 7 December 2026, 10:00
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int client = f.addCategory(QStringLiteral("Client"));
    const int design = f.addCategory(QStringLiteral("Design"), client);
    f.database().execute(QStringLiteral("update category set chargingRate = 60"));
    f.addTime(client, ann, at(12, 7, 0), at(12, 7, 1), 60);          // this week, at midnight
    f.addTime(design, bob, at(12, 8, 9), at(12, 8, 9, 30), 30);      // this week
    f.addTime(design, ann, at(12, 6, 23, 59), at(12, 7, 0, 59), 60); // last week's Sunday
    f.addTime(design, ann, at(11, 10, 9), at(11, 10, 11), 120);      // last month
    f.addOpenTime(design, bob, at(12, 7, 9, 15));                    // running: 45 minutes
    Sheet s(f);
    s.timesheet->loadTimesheet();

    // This week from Monday (the locale's first day): Client with Design rolled up into it.
    QCOMPARE(s.find<QPushButton>("cmdTimesheetFrom")->text(), QStringLiteral("07 Dec 2026"));
    QVERIFY(!s.find<QPushButton>("cmdTimesheetFrom")->isEnabled());
    QCOMPARE(s.cell(0, TimesheetModel::NameColumn), QStringLiteral("Client"));
    QCOMPARE(s.cell(0, TimesheetModel::TimeColumn), QStringLiteral("01:30"));
    QCOMPARE(s.cell(0, TimesheetModel::HoursColumn), QStringLiteral("1.50"));
    QCOMPARE(s.cell(0, TimesheetModel::AmountColumn), QStringLiteral("£90.00"));
    const QAbstractItemModel* grid = s.find<QTreeView>("timesheetGrid")->model();
    QCOMPARE(s.cell(0, TimesheetModel::TimeColumn, grid->index(0, 0)), QStringLiteral("00:30"));
    QCOMPARE(s.find<QLabel>("lblTimesheetTotal")->text(),
             QStringLiteral("Total: 01:30 (1.50 hours), £90.00"));
    QCOMPARE(s.timesheet->model().totals().minutes,
             minutesIn(f, QDate(2026, 12, 7), QDate(2026, 12, 13)));

    // Running tasks up to now.
    s.find<QCheckBox>("chkTimesheetRunning")->setChecked(true);
    QCOMPARE(s.cell(0, TimesheetModel::TimeColumn), QStringLiteral("02:15"));
    s.find<QCheckBox>("chkTimesheetRunning")->setChecked(false);

    // One user, grouped by day.
    auto* users = s.find<QComboBox>("cboTimesheetUser");
    QCOMPARE(users->itemText(0), QStringLiteral("- All -"));
    users->setCurrentIndex(users->findText(QStringLiteral("Ann")));
    s.find<QComboBox>("cboTimesheetGroup")->setCurrentIndex(TimesheetPage::ByDay);
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(s.cell(0, TimesheetModel::NameColumn), QStringLiteral("07 Dec 2026"));
    QCOMPARE(s.timesheet->model().totals().minutes,
             minutesIn(f, QDate(2026, 12, 7), QDate(2026, 12, 13),
                       QStringLiteral(" and userId = ?"), {ann}));

    // Last week, everyone, the sub-category alone.
    users->setCurrentIndex(0);
    auto* categories = s.find<QComboBox>("cboTimesheetCategory");
    categories->setCurrentIndex(categories->findData(design));
    QCOMPARE(categories->currentText(), QStringLiteral("    Design"));
    s.find<QComboBox>("cboTimesheetRange")->setCurrentIndex(TimesheetPage::LastWeek);
    QCOMPARE(s.find<QPushButton>("cmdTimesheetTo")->text(), QStringLiteral("06 Dec 2026"));
    QCOMPARE(s.timesheet->model().totals().minutes, 60);

    // Days chosen with the date picker: November, by category.
    categories->setCurrentIndex(0);
    s.find<QComboBox>("cboTimesheetGroup")->setCurrentIndex(TimesheetPage::ByCategory);
    s.find<QComboBox>("cboTimesheetRange")->setCurrentIndex(TimesheetPage::FromTo);
    QVERIFY(s.find<QPushButton>("cmdTimesheetFrom")->isEnabled());
    f.messages.chooseDate(QDate(2026, 11, 1));
    s.find<QPushButton>("cmdTimesheetFrom")->click();
    f.messages.chooseDate(QDate(2026, 11, 30));
    s.find<QPushButton>("cmdTimesheetTo")->click();
    QCOMPARE(s.timesheet->model().totals().minutes, 120);
    QCOMPARE(s.timesheet->model().totals().amountCents, 12000);
    // A first day after the last moves the last along.
    f.messages.chooseDate(QDate(2026, 12, 20));
    s.find<QPushButton>("cmdTimesheetFrom")->click();
    QCOMPARE(s.find<QPushButton>("cmdTimesheetTo")->text(), QStringLiteral("20 Dec 2026"));
    QCOMPARE(grid->rowCount(), 0);
    QCOMPARE(f.messages.unexpected(), 0);
}

void TimesheetPageTest::exportsWriteWhatThePageShows() {
    SubsystemFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    f.database().execute(QStringLiteral("update category set chargingRate = 45"));
    f.addTime(design, ann, at(12, 7, 8), at(12, 7, 9, 30), 90);
    f.addTime(design, ann, at(12, 9, 13), at(12, 9, 13, 20), 20);
    Sheet s(f);
    s.timesheet->loadTimesheet();

    auto read = [](const QString& path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    };
    const QString csv = f.folder() + QStringLiteral("/week.csv");
    f.messages.chooseFile(csv);
    s.find<QAction>("actTimesheetCsv")->trigger();
    QCOMPARE(read(csv), QByteArray("category,path,minutes,hours,rate,amount,currency\r\n"
                                   "Design,Design,110,1.83,45,82.50,\r\n"));
    QVERIFY(f.messages.lastFileFilter().contains(QStringLiteral("*.csv")));
    QVERIFY(f.messages.lastSuggestedFile().endsWith(
        QStringLiteral("timesheet-2026-12-07-2026-12-13.csv")));
    // In the team's currency, with the mark a spreadsheet needs to read UTF-8.
    Billing::setSetting(f.database(), Billing::CurrencySetting, QStringLiteral("EUR"));
    s.timesheet->showTimesheet();
    s.find<QCheckBox>("chkTimesheetBom")->setChecked(true);
    f.messages.chooseFile(csv);
    s.find<QAction>("actTimesheetCsv")->trigger();
    QCOMPARE(read(csv), QByteArray("\xEF\xBB\xBF"
                                   "category,path,minutes,hours,rate,amount,currency\r\n"
                                   "Design,Design,110,1.83,45,82.50,EUR\r\n"));

    s.find<QComboBox>("cboTimesheetGroup")->setCurrentIndex(TimesheetPage::ByWeek);
    const QString json = f.folder() + QStringLiteral("/week.json");
    f.messages.chooseFile(json);
    s.find<QAction>("actTimesheetJson")->trigger();
    const QJsonObject root = QJsonDocument::fromJson(read(json)).object();
    QCOMPARE(root.value(QStringLiteral("group")).toString(), QStringLiteral("week"));
    QCOMPARE(
        root.value(QStringLiteral("total")).toObject().value(QStringLiteral("minutes")).toInt(),
        110);

    // The calendar holds the time rows themselves, whatever the grouping.
    const QString ics = f.folder() + QStringLiteral("/week.ics");
    f.messages.chooseFile(ics);
    s.find<QAction>("actTimesheetICalendar")->trigger();
    QCOMPARE(read(ics).count("BEGIN:VEVENT"), 2);

    const QString pdf = f.folder() + QStringLiteral("/week.pdf");
    f.messages.chooseFile(pdf);
    s.find<QAction>("actTimesheetPdf")->trigger();
    QVERIFY(read(pdf).startsWith("%PDF"));
    s.find<QAction>("actTimesheetPrint")->trigger();
    QCOMPARE(s.printed, 1);
    QVERIFY(read(f.folder() + QStringLiteral("/printed.pdf")).startsWith("%PDF"));

    // Cancelling the file picker writes nothing.
    f.messages.chooseFile(std::nullopt);
    s.find<QAction>("actTimesheetCsv")->trigger();
    QCOMPARE(f.messages.unexpected(), 0);
    QVERIFY(f.messages.shown().isEmpty());
}

void TimesheetPageTest::headingSaysWhatIsCoveredAndFailedExportsAreSaid() {
    SubsystemFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int client = f.addCategory(QStringLiteral("Client"));
    const int design = f.addCategory(QStringLiteral("Design"), client);
    f.addTime(design, ann, at(12, 7, 8), at(12, 7, 9), 60);
    Sheet s(f);
    s.timesheet->loadTimesheet();
    QCOMPARE(s.timesheet->heading(),
             QStringList({"Timesheet 07 Dec 2026 to 13 Dec 2026", "User: everyone", "Category: all",
                          "Running tasks: left out"}));
    auto* users = s.find<QComboBox>("cboTimesheetUser");
    users->setCurrentIndex(users->findData(ann));
    auto* categories = s.find<QComboBox>("cboTimesheetCategory");
    categories->setCurrentIndex(categories->findData(design));
    s.find<QCheckBox>("chkTimesheetRunning")->setChecked(true);
    QCOMPARE(s.timesheet->heading().mid(1),
             QStringList({"User: Ann", "Category: Client/Design",
                          "Running tasks: included, counted up to " +
                              TimeText::defaultText(f.clock.now())}));

    // A full disk: said, for each export.
    const QString full = fullDevice(f.folder());
    if (full.isEmpty()) {
        QSKIP("root may not make a device here, and /dev/full is not to be put at risk");
    }
    for (const char* exportAction :
         {"actTimesheetCsv", "actTimesheetICalendar", "actTimesheetJson", "actTimesheetPdf"}) {
        f.messages.clear();
        f.messages.chooseFile(full);
        s.find<QAction>(exportAction)->trigger();
        QCOMPARE(f.messages.texts(), QStringList("The timesheet could not be saved as " + full +
                                                 ": The disk is full. Nothing was written there."));
        QCOMPARE(f.messages.last().icon, Messages::Icon::Critical);
    }
    QVERIFY(!QFileInfo(full).isFile());
}

void TimesheetPageTest::importAddsAFileAsTheUsersOwnTime() {
    SubsystemFixture f;
    user ann(f.context());
    ann.userId = f.addUser(QStringLiteral("Ann"));
    ann.userName = QStringLiteral("Ann");
    f.state.currentUser = &ann;
    const int client = f.addCategory(QStringLiteral("Client"));
    Sheet s(f);
    s.timesheet->loadTimesheet();
    const QString path = f.folder() + QStringLiteral("/before.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("start,end,category\n2026-12-07 08:00,2026-12-07 09:30,Client\n"
               "2026-12-07 09:00,2026-12-07 08:00,Client/Review\n");
    file.close();

    // What it would add is shown first; No adds nothing.
    f.messages.chooseFile(path);
    f.messages.answerNo();
    s.find<QPushButton>("cmdTimesheetImport")->click();
    QVERIFY2(f.messages.last().text.startsWith(
                 QStringLiteral("line 3: The end must be after the start.\nRead 2 rows: 1 would "
                                "be made, 0 skipped as duplicates, 1 refused; nothing was "
                                "written.\n")),
             qPrintable(f.messages.last().text));
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);

    f.messages.chooseFile(path);
    f.messages.answerYes();
    s.find<QPushButton>("cmdTimesheetImport")->click();
    QCOMPARE(f.messages.last().text,
             QStringLiteral("Read 2 rows: made 1, skipped 0 as duplicates, refused 1."));
    QCOMPARE(f.count(QStringLiteral("tallyRec"),
                     QStringLiteral("userId = ? and categoryId = ? and duration = 90"),
                     {ann.userId, client}),
             1);
    QCOMPARE(f.count(QStringLiteral("category")), 1); // none made for the refused row
    QCOMPARE(s.cell(0, TimesheetModel::TimeColumn), QStringLiteral("01:30"));
}

QTEST_MAIN(TimesheetPageTest)
#include "tst_timesheetpage.moc"
