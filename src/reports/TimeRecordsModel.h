#pragma once

#include "data/ResultSet.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <vector>

class Database;

// The finished time rows of one category as the Reports grid shows them: the time id, start,
// end, time spent and the user's name. The rows stay as the query returned them; the texts are
// made only for the cells a view asks for, so a category with tens of thousands of rows fills
// at the speed of its query.
class TimeRecordsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TimeIdColumn = 0, StartColumn, EndColumn, SpentColumn, UserColumn, ColumnCount };

    explicit TimeRecordsModel(QObject* parent = nullptr);

    // The category's finished rows with the name of the user who recorded each, in id order.
    // Running tasks (no end time yet) are left out.
    static ResultSet readRows(Database& database, int categoryId);
    // Deletes one time row.
    static void deleteRow(Database& database, int timeId);

    // Shows these rows in place of the earlier ones, in the order last chosen with sort().
    void setRows(ResultSet rows);

    // The time id of the row the view shows at that position.
    int timeId(int row) const;
    // The end minus the start as hours of the day and minutes ("HH:MM"): whole days are left out,
    // so 25 hours and 10 minutes reads 01:10. Counted on the wall clock; seconds are dropped.
    static QString timeSpent(const QDateTime& start, const QDateTime& end);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Orders the rows by a column's values (times as times, ids as numbers); column -1 gives the
    // order the query returned them in.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    // The text of a cell of a stored row (in the query's order).
    QString cellText(int row, int column) const;
    // The stored row shown at a position.
    int stored(int row) const { return m_order.empty() ? row : m_order[std::size_t(row)]; }
    // Puts m_order in the order of m_sortColumn and m_sortOrder.
    void applyOrder();

    ResultSet m_rows;
    std::vector<int> m_order; // empty: the query's order
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    // Positions in the result of the columns read by name; the first three are read by position.
    int m_userColumn = -1;
};
