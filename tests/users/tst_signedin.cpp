#include "MainWindowFixture.h"
#include "SignedInTeam.h"
#include "app/cli/CommandLine.h"
#include "app/frmMain.h"
#include "data/Schema.h"
#include "data/SignedIn.h"
#include "session/Shell.h"
#include "users/UserList.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QUrl>
#include <QtTest>

#define SIGNED_IN_ONLY()                                                                           \
    do {                                                                                           \
        if (!SignedInTeam::available())                                                            \
            QSKIP("Signed-in mode needs the private PostgreSQL test server");                      \
    } while (false)

namespace {

const QString AnnsTimeSentence =
    QStringLiteral("Only Ann or the manager of Website can change this time.");

QDateTime at(int hour, int minute) {
    return QDateTime(QDate(2026, 12, 7), QTime(hour, minute));
}

void clickCell(QTableView* grid, int row, int column) {
    const QModelIndex cell = grid->model()->index(row, column);
    grid->scrollTo(cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
}

// Three people on a signed-in database: Ann and Bob record time, Mia manages Website, Bob
// manages Zoo. Ann has one finished row on Website.
struct Team {
    explicit Team(MainWindowFixture& f)
        : logins(f) {
        ann = logins.addLogin(QStringLiteral("Ann"));
        bob = logins.addLogin(QStringLiteral("Bob"));
        mia = logins.addLogin(QStringLiteral("Mia"));
        website = f.addCategory(QStringLiteral("Website"), 0, mia);
        zoo = f.addCategory(QStringLiteral("Zoo"), 0, bob);
        annsRow = f.addTime(website, ann, at(9, 0), at(10, 0), 60);
        f.syncIds();
    }
    SignedInTeam logins;
    int ann = 0;
    int bob = 0;
    int mia = 0;
    int website = 0;
    int zoo = 0;
    int annsRow = 0;
};

// Opens the window as a login.
bool loadAs(MainWindowFixture& f, const Team& team, const QString& login) {
    f.databaseOverride = team.logins.locationFor(login);
    return f.load();
}

} // namespace

// Signed-in mode on a team server: each person works as their login, and the server refuses
// what its rules do not allow, from the program and from psql alike.
class SignedInTest : public QObject {
    Q_OBJECT

private slots:
    void withoutTheModeNothingChanges();
    void switchingOnKeepsRowsAndVersion();
    void windowWorksAsTheLogin();
    void loginWithoutUserIsToldWhoToAsk();
    void refusedDeleteIsASentence();
    void managerDeletesThroughTheWindow();
    void detailsOfAnotherUserAreRefused();
    void ownTimeAndOthersCategory();
    void psqlKeepsTheRules();
    void allocationNoticesComeFromTheirManager();
    void loginCannotBecomeAnotherUser();
    void commandLine();
};

void SignedInTest::withoutTheModeNothingChanges() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addUser(QStringLiteral("Bob"));
    QVERIFY(!SignedIn::isOn(f.database()));
    QVERIFY(!SignedIn::login(f.database()));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    QCOMPARE(f.state().currentUser->userId, ann);
    QVERIFY(f.control<QComboBox>(QStringLiteral("cboUser"))->isEnabled());
    if (!TestEnvironment::usesPostgres()) {
        // A file has no logins: the mode is refused, and --signed-in makes no file.
        try {
            SignedIn::require(f.database());
            QFAIL("signed-in mode was switched on for a file");
        } catch (const DatabaseError& error) {
            QVERIFY(error.message().startsWith(
                QStringLiteral("Signed-in mode is for a database on a PostgreSQL server.")));
        }
        const QString file = f.folder() + QStringLiteral("/team.db");
        const CommandLine line =
            CommandLine::parse({QStringLiteral("quillhour"), QStringLiteral("--create-database"),
                                file, QStringLiteral("--signed-in")});
        QCOMPARE(line.action, CommandLine::Action::CreateDatabase);
        QCOMPARE(runCommandLineAction(line, f.passwords), 1);
        QVERIFY(!QFile::exists(file));
    }
}

