#include "data/Database.h"
#include "data/TimeText.h"
#include "reports/TimeReportParts.h"

#include <QCoreApplication>
#include <algorithm>
#include <map>
#include <optional>

namespace {

// A stored date-time in the storage form, taken apart by hand at its fixed positions: a
// timesheet of every row reads a million of them, and the general parser is several times
// slower. Nothing for text of another form.
template <typename Char>
std::optional<WallClock> storedWallClock(const Char* c, qsizetype length) {
    if (length != 19 || c[4] != u'-' || c[7] != u'-' || c[10] != u' ' || c[13] != u':' ||
        c[16] != u':') {
        return std::nullopt;
    }
    const int century = TimeText::twoDigits(c, 0);
    const int year = TimeText::twoDigits(c, 2);
    if (century < 0 || year < 0) {
        return std::nullopt;
    }
    const QDate day(century * 100 + year, TimeText::twoDigits(c, 5), TimeText::twoDigits(c, 8));
    const QTime time(TimeText::twoDigits(c, 11), TimeText::twoDigits(c, 14),
                     TimeText::twoDigits(c, 17));
    if (!day.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return WallClock{day, time};
}

WallClock wallClockOf(const QVariant& stored) {
    if (stored.typeId() == QMetaType::QDateTime) {
        const QDateTime moment = stored.toDateTime();
        return {moment.date(), moment.time()};
    }
    if (stored.typeId() == QMetaType::QString) {
        const QString text = stored.toString();
        if (const std::optional<WallClock> read = storedWallClock(text.utf16(), text.size())) {
            return *read;
        }
    }
    const QDateTime moment = TimeText::fromStorage(stored);
    return {moment.date(), moment.time()};
}

// The same, read where the engine keeps the field.
WallClock wallClockOf(const StreamedRow& row, int column) {
    if (QByteArrayView text; row.utf8(column, text)) {
        if (const std::optional<WallClock> read = storedWallClock(text.data(), text.size())) {
            return *read;
        }
    }
    return wallClockOf(row.value(column));
}

// Siblings in the category lists' order, and users: by name without regard to case, then by id.
bool before(const QString& leftName, int leftId, const QString& rightName, int rightId) {
    const int byName = QString::compare(leftName, rightName, Qt::CaseInsensitive);
    return byName != 0 ? byName < 0 : leftId < rightId;
}

} // namespace

TimeReport::TimeReport(Database& database)
    : m_database(database) {
    loadCategories();
    QHash<int, RateBook::Category> rated;
    for (const CategoryInfo& info : std::as_const(m_categories)) {
        rated.insert(info.id, {info.parentId, info.rate});
    }
    m_rates = RateBook::read(m_database, std::move(rated));
    m_rounding = Billing::rounding(m_database);
    m_currency = Billing::currency(m_database);
    const ResultSet users =
        m_database.query(QStringLiteral("select userId, userName from \"user\""));
    for (int i = 0; i < users.count(); ++i) {
        const QVariantList& values = users.values(i);
        m_users.insert(values.at(0).toInt(), values.at(1).toString());
    }
}

void TimeReport::loadCategories() {
    const ResultSet rows = m_database.query(
        QStringLiteral("select categoryId, category, parentId, chargingRate from category"));
    std::map<int, std::vector<int>> children; // parent id to its categories
    for (int i = 0; i < rows.count(); ++i) {
        const QVariantList& values = rows.values(i);
        CategoryInfo info;
        info.id = values.at(0).toInt();
        info.name = values.at(1).toString();
        info.parentId = values.at(2).toInt();
        info.rate = values.at(3).toInt();
        info.order = -1;
        m_categories.insert(info.id, info);
    }
    for (const CategoryInfo& info : std::as_const(m_categories)) {
        // A parent that is missing (or the category itself) puts it at the top of the tree.
        const bool hasParent = info.parentId != info.id && m_categories.contains(info.parentId);
        children[hasParent ? info.parentId : 0].push_back(info.id);
    }
    for (auto& [parent, ids] : children) {
        std::sort(ids.begin(), ids.end(), [this](int a, int b) {
            return before(m_categories[a].name, a, m_categories[b].name, b);
        });
    }
    // Depth first from the top; a category already placed is never placed again, so a loop in
    // the parent ids ends.
    int order = 0;
    struct Step {
        int id;
        int depth;
        QString parentPath;
    };
    std::vector<Step> pending;
    auto pushChildren = [&](int parent, int depth, const QString& parentPath) {
        const auto found = children.find(parent);
        if (found == children.end()) {
            return;
        }
        for (auto it = found->second.rbegin(); it != found->second.rend(); ++it) {
            pending.push_back({*it, depth, parentPath});
        }
    };
    pushChildren(0, 0, {});
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        CategoryInfo& info = m_categories[step.id];
        if (info.order >= 0) {
            continue;
        }
        info.order = order++;
        info.depth = step.depth;
        info.path =
            step.parentPath.isEmpty() ? info.name : step.parentPath + QLatin1Char('/') + info.name;
        if (step.id != 0) {
            pushChildren(step.id, step.depth + 1, info.path);
        }
    }
    // Categories only reachable through a loop come last, at the top level.
    for (CategoryInfo& info : m_categories) {
        if (info.order < 0) {
            info.order = order++;
            info.path = info.name;
        }
    }
}

