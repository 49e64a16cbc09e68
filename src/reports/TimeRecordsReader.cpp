#include "reports/TimeRecordsReader.h"

#include "data/Database.h"
#include "data/TimeText.h"

#include <algorithm>
#include <numeric>

namespace {

// A stored date-time taken apart: the Julian day and the seconds into it.
struct StoredTime {
    qint64 julianDay;
    qint64 intoDay; // seconds
    qint64 seconds() const { return julianDay * TimeRecordRows::DaySeconds + intoDay; }
};

// "yyyy-MM-dd HH:mm:ss" naming a real date and time of day; nothing otherwise.
template <typename Char>
std::optional<StoredTime> storageForm(const Char* c, qsizetype size) {
    if (size != 19 || c[4] != '-' || c[7] != '-' || c[10] != ' ' || c[13] != ':' || c[16] != ':') {
        return std::nullopt;
    }
    const int century = TimeText::twoDigits(c, 0);
    const int yearInCentury = TimeText::twoDigits(c, 2);
    const int month = TimeText::twoDigits(c, 5);
    const int day = TimeText::twoDigits(c, 8);
    const int hour = TimeText::twoDigits(c, 11);
    const int minute = TimeText::twoDigits(c, 14);
    const int second = TimeText::twoDigits(c, 17);
    if (century < 0 || yearInCentury < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 ||
        second < 0 || !QDate::isValid(century * 100 + yearInCentury, month, day) ||
        !QTime::isValid(hour, minute, second)) {
        return std::nullopt;
    }
    return StoredTime{QDate(century * 100 + yearInCentury, month, day).toJulianDay(),
                      hour * 3600 + minute * 60 + second};
}

} // namespace

QString TimeRecordsReader::statement(const Database& database, bool oneRow) {
    const bool server = database.engine() == Database::Engine::PostgreSQL;
    const auto time = [server](const char* column) {
        const QString name = QStringLiteral("tallyRec.") + QLatin1String(column);
        return server ? QStringLiteral("to_char(%1, 'YYYY-MM-DD HH24:MI:SS')").arg(name) : name;
    };
    return QStringLiteral("SELECT tallyRec.timeId, %1, %2, \"user\".userName "
                          "FROM \"user\" INNER JOIN tallyRec "
                          "ON \"user\".userId = tallyRec.userId "
                          "WHERE tallyRec.endTime is not null and tallyRec.categoryId = ?")
               .arg(time("startTime"), time("endTime")) +
           (oneRow ? QStringLiteral(" and tallyRec.timeId = ?") : QString());
}

TimeRecordsReader::TimeRecordsReader(TimeRecordRows& rows, const Database& database)
    : m_rows(rows)
    , m_serverTimes(database.engine() == Database::Engine::PostgreSQL) {}

qint64 TimeRecordsReader::wallSeconds(const StreamedRow& row, int column) {
    const auto known = [this](const std::optional<StoredTime>& read) -> std::optional<qint64> {
        if (read && plainDay(read->julianDay)) {
            return read->seconds();
        }
        if (read && m_serverTimes) {
            // A server's timestamp, as text: on a day the clocks change it is read as the
            // QDateTime its driver would have made.
            return TimeRecordRows::wallSeconds(
                QDateTime(QDate::fromJulianDay(read->julianDay),
                          QTime::fromMSecsSinceStartOfDay(int(read->intoDay * 1000))));
        }
        return std::nullopt;
    };
    QByteArrayView bytes;
    if (row.utf8(column, bytes)) {
        if (const std::optional<qint64> seconds = known(storageForm(bytes.data(), bytes.size()))) {
            return *seconds;
        }
        return TimeRecordRows::wallSeconds(TimeText::fromStorage(QString::fromUtf8(bytes)));
    }
    const QVariant stored = row.value(column);
    if (stored.typeId() == QMetaType::QString) {
        const QString& text = *static_cast<const QString*>(stored.constData());
        if (const std::optional<qint64> seconds =
                known(storageForm(reinterpret_cast<const char16_t*>(text.utf16()), text.size()))) {
            return *seconds;
        }
    }
    return TimeRecordRows::wallSeconds(TimeText::fromStorage(stored));
}

