#include "MainWindowFixture.h"
#include "categories/CategoryTree.h"
#include "data/TimeCorrection.h"
#include "data/TimeText.h"
#include "reports/ReportsPage.h"
#include "reports/TimeRecordsGrid.h"
#include "tracking/TasksPage.h"
#include "tracking/TimeEntryEditor.h"
#include "tracking/frmTimeEntry.h"
#include "widgets/KeyedTree.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimeEdit>
#include <QtTest>

namespace {

QDateTime at(int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

QString stamp(const QVariant& stored) {
    const QDateTime moment = TimeText::fromStorage(stored);
    return moment.isValid() ? moment.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                            : QStringLiteral("-");
}

QString number(const QVariant& value) {
    return value.isNull() ? QStringLiteral("-") : value.toString();
}

// The trail as rows of text: row, whose, by, when, kind, old start, end, minutes, category, and
// the same new.
QStringList trail(Database& db) {
    QStringList lines;
    const ResultSet rows = db.query(QStringLiteral(
        "select timeId, userId, changedByUserId, changeDate, kind, oldStartTime, oldEndTime, "
        "oldDuration, oldCategoryId, newStartTime, newEndTime, newDuration, newCategoryId "
        "from tallyRecChange order by tallyRecChangeId"));
    for (const Row row : rows) {
        lines.append(QStringList{number(row.value(0)), number(row.value(1)), number(row.value(2)),
                                 stamp(row.value(3)), row.text(4), stamp(row.value(5)),
                                 stamp(row.value(6)), number(row.value(7)), number(row.value(8)),
                                 stamp(row.value(9)), stamp(row.value(10)), number(row.value(11)),
                                 number(row.value(12))}
                         .join(QLatin1Char(' ')));
    }
    return lines;
}

// The stored row: start, end, minutes and category.
QString stored(Database& db, int timeId) {
    const ResultSet rows = db.query(QStringLiteral("select startTime, endTime, duration, "
                                                   "categoryId from tallyRec where timeId = ?"),
                                    {timeId});
    if (rows.isEmpty()) {
        return QStringLiteral("gone");
    }
    const Row row = rows.first();
    return QStringList{stamp(row.value(0)), stamp(row.value(1)), number(row.value(2)),
                       number(row.value(3))}
        .join(QLatin1Char(' '));
}

QTableView* gridOf(MainWindowFixture& f) {
    return f.control<QTableView>(QStringLiteral("grid"));
}

} // namespace

// Correcting recorded time from the main window: a finished row edited by its user or its
// category's manager (and by nobody else), moved to another category, past time added across
// midnight, a running task's start moved back; every change kept in the trail, and the row's
// user told when someone else made it.
class TimeCorrectionTest : public QObject {
    Q_OBJECT

private slots:
    void ownRowEdited();
    void managerEditsAndTheUserIsNotified();
    void thirdUserOnlySeesWhoMay();
    void rowMovedToAnotherCategory();
    void pastEntryAcrossMidnight();
    void runningStartMovedBack();
    void anotherUsersMovedStartIsSeen();
    void deletionsAreKept();
    void savingNothingWritesNothing();
    void correctingEdges();
};

void TimeCorrectionTest::ownRowEdited() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int row = f.addTime(design, ann, at(5, 9, 0, 37), at(5, 10, 0), 60);
    QVERIFY(f.load());

    frmTimeEntry* dialog = f.openFirstTimeRow();
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Edit Time"));
    QVERIFY(dialog->lblRights->isHidden());
    QVERIFY(!dialog->cmdSave->isHidden());
    QCOMPARE(dialog->dtpDate->date(), QDate(2026, 12, 5));
    QCOMPARE(dialog->txtStartTime->time(), QTime(9, 0));
    QCOMPARE(dialog->txtEndTime->time(), QTime(10, 0));
    QCOMPARE(dialog->txtMinutes->value(), 60);
    QCOMPARE(dialog->cboCategory->currentData().toInt(), design);

    // An earlier start: the duration follows, and the end stays to the second.
    dialog->txtStartTime->setTime(QTime(8, 30));
    QCOMPARE(dialog->txtMinutes->value(), 90);
    QCOMPARE(dialog->lblEnds->text(),
             QStringLiteral("From %1 to %2 (01:30)")
                 .arg(TimeText::defaultText(at(5, 8, 30)), TimeText::defaultText(at(5, 10, 0))));
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QVERIFY(f.window().timeEntries().dialog() == nullptr || !dialog->isVisible());

