#pragma once

#include "data/DataContext.h"
#include "data/KeyedCollection.h"

#include <QDateTime>
#include <QString>

class Row;
class TreeNode;

// A project or sub-project that time is recorded against: one row of the category table, with
// the lengths of its allocation periods and its productivity number read from the look-up
// tables.
class category {
public:
    // A new record: allocations and rate 0, both periods one day, started now.
    explicit category(DataContext& context);
    // A record whose start date is already known, such as one about to be read from its row.
    category(DataContext& context, const QDateTime& started);

    int categoryId = 0;
    QString categoryName;
    int parentId = 0;
    TreeNode* categoryTreeNode = nullptr; // not owned; set by the category tree
    QString description;
    int minAllocation = 0;
    int maxAllocation = 0;
    int hourlyRate = 0; // the chargingRate column
    QString folder;
    int productivity = 0;        // derived: the number of the productivity rating
    int minAllocationPeriod = 1; // derived: days of the minimum period
    int maxAllocationPeriod = 1; // derived: days of the maximum period
    int ownerUserId = 0;
    int maxAllocationPeriodId = 0;
    int minAllocationPeriodId = 0;
    int productivityId = 0;
    QDateTime startDate;

    // Reads the row with this categoryId again; a row that is gone leaves the record as it was.
    void refresh();
    // Inserts the record when categoryId is 0 (and learns its new id), updates it otherwise.
    void save();
    // The name of the category's productivity rating; empty when it names none.
    QString getProductivityDescription() const;

    // Takes the stored columns from a row of the category table. A null folder leaves the
    // folder as it was. The derived values are left alone.
    void readRow(const Row& row);

    DataContext& context() const { return *m_context; }

private:
    DataContext* m_context;
};

// The program's collection of categories.
class cateories : public KeyedCollection<category> {
public:
    explicit cateories(DataContext& context)
        : m_context(&context) {}
    // Creates a category with the given id and appends it under sKey (no key when empty).
    category& Add(int categoryId, const QString& sKey = {});
    // Appends a record made elsewhere (one already read) under sKey.
    category& Add(category&& record, const QString& sKey);
    // The first category with this id; the placeholder (the first member) when there is none;
    // nullptr when the collection is empty.
    category* getCategoryById(int categoryId) const;

private:
    DataContext* m_context;
};