void SignedInTest::switchingOnKeepsRowsAndVersion() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, ann);
    f.addTime(design, ann, at(9, 0), at(9, 30), 30);
    f.addOpenTime(design, ann, at(11, 0));
    f.addNotification(ann, ann, design, 1, QStringLiteral("Not meeting expected minimums"));
    SignedInTeam team(f);
    QVERIFY(SignedIn::isOn(f.database()));
    // Again, as after an upgrade: the rules are made afresh, nothing else changes.
    SignedIn::require(f.database());
    QCOMPARE(Schema::version(f.database()), Schema::CurrentVersion);
    QCOMPARE(f.count(QStringLiteral("user")), 1);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 2);
    QCOMPARE(f.count(QStringLiteral("notification")), 1);
    // The owner is not held by the rules; a login is itself.
    QCOMPARE(team.addLogin(QStringLiteral("Ann")), ann);
    std::unique_ptr<Database> asAnn = Database::open(team.locationFor(QStringLiteral("Ann")));
    QCOMPARE(SignedIn::login(*asAnn).value_or(QString()), QStringLiteral("Ann"));
    QCOMPARE(asAnn->scalar(QStringLiteral("select quillhour_me()")).toInt(), ann);
}

void SignedInTest::windowWorksAsTheLogin() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    // The setting names Ann; the server knows this person as Bob.
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(loadAs(f, team, QStringLiteral("Bob")));
    QCOMPARE(f.state().currentUser->userId, team.bob);
    auto* cboUser = f.control<QComboBox>(QStringLiteral("cboUser"));
    QCOMPARE(cboUser->currentText(), QStringLiteral("Bob"));
    QVERIFY(!cboUser->isEnabled());
    QCOMPARE(cboUser->toolTip(), QStringLiteral("Signed in to the database server as Bob."));
    const auto active = [&](int userId) {
        return f.database()
            .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {userId})
            .toBool();
    };
    QVERIFY(active(team.bob));
    QVERIFY(!active(team.ann));
    // Leaving the box does not make anyone else current, nor offer to make a user.
    cboUser->setEditText(QStringLiteral("Ann"));
    f.window().userList().cboUser_LostFocus();
    f.systemTick();
    QCOMPARE(f.state().currentUser->userId, team.bob);
    QVERIFY(!active(team.ann));
    QCOMPARE(f.messages.unexpected(), 0);
    for (int i = 0; i < f.window().tabs->count(); ++i) {
        QVERIFY(f.window().tabs->isTabEnabled(i));
    }
}

void SignedInTest::loginWithoutUserIsToldWhoToAsk() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    team.logins.addLogin(QStringLiteral("Zed"));
    f.database().execute(QStringLiteral("delete from \"user\" where userName = 'Zed'"));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(loadAs(f, team, QStringLiteral("Zed")));
    QVERIFY(f.state().currentUser == nullptr);
    const QString owner = QUrl(TestEnvironment::postgresUrl()).userName();
    QVERIFY(f.messages.wasShown(
        QStringLiteral("You are signed in to the database server as Zed, but there is no "
                       "Quillhour user of that name. Ask %1 to add you with: quillhour "
                       "--add-login URL Zed")
            .arg(owner)));
    QVERIFY(!f.window().tabs->isTabEnabled(frmMain::ReportsTab));
    QVERIFY(f.window().tabs->isTabEnabled(Shell::SettingsTab));
    QVERIFY(!f.messages.wasShown(QStringLiteral(
        "There is no user set. Please select one from the list or type a user name")));
}

void SignedInTest::refusedDeleteIsASentence() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    QVERIFY(loadAs(f, team, QStringLiteral("Bob")));
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    QCOMPARE(grid->model()->rowCount(), 1);
    clickCell(grid, 0, 3);
    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdDeleteTime"))->click();
    QCOMPARE(f.messages.last().text, AnnsTimeSentence);
    QCOMPARE(f.messages.last().icon, Messages::Icon::Information);
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {team.annsRow}), 1);
    QCOMPARE(f.messages.unexpected(), 0);
}

void SignedInTest::managerDeletesThroughTheWindow() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    QVERIFY(loadAs(f, team, QStringLiteral("Mia")));
    f.window().tabs->setCurrentIndex(frmMain::ReportsTab);
    QTableView* grid = f.control<QTableView>(QStringLiteral("grid"));
    clickCell(grid, 0, 3);
    f.messages.answerYes();
    f.control<QPushButton>(QStringLiteral("cmdDeleteTime"))->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec"), QStringLiteral("timeId = ?"), {team.annsRow}), 0);
    // The trail keeps the delete in the manager's name, and Ann is told.
    QCOMPARE(f.count(QStringLiteral("tallyRecChange"),
                     QStringLiteral("timeId = ? and changedByUserId = ? and kind = 'delete'"),
                     {team.annsRow, team.mia}),
             1);
    QCOMPARE(f.count(QStringLiteral("notification"),
                     QStringLiteral("toUserId = ? and fromUserId = ? and subject = 'Time changed'"),
                     {team.ann, team.mia}),
             1);
    QCOMPARE(f.messages.last().text,
             QStringLiteral("Are you sure you want to delete this time entry?"));
    QCOMPARE(f.messages.unexpected(), 0);
}