    QCOMPARE(stored(f.database(), row), QStringLiteral("2026-12-05 08:30:00 2026-12-05 10:00:00 "
                                                       "90 %1")
                                            .arg(design));
    if (f.database().engine() == Database::Engine::SQLite) {
        // Stored in the form every statement reads.
        QCOMPARE(
            f.database()
                .scalar(QStringLiteral("select startTime from tallyRec where timeId = ?"), {row})
                .toString(),
            QStringLiteral("2026-12-05 08:30:00"));
    }
    // The grid shows it at once.
    QCOMPARE(gridOf(f)->model()->index(0, 3).data().toString(), QStringLiteral("01:30"));
    QCOMPARE(trail(f.database()),
             QStringList{QStringLiteral("%1 %2 %2 2026-12-07 10:00:00 edit 2026-12-05 09:00:37 "
                                        "2026-12-05 10:00:00 60 %3 2026-12-05 08:30:00 "
                                        "2026-12-05 10:00:00 90 %3")
                             .arg(row)
                             .arg(ann)
                             .arg(design)});
    // Nobody else to tell.
    QCOMPARE(f.count(QStringLiteral("notification")), 0);
    QCOMPARE(f.messages.shown().size(), 0);
}

void TimeCorrectionTest::managerEditsAndTheUserIsNotified() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, bob);
    const int row = f.addTime(design, ann, at(5, 9, 0), at(5, 10, 0), 60);
    QVERIFY(f.load()); // as Bob, the manager

    // Through the Edit button this time.
    QTableView* grid = gridOf(f);
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QCoreApplication::processEvents();
    auto* edit = f.control<QPushButton>(QStringLiteral("cmdEditTime"));
    QVERIFY(edit->isHidden());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(0, 4)).center());
    QVERIFY(!edit->isHidden());
    QTest::mouseClick(edit, Qt::LeftButton);
    frmTimeEntry* dialog = f.window().timeEntries().dialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(dialog->lblRights->isHidden());

    // A duration in place of the end.
    dialog->txtMinutes->setValue(45);
    QCOMPARE(dialog->txtEndTime->time(), QTime(9, 45));
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(stored(f.database(), row),
             QStringLiteral("2026-12-05 09:00:00 2026-12-05 09:45:00 45 %1").arg(design));
    QCOMPARE(trail(f.database()),
             QStringList{QStringLiteral("%1 %2 %3 2026-12-07 10:00:00 edit 2026-12-05 09:00:00 "
                                        "2026-12-05 10:00:00 60 %4 2026-12-05 09:00:00 "
                                        "2026-12-05 09:45:00 45 %4")
                             .arg(row)
                             .arg(ann)
                             .arg(bob)
                             .arg(design)});

    // Ann is told who changed what, from and to.
    const ResultSet notes = f.database().query(
        QStringLiteral("select fromUserId, toUserId, subject, message, status, typeId, categoryId "
                       "from notification"));
    QCOMPARE(notes.count(), 1);
    const Row note = notes.first();
    QCOMPARE(note.integer(0), bob);
    QCOMPARE(note.integer(1), ann);
    QCOMPARE(note.text(2), QStringLiteral("Time changed"));
    QCOMPARE(note.text(3),
             QStringLiteral("Bob changed your time.\nFrom: Design, %1 to %2 (01:00)\n"
                            "To: Design, %1 to %3 (00:45)")
                 .arg(TimeText::defaultText(at(5, 9, 0)), TimeText::defaultText(at(5, 10, 0)),
                      TimeText::defaultText(at(5, 9, 45))));
    QCOMPARE(note.text(4), QStringLiteral("Unread"));
    QCOMPARE(note.integer(5), TimeCorrection::TimeChangedType);
    QCOMPARE(note.integer(6), design);
}

