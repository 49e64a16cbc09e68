#pragma once

#include <QDateTime>
#include <QStringList>
#include <QVariant>
#include <forward_list>
#include <initializer_list>
#include <memory>
#include <vector>

class ResultSet;

// The names of the columns a record reads, listed once (a static of the record's reader). A row
// turns them into positions the first time one of its result's rows is read with them, and
// every other row of that result reuses those positions.
class ColumnNames {
public:
    ColumnNames(std::initializer_list<const char*> names);
    int count() const { return int(m_names.size()); }
    const QString& at(int index) const { return m_names.at(std::size_t(index)); }

private:
    std::vector<QString> m_names;
};

namespace detail {
struct ResultData {
    QStringList columns;
    std::vector<QVariantList> rows;
    // Positions found for each ColumnNames this result was read with; -1 for a name the result
    // lacks. A list, so positions handed out stay where they are when more are added (and an
    // empty one costs nothing). A result is read on one thread.
    mutable std::forward_list<std::pair<const ColumnNames*, std::vector<int>>> positions;

    // The position of a column, its name compared without regard to case; -1 when missing.
    int indexOf(const QString& name) const;
    const std::vector<int>& positionsOf(const ColumnNames& names) const;
};

// A field read as Row::integer and Row::text read it, for rows held elsewhere.
int integerField(const QVariant& value, int column);
QString textField(const QVariant& value);
} // namespace detail

// One row of a result set. Fields are found by position or by column name, the name compared
// without regard to case (PostgreSQL folds unquoted names to lower case). A row shares the
// result's data, so it stays valid after the result set itself is gone.
//
// Readers of whole records take the positions of their columns once per result:
//   static const ColumnNames names{"userName", "created"};
//   const Row::Columns columns = row.columns(names);
//   userName = row.text(columns[0]);
// A column the result lacks is refused when it is read, with a message naming it, as a look-up
// by name is.
class Row {
public:
    // A column found by name: its position (-1 when the result lacks it) and its name.
    struct Column {
        int position;
        const QString* name;
    };
    Row(std::shared_ptr<const detail::ResultData> data, int index)
        : m_data(std::move(data))
        , m_index(index) {}

    // Positions of names in this row's result, found once per result.
    class Columns {
    public:
        Columns(const ColumnNames& names, const std::vector<int>& positions)
            : m_names(&names)
            , m_positions(&positions) {}
        Column operator[](int index) const {
            return {(*m_positions)[std::size_t(index)], &m_names->at(index)};
        }

    private:
        const ColumnNames* m_names;
        const std::vector<int>* m_positions;
    };
    Columns columns(const ColumnNames& names) const;

    QVariant value(int column) const;
    QVariant value(const QString& column) const;
    const QVariant& value(Column column) const;
    bool isNull(int column) const { return value(column).isNull(); }
    bool isNull(const QString& column) const { return value(column).isNull(); }
    bool isNull(Column column) const { return value(column).isNull(); }

    // Whole numbers; a null reads as 0. A value outside the 32-bit range is an error.
    int integer(int column) const;
    int integer(const QString& column) const;
    int integer(Column column) const;
    qint64 integer64(int column) const;
    qint64 integer64(const QString& column) const;
    // Text; a null reads as empty text.
    QString text(int column) const;
    QString text(const QString& column) const;
    QString text(Column column) const;
    // A stored date-time; a null reads as an invalid QDateTime.
    QDateTime dateTime(int column) const;
    QDateTime dateTime(const QString& column) const;
    QDateTime dateTime(Column column) const;
    bool boolean(const QString& column) const;
    bool boolean(Column column) const;

private:
    const QVariantList& values() const;
    int indexOf(const QString& column) const;
    Column named(const QString& column) const { return {indexOf(column), &column}; }

    std::shared_ptr<const detail::ResultData> m_data;
    int m_index;
};

// The rows of a finished query, held in memory: the statement behind them is already finished,
// so no lock is held while the caller reads.
class ResultSet {
public:
    ResultSet();
    explicit ResultSet(QStringList columns);

    void appendRow(QVariantList values) { m_data->rows.push_back(std::move(values)); }

    int count() const { return int(m_data->rows.size()); }
    bool isEmpty() const { return m_data->rows.empty(); }
    const QStringList& columns() const { return m_data->columns; }
    int columnIndex(const QString& name) const; // -1 when there is no such column

    // Rows by position from 0; first() and last() of an empty result are errors.
    Row row(int index) const;
    Row first() const { return row(0); }
    Row last() const { return row(count() - 1); }
    const QVariantList& values(int index) const { return m_data->rows.at(std::size_t(index)); }

    // The first field of the first row, or a null value when there is no row.
    QVariant scalar() const;

    class const_iterator {
    public:
        const_iterator(const ResultSet& set, int index)
            : m_set(&set)
            , m_index(index) {}
        Row operator*() const { return m_set->row(m_index); }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return m_index != other.m_index; }

    private:
        const ResultSet* m_set;
        int m_index;
    };
    const_iterator begin() const { return {*this, 0}; }
    const_iterator end() const { return {*this, count()}; }

private:
    std::shared_ptr<detail::ResultData> m_data;
};
