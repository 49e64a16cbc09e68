#include "data/task.h"

#include "data/Database.h"
#include "data/TimeCorrection.h"
#include "data/category.h"
#include "data/user.h"
#include "platform/Clock.h"

void task::finish() {
    endTime = m_context->clock.now();
    save();
}

void task::save() {
    Database& db = m_context->database;
    if (taskId != 0) {
        db.execute(QStringLiteral("update tallyRec set endTime = ?, duration = ? where timeId = ?"),
                   {endTime, duration, taskId});
        return;
    }
    if (category == nullptr || user == nullptr) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QStringLiteral("A time entry needs a category and a user before it "
                                           "can be saved."));
    }
    db.execute(QStringLiteral("insert into tallyRec (startTime, endTime, duration, categoryId, "
                              "userId) values (?, ?, ?, ?, ?)"),
               {startTime, endTime, duration, category->categoryId, user->userId});
}

void task::Cancel() {
    // Cancelled by its own user, and kept in the trail like every deleted row.
    TimeCorrection(m_context->database, m_context->clock)
        .remove(taskId, user != nullptr ? user->userId : 0);
}

task& tasks::Add(int taskId, const QString& sKey) {
    auto record = std::make_unique<task>(*m_context);
    record->taskId = taskId;
    return append(std::move(record), sKey);
}

std::vector<OpenTimeRow> tasks::openRows(Database& database) {
    const ResultSet rows = database.query(QStringLiteral(
        "select tallyRec.timeId, tallyRec.startTime, tallyRec.categoryId, tallyRec.userId "
        "from tallyRec inner join category on category.categoryId = tallyRec.categoryId "
        "inner join \"user\" on \"user\".userId = tallyRec.userId "
        "where tallyRec.endTime is null order by tallyRec.startTime, tallyRec.timeId"));
    std::vector<OpenTimeRow> open;
    open.reserve(std::size_t(rows.count()));
    for (const Row row : rows) {
        open.push_back({row.integer(0), row.dateTime(1), row.integer(2), row.integer(3)});
    }
    return open;
}

int tasks::startRow(Database& database, const QDateTime& startTime, int categoryId, int userId) {
    return int(database.insert(
        QStringLiteral("insert into tallyRec (startTime, categoryId, userId) values (?, ?, ?)"),
        {startTime, categoryId, userId}, QStringLiteral("timeId")));
}
