#include "SignedInTeam.h"
#include "data/SignedIn.h"

#include <QUrl>
#include <QtTest>
#include <array>

// Everything a login could try on a signed-in team server through psql, as each kind of login:
// the owner, an administrator, a manager, an ordinary member, a team login without a user and a
// login that is not on the team. Each attempt is allowed, or refused with the sentence the
// person reads; the rows afterwards show what held.
class SignedInAttacksTest : public QObject {
    Q_OBJECT

private slots:
    void attackTable();
    void administratorsLetPeopleIn();
};

namespace {

// Ann and Bob record time, Mia manages Website and its sub-category Web2, Bob manages Zoo, Ada
// administers the team; Zed is on the team without a user, Out is not on it. Ann has one
// finished hour on Website. Cy's login is renamed, and is this test's alone.
struct Team {
    explicit Team(TestEnvironment& env)
        : logins(env) {
        for (const QString& name : {QStringLiteral("Ann"), QStringLiteral("Bob"),
                                    QStringLiteral("Mia"), QStringLiteral("Zed"), cy}) {
            ids[name] = logins.addLogin(name);
        }
        ids[QStringLiteral("Ada")] = logins.addAdministrator(QStringLiteral("Ada"));
        env.database().execute(QStringLiteral("delete from \"user\" where userName = 'Zed'"));
        logins.addOutsider(QStringLiteral("Out"));
        website = env.addCategory(QStringLiteral("Website"), 0, ids.value(QStringLiteral("Mia")));
        web2 = env.addCategory(QStringLiteral("Web2"), website, ids.value(QStringLiteral("Mia")));
        zoo = env.addCategory(QStringLiteral("Zoo"), 0, ids.value(QStringLiteral("Bob")));
        database = env.database().scalar(QStringLiteral("select current_database()")).toString();
        row = env.addTime(website, ids.value(QStringLiteral("Ann")),
                          QDateTime(QDate(2026, 12, 7), QTime(9, 0)),
                          QDateTime(QDate(2026, 12, 7), QTime(10, 0)), 60);
    }
    // Fills in {Ann}, {website}, {row}, {team}, ... in a statement.
    QString sql(QString text) const {
        for (auto each = ids.cbegin(); each != ids.cend(); ++each) {
            text.replace(QLatin1Char('{') + each.key() + QLatin1Char('}'),
                         QString::number(each.value()));
        }
        return text.replace(QStringLiteral("{website}"), QString::number(website))
            .replace(QStringLiteral("{web2}"), QString::number(web2))
            .replace(QStringLiteral("{zoo}"), QString::number(zoo))
            .replace(QStringLiteral("{row}"), QString::number(row))
            .replace(QStringLiteral("{db}"), database);
    }
    SignedInTeam logins;
    const QString cy = QStringLiteral("Cy %1").arg(QCoreApplication::applicationPid());
    QMap<QString, int> ids;
    QString database;
    int website = 0;
    int web2 = 0;
    int zoo = 0;
    int row = 0;
};

QString owner() {
    return QUrl(TestEnvironment::postgresUrl()).userName();
}

} // namespace

