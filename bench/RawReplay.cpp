#include "RawReplay.h"

#include "data/TextHash.h"
#include "data/UpperVectorState.h"

#include <QRegularExpression>
#include <libpq-fe.h>
#include <optional>
#include <sqlite3.h>
#include <stdexcept>
#include <unordered_map>
#include <utility>

StatementLog::StatementLog(Database& database)
    : m_database(&database)
    , m_sent(std::make_shared<std::vector<SentStatement>>()) {
    m_database->setStatementTrace([sent = m_sent](const QString& sql, const QVariantList& values) {
        sent->push_back({sql, values});
    });
}

StatementLog::StatementLog(NewDatabases)
    : m_newDatabases(true)
    , m_sent(std::make_shared<std::vector<SentStatement>>()) {
    Database::setTraceForNewDatabases(
        [sent = m_sent](const QString& sql, const QVariantList& values) {
            sent->push_back({sql, values});
        });
}

StatementLog::~StatementLog() {
    take();
}

std::vector<SentStatement> StatementLog::take() {
    if (m_database != nullptr) {
        m_database->setStatementTrace({});
        m_database = nullptr;
    }
    if (m_newDatabases) {
        Database::setTraceForNewDatabases({});
        m_newDatabases = false;
    }
    return std::exchange(*m_sent, {});
}

QString numberedPlaceholders(const QString& sql) {
    QString out;
    out.reserve(sql.size() + 8);
    QChar quote;
    int next = 1;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote) {
                quote = QChar();
            }
            out += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
        } else if (c == u'?') {
            out += QLatin1Char('$') + QString::number(next++);
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

[[noreturn]] void failed(const QString& what, const QString& sql, const char* message) {
    throw std::runtime_error(QStringLiteral("%1 failed: %2 (%3)")
                                 .arg(what, QString::fromUtf8(message), sql)
                                 .toStdString());
}

// ---------------------------------------------------------------------------------------------
// SQLite through its C API.

class SqliteReplay final : public RawReplay {
public:
    explicit SqliteReplay(const QString& path) {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
            sqlite3_close(m_db);
            throw std::runtime_error(
                QStringLiteral("Cannot open %1: %2").arg(path, message).toStdString());
        }
        // As the program's own connection is set up.
        sqlite3_busy_timeout(m_db, 10000);
        sqlite3_exec(m_db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    }
    ~SqliteReplay() override {
        for (auto& [sql, statement] : m_prepared) {
            sqlite3_finalize(statement);
        }
        sqlite3_close(m_db);
    }

    void load(const std::vector<SentStatement>& statements) override {
        m_plan.clear();
        m_plan.reserve(statements.size());
        for (const SentStatement& sent : statements) {
            Step step;
            auto found = m_prepared.find(sent.sql);
            if (found == m_prepared.end()) {
                sqlite3_stmt* statement = nullptr;
                const QByteArray text = sent.sql.toUtf8();
                if (sqlite3_prepare_v3(m_db, text.constData(), int(text.size()),
                                       SQLITE_PREPARE_PERSISTENT, &statement,
                                       nullptr) != SQLITE_OK) {
                    failed(QStringLiteral("Preparing"), sent.sql, sqlite3_errmsg(m_db));
                }
                found = m_prepared.emplace(sent.sql, statement).first;
            }
            step.statement = found->second;
            step.sql = sent.sql;
            for (const QVariant& value : sent.values) {
                step.values.push_back(toValue(value));
            }
            m_plan.push_back(std::move(step));
        }
    }

    quint64 run() override {
        quint64 rows = 0;
        qint64 checksum = 0;
        // As a process that never ran Qt's string hash (see UpperVectorState).
        UpperVectorState::clear();
        for (const Step& step : m_plan) {
            sqlite3_stmt* statement = step.statement;
            for (std::size_t i = 0; i < step.values.size(); ++i) {
                const Value& value = step.values[i];
                const int index = int(i) + 1;
                switch (value.kind) {
                case Value::Null:
                    sqlite3_bind_null(statement, index);
                    break;
                case Value::Integer:
                    sqlite3_bind_int64(statement, index, value.integer);
                    break;
                case Value::Real:
                    sqlite3_bind_double(statement, index, value.real);
                    break;
                case Value::Text:
                    sqlite3_bind_text(statement, index, value.text.constData(),
                                      int(value.text.size()), SQLITE_STATIC);
                    break;
                }
            }
            int result = SQLITE_ROW;
            while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
                ++rows;
                const int columns = sqlite3_column_count(statement);
                for (int c = 0; c < columns; ++c) {
                    switch (sqlite3_column_type(statement, c)) {
                    case SQLITE_INTEGER:
                        checksum += sqlite3_column_int64(statement, c);
                        break;
                    case SQLITE_FLOAT:
                        checksum += qint64(sqlite3_column_double(statement, c));
                        break;
                    case SQLITE_TEXT:
                        checksum += sqlite3_column_text(statement, c)[0];
                        checksum += sqlite3_column_bytes(statement, c);
                        break;
                    case SQLITE_BLOB:
                        checksum += sqlite3_column_bytes(statement, c);
                        break;
                    default:
                        break;
                    }
                }
            }
            if (result != SQLITE_DONE) {
                const char* message = sqlite3_errmsg(m_db);
                sqlite3_reset(statement);
                failed(QStringLiteral("Running"), step.sql, message);
            }
            sqlite3_reset(statement);
        }
        m_checksum = checksum;
        return rows;
    }

private:
    struct Value {
        enum Kind { Null, Integer, Real, Text } kind = Null;
        qint64 integer = 0;
        double real = 0;
        QByteArray text;
    };
    struct Step {
        sqlite3_stmt* statement = nullptr;
        QString sql;
        std::vector<Value> values;
    };

    static Value toValue(const QVariant& value) {
        Value out;
        if (value.isNull()) {
            return out;
        }
        switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::Long:
            out.kind = Value::Integer;
            out.integer = value.toLongLong();
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            out.kind = Value::Real;
            out.real = value.toDouble();
            break;
        default:
            out.kind = Value::Text;
            out.text = value.toString().toUtf8();
            break;
        }
        return out;
    }

    sqlite3* m_db = nullptr;
    std::unordered_map<QString, sqlite3_stmt*, TextHash> m_prepared;
    std::vector<Step> m_plan;
    volatile qint64 m_checksum = 0; // keeps the reads from being optimised away
};

