#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

class Database;

// Writes many rows into one table with few round trips: rows are gathered and sent as one
// multi-row INSERT ... VALUES (...), (...) statement, every value still bound. Both engines
// accept the form, and the Database keeps each statement text prepared, so a long run costs one
// prepare per batch size. Call flush() before the surrounding transaction ends.
class BulkInsert {
public:
    // table as it is written in statements ("\"user\"" for the user table).
    BulkInsert(Database& database, QString table, QStringList columns);
    ~BulkInsert();
    BulkInsert(const BulkInsert&) = delete;
    BulkInsert& operator=(const BulkInsert&) = delete;

    // values in column order.
    void add(const QVariantList& values);
    void flush();

    qint64 rowsWritten() const { return m_written; }

private:
    QString statementFor(int rows) const;

    Database& m_database;
    QString m_table;
    QStringList m_columns;
    int m_rowsPerStatement;
    QVariantList m_pending;
    QString m_fullStatement;
    qint64 m_written = 0;
};
