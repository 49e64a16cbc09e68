#include "MainWindowFixture.h"
#include "app/SettingsPage.h"
#include "data/ResultSet.h"
#include "tracking/AwayRule.h"
#include "tracking/IdleWatch.h"
#include "tracking/frmIdle.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

QDateTime at(int hour, int minute, int second = 0) {
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute, second));
}

struct Team {
    int ann = 0;
    int bob = 0;
    int design = 0;
    int bobsRow = 0;
};

// Ann works on Design from 10:00; Bob's task on Design runs elsewhere since 9:00.
Team team(MainWindowFixture& f) {
    Team t;
    t.ann = f.addUser(QStringLiteral("Ann"));
    t.bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    t.design = f.addCategory(QStringLiteral("Design"));
    t.bobsRow = f.addOpenTime(t.design, t.bob, at(9, 0));
    f.idle.setIdleSeconds(0); // the desktop tells its idle time
    return t;
}

void startTask(MainWindowFixture& f) {
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    QCoreApplication::processEvents();
}

// A minute of ticks with input (idle time 0), then `minutes` without, a tick a minute as the
// clock moves on, then input `secondsLater` after the last tick.
void awayFor(MainWindowFixture& f, int presentMinutes, int minutes, int secondsLater = 10) {
    f.idle.setIdleSeconds(0);
    f.taskTick();
    for (int i = 1; i <= presentMinutes; ++i) {
        f.clock.advanceSeconds(60);
        f.taskTick();
    }
    for (int i = 1; i <= minutes; ++i) {
        f.clock.advanceSeconds(60);
        f.idle.setIdleSeconds(qint64(i) * 60);
        f.taskTick();
    }
    f.clock.advanceSeconds(secondsLater);
    f.idle.setIdleSeconds(0);
    f.taskTick();
}

struct TimeRow {
    QDateTime start;
    QDateTime end;
    int duration = 0;
};

TimeRow rowOf(MainWindowFixture& f, int timeId) {
    const Row row = f.database()
                        .query(QStringLiteral("select startTime, endTime, duration from tallyRec "
                                              "where timeId = ?"),
                               {timeId})
                        .first();
    return {row.dateTime(0), row.isNull(1) ? QDateTime() : row.dateTime(1),
            row.isNull(2) ? 0 : row.integer(2)};
}

int annsOpenRow(MainWindowFixture& f, const Team& t) {
    const ResultSet rows = f.database().query(
        QStringLiteral("select timeId from tallyRec where userId = ? and endTime is null"),
        {t.ann});
    return rows.count() == 1 ? rows.first().integer(0) : 0;
}

} // namespace

// Time nobody was at the computer while tasks ran: when it counts, the "Idle Time" question and
// what each answer does to the rows, and the "Idle" frame on the Settings page.
class IdleTimeTest : public QObject {
    Q_OBJECT

private slots:
    void idleTimeEndsAtTheFirstInput();
    void clockJumpsAndLateTicks();
    void thresholdSetting();
    void questionShowsAndKeepChangesNothing();
    void discardFinishesAtIdleStartAndGoesOn();
    void stopFinishesAtIdleStart();
    void suspendCountsFromTheLastTick();
    void closingLeavesTheQuestionUnanswered();
    void settingsFrame();
    void desktopWithoutIdleTime();
    void presentUserAddsNoStatement();
};

void IdleTimeTest::idleTimeEndsAtTheFirstInput() {
    AwayRule rule;
    // Input at 10:00; ticks every minute, idle growing: nothing until input comes.
    for (int minute = 0; minute <= 12; ++minute) {
        QVERIFY(!rule.tick(at(10, minute), minute * 60000, qint64(minute) * 60000, 10));
    }
    const std::optional<AwayRule::Away> away = rule.tick(at(10, 12, 30), 750000, 5000, 10);
    QVERIFY(away);
    QCOMPARE(away->start, at(10, 0));
    QCOMPARE(away->end, at(10, 12, 25));
    QCOMPARE(away->minutes(), 12);
    QCOMPARE(AwayRule::question(*away),
             QStringLiteral("You were away from 10:00 to 10:12 (12 minutes) while these tasks "
                            "ran:"));
    // Asked once.
    QVERIFY(!rule.tick(at(10, 13), 780000, 1000, 10));

    // Idle for less than the threshold: no question.
    AwayRule shortBreak;
    for (int minute = 0; minute <= 9; ++minute) {
        QVERIFY(!shortBreak.tick(at(11, minute), minute * 60000, qint64(minute) * 60000, 10));
    }
    QVERIFY(!shortBreak.tick(at(11, 9, 30), 570000, 0, 10));
}