void SignedInTest::detailsOfAnotherUserAreRefused() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    QVERIFY(loadAs(f, team, QStringLiteral("Bob")));
    UserList& users = f.window().userList();
    const auto email = [&](int userId) {
        return f.database()
            .scalar(QStringLiteral("select email from \"user\" where userId = ?"), {userId})
            .toString();
    };
    users.loadUserAttributes(users.getUserById(team.ann));
    f.control<QLineEdit>(QStringLiteral("txtEmail"))->setText(QStringLiteral("bob@example.org"));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.messages.last().text,
             QStringLiteral(
                 "Only Ann, whose details these are, or a team administrator can change them."));
    QCOMPARE(email(team.ann), QString());

    users.loadUserAttributes(users.getUserById(team.bob));
    f.control<QLineEdit>(QStringLiteral("txtEmail"))->setText(QStringLiteral("bob@example.org"));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(email(team.bob), QStringLiteral("bob@example.org"));

    // Renaming oneself would take another's place: a name is a login, renamed with it.
    QVERIFY(f.control<QLineEdit>(QStringLiteral("txtUserName"))->isReadOnly());
    f.control<QLineEdit>(QStringLiteral("txtUserName"))->setText(QStringLiteral("Ann"));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.messages.last().text,
             QStringLiteral("A user's name is their login: a team administrator renames both "
                            "with: quillhour --rename-login URL Bob NEW-NAME"));
    QCOMPARE(f.count(QStringLiteral("user"), QStringLiteral("userName = 'Bob'")), 1);
    QCOMPARE(f.messages.unexpected(), 0);
}

void SignedInTest::ownTimeAndOthersCategory() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    QVERIFY(loadAs(f, team, QStringLiteral("Bob")));
    // Bob records his own time on Mia's category.
    f.control<QPushButton>(QStringLiteral("cmdStartNow"))->click();
    QCOMPARE(f.count(QStringLiteral("tallyRec"),
                     QStringLiteral("userId = ? and categoryId = ? and endTime is null"),
                     {team.bob, team.website}),
             1);
    // The category itself is Mia's to change.
    f.window().tabs->setCurrentIndex(frmMain::TasksTab);
    f.window().tabs->setCurrentIndex(frmMain::CategoryTab);
    QCOMPARE(f.control<QLineEdit>(QStringLiteral("txtCategory"))->text(),
             QStringLiteral("Website"));
    f.control<QPlainTextEdit>(QStringLiteral("txtDescription"))
        ->setPlainText(QStringLiteral("Bob's now"));
    f.control<QPushButton>(QStringLiteral("cmdSave"))->click();
    QCOMPARE(f.messages.last().text,
             QStringLiteral(
                 "Only the manager of Website or a team administrator can change this category."));
    QVERIFY(f.database()
                .scalar(QStringLiteral("select description from category where categoryId = ?"),
                        {team.website})
                .toString()
                .isEmpty());
    QCOMPARE(f.messages.unexpected(), 0);
}

void SignedInTest::psqlKeepsTheRules() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    SignedInTeam& logins = team.logins;
    const auto refused = [&](const QString& login, const QString& sql, const QString& sentence) {
        const SignedInTeam::PsqlRun run = logins.psql(login, sql);
        return run.exitCode != 0 && run.errors.contains(sentence)
                   ? QString()
                   : QStringLiteral("%1 ran %2: exit %3, %4")
                         .arg(login, sql)
                         .arg(run.exitCode)
                         .arg(run.errors);
    };
    const auto allowed = [&](const QString& login, const QString& sql) {
        const SignedInTeam::PsqlRun run = logins.psql(login, sql);
        return run.exitCode == 0 ? QString()
                                 : QStringLiteral("%1 ran %2: exit %3, %4")
                                       .arg(login, sql)
                                       .arg(run.exitCode)
                                       .arg(run.errors);
    };
#define REFUSED(login, sql, sentence)                                                              \
    do {                                                                                           \
        const QString problem = refused(QStringLiteral(login), sql, sentence);                     \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                          \
    } while (false)
