#include "categories/CategoryLoader.h"

#include "data/Database.h"

#include <algorithm>
#include <numeric>

namespace {

// The columns of LoadStatement, by position.
enum Column {
    Id,
    Name,
    Parent,
    Description,
    MinAllocation,
    MaxAllocation,
    ChargingRate,
    Folder,
    ProductivityId,
    MinPeriodId,
    MaxPeriodId,
    Owner,
    StartDate,
    MinDays,
    MaxDays,
    Productivity
};

const QString LoadStatement = QStringLiteral(
    "select category.categoryId, category.category, category.parentId, category.description, "
    "category.minAllocation, category.maxAllocation, category.chargingRate, category.folder, "
    "category.productivityId, category.minAllocationPeriodId, category.maxAllocationPeriodId, "
    "category.ownerUserId, category.startDate, minPeriod.days as loadedMinDays, "
    "maxPeriod.days as loadedMaxDays, rating.number as loadedProductivity "
    "from category "
    "left join allocationPeriod minPeriod "
    "on minPeriod.allocationPeriodId = category.minAllocationPeriodId "
    "left join allocationPeriod maxPeriod "
    "on maxPeriod.allocationPeriodId = category.maxAllocationPeriodId "
    "left join productivity rating on rating.productivityId = category.productivityId");

// The stored columns the record keeps besides its id, parent and name, as category::readRow
// takes them: a null folder leaves the folder as it was.
void readStored(const StreamedRow& row, category& record) {
    record.description = row.text(Description);
    record.minAllocation = row.integer(MinAllocation);
    record.maxAllocation = row.integer(MaxAllocation);
    record.hourlyRate = row.integer(ChargingRate);
    if (!row.isNull(Folder)) {
        record.folder = row.text(Folder);
    }
    record.productivityId = row.integer(ProductivityId);
    record.minAllocationPeriodId = row.integer(MinPeriodId);
    record.maxAllocationPeriodId = row.integer(MaxPeriodId);
    record.ownerUserId = row.integer(Owner);
    record.startDate = row.dateTime(StartDate);
}

int separators(const QString& path) {
    return int(path.count(CategoryLoader::PathSeparator));
}

} // namespace

std::vector<LoadedCategory> CategoryLoader::load(DataContext& context, int rootId,
                                                 const QString& rootPath) {
    std::vector<LoadedCategory> all;
    context.database.readEach(LoadStatement, {}, [&](const StreamedRow& row) {
        category& record = all.emplace_back(context).record;
        record.categoryId = row.integer(Id);
        record.parentId = row.integer(Parent);
        record.categoryName = row.text(Name);
        record.minAllocationPeriod = row.integer(MinDays);
        record.maxAllocationPeriod = row.integer(MaxDays);
        record.productivity = row.integer(Productivity);
        try {
            readStored(row, record);
        } catch (const std::exception&) {
            all.back().readable = false;
        }
    });

    // Positions grouped by parent, siblings in tree order; a parent's children are found by a
    // binary search.
    std::vector<int> byParent(all.size());
    std::iota(byParent.begin(), byParent.end(), 0);
    const auto recordAt = [&all](int position) -> const category& {
        return all[std::size_t(position)].record;
    };
    std::sort(byParent.begin(), byParent.end(), [&](int a, int b) {
        const category& first = recordAt(a);
        const category& second = recordAt(b);
        if (first.parentId != second.parentId) {
            return first.parentId < second.parentId;
        }
        const int byName =
            QString::compare(first.categoryName, second.categoryName, Qt::CaseInsensitive);
        if (byName != 0) {
            return byName < 0;
        }
        return first.categoryId < second.categoryId;
    });

    // Depth first, without recursion: a deep chain of sub-categories must not exhaust the stack.
    // A category is taken once at most, so a row that names itself (or a circle of rows that
    // reaches the root) cannot make the walk go on for ever.
    std::vector<bool> taken(all.size(), false);
    for (std::size_t i = 0; i < all.size(); ++i) {
        taken[i] = all[i].record.categoryId == rootId;
    }
    struct Pending {
        int position;       // in all
        int parentPosition; // in ordered; -1 under the root
        int depth;          // path separators in its full path
    };
    std::vector<Pending> stack;
    const auto pushChildren = [&](int parentId, int parentPosition, int parentDepth) {
        const auto first =
            std::lower_bound(byParent.begin(), byParent.end(), parentId, [&](int position, int id) {
                return recordAt(position).parentId < id;
            });
        auto last = first;
        while (last != byParent.end() && recordAt(*last).parentId == parentId) {
            ++last;
        }
        for (auto it = last; it != first;) {
            --it;
            // A top-level name starts the path; any other follows its parent and a separator.
            const int depth =
                separators(recordAt(*it).categoryName) + (parentDepth < 0 ? 0 : parentDepth + 1);
            stack.push_back({*it, parentPosition, depth});
        }
    };

    std::vector<LoadedCategory> ordered;
    ordered.reserve(all.size());
    pushChildren(rootId, -1, rootId == 0 ? -1 : separators(rootPath));
    while (!stack.empty()) {
        const Pending next = stack.back();
        stack.pop_back();
        if (taken[std::size_t(next.position)]) {
            continue;
        }
        taken[std::size_t(next.position)] = true;
        LoadedCategory& loaded = all[std::size_t(next.position)];
        loaded.parentPosition = next.parentPosition;
        loaded.listText = QString(4 * next.depth, QLatin1Char(' ')) + loaded.record.categoryName;
        const int categoryId = loaded.record.categoryId;
        ordered.push_back(std::move(loaded));
        pushChildren(categoryId, int(ordered.size()) - 1, next.depth);
    }
    return ordered;
}

QString CategoryLoader::listEntry(const QString& fullPath, const QString& name) {
    return QString(4 * charCount(fullPath, QString(PathSeparator)), QLatin1Char(' ')) + name;
}

int CategoryLoader::charCount(const QString& srtCheck, const QString& strChar) {
    return strChar.size() == 1 ? int(srtCheck.count(strChar.at(0))) : 0;
}
