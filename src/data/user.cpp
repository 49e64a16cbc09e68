#include "data/user.h"

#include "data/Database.h"
#include "data/task.h"
#include "platform/Clock.h"

void user::refresh() {
    if (userId == 0) {
        return;
    }
    const ResultSet rows = m_context->database.query(
        QStringLiteral("select * from \"user\" where userId = ?"), {userId});
    if (rows.isEmpty()) {
        return;
    }
    readRow(rows.first());
}

void user::readRow(const Row& row) {
    static const ColumnNames names{"active", "userName", "details", "email", "created"};
    const Row::Columns column = row.columns(names);
    active = row.boolean(column[0]);
    userName = row.text(column[1]);
    if (!row.isNull(column[2])) {
        details = row.text(column[2]);
    }
    if (!row.isNull(column[3])) {
        email = row.text(column[3]);
    }
    created = row.dateTime(column[4]);
}

void user::save() {
    Database& db = m_context->database;
    if (userId != 0) {
        db.execute(QStringLiteral("update \"user\" set userName = ?, details = ?, email = ? "
                                  "where userId = ?"),
                   {userName, details, email, userId});
        return;
    }
    const ResultSet inserted = db.insertReturning(
        QStringLiteral("insert into \"user\" (userName, created, details, email, "
                       "active) values (?, ?, ?, ?, ?)"),
        {userName, m_context->clock.now(), details, email, false},
        QStringLiteral("userId, created"));
    userId = inserted.first().integer(0);
    created = inserted.first().dateTime(1);
}

std::unique_ptr<tasks> user::getCurrentTasks(const tasks& checkTaskList) const {
    auto mine = std::make_unique<tasks>(*m_context);
    for (const task& each : checkTaskList) {
        if (each.user != nullptr && each.user->userId == userId) {
            mine->Add(each.taskId);
        }
    }
    return mine;
}

user& users::Add(int userId, const QString& sKey) {
    auto record = std::make_unique<user>(*m_context);
    record->userId = userId;
    return append(std::move(record), sKey);
}

user* users::getUserById(int userId) const {
    // The program's own keys make this a hash look-up; other keys fall back to the walk.
    if (user* keyed = find(QStringLiteral("uid_%1").arg(userId));
        keyed != nullptr && keyed->userId == userId) {
        return keyed;
    }
    for (user& each : *this) {
        if (each.userId == userId) {
            return &each;
        }
    }
    return nullptr;
}