#define ALLOWED(login, sql)                                                                        \
    do {                                                                                           \
        const QString problem = allowed(QStringLiteral(login), sql);                               \
        QVERIFY2(problem.isEmpty(), qPrintable(problem));                                          \
    } while (false)
    const QString row = QString::number(team.annsRow);
    const QString ann = QString::number(team.ann);
    const QString bob = QString::number(team.bob);
    const QString website = QString::number(team.website);
    const QString zoo = QString::number(team.zoo);
    const auto duration = [&] {
        return f.database()
            .scalar(QStringLiteral("select duration from tallyRec where timeId = ?"),
                    {team.annsRow})
            .toInt();
    };

    // Time rows: another person's are refused, whatever the statement.
    REFUSED("Bob", "update tallyRec set duration = 1 where timeId = " + row, AnnsTimeSentence);
    REFUSED("Bob", "update tallyRec set userId = " + bob + " where timeId = " + row,
            AnnsTimeSentence);
    REFUSED("Bob", "delete from tallyRec where timeId = " + row, AnnsTimeSentence);
    REFUSED("Bob", "delete from tallyRec", AnnsTimeSentence);
    REFUSED("Bob",
            "insert into tallyRec (startTime, categoryId, userId) values ('2026-12-07 12:00', " +
                website + ", " + ann + ")",
            QStringLiteral("Only Ann can record their own time."));
    QCOMPARE(duration(), 60);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 1);
    // One's own: made, changed, deleted.
    ALLOWED("Bob", "insert into tallyRec (startTime, categoryId, userId) values ('2026-12-07 "
                   "12:00', " +
                       website + ", " + bob +
                       "); update tallyRec set duration = 5 where userId = " + bob +
                       "; delete from tallyRec where userId = " + bob);
    ALLOWED("Ann", "update tallyRec set duration = 61 where timeId = " + row);
    QCOMPARE(duration(), 61);
    // The manager of the category changes it, but may not move it where he is no manager.
    ALLOWED("Mia", "update tallyRec set duration = 62 where timeId = " + row);
    QCOMPARE(duration(), 62);
    REFUSED("Mia", "update tallyRec set categoryId = " + zoo + " where timeId = " + row,
            QStringLiteral("Only Ann or the manager of Zoo can change this time."));
    ALLOWED("Mia", "delete from tallyRec where timeId = " + row);
    QCOMPARE(f.count(QStringLiteral("tallyRec")), 0);

    // Window lists: one's own only; the change counts still move.
    const auto processCount = [&] {
        return f.database().scalar(QStringLiteral("select processes from dataChange")).toInt();
    };
    const int counted = processCount();
    ALLOWED("Ann", "insert into process (userId, processName) values (" + ann + ", 'Editor')");
    QVERIFY(processCount() > counted);
    REFUSED("Bob", "delete from process where userId = " + ann,
            QStringLiteral("Only Ann can change their own list of windows."));
    REFUSED("Bob", "insert into process (userId, processName) values (" + ann + ", 'Fake')",
            QStringLiteral("Only Ann can change their own list of windows."));
    ALLOWED("Bob", "insert into process (userId, processName) values (" + bob +
                       ", 'Mail'); delete from process where userId = " + bob);
    QCOMPARE(f.count(QStringLiteral("process")), 1);

    // Presence and details: one's own row, never its name; users are the administrators'.
    ALLOWED("Bob", "update \"user\" set active = true, email = 'b@x' where userId = " + bob);
    REFUSED("Bob", "update \"user\" set active = true where userId = " + ann,
            QStringLiteral(
                "Only Ann, whose details these are, or a team administrator can change them."));
    REFUSED("Bob", "insert into \"user\" (userName) values ('Eve')",
            QStringLiteral("Only a team administrator can add, rename or delete users."));
    REFUSED("Bob", "delete from \"user\" where userId = " + ann,
            QStringLiteral("Only a team administrator can add, rename or delete users."));
    QCOMPARE(f.count(QStringLiteral("user")), 3);

    // Notifications: sent by anyone in their own name; marked and deleted by the addressee.
    REFUSED("Bob",
            "insert into notification (fromUserId, toUserId, subject) values (" + ann + ", " + bob +
                ", 'Forged')",
            QStringLiteral("A notification can only be sent in your own name."));
    ALLOWED("Bob", "insert into notification (fromUserId, toUserId, subject, status) values (" +
                       bob + ", " + ann + ", 'Hello', 'Unread')");
    REFUSED("Bob", "update notification set status = 'Read'",
            QStringLiteral("Only Ann, to whom it was sent, can mark or delete this notification."));
    REFUSED("Ann", "update notification set subject = 'Changed'",
            QStringLiteral("Only Ann, to whom it was sent, can mark or delete this notification."));
    ALLOWED("Ann", "update notification set status = 'Read'");
    // Bob's, and the server's two of Mia's changes to Ann's time above.
    QCOMPARE(f.count(QStringLiteral("notification"), QStringLiteral("status = 'Read'")), 3);
    ALLOWED("Ann", "delete from notification");
    QCOMPARE(f.count(QStringLiteral("notification")), 0);

    // Categories: added by anyone, changed by their manager.
    REFUSED("Bob", "update category set description = 'x' where categoryId = " + website,
            QStringLiteral(
                "Only the manager of Website or a team administrator can change this category."));
    ALLOWED("Mia", "update category set description = 'Ours' where categoryId = " + website);
    ALLOWED("Bob", "insert into category (category, ownerUserId) values ('Blog', " + bob + ")");
    QCOMPARE(f.count(QStringLiteral("category")), 3);

    // The trail of changes: the server's own (Bob's, Ann's and Mia's edits above), never written,
    // changed or deleted by anyone else.
    REFUSED("Bob",
            "insert into tallyRecChange (timeId, userId, changedByUserId, changeDate, kind) "
            "values (" +
                row + ", " + ann + ", " + bob + ", '2026-12-07 12:00:00', 'edit')",
            QStringLiteral("Changes to time are recorded by the server itself."));
    REFUSED("Bob", "update tallyRecChange set kind = 'delete'",
            QStringLiteral("The record of changes to time stays as it was written."));
    REFUSED("Mia", "delete from tallyRecChange",
            QStringLiteral("The record of changes to time stays as it was written."));
    QCOMPARE(f.count(QStringLiteral("tallyRecChange"), QStringLiteral("kind = 'edit'")), 3);

    // What nobody on the team writes.
    const SignedInTeam::PsqlRun counters =
        logins.psql(QStringLiteral("Bob"), QStringLiteral("update dataChange set users = 0"));
    QVERIFY(counters.exitCode != 0);
    QVERIFY2(counters.errors.contains(QStringLiteral("permission denied")),
             qPrintable(counters.errors));
    // Everything stays readable.
    const SignedInTeam::PsqlRun reading = logins.psql(
        QStringLiteral("Bob"), QStringLiteral("select count(*) from \"user\"; select count(*) "
                                              "from allocationPeriod"));
    QCOMPARE(reading.exitCode, 0);
    QCOMPARE(reading.output, QStringLiteral("3\n6"));
