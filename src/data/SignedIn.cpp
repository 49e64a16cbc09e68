#include "data/SignedIn.h"

#include "data/Database.h"
#include "data/SignedInGuards.h"
#include "data/SignedInRules.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>

namespace SignedIn {

namespace {

// A name quoted for a statement. Our tables go in as the server folded them when they were made
// without quotes: in lower case.
QString identifier(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString literal(QString text) {
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

QString databaseName(Database& database) {
    return database.scalar(QStringLiteral("select current_database()")).toString();
}

void requireServer(Database& database) {
    if (database.engine() != Database::Engine::PostgreSQL) {
        throw DatabaseError(
            DatabaseError::Kind::Statement,
            QCoreApplication::translate("SignedIn",
                                        "Signed-in mode is for a database on a PostgreSQL server. "
                                        "%1 is a file: whoever may write the file may use it.")
                .arg(database.location()));
    }
}

// The rules, as functions that the policies and the guards share. %1 is the schema's search
// path, %2 the administrators' role as a literal.
const char* const RuleFunctions[] = {
    // The session's Quillhour user: the one whose name is the login. session_user, not
    // current_user: SET ROLE changes the one but not the other.
    R"(CREATE OR REPLACE FUNCTION quillhour_me() RETURNS integer LANGUAGE sql STABLE
       SECURITY DEFINER SET search_path = %1 AS
       $$ SELECT min(userId) FROM "user" WHERE userName = session_user $$)",
    R"(CREATE OR REPLACE FUNCTION quillhour_is_admin() RETURNS boolean LANGUAGE sql STABLE
       SET search_path = %1 AS
       $$ SELECT pg_has_role(session_user, %2, 'MEMBER') $$)",
    // A time row is changed by its own user, the manager of its category, or an administrator
    // (who deletes the time of a category along with it).
    R"(CREATE OR REPLACE FUNCTION quillhour_may_change_time(person integer, place integer)
       RETURNS boolean LANGUAGE sql STABLE SECURITY DEFINER SET search_path = %1 AS
       $$ SELECT person = quillhour_me() OR quillhour_is_admin()
                 OR EXISTS (SELECT 1 FROM category WHERE categoryId = place
                            AND ownerUserId = quillhour_me()) $$)",
    // Refuses with the sentence a person reads in psql, and the same facts in the detail as
    // JSON for the program, which says it in the person's language. The person is named by id,
    // or by named where there is no user to name.
    R"(CREATE OR REPLACE FUNCTION quillhour_refuse(what text, person integer, place integer,
         named text DEFAULT NULL)
       RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = %1 AS $$
       DECLARE
         who text := coalesce(named, (SELECT min(userName) FROM "user" WHERE userId = person),
                              'user ' || person);
         called text := (SELECT min(category) FROM category WHERE categoryId = place);
         sentence text;
       BEGIN
         sentence := CASE what
           WHEN 'time' THEN CASE WHEN called IS NULL
             THEN format('Only %s can change this time.', who)
             ELSE format('Only %s or the manager of %s can change this time.', who, called) END
           WHEN 'newTime' THEN format('Only %s can record their own time.', who)
           WHEN 'person' THEN format('Time stays in the name of %s, who recorded it.', who)
           WHEN 'number' THEN
             'Users, categories and time entries keep the numbers the server gave them.'
           WHEN 'process' THEN format('Only %s can change their own list of windows.', who)
           WHEN 'user' THEN format(
             'Only %s, whose details these are, or a team administrator can change them.', who)
           WHEN 'users' THEN 'Only a team administrator can add, rename or delete users.'
           WHEN 'userName' THEN format('A user''s name is their login: a team administrator '
             'renames both with: quillhour --rename-login URL %s NEW-NAME', who)
           WHEN 'sameName' THEN format('There is a user named %s already.', who)
           WHEN 'noUser' THEN format('There is no Quillhour user named %s.', who)
           WHEN 'loginTaken' THEN
             format('There is a login named %s on the database server already.', who)
           WHEN 'notOnTeam' THEN format('The login %s is not on this team.', who)
           WHEN 'longName' THEN
             format('A login name can be at most 63 bytes long: %s is longer.', who)
           WHEN 'category' THEN
             format('Only the manager of %s or a team administrator can change this category.',
                    called)
           WHEN 'parent' THEN
             'A category cannot be placed under itself or one of its own sub-categories.'
           WHEN 'notification' THEN
             format('Only %s, to whom it was sent, can mark or delete this notification.', who)
           WHEN 'sender' THEN 'A notification can only be sent in your own name.'
           WHEN 'trail' THEN 'The record of changes to time stays as it was written.'
           WHEN 'trailNew' THEN 'Changes to time are recorded by the server itself.'
           WHEN 'close' THEN 'Only the manager of a category closes its time, and only a team '
             'administrator closes the time of all categories.'
           WHEN 'reopen' THEN 'Only a team administrator can reopen a closed period.'
           WHEN 'closing' THEN 'A closed period stays as it was closed.'
           WHEN 'team' THEN 'Only a team administrator can change this.'
         END;
         RAISE EXCEPTION USING ERRCODE = 'insufficient_privilege', MESSAGE = sentence,
           DETAIL = json_build_object('refused', what, 'user', who, 'category', called)::text;
       END $$)",
};

