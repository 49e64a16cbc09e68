#include "data/ResultSet.h"

#include "data/DatabaseError.h"
#include "data/TimeText.h"

#include <limits>

namespace {
[[noreturn]] void badValue(const QString& column, const QVariant& value, const char* wanted) {
    throw DatabaseError(DatabaseError::Kind::Statement,
                        QStringLiteral("The column %1 holds \"%2\", which is not %3.")
                            .arg(column, value.toString(), QLatin1String(wanted)));
}

qint64 toInteger64(const QVariant& value, const QString& column) {
    if (value.isNull()) {
        return 0;
    }
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    if (!ok) {
        // A real-number column may hold a whole value, such as 3.0 from an average.
        const double real = value.toDouble(&ok);
        if (ok && real == double(qint64(real))) {
            return qint64(real);
        }
        badValue(column, value, "a whole number");
    }
    return number;
}

int toInteger(const QVariant& value, const QString& column) {
    const qint64 number = toInteger64(value, column);
    if (number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
        badValue(column, value, "a 32-bit whole number");
    }
    return int(number);
}
} // namespace

int detail::integerField(const QVariant& value, int column) {
    return toInteger(value, QString::number(column));
}

QString detail::textField(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

ColumnNames::ColumnNames(std::initializer_list<const char*> names) {
    m_names.reserve(names.size());
    for (const char* name : names) {
        m_names.push_back(QString::fromLatin1(name));
    }
}

// A result has a handful of columns: comparing names in place is quicker than a hash (and costs
// no lower-case copy of the name).
int detail::ResultData::indexOf(const QString& name) const {
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            return int(i);
        }
    }
    return -1;
}

const std::vector<int>& detail::ResultData::positionsOf(const ColumnNames& names) const {
    for (const auto& [key, found] : positions) {
        if (key == &names) {
            return found;
        }
    }
    std::vector<int> found(std::size_t(names.count()));
    for (int i = 0; i < names.count(); ++i) {
        found[std::size_t(i)] = indexOf(names.at(i));
    }
    return positions.emplace_front(&names, std::move(found)).second;
}

ResultSet::ResultSet()
    : m_data(std::make_shared<detail::ResultData>()) {}

ResultSet::ResultSet(QStringList columns)
    : ResultSet() {
    m_data->columns = std::move(columns);
}

int ResultSet::columnIndex(const QString& name) const {
    return m_data->indexOf(name);
}

Row ResultSet::row(int index) const {
    if (index < 0 || index >= count()) {
        throw DatabaseError(
            DatabaseError::Kind::Statement,
            QStringLiteral("The result has no row %1 (it has %2).").arg(index).arg(count()));
    }
    return Row(m_data, index);
}

QVariant ResultSet::scalar() const {
    if (m_data->rows.empty() || m_data->rows.front().isEmpty()) {
        return {};
    }
    return m_data->rows.front().front();
}

const QVariantList& Row::values() const {
    return m_data->rows.at(std::size_t(m_index));
}

QVariant Row::value(int column) const {
    const QVariantList& values = this->values();
    if (column < 0 || column >= values.size()) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QStringLiteral("The result has no column %1.").arg(column));
    }
    return values.at(column);
}

int Row::indexOf(const QString& column) const {
    return m_data->indexOf(column);
}

Row::Columns Row::columns(const ColumnNames& names) const {
    return Columns(names, m_data->positionsOf(names));
}

const QVariant& Row::value(Column column) const {
    if (column.position < 0) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QStringLiteral("The result has no column named %1.").arg(*column.name));
    }
    return values().at(column.position);
}

QVariant Row::value(const QString& column) const {
    return value(named(column));
}

int Row::integer(int column) const {
    return toInteger(value(column), QString::number(column));
}
int Row::integer(const QString& column) const {
    return integer(named(column));
}
int Row::integer(Column column) const {
    return toInteger(value(column), *column.name);
}
qint64 Row::integer64(int column) const {
    return toInteger64(value(column), QString::number(column));
}
qint64 Row::integer64(const QString& column) const {
    return toInteger64(value(named(column)), column);
}
// A null of a number type would otherwise read as "0": the PostgreSQL driver types its nulls.
QString Row::text(int column) const {
    return detail::textField(value(column));
}
QString Row::text(const QString& column) const {
    return text(named(column));
}
QString Row::text(Column column) const {
    return detail::textField(value(column));
}
QDateTime Row::dateTime(int column) const {
    return TimeText::fromStorage(value(column));
}
QDateTime Row::dateTime(const QString& column) const {
    return dateTime(named(column));
}
QDateTime Row::dateTime(Column column) const {
    return TimeText::fromStorage(value(column));
}

bool Row::boolean(const QString& column) const {
    return boolean(named(column));
}
bool Row::boolean(Column column) const {
    const QVariant& v = value(column);
    if (v.isNull()) {
        return false;
    }
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    const QString text = v.toString().trimmed().toLower();
    return !(text.isEmpty() || text == QLatin1String("0") || text == QLatin1String("false") ||
             text == QLatin1String("f"));
}
