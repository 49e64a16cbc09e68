#include "data/DatabaseConnection.h"
#include "data/ResultSet.h"
#include "data/StorableText.h"
#include "data/UpperVectorState.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <limits>
#include <sqlite3.h>

namespace {

// The row an SQLite statement has stepped to. Values are made as Qt's SQLite driver makes them.
class EngineRow final : public StreamedRow {
public:
    explicit EngineRow(sqlite3_stmt* statement)
        : m_statement(statement) {}
    QVariant value(int column) const override {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_INTEGER:
            return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(m_statement, column));
        case SQLITE_BLOB:
            return QVariant(
                QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
                           sqlite3_column_bytes(m_statement, column)));
        case SQLITE_NULL:
            return {};
        default: {
            // The text first, then its length: the order the engine asks for.
            const auto* text =
                static_cast<const QChar*>(sqlite3_column_text16(m_statement, column));
            return QVariant(
                QString(text, sqlite3_column_bytes16(m_statement, column) / int(sizeof(QChar))));
        }
        }
    }
    qint64 integer64(int column) const override {
        return sqlite3_column_int64(m_statement, column);
    }
    bool utf8(int column, QByteArrayView& text) const override {
        if (sqlite3_column_type(m_statement, column) != SQLITE_TEXT) {
            return false;
        }
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        text = QByteArrayView(bytes, sqlite3_column_bytes(m_statement, column));
        return true;
    }
    bool wholeNumber(int column, qint64& number) const override {
        if (sqlite3_column_type(m_statement, column) != SQLITE_INTEGER) {
            return false;
        }
        number = sqlite3_column_int64(m_statement, column);
        return true;
    }

private:
    sqlite3_stmt* m_statement;
};

// Binds one value as the engine type that holds it: a whole number, a real, bytes, else text.
int bindSqlite(sqlite3_stmt* prepared, int position, const QVariant& value) {
    int bound = SQLITE_OK;
    if (value.isNull()) {
        bound = sqlite3_bind_null(prepared, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            bound = sqlite3_bind_int64(prepared, position, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            bound = sqlite3_bind_double(prepared, position, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            bound = sqlite3_bind_blob(prepared, position, bytes.constData(), int(bytes.size()),
                                      SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray utf8 = value.toString().toUtf8();
            bound = sqlite3_bind_text(prepared, position, utf8.constData(), int(utf8.size()),
                                      SQLITE_TRANSIENT);
            break;
        }
        }
    }
    return bound;
}

} // namespace

int StreamedRow::integer(int column) const {
    if (qint64 number = 0; wholeNumber(column, number) &&
                           number >= std::numeric_limits<int>::min() &&
                           number <= std::numeric_limits<int>::max()) {
        return int(number);
    }
    return detail::integerField(value(column), column);
}

QString StreamedRow::text(int column) const {
    if (QByteArrayView bytes; utf8(column, bytes)) {
        return QString::fromUtf8(bytes);
    }
    return detail::textField(value(column));
}

QDateTime StreamedRow::dateTime(int column) const {
    if (QByteArrayView bytes; utf8(column, bytes)) {
        return TimeText::fromStorage(bytes);
    }
    return TimeText::fromStorage(value(column));
}

void Database::Impl::streamSqlite(const QString& sql, const QVariantList& params,
                                  const std::function<void(const StreamedRow&)>& onRow) {
    StorableText::check(params, sql);
    checkUsable(sql);
    ++statementCount;
    const QVariant handle = connection().driver()->handle();
    sqlite3* db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                      ? *static_cast<sqlite3* const*>(handle.constData())
                      : nullptr;
    if (db == nullptr) {
        throw DatabaseError(DatabaseError::Kind::Connection,
                            QCoreApplication::translate("Database", "The database %1 is not open.")
                                .arg(shownLocation()),
                            sql);
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* prepared = nullptr;
    // The engine reads the schema while it prepares; see UpperVectorState.
    UpperVectorState::clear();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &prepared, nullptr) !=
        SQLITE_OK) {
        throw engineError(db, sql);
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(prepared,
                                                                          &sqlite3_finalize);
    QVariantList sent;
    for (int i = 0; i < params.size(); ++i) {
        const QVariant value = toEngine(params.at(i));
        if (trace) {
            sent.append(value);
        }
        if (bindSqlite(prepared, i + 1, value) != SQLITE_OK) {
            throw engineError(db, sql);
        }
    }
    if (trace) {
        trace(sql, sent);
    }
    const EngineRow row(prepared);
    for (;;) {
        // Binding and the caller's work on the last row may have gone through Qt's hashes.
        UpperVectorState::clear();
        const int stepped = sqlite3_step(prepared);
        if (stepped == SQLITE_DONE) {
            return;
        }
        if (stepped != SQLITE_ROW) {
            throw engineError(db, sql);
        }
        ++rowsDelivered;
        onRow(row);
    }
}