// The tables the program writes, each with its guard's body and its policies. A guard runs
// where row-level security does (not for the owner, nor for superusers) and refuses before the
// row is written; the policies say the same of new rows, so that nothing passes if a guard is
// ever dropped. Reading is open to the team everywhere.
const Guarded GuardedTables[] = {
    {"tallyRec",
     R"(IF TG_OP = 'INSERT' THEN
          IF NEW.userId IS DISTINCT FROM quillhour_me() THEN
            PERFORM quillhour_refuse('newTime', NEW.userId, NEW.categoryId);
          END IF;
          RETURN NEW;
        END IF;
        IF NOT quillhour_may_change_time(OLD.userId, OLD.categoryId) THEN
          PERFORM quillhour_refuse('time', OLD.userId, OLD.categoryId);
        END IF;
        -- Time stays in the name it was recorded in, whoever changes it: a manager moves it
        -- only between categories they manage.
        IF TG_OP = 'UPDATE' AND NEW.userId IS DISTINCT FROM OLD.userId THEN
          PERFORM quillhour_refuse('person', OLD.userId, OLD.categoryId);
        END IF;
        IF TG_OP = 'UPDATE' AND NEW.timeId IS DISTINCT FROM OLD.timeId THEN
          PERFORM quillhour_refuse('number', NULL, NULL);
        END IF;
        IF TG_OP = 'UPDATE' AND NOT quillhour_may_change_time(OLD.userId, NEW.categoryId) THEN
          PERFORM quillhour_refuse('time', OLD.userId, NEW.categoryId);
        END IF;)",
     "userId = quillhour_me()", "quillhour_may_change_time(userId, categoryId)"},
    {"process",
     R"(IF TG_OP <> 'DELETE' AND NEW.userId IS DISTINCT FROM quillhour_me() THEN
          PERFORM quillhour_refuse('process', NEW.userId, NULL);
        END IF;
        IF TG_OP <> 'INSERT' AND OLD.userId IS DISTINCT FROM quillhour_me() THEN
          PERFORM quillhour_refuse('process', OLD.userId, NULL);
        END IF;)",
     "userId = quillhour_me()", "userId = quillhour_me()"},
    {"notification",
     R"(IF TG_OP = 'INSERT' THEN
          IF NEW.fromUserId IS DISTINCT FROM quillhour_me() THEN
            PERFORM quillhour_refuse('sender', NEW.fromUserId, NEW.categoryId);
          END IF;
          RETURN NEW;
        END IF;
        IF OLD.toUserId IS DISTINCT FROM quillhour_me() THEN
          PERFORM quillhour_refuse('notification', OLD.toUserId, OLD.categoryId);
        END IF;
        -- The addressee marks it; what was sent, by whom and to whom stays as it was sent.
        IF TG_OP = 'UPDATE' AND (NEW.notificationId, NEW.fromUserId, NEW.toUserId, NEW.message,
              NEW.createDate, NEW.categoryId, NEW.typeId, NEW.subject)
            IS DISTINCT FROM (OLD.notificationId, OLD.fromUserId, OLD.toUserId, OLD.message,
              OLD.createDate, OLD.categoryId, OLD.typeId, OLD.subject) THEN
          PERFORM quillhour_refuse('notification', OLD.toUserId, OLD.categoryId);
        END IF;)",
     "fromUserId = quillhour_me()", "toUserId = quillhour_me()"},
    // A name is a login: it is changed only with the login, by quillhour_rename_login. An id
    // is where a person's time points: it never changes, and a new user never takes the id of
    // one whose time is still there.
    {"user",
     R"(IF TG_OP <> 'UPDATE' AND NOT quillhour_is_admin() THEN
          PERFORM quillhour_refuse('users', NULL, NULL);
        END IF;
        IF TG_OP = 'UPDATE' AND NOT quillhour_is_admin()
            AND OLD.userId IS DISTINCT FROM quillhour_me() THEN
          PERFORM quillhour_refuse('user', OLD.userId, NULL);
        END IF;
        IF TG_OP = 'UPDATE' AND NEW.userName IS DISTINCT FROM OLD.userName THEN
          PERFORM quillhour_refuse('userName', OLD.userId, NULL);
        END IF;
        IF (TG_OP = 'UPDATE' AND NEW.userId IS DISTINCT FROM OLD.userId)
            OR (TG_OP = 'INSERT' AND EXISTS (SELECT 1 FROM tallyRec WHERE userId = NEW.userId))
        THEN
          PERFORM quillhour_refuse('number', NULL, NULL);
        END IF;
        IF TG_OP = 'INSERT' AND EXISTS (SELECT 1 FROM "user"
                                        WHERE trim(userName) = trim(NEW.userName)) THEN
          PERFORM quillhour_refuse('sameName', NULL, NULL, trim(NEW.userName));
        END IF;)",
     "quillhour_is_admin()", "userId = quillhour_me() OR quillhour_is_admin()"},
    // The trail of changes to time rows is the server's own (see SignedInTrail): nobody writes
    // it directly.
    {"tallyRecChange",
     R"(IF TG_OP = 'INSERT' THEN
          PERFORM quillhour_refuse('trailNew', NULL, NULL);
        END IF;
        PERFORM quillhour_refuse('trail', OLD.userId, OLD.oldCategoryId);)",
     "false", "false"},
    {"category",
     R"(IF TG_OP <> 'INSERT' AND NOT quillhour_is_admin()
            AND OLD.ownerUserId IS DISTINCT FROM quillhour_me() THEN
          PERFORM quillhour_refuse('category', NULL, OLD.categoryId);
        END IF;
        IF (TG_OP = 'UPDATE' AND NEW.categoryId IS DISTINCT FROM OLD.categoryId)
            OR (TG_OP = 'INSERT'
                AND EXISTS (SELECT 1 FROM tallyRec WHERE categoryId = NEW.categoryId)) THEN
          PERFORM quillhour_refuse('number', NULL, NULL);
        END IF;)",
     "true", "true"},
};

