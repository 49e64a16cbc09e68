#include "EarlierSchemas.h"

#include "data/Database.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <QtTest>

namespace EarlierSchemas {

namespace {

// Version 1: the seven tables, their indexes, the look-up rows. %1 the counter key, %2 the
// date-time type, %3 the yes/no type, %4 its "no".
const QStringList Version1 = {
    QStringLiteral("CREATE TABLE \"user\" (userId %1, userName TEXT NOT NULL, created %2, "
                   "details TEXT, email TEXT, active %3 NOT NULL DEFAULT %4)"),
    QStringLiteral("CREATE TABLE category (categoryId %1, category TEXT NOT NULL, "
                   "parentId INTEGER NOT NULL DEFAULT 0, description TEXT, "
                   "minAllocation INTEGER NOT NULL DEFAULT 0, "
                   "maxAllocation INTEGER NOT NULL DEFAULT 0, "
                   "minAllocationPeriodId INTEGER NOT NULL DEFAULT 0, "
                   "maxAllocationPeriodId INTEGER NOT NULL DEFAULT 0, "
                   "chargingRate INTEGER NOT NULL DEFAULT 0, folder TEXT, "
                   "ownerUserId INTEGER NOT NULL DEFAULT 0, "
                   "productivityId INTEGER NOT NULL DEFAULT 0, startDate %2)"),
    QStringLiteral("CREATE TABLE tallyRec (timeId %1, startTime %2 NOT NULL, endTime %2, "
                   "duration INTEGER, categoryId INTEGER NOT NULL, userId INTEGER NOT NULL)"),
    QStringLiteral("CREATE TABLE notification (notificationId %1, fromUserId INTEGER, "
                   "toUserId INTEGER, message TEXT, status TEXT, statusDate %2, "
                   "createDate %2, categoryId INTEGER, typeId INTEGER, subject TEXT)"),
    QStringLiteral("CREATE TABLE process (processId %1, userId INTEGER NOT NULL, "
                   "processName TEXT)"),
    QStringLiteral("CREATE TABLE productivity (productivityId INTEGER PRIMARY KEY, "
                   "number INTEGER NOT NULL, productivity TEXT NOT NULL)"),
    QStringLiteral("CREATE TABLE allocationPeriod (allocationPeriodId INTEGER PRIMARY KEY, "
                   "days INTEGER NOT NULL, allocationPeriod TEXT NOT NULL)"),
    QStringLiteral("CREATE INDEX tallyRec_category_start ON tallyRec "
                   "(categoryId, startTime, endTime, duration, userId)"),
    QStringLiteral("CREATE INDEX tallyRec_user_start ON tallyRec (userId, startTime, duration)"),
    QStringLiteral("CREATE INDEX tallyRec_start ON tallyRec (startTime, duration)"),
    QStringLiteral("CREATE INDEX tallyRec_open ON tallyRec (startTime) WHERE endTime IS NULL"),
    QStringLiteral("CREATE INDEX category_parent ON category (parentId)"),
    QStringLiteral("CREATE INDEX notification_to ON notification (toUserId)"),
    QStringLiteral("CREATE INDEX notification_type_category ON notification (typeId, categoryId)"),
    QStringLiteral("CREATE INDEX process_user ON process (userId)"),
    QStringLiteral("CREATE INDEX user_name ON \"user\" (userName)"),
    QStringLiteral("INSERT INTO allocationPeriod VALUES (1, 1, 'Day'), (2, 7, 'Week'), "
                   "(3, 14, 'Fortnight'), (4, 30, 'Month'), (5, 91, 'Quarter'), (6, 365, 'Year')"),
    QStringLiteral("INSERT INTO productivity VALUES (1, 0, 'Unproductive'), (2, 1, 'Normal'), "
                   "(3, 2, 'Productive'), (4, 3, 'Highly productive')"),
};

// Version 2 added the change counts: one row, and triggers on the user, notification and
// process tables.
const QStringList Version2Common = {
    QStringLiteral("CREATE TABLE dataChange (dataChangeId INTEGER PRIMARY KEY, "
                   "users INTEGER NOT NULL, notifications INTEGER NOT NULL, "
                   "processes INTEGER NOT NULL)"),
    QStringLiteral("INSERT INTO dataChange (dataChangeId, users, notifications, processes) "
                   "VALUES (1, 0, 0, 0)"),
};

const QStringList Version2Sqlite = {
    QStringLiteral("CREATE TRIGGER user_inserted AFTER INSERT ON \"user\" "
                   "BEGIN UPDATE dataChange SET users = users + 1; END"),
    QStringLiteral("CREATE TRIGGER user_deleted AFTER DELETE ON \"user\" "
                   "BEGIN UPDATE dataChange SET users = users + 1; END"),
    QStringLiteral("CREATE TRIGGER user_changed AFTER UPDATE ON \"user\" WHEN "
                   "old.userId IS NOT new.userId OR old.userName IS NOT new.userName OR "
                   "old.created IS NOT new.created OR old.details IS NOT new.details OR "
                   "old.email IS NOT new.email OR old.active IS NOT new.active "
                   "BEGIN UPDATE dataChange SET users = users + 1; END"),
    QStringLiteral("CREATE TRIGGER notification_inserted AFTER INSERT ON \"notification\" "
                   "BEGIN UPDATE dataChange SET notifications = notifications + 1; END"),
    QStringLiteral("CREATE TRIGGER notification_deleted AFTER DELETE ON \"notification\" "
                   "BEGIN UPDATE dataChange SET notifications = notifications + 1; END"),
    QStringLiteral("CREATE TRIGGER notification_changed AFTER UPDATE ON \"notification\" "
                   "BEGIN UPDATE dataChange SET notifications = notifications + 1; END"),
    QStringLiteral("CREATE TRIGGER process_inserted AFTER INSERT ON \"process\" "
                   "BEGIN UPDATE dataChange SET processes = processes + 1; END"),
    QStringLiteral("CREATE TRIGGER process_deleted AFTER DELETE ON \"process\" "
                   "BEGIN UPDATE dataChange SET processes = processes + 1; END"),
    QStringLiteral("CREATE TRIGGER process_changed AFTER UPDATE ON \"process\" "
                   "BEGIN UPDATE dataChange SET processes = processes + 1; END"),
};

const QStringList Version2Server = {
    QStringLiteral("CREATE FUNCTION dataChange_count() RETURNS trigger LANGUAGE plpgsql AS $$ "
                   "BEGIN EXECUTE format('UPDATE dataChange SET %1$I = %1$I + 1', TG_ARGV[0]); "
                   "RETURN NULL; END $$"),
    QStringLiteral("CREATE TRIGGER user_written AFTER INSERT OR DELETE ON \"user\" "
                   "FOR EACH STATEMENT EXECUTE FUNCTION dataChange_count('users')"),
    QStringLiteral("CREATE TRIGGER user_changed AFTER UPDATE ON \"user\" FOR EACH ROW "
                   "WHEN (old.* IS DISTINCT FROM new.*) "
                   "EXECUTE FUNCTION dataChange_count('users')"),
    QStringLiteral("CREATE TRIGGER notification_written AFTER INSERT OR DELETE OR UPDATE ON "
                   "\"notification\" FOR EACH STATEMENT "
                   "EXECUTE FUNCTION dataChange_count('notifications')"),
    QStringLiteral("CREATE TRIGGER process_written AFTER INSERT OR DELETE OR UPDATE ON "
                   "\"process\" FOR EACH STATEMENT EXECUTE FUNCTION dataChange_count('processes')"),
};

} // namespace

QSqlDatabase connect(const QString& location, const QString& connectionName) {
    QSqlDatabase db;
    if (Database::isServerLocation(location)) {
        const QUrl url(location);
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName(QUrl::FullyDecoded));
        db.setPassword(url.password(QUrl::FullyDecoded));
        db.setDatabaseName(url.path().mid(1));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(location);
    }
    if (!db.open()) {
        qFatal("%s: %s", qPrintable(connectionName), qPrintable(db.lastError().text()));
    }
    return db;
}