void IdleTimeTest::clockJumpsAndLateTicks() {
    // The wall clock jumps 30 minutes (a suspend) while the steady clock moves a second: idle
    // time from the last tick, even though the desktop's idle counter starts afresh.
    AwayRule suspended;
    QVERIFY(!suspended.tick(at(10, 0), 0, 0, 10));
    const std::optional<AwayRule::Away> away = suspended.tick(at(10, 30), 1000, 0, 10);
    QVERIFY(away);
    QCOMPARE(away->start, at(10, 0));
    QCOMPARE(away->end, at(10, 30));

    // A jump of two minutes exactly is not one.
    AwayRule small;
    QVERIFY(!small.tick(at(10, 0), 0, 0, 1));
    QVERIFY(!small.tick(at(10, 2), 0, 0, 1));

    // A jump shorter than the threshold is idle time too short to ask about.
    AwayRule underThreshold;
    QVERIFY(!underThreshold.tick(at(10, 0), 0, 0, 10));
    QVERIFY(!underThreshold.tick(at(10, 5), 0, 0, 10));

    // Ticks that came late (the steady clock moved as far) are no idle time: the user was at a
    // dialog.
    AwayRule late;
    QVERIFY(!late.tick(at(10, 0), 0, 0, 10));
    QVERIFY(!late.tick(at(10, 30), 30 * 60000, 0, 10));

    // The clock set back forgets the idle time seen so far.
    AwayRule setBack;
    QVERIFY(!setBack.tick(at(10, 0), 0, 0, 1));
    QVERIFY(!setBack.tick(at(10, 2), 120000, 120000, 1));
    QVERIFY(!setBack.tick(at(9, 0), 121000, 0, 1));
}

void IdleTimeTest::thresholdSetting() {
    QCOMPARE(AwayRule::threshold(QStringLiteral("10")), std::optional<int>(10));
    QCOMPARE(AwayRule::threshold(QStringLiteral("1")), std::optional<int>(1));
    QVERIFY(!AwayRule::threshold(QStringLiteral("0")));
    QVERIFY(!AwayRule::threshold(QString()));
    QVERIFY(!AwayRule::threshold(QStringLiteral("-5")));
    QVERIFY(!AwayRule::threshold(QStringLiteral("soon")));
}

void IdleTimeTest::questionShowsAndKeepChangesNothing() {
    MainWindowFixture f;
    const Team t = team(f);
    QVERIFY(f.load());
    startTask(f);
    const int annsRow = annsOpenRow(f, t);
    QVERIFY(annsRow != 0);
    frmIdle& question = f.window().idleWatch().window();

    awayFor(f, 5, 9);
    QVERIFY(!question.isVisible()); // nine minutes: under the default ten

    awayFor(f, 0, 12);
    QVERIFY(question.isVisible());
    QCOMPARE(question.windowTitle(), QStringLiteral("Idle Time"));
    QCOMPARE(question.lblIdle->text(),
             QStringLiteral("You were away from 10:14 to 10:26 (12 minutes) while these tasks "
                            "ran:"));
    // Ann's task only; Bob's is not hers to answer for.
    QCOMPARE(question.lstIdleTasks->count(), 1);
    QCOMPARE(question.lstIdleTasks->item(0)->text(), QStringLiteral("Design (started 10:00)"));
    QVERIFY(question.cmdKeep->isDefault());
    QCOMPARE(question.cmdKeep->text(), QStringLiteral("&Keep the time"));
    QCOMPARE(question.cmdDiscard->text(), QStringLiteral("&Discard the idle time"));
    QCOMPARE(question.cmdStop->text(), QStringLiteral("&Stop at idle start"));

    // While it waits, nothing is written: a program killed now leaves the open rows as they
    // were. The ticks go on.
    f.clock.advanceSeconds(60);
    f.taskTick();
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 2);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("endTime is null")), 2);

    question.cmdKeep->click();
    QVERIFY(!question.isVisible());
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 2);
    QCOMPARE(annsOpenRow(f, t), annsRow);
    QCOMPARE(rowOf(f, annsRow).start, at(10, 0));
    QVERIFY(f.state().taskById(annsRow) != nullptr);
    // Not asked again for the same time.
    f.clock.advanceSeconds(60);
    f.taskTick();
    QVERIFY(!question.isVisible());
}