// Read by the team, written by nobody but the owner (and the counters' trigger, as the owner).
const char* const ReadOnlyTables[] = {"productivity", "allocationPeriod", "dataChange"};

// What holds one table to the team's rules: the team's rights on it, the guard that checks
// each old row, the policies that check each new one, and row-level security switched on.
QStringList guardedTableStatements(const Guarded& each, const QString& path, const QString& team) {
    QStringList statements;
    const QString name = QString::fromLatin1(each.table).toLower();
    const QString table = identifier(name);
    const QString guard = QStringLiteral("quillhour_guard_%1").arg(name);
    statements
        << QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON %1 TO %2").arg(table, team)
        << QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql "
                          "SET search_path = %2 AS $$ BEGIN "
                          "IF NOT row_security_active(TG_RELID) THEN "
                          "RETURN COALESCE(NEW, OLD); END IF; %3 "
                          "RETURN COALESCE(NEW, OLD); END $$")
               .arg(guard, path, QString::fromUtf8(each.guard))
        << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(guard, table)
        << QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT OR UPDATE OR DELETE ON %2 "
                          "FOR EACH ROW EXECUTE FUNCTION %1()")
               .arg(guard, table);
    const struct {
        const char* name;
        const char* command;
        QString rule;
    } policies[] = {
        {"read", "SELECT", QStringLiteral("USING (true)")},
        {"add", "INSERT",
         QStringLiteral("WITH CHECK (%1)").arg(QString::fromLatin1(each.insertCheck))},
        // The old row of an update or a delete is the guard's: a policy would skip it
        // without a word.
        {"change", "UPDATE",
         QStringLiteral("USING (true) WITH CHECK (%1)").arg(QString::fromLatin1(each.updateCheck))},
        {"remove", "DELETE", QStringLiteral("USING (true)")},
    };
    for (const auto& policy : policies) {
        const QString policyName =
            QStringLiteral("quillhour_%1").arg(QString::fromLatin1(policy.name));
        statements << QStringLiteral("DROP POLICY IF EXISTS %1 ON %2").arg(policyName, table)
                   << QStringLiteral("CREATE POLICY %1 ON %2 FOR %3 TO %4 %5")
                          .arg(policyName, table, QString::fromLatin1(policy.command), team,
                               policy.rule);
    }
    statements << QStringLiteral("ALTER TABLE %1 ENABLE ROW LEVEL SECURITY").arg(table);
    return statements;
}