std::vector<const TimeReport::CategoryInfo*> TimeReport::categoriesInOrder() const {
    std::vector<const CategoryInfo*> ordered;
    ordered.reserve(std::size_t(m_categories.size()));
    for (const CategoryInfo& info : m_categories) {
        ordered.push_back(&info);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const CategoryInfo* a, const CategoryInfo* b) { return a->order < b->order; });
    return ordered;
}

std::vector<std::pair<int, QString>> TimeReport::usersByName() const {
    std::vector<std::pair<int, QString>> ordered;
    for (auto it = m_users.cbegin(); it != m_users.cend(); ++it) {
        ordered.emplace_back(it.key(), it.value());
    }
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        return before(a.second, a.first, b.second, b.first);
    });
    return ordered;
}

std::vector<int> TimeReport::categoriesNamed(const QString& text) const {
    bool number = false;
    const int id = text.toInt(&number);
    std::vector<int> named;
    for (const CategoryInfo& info : m_categories) {
        if (info.name == text || info.path == text || (number && info.id == id)) {
            named.push_back(info.id);
        }
    }
    std::sort(named.begin(), named.end());
    return named;
}

int TimeReport::userIdByName(const QString& name) const {
    int found = 0;
    for (auto it = m_users.cbegin(); it != m_users.cend(); ++it) {
        if (it.value() == name && (found == 0 || it.key() < found)) {
            found = it.key();
        }
    }
    return found;
}

QString TimeReport::deletedCategory() {
    return QCoreApplication::translate("TimeReport", "(deleted category)");
}

QString TimeReport::deletedUser() {
    return QCoreApplication::translate("TimeReport", "(deleted user)");
}

qint64 TimeReport::amountCents(qint64 minutes, qint64 rate) {
    return amountAt(minutes, rate * 100);
}

qint64 TimeReport::amountAt(qint64 minutes, qint64 rateCents) {
    // In 120ths of a cent, a half cent added away from zero, then cut towards zero.
    const qint64 doubled = minutes * rateCents * 2;
    return (doubled + (doubled < 0 ? -60 : 60)) / 120;
}

QString TimeReport::rateText(qint64 rateCents) {
    return rateCents % 100 == 0 ? QString::number(rateCents / 100) : centsText(rateCents);
}

QString TimeReport::centsText(qint64 cents) {
    const qint64 whole = cents / 100;
    const qint64 part = std::abs(cents % 100);
    const QString sign = cents < 0 && whole == 0 ? QStringLiteral("-") : QString();
    return sign + QString::number(whole) + QLatin1Char('.') +
           QStringLiteral("%1").arg(part, 2, 10, QLatin1Char('0'));
}

QString TimeReport::hoursText(qint64 minutes) {
    return centsText(amountCents(minutes, 1));
}

QDate TimeReport::weekOf(const QDate& day, Qt::DayOfWeek weekStart) {
    return day.addDays(-((day.dayOfWeek() - int(weekStart) + 7) % 7));
}

TimeReport::Conditions TimeReport::conditionsFor(const ReportFilter& filter) const {
    Conditions conditions;
    conditions.where = QStringLiteral(" where t.startTime >= %1 and t.startTime < %2")
                           .arg(m_database.dayStart(QStringLiteral("?"), QStringLiteral("0")),
                                m_database.dayEnd(QStringLiteral("?"), QStringLiteral("0")));
    conditions.whereParams = {filter.from, filter.to};
    if (filter.userId > 0) {
        conditions.where += QStringLiteral(" and t.userId = ?");
        conditions.whereParams.append(filter.userId);
    }
    if (filter.categoryId > 0) {
        // "union", not "union all": a loop in the parent ids ends.
        conditions.with = QStringLiteral(
            "with recursive sub(id) as (select cast(? as integer) union "
            "select c2.categoryId from category c2 join sub on c2.parentId = sub.id) ");
        conditions.withParams = {filter.categoryId};
        conditions.inCategory = QStringLiteral(" and t.categoryId in (select id from sub)");
    }
    return conditions;
}

ReportEntry TimeReport::entryFrom(const StreamedRow& row, const QDateTime& now) const {
    ReportEntry entry;
    entry.timeId = row.integer64(0);
    entry.start = wallClockOf(row, 1);
    QByteArrayView endText;
    entry.running = !row.utf8(2, endText) && row.isNull(2);
    entry.end = entry.running ? WallClock{now.date(), now.time()} : wallClockOf(row, 2);
    entry.minutes = entry.running
                        ? std::max<qint64>(0, TimeText::minutesBetween(entry.start.moment(), now))
                        : row.integer64(3);
    entry.categoryId = row.integer(4);
    entry.userId = row.integer(5);
    const auto category = m_categories.constFind(entry.categoryId);
    if (category != m_categories.cend()) {
        entry.category = category->name;
        entry.categoryPath = category->path;
    } else {
        entry.category = entry.categoryPath = deletedCategory();
    }
    entry.rateCents = m_rates.rateCents(entry.categoryId, entry.userId, entry.start.date);
    entry.rate = int(entry.rateCents / 100);
    entry.billable = m_rates.billable(entry.categoryId);
    const auto user = m_users.constFind(entry.userId);
    entry.user = user != m_users.cend() ? *user : deletedUser();
    entry.amountCents = entry.billable ? amountAt(entry.minutes, entry.rateCents) : 0;
    return entry;
}

