#include "BulkInsert.h"

#include "data/Database.h"

#include <stdexcept>

namespace {

// The smallest limit on bound values among the engines and versions in use (older SQLite builds
// stop at 999).
constexpr int MaxBoundValues = 999;

} // namespace

BulkInsert::BulkInsert(Database& database, QString table, QStringList columns)
    : m_database(database)
    , m_table(std::move(table))
    , m_columns(std::move(columns))
    , m_rowsPerStatement(
          std::max(1, MaxBoundValues / int(std::max<qsizetype>(1, m_columns.size())))) {
    if (m_columns.isEmpty()) {
        throw std::invalid_argument("BulkInsert needs at least one column");
    }
    m_pending.reserve(m_rowsPerStatement * m_columns.size());
    m_fullStatement = statementFor(m_rowsPerStatement);
}

BulkInsert::~BulkInsert() = default;

void BulkInsert::add(const QVariantList& values) {
    if (values.size() != m_columns.size()) {
        throw std::invalid_argument("BulkInsert row does not match its columns");
    }
    m_pending.append(values);
    if (m_pending.size() == m_rowsPerStatement * m_columns.size()) {
        m_database.execute(m_fullStatement, m_pending);
        m_written += m_rowsPerStatement;
        m_pending.clear();
    }
}

void BulkInsert::flush() {
    if (m_pending.isEmpty()) {
        return;
    }
    const int rows = int(m_pending.size() / m_columns.size());
    m_database.execute(statementFor(rows), m_pending);
    m_written += rows;
    m_pending.clear();
}

QString BulkInsert::statementFor(int rows) const {
    QString placeholders = QStringLiteral("(?");
    for (qsizetype i = 1; i < m_columns.size(); ++i) {
        placeholders += QStringLiteral(", ?");
    }
    placeholders += QLatin1Char(')');
    QString sql = QStringLiteral("insert into %1 (%2) values ")
                      .arg(m_table, m_columns.join(QStringLiteral(", ")));
    sql.reserve(sql.size() + rows * (placeholders.size() + 2));
    for (int i = 0; i < rows; ++i) {
        if (i > 0) {
            sql += QStringLiteral(", ");
        }
        sql += placeholders;
    }
    return sql;
}
