#include "reports/TimeRecordsModel.h"

#include "data/Database.h"
#include "data/TimeText.h"

#include <cstdlib>

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

void TimeRecordsModel::setRows(ResultSet rows) {
    beginResetModel();
    m_rows = std::move(rows);
    m_userColumn = m_rows.columnIndex(QStringLiteral("userName"));
    endResetModel();
}

int TimeRecordsModel::timeId(int row) const {
    return m_rows.row(row).integer(0);
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
        return cellText(index.row(), index.column());
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
