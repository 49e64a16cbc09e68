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

// Every category row, in the order the statement hands them over.
std::vector<LoadedCategory> readAll(DataContext& context) {
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
    return all;
}

// Puts the categories in tree order: each followed by all of its descendants.
class TreeWalk {
public:
    explicit TreeWalk(std::vector<LoadedCategory>& all);
    // The descendants of rootId; rootDepth is the path separators in its full path (-1 for
    // the whole tree).
    std::vector<LoadedCategory> below(int rootId, int rootDepth);

private:
    struct Pending {
        int position;       // in m_all
        int parentPosition; // in the result; -1 under the root
        int depth;          // path separators in its full path
    };

    const category& recordAt(int position) const { return m_all[std::size_t(position)].record; }
    void groupByParent();
    void pushChildren(int parentId, int parentPosition, int parentDepth);

    std::vector<LoadedCategory>& m_all;
    std::vector<int> m_byParent;
    std::vector<bool> m_taken;
    std::vector<Pending> m_stack;
};

TreeWalk::TreeWalk(std::vector<LoadedCategory>& all)
    : m_all(all)
    , m_byParent(all.size())
    , m_taken(all.size(), false) {
    groupByParent();
}

// Depth first, without recursion: a deep chain of sub-categories must not exhaust the stack.
// A category is taken once at most, so a row that names itself (or a circle of rows that
// reaches the root) cannot make the walk go on for ever.
std::vector<LoadedCategory> TreeWalk::below(int rootId, int rootDepth) {
    for (std::size_t i = 0; i < m_all.size(); ++i) {
        m_taken[i] = m_all[i].record.categoryId == rootId;
    }
    std::vector<LoadedCategory> ordered;
    ordered.reserve(m_all.size());
    pushChildren(rootId, -1, rootDepth);
    while (!m_stack.empty()) {
        const Pending next = m_stack.back();
        m_stack.pop_back();
        if (m_taken[std::size_t(next.position)]) {
            continue;
        }
        m_taken[std::size_t(next.position)] = true;
        LoadedCategory& loaded = m_all[std::size_t(next.position)];
        loaded.parentPosition = next.parentPosition;
        loaded.listText = QString(4 * next.depth, QLatin1Char(' ')) + loaded.record.categoryName;
        const int categoryId = loaded.record.categoryId;
        ordered.push_back(std::move(loaded));
        pushChildren(categoryId, int(ordered.size()) - 1, next.depth);
    }
    return ordered;
}

// Positions grouped by parent, siblings in tree order; a parent's children are found by a
// binary search.
void TreeWalk::groupByParent() {
    std::iota(m_byParent.begin(), m_byParent.end(), 0);
    std::sort(m_byParent.begin(), m_byParent.end(), [&](int a, int b) {
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
}

// The children go on the stack last first, so that they come off it in tree order.
void TreeWalk::pushChildren(int parentId, int parentPosition, int parentDepth) {
    const auto first =
        std::lower_bound(m_byParent.begin(), m_byParent.end(), parentId,
                         [&](int position, int id) { return recordAt(position).parentId < id; });
    auto last = first;
    while (last != m_byParent.end() && recordAt(*last).parentId == parentId) {
        ++last;
    }
    for (auto it = last; it != first;) {
        --it;
        // A top-level name starts the path; any other follows its parent and a separator.
        const int depth =
            separators(recordAt(*it).categoryName) + (parentDepth < 0 ? 0 : parentDepth + 1);
        m_stack.push_back({*it, parentPosition, depth});
    }
}

} // namespace

std::vector<LoadedCategory> CategoryLoader::load(DataContext& context, int rootId,
                                                 const QString& rootPath) {
    std::vector<LoadedCategory> all = readAll(context);
    return TreeWalk(all).below(rootId, rootId == 0 ? -1 : separators(rootPath));
}

QString CategoryLoader::listEntry(const QString& fullPath, const QString& name) {
    return QString(4 * charCount(fullPath, QString(PathSeparator)), QLatin1Char(' ')) + name;
}

int CategoryLoader::charCount(const QString& srtCheck, const QString& strChar) {
    return strChar.size() == 1 ? int(srtCheck.count(strChar.at(0))) : 0;
}
