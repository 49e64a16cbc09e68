#include "categories/CategoryLoader.h"

#include "data/Database.h"

#include <QHash>
#include <QSet>
#include <algorithm>

namespace {

const QString LoadStatement = QStringLiteral(
    "select category.*, minPeriod.days as loadedMinDays, maxPeriod.days as loadedMaxDays, "
    "rating.number as loadedProductivity "
    "from category "
    "left join allocationPeriod minPeriod "
    "on minPeriod.allocationPeriodId = category.minAllocationPeriodId "
    "left join allocationPeriod maxPeriod "
    "on maxPeriod.allocationPeriodId = category.maxAllocationPeriodId "
    "left join productivity rating on rating.productivityId = category.productivityId");

bool siblingOrder(const LoadedCategory* a, const LoadedCategory* b) {
    const int byName = QString::compare(a->name, b->name, Qt::CaseInsensitive);
    if (byName != 0) {
        return byName < 0;
    }
    return a->categoryId < b->categoryId;
}

} // namespace

std::vector<LoadedCategory> CategoryLoader::load(Database& database, int rootId,
                                                 const QString& rootPath) {
    static const ColumnNames names{"categoryId",    "parentId",      "category",
                                   "loadedMinDays", "loadedMaxDays", "loadedProductivity"};
    const ResultSet rows = database.query(LoadStatement);
    std::vector<LoadedCategory> all;
    all.reserve(std::size_t(rows.count()));
    for (const Row row : rows) {
        const Row::Columns column = row.columns(names);
        LoadedCategory loaded(row);
        loaded.categoryId = row.integer(column[0]);
        loaded.parentId = row.integer(column[1]);
        loaded.name = row.text(column[2]);
        loaded.minAllocationPeriod = row.integer(column[3]);
        loaded.maxAllocationPeriod = row.integer(column[4]);
        loaded.productivity = row.integer(column[5]);
        all.push_back(std::move(loaded));
    }

    QHash<int, std::vector<LoadedCategory*>> children;
    for (LoadedCategory& each : all) {
        children[each.parentId].push_back(&each);
    }
    for (auto& siblings : children) {
        std::sort(siblings.begin(), siblings.end(), siblingOrder);
    }

    // Depth first, without recursion: a deep chain of sub-categories must not exhaust the stack.
    // A category is taken once at most, so a row that names itself (or a circle of rows that
    // reaches the root) cannot make the walk go on for ever.
    std::vector<LoadedCategory> ordered;
    ordered.reserve(all.size());
    QSet<int> taken{rootId};
    struct Pending {
        LoadedCategory* category;
        QString parentPath;
        bool topLevel;
    };
    std::vector<Pending> stack;
    const auto pushChildren = [&](int parentId, const QString& parentPath, bool topLevel) {
        const auto found = children.constFind(parentId);
        if (found == children.constEnd()) {
            return;
        }
        for (auto it = found->rbegin(); it != found->rend(); ++it) {
            stack.push_back({*it, parentPath, topLevel});
        }
    };
    pushChildren(rootId, rootPath, rootId == 0);
    while (!stack.empty()) {
        Pending next = std::move(stack.back());
        stack.pop_back();
        LoadedCategory& category = *next.category;
        if (taken.contains(category.categoryId)) {
            continue;
        }
        taken.insert(category.categoryId);
        category.fullPath =
            next.topLevel ? category.name : next.parentPath + PathSeparator + category.name;
        category.listText = listEntry(category.fullPath, category.name);
        ordered.push_back(category);
        pushChildren(category.categoryId, category.fullPath, false);
    }
    return ordered;
}

QString CategoryLoader::listEntry(const QString& fullPath, const QString& name) {
    return QString(4 * charCount(fullPath, QString(PathSeparator)), QLatin1Char(' ')) + name;
}

int CategoryLoader::charCount(const QString& srtCheck, const QString& strChar) {
    return strChar.size() == 1 ? int(srtCheck.count(strChar.at(0))) : 0;
}
