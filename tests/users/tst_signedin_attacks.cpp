#include "SignedInTeam.h"
#include "data/SignedIn.h"

#include <QRegularExpression>
#include <QUrl>
#include <QtTest>

namespace {

// Ann and Bob record time, Mia manages Website and its sub-category Web2, Ada administers the
// team; Zed is on the team without a user, Out is not on it. Ann has one finished hour on
// Website (row). Cy's login is renamed, and is this test's alone.
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
        const int mia = ids.value(QStringLiteral("Mia"));
        ids[QStringLiteral("website")] = env.addCategory(QStringLiteral("Website"), 0, mia);
        ids[QStringLiteral("web2")] =
            env.addCategory(QStringLiteral("Web2"), ids.value(QStringLiteral("website")), mia);
        ids[QStringLiteral("row")] =
            env.addTime(ids.value(QStringLiteral("website")), ids.value(QStringLiteral("Ann")),
                        QDateTime(QDate(2026, 12, 7), QTime(9, 0)),
                        QDateTime(QDate(2026, 12, 7), QTime(10, 0)), 60);
        database = env.database().scalar(QStringLiteral("select current_database()")).toString();
    }
    // A statement with the ids for {Ann}, {website}, {row}..., the database's name for {db}.
    QString sql(QString text) const {
        for (auto each = ids.cbegin(); each != ids.cend(); ++each) {
            text.replace(QLatin1Char('{') + each.key() + QLatin1Char('}'),
                         QString::number(each.value()));
        }
        return text.replace(QStringLiteral("{db}"), database)
            .replace(QStringLiteral("{tab}"), QStringLiteral("\t"));
    }
    SignedInTeam logins;
    const QString cy = QStringLiteral("Cy %1").arg(QCoreApplication::applicationPid());
    QMap<QString, int> ids;
    QString database;
};

QString owner() {
    return QUrl(TestEnvironment::postgresUrl()).userName();
}

// Who tries what ("Login:" and the statements, {owner} for the tables' owner), and the start of
// the refusal they read ("=>"; none: allowed), in this order.
const char* const Attempts = R"(
Bob: insert into category (category, ownerUserId) values ('Overtime', {Bob});
     insert into tallyRec (startTime, endTime, duration, categoryId, userId) select
     '2026-12-06 08:00', '2026-12-06 16:00', 480, categoryId, {Bob} from category
     where category = 'Overtime'
Bob: update tallyRec set userId = {Ann} where userId = {Bob}
  => Time stays in the name of Bob, who recorded it.
Bob: update category set ownerUserId = {Ann} where category = 'Overtime'
Bob: insert into tallyRecChange (timeId, userId, changedByUserId, changeDate, kind)
     values ({row}, {Ann}, {Bob}, '2026-12-07 12:00', 'edit')
  => Changes to time are recorded by the server itself.
Bob: create temp table "user" (userId integer, userName text);
     insert into "user" values ({Ann}, 'Bob');
     create function pg_temp.quillhour_me() returns integer language sql as 'select {Ann}';
     update tallyRec set duration = 1 where timeId = {row}
  => Only Ann or the manager of Website can change this time.
Bob: copy tallyRec (startTime, categoryId, userId) from stdin;
2026-12-07 12:00:00{tab}{website}{tab}{Ann}
\.
  => COPY FROM not supported with row-level security
Bob: set role "Ann"
  => permission denied to set role
Bob: select rolpassword from pg_authid
  => permission denied for table pg_authid
Bob: update "user" set userName = 'Ann' where userId = {Bob}
  => A user's name is their login: a team administrator renames both with: quillhour --rename-login URL Bob
Bob: select quillhour_rename_login('Ann', 'Annie')
  => Only a team administrator can add, rename or delete users.
Bob: begin; update "user" set email = 'b' where userId = {Bob}; prepare transaction 'held'
  => prepared transactions are disabled
Mia: update tallyRec set userId = {Mia} where timeId = {row}
  => Time stays in the name of Ann, who recorded it.
Mia: update category set parentId = {web2} where categoryId = {website}
  => A category cannot be placed under itself or one of its own sub-categories.
Mia: update tallyRec set duration = 62 where timeId = {row};
     update tallyRec set categoryId = {web2} where timeId = {row}
Ann: insert into tallyRec (startTime, endTime, duration, categoryId, userId)
     values ('2026-12-07 11:00', '2026-12-07 11:30', 30, {web2}, {Ann})
Mia: delete from tallyRec where categoryId = {web2}
Ada: update "user" set userName = 'Ada' where userId = {Ann}
  => A user's name is their login: a team administrator renames both with: quillhour --rename-login URL Ann
Ada: update "user" set userId = 999 where userId = {Ann}
  => Users, categories and time entries keep the numbers the server gave them.
Ada: insert into "user" (userName) values ('Ann ')
  => There is a user named Ann already.
Ada: update tallyRec set userId = {Ada} where userId = {Bob}
  => Time stays in the name of Bob, who recorded it.
Ada: grant "{db}_team" to "Out"; revoke "{db}_team" from "Out"
Ada: grant "{db}_admin" to "Bob"
  => must have admin option