void close(const QString& connectionName) {
    QSqlDatabase::database(connectionName, false).close();
    QSqlDatabase::removeDatabase(connectionName);
}

void run(QSqlDatabase& db, const QString& statement, const QVariantList& values) {
    QSqlQuery query(db);
    // The server prepares only queries and row changes, not the making of tables.
    bool done = false;
    if (values.isEmpty()) {
        done = query.exec(statement);
    } else {
        query.prepare(statement);
        for (const QVariant& value : values) {
            query.addBindValue(value);
        }
        done = query.exec();
    }
    if (!done) {
        qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
    }
}

void create(const QString& location, int version) {
    const QString name = QStringLiteral("earlier-schema");
    {
        QSqlDatabase db = connect(location, name);
        const bool server = Database::isServerLocation(location);
        if (!server) {
            run(db, QStringLiteral("PRAGMA journal_mode = WAL"));
        }
        db.transaction();
        for (const QString& statement : Version1) {
            const QStringList types =
                server ? QStringList{QStringLiteral(
                                         "INTEGER GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY"),
                                     QStringLiteral("TIMESTAMP(0) WITHOUT TIME ZONE"),
                                     QStringLiteral("BOOLEAN"), QStringLiteral("FALSE")}
                       : QStringList{QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"),
                                     QStringLiteral("TEXT"), QStringLiteral("INTEGER"),
                                     QStringLiteral("0")};
            QString sql = statement;
            for (int i = 0; i < types.size(); ++i) {
                sql.replace(QStringLiteral("%%1").arg(i + 1), types.at(i));
            }
            run(db, sql);
        }
        if (version >= 2) {
            for (const QString& statement :
                 Version2Common + (server ? Version2Server : Version2Sqlite)) {
                run(db, statement);
            }
        }
        run(db,
            server
                ? QStringLiteral("COMMENT ON TABLE \"user\" IS 'Quillhour schema %1'").arg(version)
                : QStringLiteral("PRAGMA user_version = %1").arg(version));
        if (!db.commit()) {
            qFatal("earlier schema: %s", qPrintable(db.lastError().text()));
        }
    }
    close(name);
}

} // namespace EarlierSchemas
