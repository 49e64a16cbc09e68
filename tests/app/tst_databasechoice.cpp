#include "MainWindowFixture.h"
#include "app/SettingsPage.h"

#include <QLineEdit>
#include <QtTest>

// Choosing a database that is not made yet, a file or an empty server database: Quillhour makes
// its tables there, and never shows a server's password.
class DatabaseChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void missingDatabaseReplacedByANewOne();
    void settingsPageTakesANewDatabase();
};

void DatabaseChoiceTest::missingDatabaseReplacedByANewOne() {
    MainWindowFixture f;
    f.settings.setDatabase(QString());
    const QString fresh = f.newLocation(QStringLiteral("fresh.db"));
    f.messages.chooseFile(fresh);
    QVERIFY(f.load());
    QCOMPARE(f.messages.shown().first().text,
             QStringLiteral(
                 "The database could not be located. Please select a valid database to continue"));
    QCOMPARE(
        f.state().database->scalar(QStringLiteral("select count(*) from productivity")).toInt(), 4);
    QCOMPARE(f.settings.database(), QString());
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtDatabasePath"))->text(),
             Database::displayLocation(fresh));
}

void DatabaseChoiceTest::settingsPageTakesANewDatabase() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    f.messages.clear();
    const QString fresh = f.newLocation(QStringLiteral("next.db"));
    auto* box = f.control<QLineEdit>(QStringLiteral("txtDatabasePath"));
    box->setText(fresh);
    emit box->editingFinished();
    QCOMPARE(f.messages.shown().size(), 0);
    QCOMPARE(f.settings.database(), fresh);
    QCOMPARE(box->text(), Database::displayLocation(fresh));
    auto made = Database::open(fresh);
    QCOMPARE(made->scalar(QStringLiteral("select count(*) from allocationPeriod")).toInt(), 6);
    // Leaving the box unchanged (it shows the address without a password) changes nothing.
    emit box->editingFinished();
    QCOMPARE(f.settings.database(), fresh);
}

QTEST_MAIN(DatabaseChoiceTest)
#include "tst_databasechoice.moc"