void TimeCorrectionTest::thirdUserOnlySeesWhoMay() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int carol = f.addUser(QStringLiteral("Carol"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, bob);
    const int row = f.addTime(design, ann, at(5, 9, 0), at(5, 10, 0), 60);
    QVERIFY(f.load()); // as Carol

    frmTimeEntry* dialog = f.openFirstTimeRow();
    QVERIFY(dialog != nullptr);
    QVERIFY(!dialog->lblRights->isHidden());
    QCOMPARE(dialog->lblRights->text(),
             QStringLiteral("Only Ann, whose time this is, or Bob, the manager of Design, may "
                            "change it."));
    QVERIFY(dialog->cmdSave->isHidden());
    QCOMPARE(dialog->cmdCancel->text(), QStringLiteral("Close"));
    for (QWidget* field :
         std::initializer_list<QWidget*>{dialog->dtpDate, dialog->txtStartTime, dialog->txtEndTime,
                                         dialog->txtMinutes, dialog->cboCategory}) {
        QVERIFY(!field->isEnabled());
    }
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);

    // Nor does the rule give way underneath the dialog.
    TimeCorrection correction(f.database(), f.clock);
    QCOMPARE(correction.edit(*correction.read(row), {at(5, 8, 0), at(5, 10, 0), design}, carol),
             std::optional<QString>(QStringLiteral(
                 "Only Ann, whose time this is, or Bob, the manager of Design, may change it.")));
    QCOMPARE(stored(f.database(), row),
             QStringLiteral("2026-12-05 09:00:00 2026-12-05 10:00:00 60 %1").arg(design));
    QCOMPARE(trail(f.database()), QStringList());
    // Without a manager, the sentence names the user alone.
    f.database().execute(QStringLiteral("update category set ownerUserId = 0"));
    QCOMPARE(
        correction.edit(*correction.read(row), {at(5, 8, 0), at(5, 10, 0), design}, carol),
        std::optional<QString>(QStringLiteral("Only Ann, whose time this is, may change it.")));
    // Nor twice when she manages the category of her own time.
    f.database().execute(QStringLiteral("update category set ownerUserId = ?"), {ann});
    QCOMPARE(
        correction.edit(*correction.read(row), {at(5, 8, 0), at(5, 10, 0), design}, carol),
        std::optional<QString>(QStringLiteral("Only Ann, whose time this is, may change it.")));
}

void TimeCorrectionTest::rowMovedToAnotherCategory() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, bob);
    const int build = f.addCategory(QStringLiteral("Build"));
    const int row = f.addTime(design, ann, at(5, 9, 0), at(5, 10, 0), 60);
    const int other = f.addTime(design, ann, at(6, 9, 0), at(6, 9, 30), 30);
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    f.window().categories().selectCategoryByNode(
        f.window().categoryTree->node(QStringLiteral("id_%1").arg(design)));
    QCOMPARE(gridOf(f)->model()->rowCount(), 2);

    frmTimeEntry* dialog = f.openFirstTimeRow();
    QVERIFY(dialog != nullptr);
    dialog->cboCategory->setCurrentIndex(dialog->cboCategory->findData(build));
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(stored(f.database(), row),
             QStringLiteral("2026-12-05 09:00:00 2026-12-05 10:00:00 60 %1").arg(build));
    // Gone from Design's grid at once.
    QCOMPARE(gridOf(f)->model()->rowCount(), 1);
    QCOMPARE(gridOf(f)->model()->index(0, 0).data().toString(), QString::number(other));
    QCOMPARE(trail(f.database()),
             QStringList{QStringLiteral("%1 %2 %2 2026-12-07 10:00:00 edit 2026-12-05 09:00:00 "
                                        "2026-12-05 10:00:00 60 %3 2026-12-05 09:00:00 "
                                        "2026-12-05 10:00:00 60 %4")
                             .arg(row)
                             .arg(ann)
                             .arg(design)
                             .arg(build)});

    // Design's manager may change Ann's time there, but not put it where he manages nothing.
    TimeCorrection correction(f.database(), f.clock);
    QCOMPARE(correction.edit(*correction.read(other), {at(6, 9, 0), at(6, 9, 30), build}, bob),
             std::optional<QString>(
                 QStringLiteral("The time cannot be moved to Build. Only Ann, whose time this is, "
                                "may change it.")));
    QCOMPARE(stored(f.database(), other),
             QStringLiteral("2026-12-06 09:00:00 2026-12-06 09:30:00 30 %1").arg(design));
    // Nor take it back from a category he does not manage.
    QVERIFY(correction.edit(*correction.read(row), {at(5, 9, 0), at(5, 10, 0), design}, bob)
                .has_value());
    // Managing both, he may.
    f.database().execute(QStringLiteral("update category set ownerUserId = ?"), {bob});
    QCOMPARE(correction.edit(*correction.read(other), {at(6, 9, 0), at(6, 9, 30), build}, bob),
             std::optional<QString>());
    QCOMPARE(trail(f.database()).size(), 2);
    QCOMPARE(f.count(QStringLiteral("notification"), QStringLiteral("toUserId = ?"), {ann}), 1);
}

