#pragma once

#include "data/ResultSet.h"

#include <QAbstractTableModel>
#include <QDateTime>

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

    // Shows these rows in place of the earlier ones.
    void setRows(ResultSet rows);

    int timeId(int row) const;
    // The end minus the start as hours of the day and minutes ("HH:MM"): whole days are left out,
    // so 25 hours and 10 minutes reads 01:10. Counted on the wall clock; seconds are dropped.
    static QString timeSpent(const QDateTime& start, const QDateTime& end);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString cellText(int row, int column) const;

    ResultSet m_rows;
    // Positions in the result of the columns read by name; the first three are read by position.
    int m_userColumn = -1;
};
