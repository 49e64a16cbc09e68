#include "data/SignedInRules.h"

#include "data/Database.h"
#include "data/SignedIn.h"
#include "data/TimeCorrection.h"
#include "data/notification.h"

#include <QCoreApplication>

namespace SignedIn {

namespace {

// Names in what the server writes for a person are kept apart from the text around them, as
// NameText::isolated keeps them in the program: a name with right-to-left letters or direction
// controls goes between a first-strong isolate and its pop.
const char* const Isolated =
    R"(CREATE OR REPLACE FUNCTION quillhour_isolated(name text) RETURNS text LANGUAGE sql
       IMMUTABLE AS
       $$ SELECT CASE WHEN name ~ '[\u0590-\u08FF\u200F\u202A-\u202E\u2066-\u2069]'
                   OR name ~ '[\uFB1D-\uFDFF\uFE70-\uFEFF\U00010800-\U00010FFF]'
                   OR name ~ '[\U0001E800-\U0001EFFF]'
                 THEN chr(8296) || name || chr(8297) ELSE name END $$)";

// Minutes as the program writes them (minToTime): hours of at least two digits, then minutes.
const char* const Hours =
    R"(CREATE OR REPLACE FUNCTION quillhour_hours(minutes bigint) RETURNS text LANGUAGE sql
       IMMUTABLE AS
       $$ SELECT CASE WHEN minutes / 60 < 10 THEN '0' ELSE '' END || (minutes / 60) || ':'
                 || lpad((minutes % 60)::text, 2, '0') $$)";

// A time row in a notification: "Design, 2026-12-05 09:00:00 to 2026-12-05 10:00:00 (01:00)".
const char* const Describe =
    R"(CREATE OR REPLACE FUNCTION quillhour_describe(started timestamp, ended timestamp,
         minutes integer, place integer) RETURNS text LANGUAGE sql STABLE SECURITY DEFINER
       SET search_path = @path@ AS
       $$ SELECT CASE WHEN ended IS NULL
            THEN format('%s, started %s, running', called,
                        to_char(started, 'YYYY-MM-DD HH24:MI:SS'))
            ELSE format('%s, %s to %s (%s)', called, to_char(started, 'YYYY-MM-DD HH24:MI:SS'),
                        to_char(ended, 'YYYY-MM-DD HH24:MI:SS'),
                        quillhour_hours(coalesce(minutes, 0))) END
          FROM (SELECT quillhour_isolated(coalesce(
                  (SELECT min(category) FROM category WHERE categoryId = place), '')) AS called)
               AS named $$)";

