#include "FixedClock.h"
#include "platform/Settings.h"
#include "users/WindowSharing.h"

#include <QTemporaryDir>
#include <QtTest>

// The rule of what goes into a user's process rows, without a window or a database.
class WindowSharingTest : public QObject {
    Q_OBJECT

private slots:
    void eachModePublishesItsNames();
    void hiddenWindowsStayOutInEveryMode();
    void patternsAreWholeTitleWildcards_data();
    void patternsAreWholeTitleWildcards();
    void aPauseSharesNothingUntilItEnds();
    void theChoiceIsKeptInTheSettings();

private:
    QTemporaryDir m_folder;
    QList<DesktopWindow> desktop() const {
        return {
            {QStringLiteral("Inbox (3) - Re: salary review - Mail"), QStringLiteral("Thunderbird")},
            {QStringLiteral("Quarterly plan.ods - LibreOffice Calc"),
             QStringLiteral("libreoffice-calc")},
            {QStringLiteral("Design notes - Mozilla Firefox"), QStringLiteral("Firefox")},
            {QStringLiteral("Bank - Mozilla Firefox"), QStringLiteral("Firefox")},
            {QStringLiteral("xterm"), QString()}};
    }
};

void WindowSharingTest::eachModePublishesItsNames() {
    Settings settings(m_folder.filePath(QStringLiteral("modes.ini")));
    FixedClock clock(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    WindowSharing sharing(settings, clock);

    // No choice made yet: nothing.
    QCOMPARE(sharing.storedMode(), std::nullopt);
    QCOMPARE(sharing.published(desktop()), QStringList());

    sharing.setMode(WindowSharing::Mode::Titles);
    QCOMPARE(sharing.published(desktop()),
             (QStringList{"Inbox (3) - Re: salary review - Mail",
                          "Quarterly plan.ods - LibreOffice Calc", "Design notes - Mozilla Firefox",
                          "Bank - Mozilla Firefox", "xterm"}));

    // Each application once; a window that names none is not shared by its title instead.
    sharing.setMode(WindowSharing::Mode::Applications);
    QCOMPARE(sharing.published(desktop()),
             (QStringList{"Thunderbird", "libreoffice-calc", "Firefox"}));

    sharing.setMode(WindowSharing::Mode::Nothing);
    QCOMPARE(sharing.published(desktop()), QStringList());
}

void WindowSharingTest::hiddenWindowsStayOutInEveryMode() {
    Settings settings(m_folder.filePath(QStringLiteral("hidden.ini")));
    FixedClock clock(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    WindowSharing sharing(settings, clock);
    sharing.setHidePatterns(QStringLiteral(" *mail* ;; bank - *"));

    sharing.setMode(WindowSharing::Mode::Titles);
    QCOMPARE(sharing.published(desktop()),
             (QStringList{"Quarterly plan.ods - LibreOffice Calc", "Design notes - Mozilla Firefox",
                          "xterm"}));
    // The application of a hidden window is not given away either, while another of its
    // windows still shows it.
    sharing.setMode(WindowSharing::Mode::Applications);
    QCOMPARE(sharing.published(desktop()), (QStringList{"libreoffice-calc", "Firefox"}));
    sharing.setHidePatterns(QStringLiteral("*Firefox"));
    QCOMPARE(sharing.published(desktop()), (QStringList{"Thunderbird", "libreoffice-calc"}));
}

void WindowSharingTest::patternsAreWholeTitleWildcards_data() {
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("hidden");
    QTest::newRow("exact, other case") << "XTERM"
                                       << "xterm" << true;
    QTest::newRow("whole title only") << "term"
                                      << "xterm" << false;
    QTest::newRow("star at the end") << "Bank*"
                                     << "Bank - Firefox" << true;
    QTest::newRow("star inside") << "Inbox*Mail"
                                 << "Inbox (3) - Mail" << true;
    QTest::newRow("regex characters are plain") << "a.c (1)"
                                                << "abc (1)" << false;
    QTest::newRow("regex characters match themselves") << "a.c (1)?"
                                                       << "A.C (1)?" << true;
    QTest::newRow("second of several") << "nothing;*secret*"
                                       << "My SECRET plan" << true;
    QTest::newRow("empty list hides nothing") << " ; ;"
                                              << "anything" << false;
    QTest::newRow("non-latin case") << "*ÉTÉ*"
                                    << "Vacances d'été" << true;
}

void WindowSharingTest::patternsAreWholeTitleWildcards() {
    QFETCH(QString, patterns);
    QFETCH(QString, title);
    QFETCH(bool, hidden);
    Settings settings(m_folder.filePath(QStringLiteral("patterns.ini")));
    FixedClock clock(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    WindowSharing sharing(settings, clock);
    sharing.setHidePatterns(patterns);
    QCOMPARE(sharing.hidden(title), hidden);
}

void WindowSharingTest::aPauseSharesNothingUntilItEnds() {
    Settings settings(m_folder.filePath(QStringLiteral("pause.ini")));
    FixedClock clock(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    WindowSharing sharing(settings, clock);
    sharing.setMode(WindowSharing::Mode::Titles);
    sharing.pauseUntil(clock.now().addSecs(3600));
    QCOMPARE(sharing.pausedUntil(), clock.now().addSecs(3600));
    QCOMPARE(sharing.published(desktop()), QStringList());
    QCOMPARE(sharing.mode(), WindowSharing::Mode::Titles); // the choice stays

    clock.advanceMinutes(59);
    QCOMPARE(sharing.published(desktop()), QStringList());
    clock.advanceMinutes(1);
    QCOMPARE(sharing.pausedUntil(), std::nullopt);
    QCOMPARE(sharing.published(desktop()).size(), 5);

    sharing.pauseUntil(clock.now().addSecs(600));
    sharing.resume();
    QCOMPARE(sharing.published(desktop()).size(), 5);
}

void WindowSharingTest::theChoiceIsKeptInTheSettings() {
    const QString file = m_folder.filePath(QStringLiteral("kept.ini"));
    FixedClock clock(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    {
        Settings settings(file);
        WindowSharing sharing(settings, clock);
        sharing.setMode(WindowSharing::Mode::Applications);
        sharing.setHidePatterns(QStringLiteral("*Mail*"));
        sharing.pauseUntil(clock.now().addSecs(900));
    }
    Settings settings(file);
    QCOMPARE(settings.value(QStringLiteral("Share Windows")), QStringLiteral("applications"));
    QCOMPARE(settings.value(QStringLiteral("Hide Windows")), QStringLiteral("*Mail*"));
    WindowSharing sharing(settings, clock);
    QCOMPARE(sharing.mode(), WindowSharing::Mode::Applications);
    QVERIFY(sharing.hidden(QStringLiteral("Inbox - Mail")));
    QCOMPARE(sharing.pausedUntil(), clock.now().addSecs(900));

    // A value written by hand that this version does not know shares nothing.
    settings.setValue(QStringLiteral("Share Windows"), QStringLiteral("everything"));
    QCOMPARE(sharing.mode(), WindowSharing::Mode::Nothing);
    settings.setValue(QStringLiteral("Share Windows"), QStringLiteral(" Titles "));
    QCOMPARE(sharing.mode(), WindowSharing::Mode::Titles);
}

QTEST_GUILESS_MAIN(WindowSharingTest)
#include "tst_windowsharing.moc"
