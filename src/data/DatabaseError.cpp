#include "data/DatabaseError.h"

namespace {
std::string describe(const QString& message, const QString& statement) {
    if (statement.isEmpty()) {
        return message.toStdString();
    }
    return (message + QStringLiteral("\nStatement: ") + statement).toStdString();
}
} // namespace

DatabaseError::DatabaseError(Kind kind, const QString& message, const QString& statement,
                             const QString& nativeCode, const QString& engineText)
    : std::runtime_error(describe(message, statement))
    , m_kind(kind)
    , m_message(message)
    , m_statement(statement)
    , m_nativeCode(nativeCode)
    , m_engineText(engineText) {}

bool DatabaseError::isRetryable() const {
    if (m_kind == Kind::Busy) {
        return true;
    }
    // SQLite: SQLITE_BUSY (5) and SQLITE_LOCKED (6), with their extended codes. A five-character
    // code is a PostgreSQL SQLSTATE, which may be all digits too.
    bool numeric = false;
    const int code = m_nativeCode.toInt(&numeric);
    if (numeric && m_nativeCode.size() < 5 && ((code & 0xff) == 5 || (code & 0xff) == 6)) {
        return true;
    }
    // PostgreSQL: serialization failure, deadlock, and a lock not granted within lock_timeout.
    return m_nativeCode == QLatin1String("40001") || m_nativeCode == QLatin1String("40P01") ||
           m_nativeCode == QLatin1String("55P03");
}