void TimeCorrectionTest::pastEntryAcrossMidnight() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    auto* add = f.control<QPushButton>(QStringLiteral("cmdAddTime"));
    QVERIFY(add->isEnabled());
    QCOMPARE(add->text().remove(QLatin1Char('&')), QStringLiteral("Add time..."));
    QTest::mouseClick(add, Qt::LeftButton);
    frmTimeEntry* dialog = f.window().timeEntries().dialog();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Add Time"));
    QCOMPARE(dialog->cboCategory->currentData().toInt(), design);
    // The last hour, to begin with.
    QCOMPARE(dialog->txtStartTime->time(), QTime(9, 0));
    QCOMPARE(dialog->txtEndTime->time(), QTime(10, 0));

    dialog->dtpDate->setDate(QDate(2026, 12, 6));
    dialog->txtStartTime->setTime(QTime(23, 30));
    dialog->txtEndTime->setTime(QTime(0, 45)); // after midnight
    QCOMPARE(dialog->txtMinutes->value(), 75);
    QCOMPARE(dialog->lblEnds->text(),
             QStringLiteral("From %1 to %2 (01:15)")
                 .arg(TimeText::defaultText(at(6, 23, 30)), TimeText::defaultText(at(7, 0, 45))));
    // An end time equal to the start is a whole day: longer than refused here, it is allowed.
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    const ResultSet rows = f.database().query(
        QStringLiteral("select timeId, userId from tallyRec where categoryId = ?"), {design});
    QCOMPARE(rows.count(), 1);
    QCOMPARE(rows.first().integer(1), ann);
    QCOMPARE(stored(f.database(), rows.first().integer(0)),
             QStringLiteral("2026-12-06 23:30:00 2026-12-07 00:45:00 75 %1").arg(design));
    // The Reports page shows it.
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QCOMPARE(gridOf(f)->model()->index(0, 3).data().toString(), QStringLiteral("01:15"));
    // Added, not changed: nothing for the trail.
    QCOMPARE(trail(f.database()), QStringList());

    // An end before the start is refused with a reason, and nothing is written.
    QTest::mouseClick(add, Qt::LeftButton);
    dialog = f.window().timeEntries().dialog();
    dialog->txtMinutes->setValue(TimeCorrection::LongestMinutes);
    dialog->dtpDate->setDate(QDate(2026, 12, 1));
    QCOMPARE(TimeCorrection::problem({at(1, 9, 0), at(1, 9, 0), design}),
             std::optional<QString>(QStringLiteral("The end must be after the start.")));
    QCOMPARE(
        TimeCorrection::problem({at(1, 9, 0), at(1, 9, 0).addSecs(32768 * 60), design}),
        std::optional<QString>(QStringLiteral("A time entry can be at most 32767 minutes long.")));
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);
}