// The trail, written after each statement that changes or deletes time rows, whoever runs it
// (the owner too). Finishing one's own running task is recording time, not changing it, and a row
// written as it was is not changed. The notices follow from the trail rows just written: one per
// change of someone else's row, and one per person and category for what was deleted (several
// rows deleted together: a category deleted with its time). The time of the change is the
// server's, in the zone the mode was switched on in: a session's own zone does not move it.
const char* const Trail =
    R"(CREATE OR REPLACE FUNCTION quillhour_trail() RETURNS trigger LANGUAGE plpgsql
       SECURITY DEFINER SET search_path = @path@ SET TimeZone FROM CURRENT AS $$
       DECLARE
         me integer := coalesce(quillhour_me(), 0);
         who text := quillhour_isolated(coalesce(
           (SELECT min(userName) FROM "user" WHERE userId = me), ''));
         moment timestamp(0) := localtimestamp(0);
         written integer[]; -- this statement's trail rows, whatever other sessions write
       BEGIN
         IF TG_OP = 'DELETE' THEN
           WITH made AS (
             INSERT INTO tallyRecChange (timeId, userId, changedByUserId, changeDate, kind,
                 oldStartTime, oldEndTime, oldDuration, oldCategoryId)
               SELECT timeId, userId, me, moment, @deleted@, startTime, endTime, duration,
                 categoryId
               FROM old_rows ORDER BY timeId
               RETURNING tallyRecChangeId)
           SELECT array_agg(tallyRecChangeId) INTO written FROM made;
         ELSE
           WITH made AS (
             INSERT INTO tallyRecChange (timeId, userId, changedByUserId, changeDate, kind,
                 oldStartTime, oldEndTime, oldDuration, oldCategoryId, newStartTime, newEndTime,
                 newDuration, newCategoryId)
               SELECT o.timeId, o.userId, me, moment, @edited@, o.startTime, o.endTime,
                 o.duration, o.categoryId, n.startTime, n.endTime, n.duration, n.categoryId
               FROM old_rows o JOIN new_rows n ON n.timeId = o.timeId
               WHERE (o.startTime, o.endTime, o.duration, o.categoryId)
                     IS DISTINCT FROM (n.startTime, n.endTime, n.duration, n.categoryId)
                 AND NOT (o.userId = me AND o.endTime IS NULL AND n.endTime IS NOT NULL
                          AND n.startTime = o.startTime AND n.categoryId = o.categoryId)
               ORDER BY o.timeId
               RETURNING tallyRecChangeId)
           SELECT array_agg(tallyRecChangeId) INTO written FROM made;
         END IF;
         -- Only when there is someone to tell: an insert of no rows still counts as a change of
         -- the notifications, which every window would read again.
         IF me = 0 OR NOT EXISTS (SELECT 1 FROM tallyRecChange
                                  WHERE tallyRecChangeId = ANY (written) AND userId <> me) THEN
           RETURN NULL;
         END IF;
         INSERT INTO notification (fromUserId, toUserId, message, status, statusDate,
             createDate, categoryId, typeId, subject)
           SELECT me, userId, CASE
               WHEN min(kind) = @edited@ THEN format(E'%s changed your time.\nFrom: %s\nTo: %s',
                 who, quillhour_describe(min(oldStartTime), min(oldEndTime), min(oldDuration),
                                         min(oldCategoryId)),
                 quillhour_describe(min(newStartTime), min(newEndTime), min(newDuration),
                                    place))
               WHEN count(*) = 1 THEN
                 format(E'%s deleted your time.\nFrom: %s\nTo: nothing (deleted)', who,
                        quillhour_describe(min(oldStartTime), min(oldEndTime),
                                           min(oldDuration), place))
               ELSE format('%s deleted %s of your time entries on %s (%s).', who, count(*),
                      quillhour_isolated(coalesce((SELECT min(c.category) FROM category c
                                                   WHERE c.categoryId = t.place), '')),
                      quillhour_hours(coalesce(sum(oldDuration), 0))) END,
             @unread@, moment, moment, place, @type@, @subject@
           FROM (SELECT *, coalesce(newCategoryId, oldCategoryId) AS place,
                   CASE WHEN kind = @edited@ THEN tallyRecChangeId END AS one_change
                 FROM tallyRecChange WHERE tallyRecChangeId = ANY (written) AND userId <> me)
                AS t
           GROUP BY userId, place, one_change ORDER BY min(tallyRecChangeId);
         RETURN NULL;
       END $$)";

// One change of the tree at a time, so that two changes cannot close a circle between them;
// the walk up from the new parent reads what the other change committed.
const char* const CategoryTree =
    R"(CREATE OR REPLACE FUNCTION quillhour_category_tree() RETURNS trigger LANGUAGE plpgsql
       SECURITY DEFINER SET search_path = @path@ AS $$
       BEGIN
         IF NEW.parentId <> 0 AND (TG_OP = 'INSERT' OR NEW.parentId IS DISTINCT FROM OLD.parentId
                                   OR NEW.categoryId IS DISTINCT FROM OLD.categoryId) THEN
           PERFORM pg_advisory_xact_lock(hashtext('quillhour_category_tree'));
           IF NEW.parentId = NEW.categoryId OR EXISTS (
               WITH RECURSIVE up(id) AS (
                 SELECT NEW.parentId
                 UNION SELECT c.parentId FROM category c JOIN up ON c.categoryId = up.id)
               SELECT 1 FROM up WHERE id = NEW.categoryId) THEN
             PERFORM quillhour_refuse('parent', NULL, NEW.categoryId);
           END IF;
         END IF;
         RETURN NEW;
       END $$)";

// Runs as the owner, who may rename roles; the caller must be a team administrator. A user
// without a login is renamed alone, and never to a login's name, which would hand it to that
// login.
const char* const RenameLogin =
    R"(CREATE OR REPLACE FUNCTION quillhour_rename_login(from_name text, to_name text)
       RETURNS void LANGUAGE plpgsql SECURITY DEFINER SET search_path = @path@ AS $$
       DECLARE
         person integer := (SELECT min(userId) FROM "user" WHERE userName = from_name);
       BEGIN
         IF NOT quillhour_is_admin() THEN
           PERFORM quillhour_refuse('users', NULL, NULL);
         END IF;
         IF person IS NULL THEN
           PERFORM quillhour_refuse('noUser', NULL, NULL, from_name);
         END IF;
         IF octet_length(to_name) > 63 THEN
           PERFORM quillhour_refuse('longName', NULL, NULL, to_name);
         END IF;
         IF EXISTS (SELECT 1 FROM "user" WHERE trim(userName) = trim(to_name)
                    AND userId <> person) THEN
           PERFORM quillhour_refuse('sameName', NULL, NULL, to_name);
         END IF;
         IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = to_name) THEN
           PERFORM quillhour_refuse('loginTaken', NULL, NULL, to_name);
         END IF;
         IF EXISTS (SELECT 1 FROM pg_roles WHERE rolname = from_name) THEN
           IF NOT pg_has_role(from_name, @team@, 'MEMBER') THEN
             PERFORM quillhour_refuse('notOnTeam', NULL, NULL, from_name);
           END IF;
           EXECUTE format('ALTER ROLE %I RENAME TO %I', from_name, to_name);
         END IF;
         UPDATE "user" SET userName = to_name WHERE userId = person;
       END $$)";

