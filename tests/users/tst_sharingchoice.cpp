#include "MainWindowFixture.h"
#include "app/SettingsPage.h"
#include "users/ProcessList.h"
#include "users/SharingFrame.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

// The "Sharing" frame of the Settings page as a person uses it, and the rows each choice leaves
// in the process table.
class SharingChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void eachChoiceWritesItsRowsAtOnce();
    void hiddenTitlesNeverReachTheTable();
    void aPauseRemovesTheRowsUntilItEnds();
    void aNewcomerIsShownTheChoiceAndSharesNothing();
    void someoneWhoSharedBeforeKeepsSharingTitles();

private:
    static QList<DesktopWindow> desktop() {
        return {
            {QStringLiteral("Inbox (3) - Re: salary review - Mail"), QStringLiteral("Thunderbird")},
            {QStringLiteral("Plan - Firefox"), QStringLiteral("Firefox")},
            {QStringLiteral("Tickets - Firefox"), QStringLiteral("Firefox")}};
    }
    static QStringList stored(MainWindowFixture& f, int userId) {
        QStringList names;
        for (const Row row : f.database().query(
                 QStringLiteral(
                     "select processName from process where userId = ? order by processId"),
                 {userId})) {
            names.append(row.text(0));
        }
        return names;
    }
};

void SharingChoiceTest::eachChoiceWritesItsRowsAtOnce() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    f.windows.setWindows(desktop());
    QVERIFY(f.load());
    auto* titles = f.control<QRadioButton>(QStringLiteral("optShareTitles"));
    auto* applications = f.control<QRadioButton>(QStringLiteral("optShareApplications"));
    auto* nothing = f.control<QRadioButton>(QStringLiteral("optShareNothing"));
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblShareWindows"))->text(),
             QStringLiteral("Share my open windows:"));
    QCOMPARE(titles->text(), QStringLiteral("Window titles"));
    QCOMPARE(applications->text(), QStringLiteral("Application names only"));
    QCOMPARE(nothing->text(), QStringLiteral("Nothing"));
    QCOMPARE(f.control<QGroupBox>(QStringLiteral("fraSharing"))->title(),
             QStringLiteral("Sharing"));
    QVERIFY(titles->isChecked());
    QCOMPARE(stored(f, ann), (QStringList{"Inbox (3) - Re: salary review - Mail", "Plan - Firefox",
                                          "Tickets - Firefox"}));

    // Each click rewrites the rows before the next tick.
    applications->click();
    QCOMPARE(f.settings.value(QStringLiteral("Share Windows")), QStringLiteral("applications"));
    QCOMPARE(stored(f, ann), (QStringList{"Thunderbird", "Firefox"}));
    nothing->click();
    QCOMPARE(f.settings.value(QStringLiteral("Share Windows")), QStringLiteral("none"));
    QCOMPARE(stored(f, ann), QStringList());
    f.systemTick();
    QCOMPARE(stored(f, ann), QStringList()); // and none are written again
    QCOMPARE(f.state().allProcesses->Count(), 0);
    titles->click();
    QCOMPARE(stored(f, ann).size(), 3);
    QCOMPARE(f.messages.shown().size(), 0);
}

void SharingChoiceTest::hiddenTitlesNeverReachTheTable() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.settings.setValue(QStringLiteral("Hide Windows"), QStringLiteral("*mail"));
    f.windows.setWindows(desktop());
    QVERIFY(f.load());
    auto* patterns = f.control<QLineEdit>(QStringLiteral("txtHideWindows"));
    QCOMPARE(patterns->text(), QStringLiteral("*mail"));
    QCOMPARE(stored(f, ann), (QStringList{"Plan - Firefox", "Tickets - Firefox"}));

    patterns->setText(QStringLiteral("*MAIL; tickets*"));
    emit patterns->editingFinished();
    QCOMPARE(f.settings.value(QStringLiteral("Hide Windows")), QStringLiteral("*MAIL; tickets*"));
    QCOMPARE(stored(f, ann), QStringList{"Plan - Firefox"});
    f.control<QRadioButton>(QStringLiteral("optShareApplications"))->click();
    QCOMPARE(stored(f, ann), QStringList{"Firefox"});
    f.windows.setWindows({{QStringLiteral("Inbox - Mail"), QStringLiteral("Thunderbird")}});
    f.systemTick();
    QCOMPARE(stored(f, ann), QStringList());
}