void IdleTimeTest::discardFinishesAtIdleStartAndGoesOn() {
    MainWindowFixture f;
    const Team t = team(f);
    QVERIFY(f.load());
    startTask(f);
    const int annsRow = annsOpenRow(f, t);
    awayFor(f, 5, 12);
    frmIdle& question = f.window().idleWatch().window();
    QVERIFY(question.isVisible());
    // Back at the last tick; the answer comes twenty seconds later.
    const QDateTime cameBack = f.clock.now();
    f.clock.set(cameBack.addSecs(20));
    question.cmdDiscard->click();
    QVERIFY(!question.isVisible());

    const TimeRow finished = rowOf(f, annsRow);
    QCOMPARE(finished.start, at(10, 0));
    QCOMPARE(finished.end, at(10, 5));
    QCOMPARE(finished.duration, 5);
    // A new open row on the same category from the moment Ann came back (the minutes until she
    // answered were work), and the task goes on with it.
    const int again = annsOpenRow(f, t);
    QVERIFY(again != 0 && again != annsRow);
    QCOMPARE(rowOf(f, again).start, cameBack);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ? and categoryId = ?"),
                     {again, t.design}),
             1);
    task* running = f.state().taskById(again);
    QVERIFY(running != nullptr);
    QCOMPARE(f.state().currentTask, running);
    QVERIFY(f.state().taskById(annsRow) == nullptr);
    QVERIFY(f.window().tmrTime->isActive());
    // Bob's task is untouched.
    QVERIFY(!rowOf(f, t.bobsRow).end.isValid());
    QCOMPARE(rowOf(f, t.bobsRow).start, at(9, 0));
    QVERIFY(f.state().taskById(t.bobsRow) != nullptr);
}

void IdleTimeTest::stopFinishesAtIdleStart() {
    MainWindowFixture f;
    const Team t = team(f);
    QVERIFY(f.load());
    startTask(f);
    const int annsRow = annsOpenRow(f, t);
    awayFor(f, 5, 12);
    frmIdle& question = f.window().idleWatch().window();
    QVERIFY(question.isVisible());
    question.cmdStop->click();

    const TimeRow finished = rowOf(f, annsRow);
    QCOMPARE(finished.end, at(10, 5));
    QCOMPARE(finished.duration, 5);
    QCOMPARE(annsOpenRow(f, t), 0);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 2);
    QVERIFY(f.state().taskById(annsRow) == nullptr);
    QVERIFY(!rowOf(f, t.bobsRow).end.isValid());
    QVERIFY(f.state().taskById(t.bobsRow) != nullptr);
}

void IdleTimeTest::suspendCountsFromTheLastTick() {
    MainWindowFixture f;
    const Team t = team(f);
    QVERIFY(f.load());
    startTask(f);
    const int annsRow = annsOpenRow(f, t);
    f.idle.setIdleSeconds(0);
    f.clock.advanceMinutes(5);
    f.taskTick();
    // The computer sleeps for half an hour; after it wakes, the desktop counts afresh.
    f.clock.advanceMinutes(30);
    f.taskTick();
    frmIdle& question = f.window().idleWatch().window();
    QVERIFY(question.isVisible());
    QCOMPARE(question.lblIdle->text(),
             QStringLiteral("You were away from 10:05 to 10:35 (30 minutes) while these tasks "
                            "ran:"));
    question.cmdStop->click();
    QCOMPARE(rowOf(f, annsRow).end, at(10, 5));
}

