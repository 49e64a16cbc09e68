#include "MainWindowFixture.h"
#include "app/SettingsPage.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// Choosing a database that is not made yet, a file or an empty server database: Quillhour makes
// its tables there when asked to, remembers a first choice, and never shows a server's password.
class DatabaseChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void missingDatabaseReplacedByANewOne();
    void storedDatabaseGoneMissingIsKept();
    void settingsPageTakesANewDatabase();
    void emptyFileIsCalledEmpty();
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
    // The first start remembers the choice.
    QCOMPARE(f.settings.database(), fresh);
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtDatabasePath"))->text(),
             Database::displayLocation(fresh));
}

void DatabaseChoiceTest::storedDatabaseGoneMissingIsKept() {
    QUILLHOUR_SQLITE_ONLY("a file that has gone");
    MainWindowFixture f;
    const QString gone = f.folder() + QStringLiteral("/usb-stick/team.db");
    f.settings.setDatabase(gone);
    const QString elsewhere = f.newLocation(QStringLiteral("meanwhile.db"));
    f.messages.chooseFile(elsewhere);
    QVERIFY(f.load());
    QCOMPARE(f.state().database->location(), Database::displayLocation(elsewhere));
    // Used for this run only: the stick may come back.
    QCOMPARE(f.settings.database(), gone);
}

void DatabaseChoiceTest::settingsPageTakesANewDatabase() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    QVERIFY(f.load());
    f.messages.clear();
    const QString fresh = f.newLocation(QStringLiteral("next.db"));
    auto* box = f.control<QLineEdit>(QStringLiteral("txtDatabasePath"));
    // Typed, a place without a database is refused: nothing is made unasked.
    box->setText(fresh);
    emit box->editingFinished();
    QCOMPARE(f.messages.shown().size(), 1);
    // A server's address is kept without its password (the password store has it).
    QCOMPARE(f.settings.database(), Database::displayLocation(f.location()));
    // "New Database" in the browse dialog asks for one.
    f.messages.clear();
    f.messages.chooseFile(fresh);
    f.control<QPushButton>(QStringLiteral("cmdBrowse_1"))->click();
    QCOMPARE(f.messages.shown().size(), 0);
    QCOMPARE(f.settings.database(), Database::displayLocation(fresh));
    QCOMPARE(box->text(), Database::displayLocation(fresh));
    auto made = Database::open(fresh);
    QCOMPARE(made->scalar(QStringLiteral("select count(*) from allocationPeriod")).toInt(), 6);
    // Leaving the box unchanged (it shows the address without a password) changes nothing.
    emit box->editingFinished();
    QCOMPARE(f.settings.database(), Database::displayLocation(fresh));
}

void DatabaseChoiceTest::emptyFileIsCalledEmpty() {
    QUILLHOUR_SQLITE_ONLY("an empty file");
    MainWindowFixture f;
    const QString empty = f.folder() + QStringLiteral("/empty.db");
    QFile file(empty);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    f.settings.setDatabase(empty);
    QVERIFY(!f.load());
    QVERIFY2(f.messages.last().text.contains(QStringLiteral("is empty")),
             qPrintable(f.messages.last().text));
    QVERIFY(!f.messages.last().text.contains(QStringLiteral("not a Quillhour database")));
    QCOMPARE(QFileInfo(empty).size(), 0);
}

QTEST_MAIN(DatabaseChoiceTest)
#include "tst_databasechoice.moc"
