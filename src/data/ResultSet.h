#pragma once

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class ResultSet;

namespace detail {
struct ResultData {
    QStringList columns;
    QHash<QString, int> index; // lower-case name to position
    std::vector<QVariantList> rows;
};
} // namespace detail

// One row of a result set. Fields are found by position or by column name, the name compared
// without regard to case (PostgreSQL folds unquoted names to lower case). A row shares the
// result's data, so it stays valid after the result set itself is gone.
class Row {
public:
    Row(std::shared_ptr<const detail::ResultData> data, int index)
        : m_data(std::move(data))
        , m_index(index) {}

    QVariant value(int column) const;
    QVariant value(const QString& column) const;
    bool isNull(int column) const { return value(column).isNull(); }
    bool isNull(const QString& column) const { return value(column).isNull(); }

    // Whole numbers; a null reads as 0. A value outside the 32-bit range is an error.
    int integer(int column) const;
    int integer(const QString& column) const;
    qint64 integer64(int column) const;
    qint64 integer64(const QString& column) const;
    // Text; a null reads as empty text.
    QString text(int column) const;
    QString text(const QString& column) const;
    // A stored date-time; a null reads as an invalid QDateTime.
    QDateTime dateTime(int column) const;
    QDateTime dateTime(const QString& column) const;
    bool boolean(const QString& column) const;

private:
    const QVariantList& values() const;

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