QStringList ruleStatements(Database& database) {
    const QString schema = database.scalar(QStringLiteral("select current_schema()")).toString();
    const QString path = identifier(schema) + QStringLiteral(", pg_temp");
    const QString team = identifier(teamRole(database));
    const QString admin = adminRole(database);
    const QString db = identifier(databaseName(database));
    const QString inSchema = identifier(schema);

    QStringList statements;
    // Group roles are the cluster's, not the database's: they may be there from an earlier run.
    for (const QString& role : {teamRole(database), admin}) {
        statements << QStringLiteral(
                          "DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = %1) "
                          "THEN CREATE ROLE %2 NOLOGIN; END IF; END $$")
                          .arg(literal(role), identifier(role));
    }
    // Administrators let people in: granting the team role needs its admin option, and nothing
    // more of the owner's rights.
    statements << QStringLiteral("GRANT %1 TO %2 WITH ADMIN OPTION").arg(team, identifier(admin))
               << QStringLiteral("GRANT %1 TO SESSION_USER").arg(identifier(admin))
               // Refusals name a person by their name where there is no user to name.
               << QStringLiteral(
                      "DROP FUNCTION IF EXISTS quillhour_refuse(text, integer, integer)");
    for (const char* function : RuleFunctions) {
        statements << QString::fromUtf8(function)
                          .replace(QStringLiteral("%1"), path)
                          .replace(QStringLiteral("%2"), literal(admin));
    }
    // Counting a write needs no right to write the counters.
    statements << QStringLiteral("ALTER FUNCTION dataChange_count() SECURITY DEFINER "
                                 "SET search_path = %1")
                      .arg(path);

    statements
        << QStringLiteral("REVOKE ALL ON DATABASE %1 FROM PUBLIC").arg(db)
        << QStringLiteral("GRANT CONNECT, TEMPORARY ON DATABASE %1 TO %2").arg(db, team)
        << QStringLiteral("REVOKE CREATE ON SCHEMA %1 FROM PUBLIC").arg(inSchema)
        << QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(inSchema, team)
        << QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA %1 TO %2").arg(inSchema, team);
    for (const char* table : ReadOnlyTables) {
        statements << QStringLiteral("GRANT SELECT ON %1 TO %2")
                          .arg(identifier(QString::fromLatin1(table).toLower()), team);
    }
    for (const Guarded& each : GuardedTables) {
        statements << guardedTableStatements(each, path, team);
    }
    for (const Guarded& each : billingGuards()) {
        statements << guardedTableStatements(each, path, team);
    }
    statements << serverKeptStatements(path, teamRole(database));
    return statements;
}

QString owner(Database& database) {
    return database
        .scalar(QStringLiteral("select pg_get_userbyid(datdba) from pg_database "
                               "where datname = current_database()"))
        .toString();
}

// Who may make new logins for the team: administrators with the right to make roles, or the
// owner of the database.
QStringList loginMakers(Database& database) {
    QStringList names;
    const ResultSet rows = database.query(
        QStringLiteral("select rolname from pg_roles where rolcanlogin and rolcreaterole and not "
                       "rolsuper and pg_has_role(oid, ?, 'MEMBER') order by 1"),
        {adminRole(database)});
    for (const Row row : rows) {
        names << row.text(0);
    }
    return names.isEmpty() ? QStringList{owner(database)} : names;
}

QString newPassword() {
    // 18 characters from an alphabet without look-alikes: about 100 bits.
    static const QString alphabet =
        QStringLiteral("abcdefghjkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789");
    QString password;
    for (int i = 0; i < 18; ++i) {
        password += alphabet.at(int(QRandomGenerator::system()->bounded(alphabet.size())));
    }
    return password;
}

} // namespace

