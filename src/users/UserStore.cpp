#include "users/UserStore.h"

#include "data/Database.h"

namespace UserStore {

ResultSet everyUser(Database& database) {
    return database.query(QStringLiteral("select * from \"user\" order by userId"));
}

ResultSet everyRow(Database& database) {
    return database.query(QStringLiteral("select * from \"user\""));
}

std::optional<Row> findByName(Database& database, const QString& userName) {
    const ResultSet rows =
        database.query(QStringLiteral("select * from \"user\" where userName = ?"), {userName});
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    return rows.first();
}

bool nameTaken(Database& database, const QString& userName, int exceptUserId) {
    return database
               .scalar(QStringLiteral("select count(*) from \"user\" where trim(userName) = ? "
                                      "and userId <> ?"),
                       {userName.trimmed(), exceptUserId})
               .toLongLong() > 0;
}

bool add(Database& database, const QString& userName, const QDateTime& created) {
    bool added = false;
    database.transaction([&] {
        added = !nameTaken(database, userName);
        if (added) {
            database.execute(
                QStringLiteral("insert into \"user\" (userName, created) values (?, ?)"),
                {userName, created});
        }
    });
    return added;
}

void setActive(Database& database, int userId, bool active) {
    database.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"),
                     {active, userId});
}

void remove(Database& database, int userId) {
    database.execute(QStringLiteral("delete from \"user\" where userId = ?"), {userId});
}

} // namespace UserStore