// ---------------------------------------------------------------------------------------------
// PostgreSQL through libpq.

bool isPreparable(const QString& sql) {
    static const QRegularExpression dml(
        QStringLiteral("^\\s*(select|insert|update|delete|with|values)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return dml.match(sql).hasMatch();
}

class PostgresReplay final : public RawReplay {
public:
    explicit PostgresReplay(const QString& url) {
        m_conn = PQconnectdb(url.toUtf8().constData());
        if (PQstatus(m_conn) != CONNECTION_OK) {
            const QString message = QString::fromUtf8(PQerrorMessage(m_conn)).trimmed();
            PQfinish(m_conn);
            throw std::runtime_error(
                QStringLiteral("Cannot connect: %1").arg(message).toStdString());
        }
    }
    ~PostgresReplay() override { PQfinish(m_conn); }

    void load(const std::vector<SentStatement>& statements) override {
        m_plan.clear();
        m_plan.reserve(statements.size());
        for (const SentStatement& sent : statements) {
            Step step;
            step.sql = sent.sql;
            if (!isPreparable(sent.sql)) {
                step.direct = sent.sql.toUtf8();
                m_plan.push_back(std::move(step));
                continue;
            }
            auto found = m_prepared.find(sent.sql);
            if (found == m_prepared.end()) {
                const QByteArray name = "replay_" + QByteArray::number(m_prepared.size() + 1);
                PGresult* result =
                    PQprepare(m_conn, name.constData(),
                              numberedPlaceholders(sent.sql).toUtf8().constData(), 0, nullptr);
                const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
                if (!ok) {
                    const QByteArray message = PQresultErrorMessage(result);
                    PQclear(result);
                    failed(QStringLiteral("Preparing"), sent.sql, message.constData());
                }
                PQclear(result);
                found = m_prepared.emplace(sent.sql, name).first;
            }
            step.name = found->second;
            for (const QVariant& value : sent.values) {
                step.texts.push_back(toText(value));
            }
            for (const std::optional<QByteArray>& text : step.texts) {
                step.pointers.push_back(text ? text->constData() : nullptr);
            }
            m_plan.push_back(std::move(step));
        }
    }

    quint64 run() override {
        quint64 rows = 0;
        qint64 checksum = 0;
        UpperVectorState::clear();
        for (const Step& step : m_plan) {
            PGresult* result =
                step.name.isEmpty()
                    ? PQexec(m_conn, step.direct.constData())
                    : PQexecPrepared(m_conn, step.name.constData(), int(step.pointers.size()),
                                     step.pointers.data(), nullptr, nullptr, 0);
            const ExecStatusType status = PQresultStatus(result);
            if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
                const QByteArray message = PQresultErrorMessage(result);
                PQclear(result);
                failed(QStringLiteral("Running"), step.sql, message.constData());
            }
            const int count = PQntuples(result);
            const int fields = PQnfields(result);
            for (int r = 0; r < count; ++r) {
                for (int f = 0; f < fields; ++f) {
                    checksum += PQgetlength(result, r, f);
                    checksum += PQgetvalue(result, r, f)[0];
                }
            }
            rows += quint64(count);
            PQclear(result);
        }
        m_checksum = checksum;
        return rows;
    }

private:
    struct Step {
        QString sql;
        QByteArray name;   // of the prepared statement; empty when sent as it is
        QByteArray direct; // the text sent as it is
        std::vector<std::optional<QByteArray>> texts;
        std::vector<const char*> pointers;
    };

    // Values in the server's text form; the server infers each parameter's type.
    static std::optional<QByteArray> toText(const QVariant& value) {
        if (value.isNull()) {
            return std::nullopt;
        }
        switch (value.typeId()) {
        case QMetaType::Bool:
            return QByteArray(value.toBool() ? "true" : "false");
        case QMetaType::Double:
        case QMetaType::Float:
            return QByteArray::number(value.toDouble(), 'g', 17);
        default:
            return value.toString().toUtf8();
        }
    }

    PGconn* m_conn = nullptr;
    std::unordered_map<QString, QByteArray, TextHash> m_prepared;
    std::vector<Step> m_plan;
    volatile qint64 m_checksum = 0;
};

} // namespace

std::unique_ptr<RawReplay> RawReplay::connect(const QString& location) {
    if (Database::isServerLocation(location)) {
        return std::make_unique<PostgresReplay>(location.trimmed());
    }
    return std::make_unique<SqliteReplay>(location.trimmed());
}