bool isOn(Database& database) {
    if (database.engine() != Database::Engine::PostgreSQL) {
        return false;
    }
    return database
        .scalar(QStringLiteral("select coalesce((select relrowsecurity from pg_class where oid = "
                               "to_regclass('tallyrec')), false)"))
        .toBool();
}

std::optional<QString> login(Database& database) {
    if (!isOn(database)) {
        return std::nullopt;
    }
    return database.scalar(QStringLiteral("select session_user")).toString();
}

QString teamRole(Database& database) {
    return databaseName(database) + QStringLiteral("_team");
}

QString adminRole(Database& database) {
    return databaseName(database) + AdminSuffix;
}

void require(Database& database) {
    requireServer(database);
    // Role names are cut at 63 bytes: a longer name could meet another database's roles.
    if (adminRole(database).toUtf8().size() > 63) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QCoreApplication::translate(
                                "SignedIn", "The name of the database %1 is too long for "
                                            "signed-in mode: give it a name of at most 57 bytes.")
                                .arg(databaseName(database)));
    }
    const QStringList statements = ruleStatements(database);
    database.transaction([&] {
        // Making the rules again drops what is there: no notice of what was not.
        database.execute(QStringLiteral("SET LOCAL client_min_messages = warning"));
        for (const QString& statement : statements) {
            database.execute(statement);
        }
    });
}

void requireOn(Database& database) {
    requireServer(database);
    if (!isOn(database)) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QCoreApplication::translate(
                                "SignedIn", "Signed-in mode is not on for the database %1. Its "
                                            "owner switches it on with: quillhour "
                                            "--require-sign-in URL")
                                .arg(database.location()));
    }
}

AddedLogin addLogin(Database& database, const QString& name, const QDateTime& now) {
    requireOn(database);
    const QString person = name.trimmed();
    if (person.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QCoreApplication::translate("SignedIn", "A login needs a name."));
    }
    // The server would cut a longer name and make a login that nobody can sign in with.
    if (person.toUtf8().size() > 63) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QCoreApplication::translate("SignedIn",
                                                        "A login name can be at most 63 bytes "
                                                        "long: %1 is longer. Nothing was made.")
                                .arg(person));
    }
    if (!database.scalar(QStringLiteral("select quillhour_is_admin()")).toBool()) {
        throw DatabaseError(DatabaseError::Kind::Refused,
                            QCoreApplication::translate(
                                "SignedIn", "Only a team administrator can add logins: ask %1.")
                                .arg(administrators(database).join(
                                    QCoreApplication::translate("SignedIn", " or "))));
    }
    const QString team = identifier(teamRole(database));
    AddedLogin added;
    auto add = [&] {
        database.transaction([&] {
            added = {};
            database.execute(QStringLiteral("SET LOCAL client_min_messages = warning"));
            const bool exists =
                database
                    .scalar(QStringLiteral("select count(*) from pg_roles where rolname = ?"),
                            {person})
                    .toInt() > 0;
            if (!exists) {
                added.madeLogin = true;
                added.password = newPassword();
                // A password cannot be bound; this one is made of letters and digits only.
                database.execute(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2")
                                     .arg(identifier(person), literal(added.password)));
            }
            database.execute(QStringLiteral("GRANT %1 TO %2").arg(team, identifier(person)));
            const int users =
                database
                    .scalar(QStringLiteral("select count(*) from \"user\" where userName = ?"),
                            {person})
                    .toInt();
            if (users == 0) {
                added.madeUser = true;
                database.execute(
                    QStringLiteral("insert into \"user\" (userName, created) values (?, ?)"),
                    {person, now});
            }
        });
    };
    try {
        add();
    } catch (const DatabaseError& error) {
        if (error.kind() == DatabaseError::Kind::Refused &&
            error.statement().startsWith(QLatin1String("CREATE ROLE"))) {
            throw DatabaseError(
                DatabaseError::Kind::Refused,
                QCoreApplication::translate(
                    "SignedIn", "Your login may let people into the team, but the server does "
                                "not let it make new logins. Ask %1 to make the login %2 with: "
                                "quillhour --add-login URL %2")
                    .arg(
                        loginMakers(database).join(QCoreApplication::translate("SignedIn", " or ")),
                        person));
        }
        // Logins are the server's, shared by its databases: another database's administrator
        // may have made the same one a moment ago. It is there now.
        if (error.nativeCode() != QLatin1String("23505") &&
            error.nativeCode() != QLatin1String("42710")) {
            throw;
        }
        add();
    }
    return added;
}

} // namespace SignedIn