void SignedInAttacksTest::attackTable() {
    if (!SignedInTeam::available()) {
        QSKIP("Signed-in mode needs the private PostgreSQL test server");
    }
    TestEnvironment env;
    Team team(env);
    const QString annsTime =
        QStringLiteral("Only Ann or the manager of Website can change this time.");
    const QString staysAsWritten =
        QStringLiteral("The record of changes to time stays as it was written.");
    const QString parent = QStringLiteral(
        "A category cannot be placed under itself or one of its own sub-categories.");
    // Who, what, and the refusal they read (nothing: allowed).
    const QList<std::array<QString, 3>> attempts = {
        // An ordinary member books time in another's name, forges the trail, shadows the rules.
        {"Bob",
         "insert into category (category, ownerUserId) values ('Overtime', {Bob}); insert "
         "into tallyRec (startTime, endTime, duration, categoryId, userId) select "
         "'2026-12-06 08:00', '2026-12-06 16:00', 480, categoryId, {Bob} from category "
         "where category = 'Overtime'",
         ""},
        {"Bob", "update tallyRec set userId = {Ann} where userId = {Bob}",
         "Time stays in the name of Bob, who recorded it."},
        {"Bob", "update category set ownerUserId = {Ann} where category = 'Overtime'", ""},
        {"Bob",
         "insert into tallyRecChange (timeId, userId, changedByUserId, changeDate, kind) "
         "values ({row}, {Ann}, {Bob}, '2026-12-07 12:00', 'edit')",
         "Changes to time are recorded by the server itself."},
        {"Bob",
         "insert into notification (fromUserId, toUserId, subject) values ({Ann}, {Bob}, "
         "'Forged')",
         "A notification can only be sent in your own name."},
        {"Bob",
         "create temp table \"user\" (userId integer, userName text); insert into \"user\" "
         "values ({Ann}, 'Bob'); create function pg_temp.quillhour_me() returns integer "
         "language sql as 'select {Ann}'; update tallyRec set duration = 1 where timeId = "
         "{row}",
         annsTime},
        {"Bob",
         "copy tallyRec (startTime, categoryId, userId) from stdin;\n2026-12-07 12:00:00\t"
         "{website}\t{Ann}\n\\.",
         "COPY FROM not supported with row-level security"},
        {"Bob", "set role \"Ann\"", "permission denied to set role"},
        {"Bob", "select rolpassword from pg_authid", "permission denied for table pg_authid"},
        {"Bob", "update \"user\" set userName = 'Ann' where userId = {Bob}",
         "A user's name is their login: a team administrator renames Bob with: quillhour "
         "--rename-login URL Bob NEW-NAME"},
        {"Bob", "select quillhour_rename_login('Ann', 'Annie')",
         "Only a team administrator can add, rename or delete users."},
        {"Bob",
         "begin; update \"user\" set email = 'b' where userId = {Bob}; prepare transaction "
         "'held'",
         "prepared transactions are disabled"},
        // A manager changes the time on their categories, in its owner's name only.
        {"Mia", "update tallyRec set userId = {Mia} where timeId = {row}",
         "Time stays in the name of Ann, who recorded it."},
        {"Mia", "update category set parentId = {website} where categoryId = {website}", parent},
        {"Mia", "update category set parentId = {web2} where categoryId = {website}", parent},
        {"Mia",
         "update tallyRec set duration = 62 where timeId = {row}; update tallyRec set "
         "categoryId = {web2} where timeId = {row}",
         ""},
        {"Mia", "delete from tallyRecChange", staysAsWritten},
        {"Bob", "update tallyRecChange set kind = 'edit'", staysAsWritten},
        {"Ann",
         "insert into tallyRec (startTime, endTime, duration, categoryId, userId) values "
         "('2026-12-07 11:00', '2026-12-07 11:30', 30, {web2}, {Ann})",
         ""},
        {"Mia", "delete from tallyRec where categoryId = {web2}", ""},
        // An administrator administers, and takes nobody's place or time.
        {"Ada", "update \"user\" set userName = 'Ada' where userId = {Ann}",
         "A user's name is their login: a team administrator renames Ann with"},
        {"Ada", "update \"user\" set userId = 999 where userId = {Ann}",
         "Users, categories and time entries keep the numbers the server gave them."},
        {"Ada", "insert into \"user\" (userName) values ('Ann ')",
         "There is a user named Ann already."},
        {"Ada", "update tallyRec set userId = {Ada} where userId = {Bob}",
         "Time stays in the name of Bob, who recorded it."},
        {"Ada", "grant \"{db}_team\" to \"Out\"; revoke \"{db}_team\" from \"Out\"", ""},
        {"Ada", "grant \"{db}_admin\" to \"Bob\"", "must have admin option"},
        {"Ada", "select quillhour_rename_login('" + team.cy + "', '" + team.cy + " B')", ""},
        // On the team without a user: nothing in anyone's name.
        {"Zed",
         "insert into tallyRec (startTime, categoryId, userId) values ('2026-12-07 12:00', "
         "{website}, {Ann})",
         "Only Ann can record time for Ann."},
        {"Zed", "insert into \"user\" (userName) values ('Zed')",
         "Only a team administrator can add, rename or delete users."},
        // The owner is not held by the rules, but by the tree and the trail.
        {owner(), "update category set parentId = {web2} where categoryId = {website}", parent},
        {owner(), "delete from tallyRec where userId = {Bob}", ""},
        {"Out", "select 1", "permission denied for database"},
    };
    for (const auto& [login, statements, refusal] : attempts) {
        const SignedInTeam::PsqlRun run = team.logins.psql(login, team.sql(statements));
        const bool held = refusal.isEmpty() ? run.exitCode == 0
                                            : run.exitCode != 0 && run.errors.contains(refusal);
        QVERIFY2(held, qPrintable(login + QStringLiteral(": ") + team.sql(statements) +
                                  QStringLiteral("\n") + run.errors));
    }
    const auto count = [&](const QString& table, const QString& where) {
        return env.count(table, team.sql(where));
    };
    // The server kept the trail of the manager's and the owner's changes, and told Ann.
    QCOMPARE(count("tallyRecChange", "changedByUserId = {Mia} and kind = 'edit'"), 2);
    QCOMPARE(count("tallyRecChange", "changedByUserId = {Mia} and kind = 'delete'"), 2);
    QCOMPARE(
        count("tallyRecChange", "changedByUserId = 0 and userId = {Bob} and oldDuration = 480"), 1);
    QCOMPARE(count("notification", "toUserId = {Ann} and fromUserId = {Mia} and typeId = 3"), 3);
    QCOMPARE(count("notification", "toUserId = {Bob}"), 0);
    const auto told = [&](const char* like) {
        return env.database()
            .scalar(team.sql("select message from notification where toUserId = {Ann} and "
                             "message like ? order by notificationId"),
                    {QString::fromLatin1(like)})
            .toString();
    };
    QCOMPARE(told("Mia changed%"),
             QStringLiteral("Mia changed your time.\nFrom: Website, 2026-12-07 09:00:00 to "
                            "2026-12-07 10:00:00 (01:00)\nTo: Website, 2026-12-07 09:00:00 to "
                            "2026-12-07 10:00:00 (01:02)"));
    QCOMPARE(told("Mia deleted%"),
             QStringLiteral("Mia deleted 2 of your time entries on Web2 (01:32)."));
    // Names stayed whose they were; the administrator renamed a login with its user.
    QCOMPARE(count("user", "trim(userName) = 'Ann' and userId = {Ann}"), 1);
    QCOMPARE(count("user", "userName = '" + team.cy + " B' and userId = {" + team.cy + "}"), 1);
    QCOMPARE(env.database()
                 .scalar(QStringLiteral("select count(*) from pg_roles where rolname = ?"),
                         {team.cy + QStringLiteral(" B")})
                 .toInt(),
             1);
}