void TimeReport::entries(const ReportFilter& filter,
                         const std::function<void(const ReportEntry&)>& onEntry) const {
    if (!filter.from.isValid() || !filter.to.isValid() || filter.from > filter.to) {
        return;
    }
    const Conditions conditions = conditionsFor(filter);
    // The order is the start-time index's own, so the rows stream without being sorted first.
    const QString sql =
        conditions.with +
        QStringLiteral("select t.timeId, t.startTime, t.endTime, t.duration, t.categoryId, "
                       "t.userId from tallyRec t") +
        conditions.where + conditions.inCategory +
        (filter.includeRunning ? QString() : QStringLiteral(" and t.endTime is not null")) +
        QStringLiteral(" order by t.startTime, t.duration, t.timeId");
    m_database.readEach(sql, conditions.params(),
                        [&](const StreamedRow& row) { onEntry(entryFrom(row, filter.now)); });
}

std::vector<ReportEntry> TimeReport::runningTasks(int userId, const QDateTime& now) const {
    std::vector<ReportEntry> running;
    m_database.readEach(QStringLiteral("select t.timeId, t.startTime, t.endTime, t.duration, "
                                       "t.categoryId, t.userId from tallyRec t where "
                                       "t.endTime is null and t.userId = ? "
                                       "order by t.startTime, t.timeId"),
                        {userId},
                        [&](const StreamedRow& row) { running.push_back(entryFrom(row, now)); });
    return running;
}

// Every category with time in it or below it, in tree order; a category's totals take in its
// sub-categories'. The roll-up goes up the tree as far as the chosen category (or the top).
std::vector<ReportLine> TimeReport::categoryLines(const Sums& sums, int chosenCategoryId) const {
    std::map<int, ReportLine> shown; // by tree order
    std::vector<ReportLine> gone;    // time on categories that are no more, after the tree
    for (const auto& [id, sum] : sums) {
        const auto known = m_categories.constFind(int(id));
        if (known == m_categories.cend()) {
            ReportLine line;
            line.id = int(id);
            line.label = line.path = deletedCategory();
            line.rows = sum.rows;
            line.minutes = line.totalMinutes = sum.minutes;
            line.billableMinutes = sum.billableMinutes;
            line.amountCents = line.totalAmountCents = sum.amountCents;
            gone.push_back(line);
            continue;
        }
        ReportLine& line = shown[known->order];
        line.rows = sum.rows;
        line.minutes = sum.minutes;
        line.billableMinutes = sum.billableMinutes;
        line.amountCents = sum.amountCents;
        QList<int> seen;
        for (auto step = known; step != m_categories.cend() && !seen.contains(step->id);
             step = m_categories.constFind(step->parentId)) {
            seen.append(step->id);
            ReportLine& each = shown[step->order];
            each.id = step->id;
            each.label = step->name;
            each.path = step->path;
            each.depth = step->depth;
            each.rate = step->rate;
            each.totalMinutes += sum.minutes;
            each.totalAmountCents += sum.amountCents;
            if (step->id == chosenCategoryId) {
                break;
            }
        }
    }
    std::vector<ReportLine> result;
    for (auto& [order, line] : shown) {
        result.push_back(std::move(line));
    }
    result.insert(result.end(), gone.begin(), gone.end());
    return result;
}

// Users by name, days and weeks by date (the order of their keys).
std::vector<ReportLine> TimeReport::userOrDayLines(const Sums& sums, bool byUser) const {
    std::vector<ReportLine> result;
    for (const auto& [id, sum] : sums) {
        ReportLine line;
        if (byUser) {
            line.id = int(id);
            const auto user = m_users.constFind(int(id));
            line.label = user != m_users.cend() ? *user : deletedUser();
        } else {
            line.date = QDate::fromJulianDay(id);
        }
        line.rows = sum.rows;
        line.minutes = line.totalMinutes = sum.minutes;
        line.billableMinutes = sum.billableMinutes;
        line.amountCents = line.totalAmountCents = sum.amountCents;
        result.push_back(std::move(line));
    }
    if (byUser) {
        std::sort(result.begin(), result.end(), [](const ReportLine& a, const ReportLine& b) {
            return before(a.label, a.id, b.label, b.id);
        });
    }
    return result;
}

ReportTotals TimeReport::totals(const std::vector<ReportLine>& lines) {
    ReportTotals totals;
    for (const ReportLine& line : lines) {
        totals.rows += line.rows;
        totals.minutes += line.minutes;
        totals.billableMinutes += line.billableMinutes;
        totals.amountCents += line.amountCents;
    }
    return totals;
}
