#include "data/category.h"

#include "data/Database.h"
#include "data/Lookup.h"
#include "data/NodeKeys.h"
#include "platform/Clock.h"

category::category(DataContext& context)
    : startDate(context.clock.now())
    , m_context(&context) {}

category::category(DataContext& context, const QDateTime& started)
    : startDate(started)
    , m_context(&context) {}

void category::readRow(const Row& row) {
    static const ColumnNames names{"category",
                                   "parentId",
                                   "description",
                                   "minAllocation",
                                   "maxAllocation",
                                   "chargingRate",
                                   "folder",
                                   "productivityId",
                                   "minAllocationPeriodId",
                                   "maxAllocationPeriodId",
                                   "ownerUserId",
                                   "startDate"};
    const Row::Columns column = row.columns(names);
    categoryName = row.text(column[0]);
    parentId = row.integer(column[1]);
    description = row.text(column[2]);
    minAllocation = row.integer(column[3]);
    maxAllocation = row.integer(column[4]);
    hourlyRate = row.integer(column[5]);
    if (!row.isNull(column[6])) {
        folder = row.text(column[6]);
    }
    productivityId = row.integer(column[7]);
    minAllocationPeriodId = row.integer(column[8]);
    maxAllocationPeriodId = row.integer(column[9]);
    ownerUserId = row.integer(column[10]);
    startDate = row.dateTime(column[11]);
}

void category::refresh() {
    Database& db = m_context->database;
    const ResultSet rows =
        db.query(QStringLiteral("select * from category where categoryId = ?"), {categoryId});
    if (rows.isEmpty()) {
        return;
    }
    readRow(rows.first());
    minAllocationPeriod = getValueById(db, QStringLiteral("allocationPeriod"),
                                       minAllocationPeriodId, QStringLiteral("days"))
                              .toInt();
    maxAllocationPeriod = getValueById(db, QStringLiteral("allocationPeriod"),
                                       maxAllocationPeriodId, QStringLiteral("days"))
                              .toInt();
    productivity =
        getValueById(db, QStringLiteral("productivity"), productivityId, QStringLiteral("number"))
            .toInt();
}

void category::save() {
    Database& db = m_context->database;
    const QVariantList values = {categoryName,          parentId,       description,
                                 minAllocation,         maxAllocation,  minAllocationPeriodId,
                                 maxAllocationPeriodId, hourlyRate,     folder,
                                 ownerUserId,           productivityId, startDate};
    if (categoryId != 0) {
        QVariantList params = values;
        params.append(categoryId);
        db.execute(QStringLiteral("update category set category = ?, parentId = ?, "
                                  "description = ?, minAllocation = ?, maxAllocation = ?, "
                                  "minAllocationPeriodId = ?, maxAllocationPeriodId = ?, "
                                  "chargingRate = ?, folder = ?, ownerUserId = ?, "
                                  "productivityId = ?, startDate = ? where categoryId = ?"),
                   params);
        return;
    }
    categoryId = int(db.insert(QStringLiteral("insert into category (category, parentId, "
                                              "description, minAllocation, maxAllocation, "
                                              "minAllocationPeriodId, maxAllocationPeriodId, "
                                              "chargingRate, folder, ownerUserId, "
                                              "productivityId, startDate) values (?, ?, ?, ?, ?, "
                                              "?, ?, ?, ?, ?, ?, ?)"),
                               values, QStringLiteral("categoryId")));
}

QString category::getProductivityDescription() const {
    const ResultSet rows = m_context->database.query(
        QStringLiteral("select productivity.productivity from category inner join productivity "
                       "on category.productivityId = productivity.productivityId "
                       "where category.categoryId = ?"),
        {categoryId});
    return rows.isEmpty() ? QString() : rows.first().text(0);
}

category& cateories::Add(int categoryId, const QString& sKey) {
    auto record = std::make_unique<category>(*m_context);
    record->categoryId = categoryId;
    return append(std::move(record), sKey);
}

category& cateories::Add(category&& record, const QString& sKey) {
    return append(std::make_unique<category>(std::move(record)), sKey);
}

category* cateories::getCategoryById(int categoryId) const {
    if (isEmpty()) {
        return nullptr;
    }
    category& first = Item(1);
    if (first.categoryId == categoryId) {
        return &first;
    }
    // Loaded categories are keyed by their ids, and only the placeholder goes without a key:
    // then the key finds the category or there is none, whatever the size of the tree. A
    // collection put together otherwise is walked.
    if (category* keyed = find(NodeKeys::key(NodeKeys::Category, categoryId));
        keyed != nullptr && keyed->categoryId == categoryId) {
        return keyed;
    }
    if (Count() - keyedCount() <= 1) {
        return &first;
    }
    for (category& each : *this) {
        if (each.categoryId == categoryId) {
            return &each;
        }
    }
    return &first;
}