void SharingChoiceTest::aPauseRemovesTheRowsUntilItEnds() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.windows.setWindows(desktop());
    QVERIFY(f.load());
    auto* pause = f.control<QPushButton>(QStringLiteral("cmdPauseSharing"));
    auto* resume = f.control<QPushButton>(QStringLiteral("cmdResumeSharing"));
    auto* duration = f.control<QComboBox>(QStringLiteral("cboPauseSharing"));
    auto* paused = f.control<QLabel>(QStringLiteral("lblSharingPaused"));
    QVERIFY(!resume->isEnabled());
    QSignalSpy pausedChanged(&f.window().processList(), &ProcessList::sharingPausedChanged);

    duration->setCurrentIndex(duration->findData(60));
    pause->click();
    QCOMPARE(stored(f, ann), QStringList());
    QCOMPARE(paused->text(), QStringLiteral("Nothing is shared until 11:00."));
    QVERIFY(resume->isEnabled());
    QVERIFY(!pause->isEnabled());
    QCOMPARE(pausedChanged.size(), 1);
    QCOMPARE(pausedChanged.last().first().toBool(), true);

    f.clock.advanceMinutes(59);
    f.systemTick();
    QCOMPARE(stored(f, ann), QStringList());
    f.clock.advanceMinutes(1);
    f.systemTick();
    QCOMPARE(stored(f, ann).size(), 3);
    QCOMPARE(paused->text(), QString());
    QVERIFY(pause->isEnabled());
    QCOMPARE(pausedChanged.last().first().toBool(), false);

    // What the tray menu calls, and ending the pause early from the page.
    f.window().processList().pauseSharing(15);
    QCOMPARE(stored(f, ann), QStringList());
    resume->click();
    QCOMPARE(stored(f, ann).size(), 3);
    QCOMPARE(f.settings.value(QStringLiteral("Share Windows")), QStringLiteral("titles"));
}

void SharingChoiceTest::aNewcomerIsShownTheChoiceAndSharesNothing() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QSettings(f.settingsPath(), QSettings::IniFormat)
        .remove(QStringLiteral("Settings/Share Windows"));
    QVERIFY(!f.settings.contains(QStringLiteral("Share Windows")));
    f.windows.setWindows(desktop());
    QVERIFY(f.load());

    // The Settings page is open on the choice, nothing is picked, nothing is written.
    QCOMPARE(f.control<QTabWidget>(QStringLiteral("tabs"))->currentIndex(), 2);
    for (const char* name : {"optShareTitles", "optShareApplications", "optShareNothing"}) {
        QVERIFY2(!f.control<QRadioButton>(QString::fromLatin1(name))->isChecked(), name);
    }
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblSharingWho"))->text(),
             QStringLiteral("Everyone who uses this database sees what you share here under "
                            "your name on the Users page, for as long as Quillhour runs."));
    QCOMPARE(stored(f, ann), QStringList());
    f.systemTick();
    QCOMPARE(stored(f, ann), QStringList());
    QVERIFY(!f.settings.contains(QStringLiteral("Share Windows")));

    f.control<QRadioButton>(QStringLiteral("optShareApplications"))->click();
    QCOMPARE(stored(f, ann), (QStringList{"Thunderbird", "Firefox"}));
    QCOMPARE(f.messages.shown().size(), 0);
}

void SharingChoiceTest::someoneWhoSharedBeforeKeepsSharingTitles() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QSettings(f.settingsPath(), QSettings::IniFormat)
        .remove(QStringLiteral("Settings/Share Windows"));
    // An earlier version published Ann's titles; its instance was killed and left them.
    f.database().execute(QStringLiteral("insert into process (userId, processName) values (?, ?)"),
                         {ann, QStringLiteral("Old window")});
    f.windows.setWindows(desktop());
    QVERIFY(f.load());
    QCOMPARE(f.settings.value(QStringLiteral("Share Windows")), QStringLiteral("titles"));
    QVERIFY(f.control<QRadioButton>(QStringLiteral("optShareTitles"))->isChecked());
    QCOMPARE(f.control<QTabWidget>(QStringLiteral("tabs"))->currentIndex(), 0);
    QCOMPARE(stored(f, ann).size(), 3);
}

QTEST_MAIN(SharingChoiceTest)
#include "tst_sharingchoice.moc"