void TimeCorrectionTest::runningStartMovedBack() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    QTest::mouseClick(f.control<QPushButton>(QStringLiteral("cmdStartNow")), Qt::LeftButton);
    task* running = f.state().currentTask;
    QVERIFY(running != nullptr);
    const int row = running->taskId;
    f.clock.advanceMinutes(5);
    f.taskTick();
    auto* duration = f.control<QLabel>(QStringLiteral("lblDuration"));
    QCOMPARE(duration->text(), QStringLiteral("00:05"));

    auto* change = f.control<QPushButton>(QStringLiteral("cmdChangeStart"));
    QVERIFY(change->isVisibleTo(f.control<QGroupBox>(QStringLiteral("fraTime"))));
    QTest::mouseClick(change, Qt::LeftButton);
    frmTimeEntry* dialog = f.window().timeEntries().dialog();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Change Start"));
    QVERIFY(dialog->txtEndTime->isHidden());
    QVERIFY(dialog->cboCategory->isHidden());

    // Not in the future.
    dialog->txtStartTime->setTime(QTime(10, 6));
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(f.messages.last().text, QStringLiteral("A task cannot start in the future."));
    QVERIFY(dialog->isVisible());

    dialog->txtStartTime->setTime(QTime(9, 30));
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(stored(f.database(), row), QStringLiteral("2026-12-07 09:30:00 - - 1"));
    QCOMPARE(running->startTime, at(7, 9, 30));
    // The frame shows it at once, and the timer counts from there.
    QCOMPARE(duration->text(), QStringLiteral("00:35"));
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblStartTime"))->text(),
             TimeText::defaultText(at(7, 9, 30)));
    f.clock.advanceMinutes(1);
    f.taskTick();
    QCOMPARE(duration->text(), QStringLiteral("00:36"));
    QCOMPARE(trail(f.database()),
             QStringList{QStringLiteral("%1 %2 %2 2026-12-07 10:05:00 edit 2026-12-07 10:00:00 - "
                                        "- 1 2026-12-07 09:30:00 - - 1")
                             .arg(row)
                             .arg(ann)});

    // More than a day before last midnight: asked first. No leaves it as it was.
    QTest::mouseClick(change, Qt::LeftButton);
    dialog = f.window().timeEntries().dialog();
    dialog->dtpDate->setDate(QDate(2026, 12, 5));
    f.messages.answerNo();
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QVERIFY(f.messages.last().text.contains(QStringLiteral("more than a day before last "
                                                           "midnight")));
    QCOMPARE(running->startTime, at(7, 9, 30));
    f.messages.answerYes();
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(running->startTime, at(5, 9, 30));
    QCOMPARE(stored(f.database(), row), QStringLiteral("2026-12-05 09:30:00 - - 1"));
    QCOMPARE(duration->text(), TimeText::minToTime(2 * 24 * 60 + 36));
    // The day before last midnight needs no question.
    QVERIFY(!TimeCorrection::farBack(at(6, 0, 0), at(7, 10, 1)));
    QVERIFY(TimeCorrection::farBack(at(5, 23, 59), at(7, 10, 1)));
    QCOMPARE(f.messages.unexpected(), 0);
}

void TimeCorrectionTest::anotherUsersMovedStartIsSeen() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int running = f.addOpenTime(design, ann, at(7, 9, 50));
    f.addUser(QStringLiteral("Bob"));
    QVERIFY(f.load()); // as Bob
    task* hers = f.state().taskById(running);
    QVERIFY(hers != nullptr);
    QCOMPARE(hers->duration, 10);

    // Ann, in her own instance, moves her start back; Bob's window follows on its next tick.
    TimeCorrection correction(f.database(), f.clock);
    QCOMPARE(correction.moveStart(running, at(7, 9, 0), ann), std::optional<QString>());
    f.systemTick();
    QCOMPARE(hers->startTime, at(7, 9, 0));
    QCOMPARE(hers->duration, 60);
    // Nobody else may move it.
    QCOMPARE(correction.moveStart(running, at(7, 8, 0), ann + 1),
             std::optional<QString>(
                 QStringLiteral("Only Ann, whose task this is, may change its start.")));
    QCOMPARE(trail(f.database()).size(), 1);
}

