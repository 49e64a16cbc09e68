#include "reports/TimeRecordsModel.h"

#include "data/Database.h"
#include "data/TimeText.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <numeric>

namespace {

// The category's finished rows, whoever recorded them. Only the columns the grid shows are read:
// with tens of thousands of rows every column costs. The order makes both engines list the rows
// alike.
const QString RowsStatement = QStringLiteral(
    "SELECT tallyRec.timeId, tallyRec.startTime, tallyRec.endTime, \"user\".userName "
    "FROM \"user\" INNER JOIN tallyRec "
    "ON \"user\".userId = tallyRec.userId "
    "WHERE tallyRec.endTime is not null and tallyRec.categoryId = ? order by tallyRec.timeId");

} // namespace

TimeRecordsModel::TimeRecordsModel(QObject* parent)
    : QAbstractTableModel(parent) {}

ResultSet TimeRecordsModel::readRows(Database& database, int categoryId) {
    return database.query(RowsStatement, {categoryId});
}

void TimeRecordsModel::deleteRow(Database& database, int timeId) {
    database.execute(QStringLiteral("delete from tallyRec where timeId = ?"), {timeId});
}

void TimeRecordsModel::setRows(ResultSet rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_userColumn = m_rows.columnIndex(QStringLiteral("userName"));
    applyOrder();
    endResetModel();
}

int TimeRecordsModel::timeId(int row) const {
    return m_rows.row(stored(row)).integer(0);
}

void TimeRecordsModel::sort(int column, Qt::SortOrder order) {
    const QModelIndexList before = persistentIndexList();
    std::vector<int> storedBefore;
    storedBefore.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before) {
        storedBefore.push_back(stored(index.row()));
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_sortColumn = column >= 0 && column < ColumnCount ? column : -1;
    m_sortOrder = order;
    applyOrder();
    // The selection and the current cell stay on the rows they were on.
    std::vector<int> position(std::size_t(m_rows.count()));
    for (int row = 0; row < m_rows.count(); ++row) {
        position[std::size_t(stored(row))] = row;
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        after.append(
            index(position[std::size_t(storedBefore[std::size_t(i)])], before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TimeRecordsModel::applyOrder() {
    m_order.clear();
    if (m_sortColumn < 0) {
        return;
    }
    // One key per row, read once: a time read at every comparison would cost more than the
    // sort itself.
    const int count = m_rows.count();
    std::vector<QVariant> keys;
    keys.reserve(std::size_t(count));
    for (int row = 0; row < count; ++row) {
        const Row values = m_rows.row(row);
        switch (m_sortColumn) {
        case TimeIdColumn:
            keys.emplace_back(values.integer64(0));
            break;
        case StartColumn:
        case EndColumn: {
            const QDateTime moment = values.dateTime(m_sortColumn == StartColumn ? 1 : 2);
            keys.emplace_back(moment.isValid() ? moment.toMSecsSinceEpoch()
                                               : std::numeric_limits<qint64>::min());
            break;
        }
        default:
            keys.emplace_back(cellText(row, m_sortColumn));
            break;
        }
    }
    m_order.resize(std::size_t(count));
    std::iota(m_order.begin(), m_order.end(), 0);
    const bool text = m_sortColumn == SpentColumn || m_sortColumn == UserColumn;
    auto less = [&](int a, int b) {
        const QVariant& left = keys[std::size_t(a)];
        const QVariant& right = keys[std::size_t(b)];
        return text ? QString::localeAwareCompare(left.toString(), right.toString()) < 0
                    : left.toLongLong() < right.toLongLong();
    };
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        return m_sortOrder == Qt::AscendingOrder ? less(a, b) : less(b, a);
    });
}

QString TimeRecordsModel::timeSpent(const QDateTime& start, const QDateTime& end) {
    if (!start.isValid() || !end.isValid()) {
        return {};
    }
    constexpr qint64 Day = 24 * 60 * 60;
    qint64 seconds =
        start.date().daysTo(end.date()) * Day +
        (end.time().msecsSinceStartOfDay() - start.time().msecsSinceStartOfDay()) / 1000;
    // An end before its start reads as the length of time between them.
    seconds = std::abs(seconds) % Day;
    return QStringLiteral("%1:%2")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
}

int TimeRecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.count();
}

int TimeRecordsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TimeRecordsModel::cellText(int row, int column) const {
    const Row values = m_rows.row(row);
    switch (column) {
    case TimeIdColumn:
        return values.text(0);
    case StartColumn:
        return TimeText::defaultText(values.dateTime(1));
    case EndColumn:
        return TimeText::defaultText(values.dateTime(2));
    case SpentColumn:
        return timeSpent(values.dateTime(1), values.dateTime(2));
    case UserColumn:
        return m_userColumn >= 0 ? values.text(m_userColumn) : QString();
    default:
        return {};
    }
}

QVariant TimeRecordsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.count()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return cellText(stored(index.row()), index.column());
    case Qt::TextAlignmentRole:
        // The time id is a number and reads as one; the other columns are left-aligned.
        return index.column() == TimeIdColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                              : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TimeRecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case StartColumn:
        return QStringLiteral("Start Time");
    case EndColumn:
        return QStringLiteral("End Time");
    case SpentColumn:
        return QStringLiteral("Time Spent");
    case UserColumn:
        return QStringLiteral("User");
    default:
        return QString(); // the time id column has no heading
    }
}