void IdleTimeTest::closingLeavesTheQuestionUnanswered() {
    MainWindowFixture f;
    const Team t = team(f);
    QVERIFY(f.load());
    startTask(f);
    const int annsRow = annsOpenRow(f, t);
    awayFor(f, 5, 12);
    frmIdle& question = f.window().idleWatch().window();
    QVERIFY(question.isVisible());
    f.window().shutDown(frmMain::Shutdown::NoQuestions);
    QVERIFY(!question.isVisible());
    QCOMPARE(annsOpenRow(f, t), annsRow);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 2);
}

void IdleTimeTest::settingsFrame() {
    MainWindowFixture f;
    team(f);
    QVERIFY(f.load());
    SettingsPage& page = *f.window().settingsPage;
    QCOMPARE(page.fraIdle->title(), QStringLiteral("Idle"));
    QCOMPARE(page.chkIdle->text().remove(QLatin1Char('&')),
             QStringLiteral("Ask about idle time after"));
    // The default: ten minutes, on.
    QVERIFY(page.chkIdle->isChecked());
    QCOMPARE(page.txtIdleMinutes->text(), QStringLiteral("10"));
    QVERIFY(page.lblIdleUnavailable->isHidden());
    QCOMPARE(f.window().idleWatch().threshold(), std::optional<int>(10));

    page.chkIdle->click();
    QVERIFY(!page.chkIdle->isChecked());
    QCOMPARE(f.settings.value(Settings::IdleMinutesKey), QStringLiteral("0"));
    QVERIFY(!f.window().idleWatch().threshold());
    page.chkIdle->click();
    page.txtIdleMinutes->clear();
    QTest::keyClicks(page.txtIdleMinutes, QStringLiteral("3"));
    QCOMPARE(f.settings.value(Settings::IdleMinutesKey), QStringLiteral("3"));
    QCOMPARE(f.window().idleWatch().threshold(), std::optional<int>(3));
    // The four described keys stay as they were.
    QVERIFY(!f.settings.contains(Settings::PromptFrequencyKey));

    // Stored off: the next start shows it off, and no question comes however long the break.
    MainWindowFixture off;
    const Team t = team(off);
    off.settings.setIdleMinutes(0);
    QVERIFY(off.load());
    QVERIFY(!off.window().settingsPage->chkIdle->isChecked());
    startTask(off);
    awayFor(off, 1, 30);
    QVERIFY(!off.window().idleWatch().window().isVisible());
    QVERIFY(annsOpenRow(off, t) != 0);
}

void IdleTimeTest::desktopWithoutIdleTime() {
    MainWindowFixture f;
    team(f);
    f.idle.setUnavailable(QStringLiteral("this desktop does not tell how long it has been idle."));
    QVERIFY(f.load());
    SettingsPage& page = *f.window().settingsPage;
    QVERIFY(!page.lblIdleUnavailable->isHidden());
    QCOMPARE(page.lblIdleUnavailable->text(),
             QStringLiteral("Idle time is not asked about: this desktop does not tell how long "
                            "it has been idle."));
    QVERIFY(!page.chkIdle->isChecked());
    QVERIFY(!page.chkIdle->isEnabled());
    QVERIFY(!f.window().idleWatch().threshold());
}

void IdleTimeTest::presentUserAddsNoStatement() {
    MainWindowFixture f;
    team(f);
    QVERIFY(f.load());
    startTask(f);
    SettingsPage& page = *f.window().settingsPage;
    f.clock.advanceSeconds(1);
    f.taskTick();
    // A tick with the question off, then one with it on: the same statements.
    page.chkIdle->click();
    QVERIFY(!f.window().idleWatch().threshold());
    quint64 before = f.window().database().statementCount();
    f.clock.advanceSeconds(1);
    f.taskTick();
    const quint64 withoutQuestion = f.window().database().statementCount() - before;
    page.chkIdle->click();
    QVERIFY(f.window().idleWatch().threshold());
    f.idle.setIdleSeconds(1);
    before = f.window().database().statementCount();
    f.clock.advanceSeconds(1);
    f.taskTick();
    QCOMPARE(f.window().database().statementCount() - before, withoutQuestion);
}

QTEST_MAIN(IdleTimeTest)
#include "tst_idletime.moc"
