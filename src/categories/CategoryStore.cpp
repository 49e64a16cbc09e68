#include "categories/CategoryStore.h"

#include "data/Database.h"
#include "data/TimeCorrection.h"

#include <QHash>
#include <QSet>

namespace CategoryStore {

bool exists(Database& database, const std::optional<QString>& name,
            const std::optional<int>& categoryId) {
    QStringList conditions;
    QVariantList params;
    if (name) {
        conditions.append(QStringLiteral("category = ?"));
        params.append(*name);
    }
    if (categoryId) {
        conditions.append(QStringLiteral("categoryId = ?"));
        params.append(*categoryId);
    }
    if (conditions.isEmpty()) {
        return false;
    }
    const QString sql = QStringLiteral("select count(*) from category where ") +
                        conditions.join(QStringLiteral(" and "));
    return database.scalar(sql, params).toLongLong() > 0;
}

int count(Database& database) {
    return int(database.scalar(QStringLiteral("select count(*) from category")).toLongLong());
}

bool isSelfOrDescendant(Database& database, int categoryId, int candidateParentId) {
    if (candidateParentId == categoryId) {
        return true;
    }
    QHash<int, int> parentOf;
    for (const Row row :
         database.query(QStringLiteral("select categoryId, parentId from category"))) {
        parentOf.insert(row.integer(0), row.integer(1));
    }
    // Up from the candidate; a circle already in the table ends the walk.
    QSet<int> seen;
    int current = candidateParentId;
    while (current != 0 && parentOf.contains(current) && !seen.contains(current)) {
        seen.insert(current);
        current = parentOf.value(current);
        if (current == categoryId) {
            return true;
        }
    }
    return false;
}

int runningTaskCount(Database& database, int categoryId) {
    return database
        .scalar(QStringLiteral("select count(*) from tallyRec where categoryId = ? and endTime is "
                               "null"),
                {categoryId})
        .toInt();
}

bool deleteCategory(Database& database, const Clock& clock, int categoryId, int byUserId) {
    bool deleted = false;
    database.transaction([&] {
        // Asked again inside the transaction: someone may have started a task since the user
        // was told there was none.
        deleted = runningTaskCount(database, categoryId) == 0;
        if (!deleted) {
            return;
        }
        const QVariant parent = database.scalar(
            QStringLiteral("select parentId from category where categoryId = ?"), {categoryId});
        TimeCorrection(database, clock).removeCategoryRows(categoryId, byUserId);
        if (!parent.isNull()) {
            database.execute(QStringLiteral("update category set parentId = ? where parentId = ?"),
                             {parent.toInt(), categoryId});
        }
        database.execute(QStringLiteral("delete from category where categoryId = ?"), {categoryId});
    });
    return deleted;
}

} // namespace CategoryStore