void TimeCorrectionTest::deletionsAreKept() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const int design = f.addCategory(QStringLiteral("Design"));
    const int row = f.addTime(design, ann, at(5, 9, 0), at(5, 10, 0), 60);
    QVERIFY(f.load()); // as Bob, who may delete as anyone may

    QTableView* grid = gridOf(f);
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QCoreApplication::processEvents();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(0, 1)).center());
    f.messages.answerYes();
    QTest::mouseClick(f.control<QPushButton>(QStringLiteral("cmdDeleteTime")), Qt::LeftButton);
    QCOMPARE(stored(f.database(), row), QStringLiteral("gone"));
    QVERIFY(f.control<QPushButton>(QStringLiteral("cmdEditTime"))->isHidden());
    QCOMPARE(trail(f.database()),
             QStringList{QStringLiteral("%1 %2 %3 2026-12-07 10:00:00 delete 2026-12-05 09:00:00 "
                                        "2026-12-05 10:00:00 60 %4 - - - -")
                             .arg(row)
                             .arg(ann)
                             .arg(bob)
                             .arg(design)});
    QCOMPARE(
        f.database()
            .scalar(QStringLiteral("select message from notification where toUserId = ?"), {ann})
            .toString(),
        QStringLiteral("Bob deleted your time.\nFrom: Design, %1 to %2 (01:00)\n"
                       "To: nothing (deleted)")
            .arg(TimeText::defaultText(at(5, 9, 0)), TimeText::defaultText(at(5, 10, 0))));

    // A task cancelled by its own user is kept too, with nobody to tell.
    QTest::mouseClick(f.control<QPushButton>(QStringLiteral("cmdStartNow")), Qt::LeftButton);
    const int started = f.state().currentTask->taskId;
    f.messages.answerYes();
    QTest::mouseClick(f.control<QPushButton>(QStringLiteral("cmdCancelTask")), Qt::LeftButton);
    QCOMPARE(stored(f.database(), started), QStringLiteral("gone"));
    QCOMPARE(trail(f.database()).last(),
             QStringLiteral("%1 %2 %2 2026-12-07 10:00:00 delete 2026-12-07 10:00:00 - - %3 - - "
                            "- -")
                 .arg(started)
                 .arg(bob)
                 .arg(design));
    QCOMPARE(f.count(QStringLiteral("notification")), 1);
}

void TimeCorrectionTest::savingNothingWritesNothing() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, f.addUser(QStringLiteral("Bob")));
    const int row = f.addTime(design, ann, at(5, 9, 0, 37), at(5, 10, 0, 12), 60);
    QVERIFY(f.load()); // as Bob, the manager, whose changes Ann is told of
    const QString before = stored(f.database(), row);

    // Saved as it opened; with the start changed and set back; with the Duration box emptied.
    QTest::mouseClick(f.openFirstTimeRow()->cmdSave, Qt::LeftButton);
    frmTimeEntry* dialog = f.openFirstTimeRow();
    dialog->txtStartTime->setTime(QTime(9, 5));
    dialog->txtStartTime->setTime(QTime(9, 0));
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    dialog = f.openFirstTimeRow();
    dialog->txtMinutes->selectAll();
    QTest::keyClick(dialog->txtMinutes, Qt::Key_Backspace);
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(stored(f.database(), row), before);
    QCOMPARE(trail(f.database()), QStringList());
    QCOMPARE(f.count(QStringLiteral("notification")), 0);
}

void TimeCorrectionTest::correctingEdges() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    const int clients = f.addCategory(QStringLiteral("Clients"));
    f.addCategory(QStringLiteral("Acme"), clients);
    const QString longName(5000, QLatin1Char('W'));
    f.addCategory(longName);
    QVERIFY(f.load());

    // Each category listed by its path; a long one leaves the dialog within the screen.
    QTest::mouseClick(f.control<QPushButton>(QStringLiteral("cmdAddTime")), Qt::LeftButton);
    frmTimeEntry* dialog = f.window().timeEntries().dialog();
    QStringList listed;
    for (int i = 0; i < dialog->cboCategory->count(); ++i) {
        listed.append(dialog->cboCategory->itemText(i));
    }
    QCOMPARE(listed,
             (QStringList{QStringLiteral("Clients"), QStringLiteral("Clients/Acme"), longName}));
    QVERIFY(dialog->width() <= dialog->screen()->availableGeometry().width());
    // Added time may not start in the future.
    dialog->txtStartTime->setTime(QTime(10, 30));
    dialog->txtEndTime->setTime(QTime(11, 0));
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);
    QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);

    // Nor may a start make a running row longer than a row can be; nothing is asked first.
    QTest::mouseClick(f.control<QPushButton>(QStringLiteral("cmdStartNow")), Qt::LeftButton);
    QTest::mouseClick(f.control<QPushButton>(QStringLiteral("cmdChangeStart")), Qt::LeftButton);
    dialog = f.window().timeEntries().dialog();
    dialog->dtpDate->setDate(QDate(2026, 11, 14)); // 33,120 minutes ago
    QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    QCOMPARE(f.messages.texts(),
             (QStringList{QStringLiteral("A task cannot start in the future."),
                          QStringLiteral("A time entry can be at most 32767 minutes long.")}));
    QCOMPARE(f.state().currentTask->startTime, at(7, 10, 0));
}

QTEST_MAIN(TimeCorrectionTest)
#include "tst_timecorrection.moc"