#undef REFUSED
#undef ALLOWED
}

void SignedInTest::allocationNoticesComeFromTheirManager() {
    // The start-up check sends each manager's notices in the manager's name: in signed-in mode
    // only from the manager's own window, and nobody else's start fails on them.
    SIGNED_IN_ONLY();
    for (const QString& login : {QStringLiteral("Bob"), QStringLiteral("Mia")}) {
        MainWindowFixture f;
        Team team(f);
        const int shortOf = f.addCategory(QStringLiteral("Short"), 0, team.mia, 2, 2, 0, 1,
                                          f.clock.now().addDays(-14));
        QVERIFY(loadAs(f, team, login));
        for (const ScriptedMessages::Shown& shown : f.messages.shown()) {
            QVERIFY2(shown.icon != Messages::Icon::Critical, qPrintable(shown.text));
        }
        const int expected = login == QLatin1String("Mia") ? 1 : 0;
        QCOMPARE(f.count(QStringLiteral("notification"),
                         QStringLiteral("fromUserId = ? and toUserId = ? and categoryId = ?"),
                         {team.mia, team.mia, shortOf}),
                 expected);
        QCOMPARE(f.count(QStringLiteral("notification")), expected);
    }
}

void SignedInTest::loginCannotBecomeAnotherUser() {
    SIGNED_IN_ONLY();
    MainWindowFixture f;
    Team team(f);
    for (const QString& attempt :
         {QStringLiteral("set role \"Ann\""), QStringLiteral("set session authorization \"Ann\""),
          QStringLiteral("update \"user\" set userName = 'Ann' where userName = 'Bob'")}) {
        const SignedInTeam::PsqlRun run = team.logins.psql(QStringLiteral("Bob"), attempt);
        QVERIFY2(run.exitCode != 0, qPrintable(attempt));
    }
    const SignedInTeam::PsqlRun me = team.logins.psql(
        QStringLiteral("Bob"),
        QStringLiteral("set role \"%1_team\"; select quillhour_me()")
            .arg(f.database().scalar(QStringLiteral("select current_database()")).toString()));
    QCOMPARE(me.output, QString::number(team.bob));
    // The window, given Ann's name in its setting and on its command line, is still Bob's.
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(loadAs(f, team, QStringLiteral("Bob")));
    QCOMPARE(f.state().currentUser->userName, QStringLiteral("Bob"));
}

