#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>
#include <limits>
#include <vector>

class Database;

// The finished time rows of one category, held compactly: per row the time id, the start and
// end as wall-clock seconds, and the user as an index into the user names, each name held once
// however many rows it recorded. A category with tens of thousands of rows takes a few dozen
// bytes for each, and nothing is turned into text until a view asks for a cell.
class TimeRecordRows {
public:
    // A start or end that is null or cannot be read.
    static constexpr qint64 NoTime = std::numeric_limits<qint64>::min();

    // Rows of no category.
    TimeRecordRows() = default;
    // The category's finished rows with the name of the user who recorded each, in id order.
    // Running tasks (no end time yet) are left out.
    static TimeRecordRows read(Database& database, int categoryId);

    int categoryId() const { return m_categoryId; }
    int count() const { return int(m_timeIds.size()); }
    bool isEmpty() const { return m_timeIds.empty(); }

    qint64 timeId(int row) const { return m_timeIds[std::size_t(row)]; }
    // Wall-clock seconds (see wallSeconds), or NoTime.
    qint64 start(int row) const { return m_starts[std::size_t(row)]; }
    qint64 end(int row) const { return m_ends[std::size_t(row)]; }
    const QString& user(int row) const { return m_users[m_userOf[std::size_t(row)]]; }
    // The user's place among userNames().
    int userIndex(int row) const { return int(m_userOf[std::size_t(row)]); }
    const std::vector<QString>& userNames() const { return m_users; }

    // Adds a row at the end, or puts new values in one; the name is held once for all rows.
    void append(qint64 timeId, qint64 start, qint64 end, const QString& user);
    void replace(int row, qint64 timeId, qint64 start, qint64 end, const QString& user);
    void remove(int row);
    // The row holding a time id, or -1.
    int find(qint64 timeId) const;

    // The bytes the rows hold: the lists at their capacity and the names' text.
    std::size_t bytesHeld() const;

    // A date-time as seconds counted on the wall clock from the start of the Julian day count:
    // the day number × 86400 + the seconds into the day (fractions dropped). Differences between
    // two are the wall-clock time between them; NoTime for an invalid date-time.
    static qint64 wallSeconds(const QDateTime& moment);
    static QDate dateOf(qint64 wallSeconds);
    static QTime timeOf(qint64 wallSeconds);

private:
    friend class TimeRecordsReader;
    quint32 userIndexOf(const QString& user);

    int m_categoryId = 0;
    std::vector<qint64> m_timeIds;
    std::vector<qint64> m_starts;
    std::vector<qint64> m_ends;
    std::vector<quint32> m_userOf;
    std::vector<QString> m_users;
};

// The finished time rows of one category as the Reports grid shows them: the time id, start,
// end, time spent and the user's name. The texts are made only for the cells a view asks for.
class TimeRecordsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { TimeIdColumn = 0, StartColumn, EndColumn, SpentColumn, UserColumn, ColumnCount };

    explicit TimeRecordsModel(QObject* parent = nullptr);

    // Shows these rows in place of the earlier ones, in the order last chosen with sort().
    void setRows(TimeRecordRows rows);
    const TimeRecordRows& rows() const { return m_rows; }
    // Reads one time row again, after it was changed: its cells show the new values where it
    // stands; a row no longer finished or no longer of the category leaves the grid. A row of
    // the category not shown yet is added at the end. Says whether the grid changed.
    bool refreshRow(Database& database, qint64 timeId);

    // The time id of the row the view shows at that position.
    int timeId(int row) const;
    // Where the view shows the row of a time id, or -1.
    int rowOf(qint64 timeId) const;
    // The end minus the start as hours of the day and minutes ("HH:MM"): whole days are left out,
    // so 25 hours and 10 minutes reads 01:10. Counted on the wall clock; seconds are dropped.
    static QString timeSpent(const QDateTime& start, const QDateTime& end);
    // The same for wall-clock seconds (TimeRecordRows); empty when either is NoTime.
    static QString timeSpent(qint64 start, qint64 end);

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
    // The stored row shown at a position, and the position of a stored row.
    int stored(int row) const { return m_order.empty() ? row : m_order[std::size_t(row)]; }
    int shown(int storedRow) const;
    // Puts m_order in the order of m_sortColumn and m_sortOrder.
    void applyOrder();

    TimeRecordRows m_rows;
    std::vector<int> m_order; // empty: the query's order
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