quint32 TimeRecordsReader::userIndex(const StreamedRow& row, int column) {
    QByteArrayView bytes;
    if (row.utf8(column, bytes)) {
        const std::string_view key(bytes.data(), std::size_t(bytes.size()));
        const auto found = m_byBytes.find(key);
        if (found != m_byBytes.end()) {
            return found->second;
        }
        const quint32 index = userIndex(QString::fromUtf8(bytes));
        m_byBytes.emplace(m_keys.emplace_back(key), index);
        return index;
    }
    return userIndex(row.value(column).toString());
}

quint32 TimeRecordsReader::userIndex(const QString& user) {
    const auto found = m_byName.find(user);
    if (found != m_byName.end()) {
        return found->second;
    }
    const auto index = quint32(m_rows.m_users.size());
    m_rows.m_users.push_back(user);
    m_byName.emplace(user, index);
    return index;
}

bool TimeRecordsReader::plainDay(qint64 julianDay) {
    const std::optional<int> today = offsetAtMidnight(julianDay);
    return today && today == offsetAtMidnight(julianDay + 1);
}

std::optional<int> TimeRecordsReader::offsetAtMidnight(qint64 julianDay) {
    const auto found = m_offsets.find(julianDay);
    if (found != m_offsets.end()) {
        return found->second;
    }
    const QDate day = QDate::fromJulianDay(julianDay);
    const QDateTime midnight(day, QTime(0, 0));
    std::optional<int> offset;
    if (midnight.isValid() && midnight.date() == day && midnight.time() == QTime(0, 0)) {
        offset = midnight.offsetFromUtc();
    }
    m_offsets.emplace(julianDay, offset);
    return offset;
}

// Here, beside the reader, so that its work on each value can be compiled into the loop over
// the rows.
TimeRecordRows TimeRecordRows::read(Database& database, int categoryId) {
    TimeRecordRows rows;
    rows.m_categoryId = categoryId;
    TimeRecordsReader reader(rows, database);
    database.readEach(TimeRecordsReader::statement(database, false), {categoryId},
                      [&](const StreamedRow& row) {
                          rows.m_timeIds.push_back(row.integer64(0));
                          rows.m_starts.push_back(reader.wallSeconds(row, 1));
                          rows.m_ends.push_back(reader.wallSeconds(row, 2));
                          rows.m_userOf.push_back(reader.userIndex(row, 3));
                      });
    rows.m_timeIds.shrink_to_fit();
    rows.m_starts.shrink_to_fit();
    rows.m_ends.shrink_to_fit();
    rows.m_userOf.shrink_to_fit();
    rows.m_users.shrink_to_fit();
    // The statement has no order: SQLite hands the rows over in the order of its index on
    // category and start time, which is id order but for a few rows, and ordering them here
    // costs less than the engine's sort into a temporary tree (which spills to a file at this
    // size). The server's order is its own; the result is the same.
    if (!std::is_sorted(rows.m_timeIds.begin(), rows.m_timeIds.end())) {
        std::vector<int> order(rows.m_timeIds.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](int a, int b) {
            return rows.m_timeIds[std::size_t(a)] < rows.m_timeIds[std::size_t(b)];
        });
        auto reorder = [&order](auto& values) {
            std::remove_reference_t<decltype(values)> ordered;
            ordered.reserve(values.size());
            for (const int from : order) {
                ordered.push_back(values[std::size_t(from)]);
            }
            values = std::move(ordered);
        };
        reorder(rows.m_timeIds);
        reorder(rows.m_starts);
        reorder(rows.m_ends);
        reorder(rows.m_userOf);
    }
    return rows;
}