void SignedInTest::commandLine() {
    SIGNED_IN_ONLY();
    TestEnvironment env;
    const auto parse = [](const QStringList& arguments) {
        return CommandLine::parse(QStringList{QStringLiteral("quillhour")} + arguments);
    };
    QCOMPARE(parse({QStringLiteral("--add-login"), env.location()}).action,
             CommandLine::Action::Error);
    QCOMPARE(parse({QStringLiteral("--signed-in")}).action, CommandLine::Action::Error);
    QCOMPARE(
        parse({QStringLiteral("--rename-login"), env.location(), QStringLiteral("Pat")}).action,
        CommandLine::Action::Error);
    const CommandLine rename = parse({QStringLiteral("--rename-login"), env.location(),
                                      QStringLiteral("Pat"), QStringLiteral("Patty")});
    QCOMPARE(rename.action, CommandLine::Action::RenameLogin);
    QCOMPARE(rename.loginName + rename.newLoginName, QStringLiteral("PatPatty"));
    QCOMPARE(
        parse({QStringLiteral("--require-sign-in"), env.location(), QStringLiteral("--signed-in")})
            .action,
        CommandLine::Action::Error);

    // Logins are added once the mode is on.
    const CommandLine pat =
        parse({QStringLiteral("--add-login"), env.location(), QStringLiteral("Pat")});
    QCOMPARE(pat.action, CommandLine::Action::AddLogin);
    QCOMPARE(pat.loginName, QStringLiteral("Pat"));
    QCOMPARE(runCommandLineAction(pat, env.passwords), 1);
    QCOMPARE(env.count(QStringLiteral("user")), 0);

    QCOMPARE(runCommandLineAction(parse({QStringLiteral("--require-sign-in"), env.location()}),
                                  env.passwords),
             0);
    QVERIFY(SignedIn::isOn(env.database()));
    QCOMPARE(runCommandLineAction(pat, env.passwords), 0);
    QCOMPARE(runCommandLineAction(pat, env.passwords), 0); // there already: nothing twice
    QCOMPARE(env.count(QStringLiteral("user"), QStringLiteral("userName = 'Pat'")), 1);
    QVERIFY(env.database()
                .scalar(QStringLiteral("select pg_has_role('Pat', ?, 'MEMBER')"),
                        {SignedIn::teamRole(env.database())})
                .toBool());

    // Renamed together: the login and the user, who keeps their id (and so their time). The
    // new name is this run's alone, as logins outlive the database.
    const int patId =
        env.database()
            .scalar(QStringLiteral("select userId from \"user\" where userName = 'Pat'"))
            .toInt();
    const QString renamed = QStringLiteral("Pat %1").arg(QCoreApplication::applicationPid());
    const CommandLine patty = parse({QStringLiteral("--rename-login"), env.location(),
                                     QStringLiteral("Pat"), QLatin1Char(' ') + renamed});
    QCOMPARE(runCommandLineAction(patty, env.passwords), 0);
    QCOMPARE(env.count(QStringLiteral("user"), QStringLiteral("userName = ? and userId = ?"),
                       {renamed, patId}),
             1);
    QCOMPARE(env.count(QStringLiteral("pg_roles"), QStringLiteral("rolname = ?"), {renamed}), 1);
    QCOMPARE(env.count(QStringLiteral("pg_roles"), QStringLiteral("rolname = 'Pat'")), 0);
    QCOMPARE(runCommandLineAction(patty, env.passwords), 1); // no user named Pat any more

    // A database made in the mode from the start.
    const QString made = env.newLocation(QStringLiteral("made"));
    // newLocation makes an empty database on the server; --create-database fills it.
    QCOMPARE(runCommandLineAction(
                 parse({QStringLiteral("--create-database"), made, QStringLiteral("--signed-in")}),
                 env.passwords),
             0);
    std::unique_ptr<Database> opened = Database::open(made);
    QVERIFY(SignedIn::isOn(*opened));
}

QTEST_MAIN(SignedInTest)
#include "tst_signedin.moc"
