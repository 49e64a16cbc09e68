#include "users/ProcessStore.h"

#include "data/Database.h"

namespace ProcessStore {

ResultSet everyRow(Database& database) {
    return database.query(QStringLiteral("select * from process order by processId"));
}

void replaceOwn(Database& database, int userId, const QStringList& titles) {
    database.transaction([&] {
        deleteOwn(database, userId);
        for (const QString& title : titles) {
            database.execute(
                QStringLiteral("insert into process (userId, processName) values (?, ?)"),
                {userId, title});
        }
    });
}

void deleteOwn(Database& database, int userId) {
    database.execute(QStringLiteral("delete from process where userId = ?"), {userId});
}

qint64 countOwn(Database& database, int userId) {
    return database
        .scalar(QStringLiteral("select count(*) from process where userId = ?"), {userId})
        .toLongLong();
}

} // namespace ProcessStore
