#include "MainWindowFixture.h"
#include "app/SettingsPage.h"
#include "app/frmWelcome.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// Choosing a database that is not made yet, a file or an empty server database: Quillhour makes
// its tables there when asked to, remembers a first choice, and never shows a server's password.
// A first start asks for the database, the person and a first category in one window.
class DatabaseChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartAsksEverythingInOneWindow();
    void firstStartJoinsATeamsDatabase();
    void storedDatabaseGoneMissingIsKept();
    void settingsPageTakesANewDatabase();
    void emptyFileIsCalledEmpty();
};

void DatabaseChoiceTest::firstStartAsksEverythingInOneWindow() {
    using Place = Messages::FirstStart::Place;
    MainWindowFixture f;
    f.settings.setDatabase(QString());
    const QString fresh = f.newLocation(QStringLiteral("fresh.db"));
    const QString nowhere = f.folder() + QStringLiteral("/nowhere.db");
    f.messages.acceptWelcome(Messages::FirstStart{
        Place::ExistingFile, nowhere, QStringLiteral("Zoë Kent"), QStringLiteral("Garden")});
    f.messages.acceptWelcome(Messages::FirstStart{f.usesPostgres() ? Place::Server : Place::NewFile,
                                                  fresh, QStringLiteral("Zoë Kent"),
                                                  QStringLiteral("Garden")});
    QVERIFY(f.load());
    // A file that is not there is said, and the window comes again with what was typed.
    QCOMPARE(f.messages.texts(),
             QStringList{QStringLiteral("There is no database file at %1.").arg(nowhere)});
    QCOMPARE(f.messages.welcomesShown(), 2);
    QCOMPARE(f.messages.lastWelcome().location, nowhere);

    Database& db = *f.state().database;
    QCOMPARE(db.scalar(QStringLiteral("select count(*) from productivity")).toInt(), 4);
    // Stored as the Settings page stores it: a server's password goes to the password store.
    QCOMPARE(f.settings.database(), Database::displayLocation(fresh));
    QCOMPARE(f.settings.user(), QStringLiteral("Zoë Kent"));
    const ResultSet made = db.query(QStringLiteral(
        "select category.category, productivity.productivity, category.startDate, "
        "\"user\".userName from category join productivity on productivity.productivityId = "
        "category.productivityId join \"user\" on \"user\".userId = category.ownerUserId"));
    QCOMPARE(made.count(), 1);
    QCOMPARE(made.first().text(0), QStringLiteral("Garden"));
    QCOMPARE(made.first().text(1), QStringLiteral("Normal"));
    QCOMPARE(made.first().dateTime(2), QDateTime(QDate(2026, 12, 7), QTime(0, 0)));
    QCOMPARE(made.first().text(3), QStringLiteral("Zoë Kent"));
    // Ready to start: the Tasks page on that category, as that person.
    QCOMPARE(f.state().currentUser->userName, QStringLiteral("Zoë Kent"));
    QCOMPARE(f.state().selectedCategory->categoryName, QStringLiteral("Garden"));
    QCOMPARE(f.window().tabs->currentIndex(), int(Shell::TasksTab));
    QCOMPARE(f.window().focusWidget(), f.control<QPushButton>(QStringLiteral("cmdStartNow")));
}

void DatabaseChoiceTest::firstStartJoinsATeamsDatabase() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    f.settings.setDatabase(QString());
    f.settings.setUser(QString());
    f.messages.acceptWelcome(
        Messages::FirstStart{f.usesPostgres() ? Messages::FirstStart::Place::Server
                                              : Messages::FirstStart::Place::ExistingFile,
                             f.location(), QStringLiteral("Ann"), QStringLiteral("General")});
    QVERIFY(f.load());
    // What the window offered first: a new file in the program's folder, the account's name.
    QCOMPARE(f.messages.lastWelcome().location, f.ownFolder + QStringLiteral("/quillhour.db"));
    QCOMPARE(f.messages.lastWelcome().userName, frmWelcome::accountName());
    QCOMPARE(f.messages.lastWelcome().categoryName, QStringLiteral("General"));
    // Ann is told she is the Ann already there; the team's categories stay as they are.
    QCOMPARE(f.messages.shown().size(), 1);
    QVERIFY2(f.messages.last().text.contains(QStringLiteral("is a user of this database already")),
             qPrintable(f.messages.last().text));
    QCOMPARE(f.count(QStringLiteral("user")), 1);
    QCOMPARE(f.count(QStringLiteral("category")), 1);
    QCOMPARE(f.state().currentUser->userName, QStringLiteral("Ann"));
    QCOMPARE(f.state().selectedCategory->categoryName, QStringLiteral("Design"));
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
