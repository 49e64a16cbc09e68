#include "reports/TimeRecordsModel.h"

#include "data/Database.h"
#include "data/TimeText.h"
#include "reports/TimeRecordsReader.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <tuple>

TimeRecordsModel::TimeRecordsModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void TimeRecordsModel::setRows(TimeRecordRows rows) {
    beginResetModel();
    m_rows = std::move(rows);
    applyOrder();
    endResetModel();
}

bool TimeRecordsModel::refreshRow(Database& database, qint64 timeId) {
    // The reader keeps the user's name in rows of its own; the values then go into the grid's.
    TimeRecordRows read;
    TimeRecordsReader reader(read, database);
    std::optional<std::tuple<qint64, qint64, QString>> fresh;
    database.readEach(TimeRecordsReader::statement(database, true), {m_rows.categoryId(), timeId},
                      [&](const StreamedRow& row) {
                          const qint64 start = reader.wallSeconds(row, 1);
                          const qint64 end = reader.wallSeconds(row, 2);
                          fresh.emplace(start, end, read.userNames()[reader.userIndex(row, 3)]);
                      });
    const int storedRow = m_rows.find(timeId);
    if (!fresh) {
        if (storedRow < 0) {
            return false;
        }
        const int row = shown(storedRow);
        beginRemoveRows({}, row, row);
        m_rows.remove(storedRow);
        if (!m_order.empty()) {
            m_order.erase(m_order.begin() + row);
            for (int& each : m_order) {
                each -= each > storedRow ? 1 : 0;
            }
        }
        endRemoveRows();
        return true;
    }
    const auto& [start, end, user] = *fresh;
    if (storedRow < 0) {
        const int row = m_rows.count();
        beginInsertRows({}, row, row);
        m_rows.append(timeId, start, end, user);
        if (!m_order.empty()) {
            m_order.push_back(row);
        }
        endInsertRows();
        return true;
    }
    m_rows.replace(storedRow, timeId, start, end, user);
    const int row = shown(storedRow);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return true;
}

int TimeRecordsModel::shown(int storedRow) const {
    if (m_order.empty()) {
        return storedRow;
    }
    return int(std::find(m_order.begin(), m_order.end(), storedRow) - m_order.begin());
}

int TimeRecordsModel::timeId(int row) const {
    return int(m_rows.timeId(stored(row)));
}

int TimeRecordsModel::rowOf(qint64 timeId) const {
    const int storedRow = m_rows.find(timeId);
    return storedRow < 0 ? -1 : shown(storedRow);
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
    // One whole-number key per row, in the order the cells' values sort in: ids as numbers,
    // times as times (wall-clock seconds keep their order), the time spent as its minutes
    // (the "HH:MM" texts sort so too; a row without one first, as its empty text would), and
    // users by the place of their name among the names sorted as the locale sorts text.
    const int count = m_rows.count();
    std::vector<qint64> keys(static_cast<std::size_t>(count));
    std::vector<qint64> userRank;
    if (m_sortColumn == UserColumn) {
        const std::vector<QString>& names = m_rows.userNames();
        std::vector<int> byName(names.size());
        std::iota(byName.begin(), byName.end(), 0);
        std::stable_sort(byName.begin(), byName.end(), [&](int a, int b) {
            return QString::localeAwareCompare(names[std::size_t(a)], names[std::size_t(b)]) < 0;
        });
        userRank.assign(names.size(), 0);
        qint64 rank = 0;
        for (std::size_t i = 0; i < byName.size(); ++i) {
            if (i > 0 && QString::localeAwareCompare(names[std::size_t(byName[i - 1])],
                                                     names[std::size_t(byName[i])]) != 0) {
                ++rank;
            }
            userRank[std::size_t(byName[i])] = rank;
        }
    }
    for (int row = 0; row < count; ++row) {
        qint64& key = keys[std::size_t(row)];
        switch (m_sortColumn) {
        case TimeIdColumn:
            key = m_rows.timeId(row);
            break;
        case StartColumn:
            key = m_rows.start(row);
            break;
        case EndColumn:
            key = m_rows.end(row);
            break;
        case SpentColumn: {
            const qint64 start = m_rows.start(row);
            const qint64 end = m_rows.end(row);
            key = start == TimeRecordRows::NoTime || end == TimeRecordRows::NoTime
                      ? -1
                      : std::abs(end - start) % TimeRecordRows::DaySeconds / 60;
            break;
        }
        default:
            key = userRank[std::size_t(m_rows.userIndex(row))];
            break;
        }
    }
    m_order.resize(std::size_t(count));
    std::iota(m_order.begin(), m_order.end(), 0);
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        const qint64 left = keys[std::size_t(a)];
        const qint64 right = keys[std::size_t(b)];
        return ascending ? left < right : right < left;
    });
}

QString TimeRecordsModel::timeSpent(const QDateTime& start, const QDateTime& end) {
    return timeSpent(TimeRecordRows::wallSeconds(start), TimeRecordRows::wallSeconds(end));
}

QString TimeRecordsModel::timeSpent(qint64 start, qint64 end) {
    if (start == TimeRecordRows::NoTime || end == TimeRecordRows::NoTime) {
        return {};
    }
    // An end before its start reads as the length of time between them.
    const qint64 seconds = std::abs(end - start) % TimeRecordRows::DaySeconds;
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
    auto moment = [](qint64 wallSeconds) {
        // Only the cells in view are made, so a QDateTime each costs nothing that counts.
        return TimeText::defaultText(
            QDateTime(TimeRecordRows::dateOf(wallSeconds), TimeRecordRows::timeOf(wallSeconds)));
    };
    switch (column) {
    case TimeIdColumn:
        return QString::number(m_rows.timeId(row));
    case StartColumn:
        return moment(m_rows.start(row));
    case EndColumn:
        return moment(m_rows.end(row));
    case SpentColumn:
        return timeSpent(m_rows.start(row), m_rows.end(row));
    case UserColumn:
        return m_rows.user(row);
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
        return tr("Start Time");
    case EndColumn:
        return tr("End Time");
    case SpentColumn:
        return tr("Time Spent");
    case UserColumn:
        return tr("User");
    default:
        return QString(); // the time id column has no heading
    }
}
