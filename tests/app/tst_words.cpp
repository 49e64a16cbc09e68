#include "MainWindowFixture.h"
#include "app/SettingsPage.h"
#include "app/Translations.h"
#include "tracking/AwayRule.h"
#include "tracking/Reminders.h"
#include "tracking/TaskProgress.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

// Counts as people read them: one of a thing in the singular, more in the plural, with the
// described texts as they are for the counts they describe. CTest starts this test on an Italian
// desktop, for which the program has no translation: it speaks English, and so do Qt's texts.
class WordsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void countsOfOne();
};

void WordsTest::initTestCase() {
    QCOMPARE(Translations::install(*qApp), QStringLiteral("en"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
}

void WordsTest::countsOfOne() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    f.settings.setPromptFrequency(QStringLiteral("1"));
    QVERIFY(f.load());
    auto* prompt = f.control<QAbstractButton>(QStringLiteral("chkPrompt"));
    auto* unit = f.control<QLabel>(QStringLiteral("lblFrequencyMinutes"));
    QCOMPARE(prompt->text(), QStringLiteral("Prompt every 1 minute"));
    QCOMPARE(unit->text(), QStringLiteral("minute"));
    f.window().settingsPage->txtFrequency->setText(QStringLiteral("10"));
    f.window().reminders().txtFrequency_Change();
    QCOMPARE(prompt->text(), QStringLiteral("Prompt every 10 minutes"));
    QCOMPARE(unit->text(), QStringLiteral("minutes"));

    f.control<QLineEdit>(QStringLiteral("txtDuration"))->setText(QStringLiteral("1"));
    QCOMPARE(f.control<QLabel>(QStringLiteral("lblMinutes"))->text(), QStringLiteral("minute"));
    f.control<QAbstractButton>(QStringLiteral("cmdCreateNow"))->click();
    QCOMPARE(f.messages.last().text, QStringLiteral("1 minute has been add against Design"));

    QCOMPARE(TaskProgress::percentText(0.5, QStringLiteral("1")), QStringLiteral("50 % of 1 hour"));
    const QDateTime now = f.clock.now();
    QCOMPARE(AwayRule::question({now, now.addSecs(60)}),
             QStringLiteral("You were away from 10:00 to 10:01 (1 minute) while these tasks ran:"));
}

QTEST_MAIN(WordsTest)
#include "tst_words.moc"
