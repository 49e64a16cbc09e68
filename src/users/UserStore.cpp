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

void add(Database& database, const QString& userName, const QDateTime& created) {
    database.execute(QStringLiteral("insert into \"user\" (userName, created) values (?, ?)"),
                     {userName, created});
}

void setActive(Database& database, int userId, bool active) {
    database.execute(QStringLiteral("update \"user\" set active = ? where userId = ?"),
                     {active, userId});
}

void remove(Database& database, int userId) {
    database.execute(QStringLiteral("delete from \"user\" where userId = ?"), {userId});
}

} // namespace UserStore