QString literal(QString text) {
    return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

} // namespace

QStringList serverKeptStatements(const QString& path, const QString& team) {
    QStringList statements;
    for (const char* function : {Isolated, Hours, Describe, Trail, CategoryTree, RenameLogin}) {
        statements << QString::fromUtf8(function)
                          .replace(QStringLiteral("@path@"), path)
                          .replace(QStringLiteral("@team@"), literal(team))
                          .replace(QStringLiteral("@edited@"), literal(TimeCorrection::Edited))
                          .replace(QStringLiteral("@deleted@"), literal(TimeCorrection::Deleted))
                          .replace(QStringLiteral("@unread@"), literal(notification::Unread))
                          .replace(QStringLiteral("@subject@"), literal(TimeCorrection::Subject))
                          .replace(QStringLiteral("@type@"),
                                   QString::number(TimeCorrection::TimeChangedType));
    }
    // Transition tables take one kind of statement per trigger.
    for (const char* kind : {"update", "delete"}) {
        const QString event = QString::fromLatin1(kind).toUpper();
        const QString tables = event == QLatin1String("UPDATE")
                                   ? QStringLiteral("OLD TABLE AS old_rows NEW TABLE AS new_rows")
                                   : QStringLiteral("OLD TABLE AS old_rows");
        statements << QStringLiteral("DROP TRIGGER IF EXISTS quillhour_trail_%1 ON tallyrec")
                          .arg(QLatin1String(kind))
                   << QStringLiteral("CREATE TRIGGER quillhour_trail_%1 AFTER %2 ON tallyrec "
                                     "REFERENCING %3 FOR EACH STATEMENT "
                                     "EXECUTE FUNCTION quillhour_trail()")
                          .arg(QLatin1String(kind), event, tables);
    }
    statements << QStringLiteral("DROP TRIGGER IF EXISTS quillhour_category_tree ON category")
               << QStringLiteral("CREATE TRIGGER quillhour_category_tree BEFORE INSERT OR UPDATE "
                                 "ON category FOR EACH ROW "
                                 "EXECUTE FUNCTION quillhour_category_tree()");
    return statements;
}

bool keepsTrail(Database& database) {
    return database.engine() == Database::Engine::PostgreSQL &&
           database.scalar(QStringLiteral("select count(*) from pg_trigger where tgrelid = "
                                          "to_regclass('tallyrec') and tgname = "
                                          "'quillhour_trail_delete'"))
                   .toLongLong() > 0;
}

void renameLogin(Database& database, const QString& from, const QString& to) {
    requireOn(database);
    if (to.trimmed().isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QCoreApplication::translate("SignedIn", "A login needs a name."));
    }
    database.transaction([&] {
        database.execute(QStringLiteral("select quillhour_rename_login(?, ?)"), {from, to});
    });
}

QStringList whomToAsk(const FirstColumn& read, const QString& databaseName) {
    QStringList names = read(QStringLiteral("select m.rolname from pg_auth_members a "
                                            "join pg_roles m on m.oid = a.member "
                                            "join pg_roles g on g.oid = a.roleid "
                                            "where g.rolname = ? and m.rolcanlogin order by 1"),
                             {databaseName + AdminSuffix});
    if (names.isEmpty()) {
        names = read(QStringLiteral("select pg_get_userbyid(datdba) from pg_database "
                                    "where datname = ?"),
                     {databaseName});
    }
    return names;
}

QStringList administrators(Database& database) {
    return whomToAsk(
        [&](const QString& sql, const QVariantList& params) {
            QStringList names;
            for (const Row row : database.query(sql, params)) {
                names << row.text(0);
            }
            return names;
        },
        database.scalar(QStringLiteral("select current_database()")).toString());
}

} // namespace SignedIn
