#include "MainWindowFixture.h"
#include "app/Translations.h"
#include "app/frmHelp.h"
#include "tracking/Reminders.h"
#include "tracking/TasksPage.h"
#include "tracking/frmReminder.h"
#include "widgets/PictureButton.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QtTest>

// The program in German: CTest starts this test with LANG=de_DE.UTF-8, as a German desktop
// starts the program, and the test loads the translations as the program does at start.
class GermanTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void mainWindowSpeaksGerman();
    void qtsOwnTextsToo();
};

void GermanTest::initTestCase() {
    // Nothing but the system's language chooses: no generated C library locale is needed.
    QCOMPARE(QLocale::system().name(), QStringLiteral("de_DE"));
    QCOMPARE(Translations::install(*qApp), QStringLiteral("de"));
}

void GermanTest::mainWindowSpeaksGerman() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    f.settings.setPromptFrequency(QStringLiteral("15"));
    QVERIFY(f.load());
    frmMain& window = f.window();
    QStringList captions;
    for (int i = 0; i < window.tabs->count(); ++i) {
        captions.append(window.tabs->tabText(i));
    }
    QCOMPARE(captions,
             QStringList({"Aufgaben", "Eigenschaften", "Einstellungen", "Berichte", "Produktivität",
                          "Benachrichtigungen", "Benutzer", "Stundenzettel"}));
    // Every caption shows at the size the window opens with: none behind the scroll arrows.
    QVERIFY2(window.tabs->tabBar()->sizeHint().width() <= window.tabs->width(),
             qPrintable(QStringLiteral("%1 > %2")
                            .arg(window.tabs->tabBar()->sizeHint().width())
                            .arg(window.tabs->width())));
    QCOMPARE(window.picButton[4]->toolTip(), QStringLiteral("Hilfe und Informationen anzeigen"));
    QCOMPARE(window.picButton[4]->accessibleName(),
             QStringLiteral("Hilfe und Informationen anzeigen"));
    QCOMPARE(f.control<QPushButton>(QStringLiteral("cmdCreateNow"))->text(),
             QStringLiteral("&Anlegen"));
    QCOMPARE(f.control<QAbstractButton>(QStringLiteral("chkPrompt"))->text(),
             QStringLiteral("Alle 15 Minuten erinnern"));
    QVERIFY(window.lblDetails->text().startsWith(QStringLiteral("Willkommen Ann")));
    // The reminder's button that throws the task's time away never reads like Finish, which
    // keeps it.
    QCOMPARE(window.reminders().window().cmdStop->text(), QStringLiteral("Zeit verwerfen"));
    // The handbook in German.
    frmHelp help(&window);
    QCOMPARE(help.txtGuide->documentTitle(), QStringLiteral("Erste Schritte"));
    QCOMPARE(window.tasksPage->cmdStop->text(), QStringLiteral("&Beenden"));
}

void GermanTest::qtsOwnTextsToo() {
    // The standard buttons of message boxes come from Qt's own German translation.
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
}

QTEST_MAIN(GermanTest)
#include "tst_german.moc"