Zed: insert into tallyRec (startTime, categoryId, userId) values ('2026-12-07', {website}, {Ann})
  => Only Ann can record their own time.
Zed: insert into "user" (userName) values ('Zed')
  => Only a team administrator can add, rename or delete users.
{owner}: update category set parentId = {web2} where categoryId = {website}
  => A category cannot be placed under itself or one of its own sub-categories.
{owner}: delete from tallyRec where userId = {Bob}
Out: select 1
  => permission denied for database
)";

} // namespace

// Everything a login could try on a signed-in team server through psql, as each kind of login:
// the owner, an administrator, a manager, an ordinary member, a team login without a user and a
// login that is not on the team; then what administrators do for them.
class SignedInAttacksTest : public QObject {
    Q_OBJECT

private slots:
    void everyKindOfLogin() {
        if (!SignedInTeam::available()) {
            QSKIP("Signed-in mode needs the private PostgreSQL test server");
        }
        TestEnvironment env;
        Team team(env);
        static const QRegularExpression attempt(
            QStringLiteral("^(\\S+): (.*?)(?:\\n  => (.*?))?\\n(?=\\S+: |$)"),
            QRegularExpression::MultilineOption | QRegularExpression::DotMatchesEverythingOption);
        const QString attempts =
            QString::fromUtf8(Attempts).mid(1) +
            QStringLiteral("Ada: select quillhour_rename_login('%1', '%1 B')\n").arg(team.cy);
        int tried = 0;
        for (auto found = attempt.globalMatch(attempts); found.hasNext(); ++tried) {
            const QRegularExpressionMatch one = found.next();
            const QString login =
                QString(one.captured(1)).replace(QStringLiteral("{owner}"), owner());
            const QString refusal = one.captured(3);
            const SignedInTeam::PsqlRun run = team.logins.psql(login, team.sql(one.captured(2)));
            const bool held = refusal.isEmpty() ? run.exitCode == 0
                                                : run.exitCode != 0 && run.errors.contains(refusal);
            QVERIFY2(held, qPrintable(one.captured(0) + run.errors));
        }
        QCOMPARE(tried, 28);

        // The server kept the trail of the manager's and the owner's changes, and told Ann.
        const auto count = [&](const char* table, const QString& where) {
            return env.count(QLatin1String(table), team.sql(where));
        };
        QCOMPARE(count("tallyRecChange", "changedByUserId = {Mia} and kind = 'edit'"), 2);
        QCOMPARE(count("tallyRecChange", "changedByUserId = {Mia} and kind = 'delete'"), 2);
        QCOMPARE(count("tallyRecChange", "changedByUserId = 0 and oldDuration = 480"), 1);
        QCOMPARE(count("notification", "toUserId = {Ann} and fromUserId = {Mia} and typeId = 3"),
                 3);
        const auto told = [&](const char* like) {
            return env.database()
                .scalar(team.sql("select message from notification where toUserId = {Ann} and "
                                 "message like ? order by notificationId"),
                        {QString::fromLatin1(like)})
                .toString();
        };
        QCOMPARE(told("Mia deleted%"),
                 QStringLiteral("Mia deleted 2 of your time entries on Web2 (01:32)."));
        // Names stayed whose they were; the administrator renamed a login with its user.
        QCOMPARE(count("user", "trim(userName) = 'Ann' and userId = {Ann}"), 1);
        QCOMPARE(count("user", "userName = '" + team.cy + " B' and userId = {" + team.cy + "}"), 1);

        // Not on the team: told whom to ask. An administrator lets an existing login in, but
        // makes no login the server would cut, nor one without the right to make roles.
        const auto failure = [](const std::function<void()>& work) {
            try {
                work();
            } catch (const DatabaseError& error) {
                return error.message();
            }
            return QString();
        };
        const QString out = QStringLiteral("Out");
        QCOMPARE(failure([&] { Database::open(team.logins.locationFor(out)); }),
                 QStringLiteral("The database server knows you as Out, but Out is not on the "
                                "team of the database %1. Ask Ada or %2 to let you in with: "
                                "quillhour --add-login URL Out")
                     .arg(team.database, owner()));
        const auto asAda = Database::open(team.logins.locationFor(QStringLiteral("Ada")));
        QVERIFY(SignedIn::addLogin(*asAda, out, env.clock.now()).madeUser);
        QVERIFY(Database::open(team.logins.locationFor(out)) != nullptr);
        const QString longName(64, QLatin1Char('x'));
        QVERIFY(failure([&] {
                    SignedIn::addLogin(*asAda, longName, {});
                }).startsWith(QStringLiteral("A login name can be at most 63 bytes long")));
        QVERIFY(failure([&] {
                    SignedIn::addLogin(*asAda, QStringLiteral("Neu"), {});
                }).startsWith(QStringLiteral("Your login may let people into the team, but")));
        QCOMPARE(count("pg_roles", "rolname in ('Neu', '" + longName.left(63) + "')"), 0);
    }
};

QTEST_GUILESS_MAIN(SignedInAttacksTest)
#include "tst_signedin_attacks.moc"