void SignedInAttacksTest::administratorsLetPeopleIn() {
    if (!SignedInTeam::available()) {
        QSKIP("Signed-in mode needs the private PostgreSQL test server");
    }
    TestEnvironment env;
    Team team(env);
    // Not on the team: told whom to ask, in words.
    try {
        Database::open(team.logins.locationFor(QStringLiteral("Out")));
        QFAIL("a login not on the team connected");
    } catch (const DatabaseError& error) {
        QCOMPARE(error.message(),
                 QStringLiteral("The database server knows you as Out, but Out is not on the "
                                "team of the database %1. Ask Ada or %2 to let you in with: "
                                "quillhour --add-login URL Out")
                     .arg(team.database, owner()));
    }
    // An administrator lets an existing login in, but makes no login the server would cut, nor
    // one without the right to make roles.
    std::unique_ptr<Database> asAda =
        Database::open(team.logins.locationFor(QStringLiteral("Ada")));
    const SignedIn::AddedLogin out =
        SignedIn::addLogin(*asAda, QStringLiteral("Out"), env.clock.now());
    QVERIFY(!out.madeLogin);
    QVERIFY(out.madeUser);
    QVERIFY(Database::open(team.logins.locationFor(QStringLiteral("Out"))) != nullptr);
    for (const QString& name : {QString(64, QLatin1Char('x')), QStringLiteral("Neu")}) {
        try {
            SignedIn::addLogin(*asAda, name, env.clock.now());
            QFAIL("a login was made");
        } catch (const DatabaseError& error) {
            QVERIFY2(error.message().startsWith(name == QLatin1String("Neu")
                                                    ? QStringLiteral("Your login may let people "
                                                                     "into the team, but")
                                                    : QStringLiteral("A login name can be at most "
                                                                     "63 bytes long")),
                     qPrintable(error.message()));
        }
        QCOMPARE(env.database()
                     .scalar(QStringLiteral("select count(*) from pg_roles where rolname like ?"),
                             {name.left(10) + QLatin1Char('%')})
                     .toInt(),
                 0);
    }
}

QTEST_GUILESS_MAIN(SignedInAttacksTest)
#include "tst_signedin_attacks.moc"
