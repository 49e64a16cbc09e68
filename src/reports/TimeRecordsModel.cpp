#include "reports/TimeRecordsModel.h"

#include "data/Database.h"
#include "data/TextHash.h"
#include "data/TimeText.h"

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>

namespace {

constexpr qint64 DaySeconds = 24 * 60 * 60;

// The category's finished rows, whoever recorded them, and with oneRow only the row of a time id.
// Only the columns the grid shows are read: with tens of thousands of rows every column costs.
// They are put in id order once read, so both engines list them alike (see
// TimeRecordRows::read). The server hands the times over as text in the storage form: made into
// QDateTimes by its driver they would each cost a look-up of the time zone, twice.
QString rowsStatement(const Database& database, bool oneRow) {
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

// Two decimal digits at a position, or -1.
template <typename Char>
int twoDigits(const Char* text, int at) {
    const auto high = char16_t(text[at]);
    const auto low = char16_t(text[at + 1]);
    if (high < u'0' || high > u'9' || low < u'0' || low > u'9') {
        return -1;
    }
    return (high - u'0') * 10 + (low - u'0');
}

} // namespace

// Turns stored date-times into wall-clock seconds and user names into places in the list of
// names. The storage form is read at fixed positions without making a QDateTime, which would
// look up the time zone for every value; only on the few days whose clocks change (or for a
// form other than the usual one) is the value read as TimeText::fromStorage reads it, so both
// readings agree on every value. Text the engine hands over as UTF-8 is read as it is: a name
// becomes a QString only the first time it is met.
class TimeRecordsReader {
public:
    TimeRecordsReader(TimeRecordRows& rows, const Database& database)
        : m_rows(rows)
        , m_serverTimes(database.engine() == Database::Engine::PostgreSQL) {}

    qint64 wallSeconds(const StreamedRow& row, int column) {
        QByteArrayView bytes;
        if (row.utf8(column, bytes)) {
            const std::optional<WallClock> read = storageForm(bytes.data(), bytes.size());
            if (read && plainDay(read->julianDay)) {
                return read->seconds();
            }
            return TimeRecordRows::wallSeconds(TimeText::fromStorage(QString::fromUtf8(bytes)));
        }
        const QVariant stored = row.value(column);
        if (stored.typeId() == QMetaType::QString) {
            const QString& text = *static_cast<const QString*>(stored.constData());
            const std::optional<WallClock> read =
                storageForm(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
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
        }
        return TimeRecordRows::wallSeconds(TimeText::fromStorage(stored));
    }

    quint32 userIndex(const StreamedRow& row, int column) {
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

private:
    quint32 userIndex(const QString& user) {
        const auto found = m_byName.find(user);
        if (found != m_byName.end()) {
            return found->second;
        }
        const auto index = quint32(m_rows.m_users.size());
        m_rows.m_users.push_back(user);
        m_byName.emplace(user, index);
        return index;
    }

    struct WallClock {
        qint64 julianDay;
        qint64 intoDay; // seconds
        qint64 seconds() const { return julianDay * DaySeconds + intoDay; }
    };
    // "yyyy-MM-dd HH:mm:ss" naming a real date and time of day; nothing otherwise.
    template <typename Char>
    static std::optional<WallClock> storageForm(const Char* c, qsizetype size) {
        if (size != 19 || c[4] != '-' || c[7] != '-' || c[10] != ' ' || c[13] != ':' ||
            c[16] != ':') {
            return std::nullopt;
        }
        const int century = twoDigits(c, 0);
        const int yearInCentury = twoDigits(c, 2);
        const int month = twoDigits(c, 5);
        const int day = twoDigits(c, 8);
        const int hour = twoDigits(c, 11);
        const int minute = twoDigits(c, 14);
        const int second = twoDigits(c, 17);
        if (century < 0 || yearInCentury < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 ||
            second < 0 || !QDate::isValid(century * 100 + yearInCentury, month, day) ||
            !QTime::isValid(hour, minute, second)) {
            return std::nullopt;
        }
        return WallClock{QDate(century * 100 + yearInCentury, month, day).toJulianDay(),
                         hour * 3600 + minute * 60 + second};
    }

    // Whether every wall-clock time of the day exists once: its midnight exists and the clocks
    // have the same offset from UTC at its midnight and the next.
    bool plainDay(qint64 julianDay) {
        const std::optional<int> today = offsetAtMidnight(julianDay);
        return today && today == offsetAtMidnight(julianDay + 1);
    }
    std::optional<int> offsetAtMidnight(qint64 julianDay) {
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

    TimeRecordRows& m_rows;
    bool m_serverTimes;
    std::unordered_map<qint64, std::optional<int>> m_offsets;
    std::unordered_map<QString, quint32, TextHash> m_byName;
    std::deque<std::string> m_keys; // stays where it is as more are added
    std::unordered_map<std::string_view, quint32> m_byBytes;
};

TimeRecordRows TimeRecordRows::read(Database& database, int categoryId) {
    TimeRecordRows rows;
    rows.m_categoryId = categoryId;
    TimeRecordsReader reader(rows, database);
    database.readEach(rowsStatement(database, false), {categoryId}, [&](const StreamedRow& row) {
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

quint32 TimeRecordRows::userIndexOf(const QString& user) {
    const auto found = std::find(m_users.begin(), m_users.end(), user);
    if (found != m_users.end()) {
        return quint32(found - m_users.begin());
    }
    m_users.push_back(user);
    return quint32(m_users.size() - 1);
}

void TimeRecordRows::append(qint64 timeId, qint64 start, qint64 end, const QString& user) {
    m_timeIds.push_back(timeId);
    m_starts.push_back(start);
    m_ends.push_back(end);
    m_userOf.push_back(userIndexOf(user));
}

void TimeRecordRows::replace(int row, qint64 timeId, qint64 start, qint64 end,
                             const QString& user) {
    const auto at = std::size_t(row);
    m_timeIds[at] = timeId;
    m_starts[at] = start;
    m_ends[at] = end;
    m_userOf[at] = userIndexOf(user);
}

void TimeRecordRows::remove(int row) {
    m_timeIds.erase(m_timeIds.begin() + row);
    m_starts.erase(m_starts.begin() + row);
    m_ends.erase(m_ends.begin() + row);
    m_userOf.erase(m_userOf.begin() + row);
}

int TimeRecordRows::find(qint64 timeId) const {
    const auto found = std::find(m_timeIds.begin(), m_timeIds.end(), timeId);
    return found == m_timeIds.end() ? -1 : int(found - m_timeIds.begin());
}

std::size_t TimeRecordRows::bytesHeld() const {
    std::size_t bytes = m_timeIds.capacity() * sizeof(qint64) +
                        m_starts.capacity() * sizeof(qint64) + m_ends.capacity() * sizeof(qint64) +
                        m_userOf.capacity() * sizeof(quint32) +
                        m_users.capacity() * sizeof(QString);
    for (const QString& name : m_users) {
        bytes += std::size_t(name.capacity()) * sizeof(QChar);
    }
    return bytes;
}

qint64 TimeRecordRows::wallSeconds(const QDateTime& moment) {
    if (!moment.isValid()) {
        return NoTime;
    }
    return moment.date().toJulianDay() * DaySeconds + moment.time().msecsSinceStartOfDay() / 1000;
}

QDate TimeRecordRows::dateOf(qint64 wallSeconds) {
    if (wallSeconds == NoTime) {
        return {};
    }
    return QDate::fromJulianDay(wallSeconds >= 0 ? wallSeconds / DaySeconds
                                                 : -((-wallSeconds + DaySeconds - 1) / DaySeconds));
}

QTime TimeRecordRows::timeOf(qint64 wallSeconds) {
    if (wallSeconds == NoTime) {
        return {};
    }
    const qint64 intoDay = ((wallSeconds % DaySeconds) + DaySeconds) % DaySeconds;
    return QTime::fromMSecsSinceStartOfDay(int(intoDay * 1000));
}

TimeRecordsModel::TimeRecordsModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void TimeRecordsModel::setRows(TimeRecordRows rows) {
    beginResetModel();
    m_rows = std::move(rows);
    applyOrder();
    endResetModel();
}

bool TimeRecordsModel::refreshRow(Database& database, qint64 timeId) {
    // The reader keeps the user's name in rows of its own; the values then go into the grid's.
    TimeRecordRows read;
    TimeRecordsReader reader(read, database);
    std::optional<std::tuple<qint64, qint64, QString>> fresh;
    database.readEach(rowsStatement(database, true), {m_rows.categoryId(), timeId},
                      [&](const StreamedRow& row) {
                          const qint64 start = reader.wallSeconds(row, 1);
                          const qint64 end = reader.wallSeconds(row, 2);
                          fresh.emplace(start, end, read.userNames()[reader.userIndex(row, 3)]);
                      });
    const int storedRow = m_rows.find(timeId);
    if (!fresh) {
        if (storedRow < 0) {
            return false;
        }
        const int row = shown(storedRow);
        beginRemoveRows({}, row, row);
        m_rows.remove(storedRow);
        if (!m_order.empty()) {
            m_order.erase(m_order.begin() + row);
            for (int& each : m_order) {
                each -= each > storedRow ? 1 : 0;
            }
        }
        endRemoveRows();
        return true;
    }
    const auto& [start, end, user] = *fresh;
    if (storedRow < 0) {
        const int row = m_rows.count();
        beginInsertRows({}, row, row);
        m_rows.append(timeId, start, end, user);
        if (!m_order.empty()) {
            m_order.push_back(row);
        }
        endInsertRows();
        return true;
    }
    m_rows.replace(storedRow, timeId, start, end, user);
    const int row = shown(storedRow);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return true;
}

int TimeRecordsModel::shown(int storedRow) const {
    if (m_order.empty()) {
        return storedRow;
    }
    return int(std::find(m_order.begin(), m_order.end(), storedRow) - m_order.begin());
}

int TimeRecordsModel::timeId(int row) const {
    return int(m_rows.timeId(stored(row)));
}

int TimeRecordsModel::rowOf(qint64 timeId) const {
    const int storedRow = m_rows.find(timeId);
    return storedRow < 0 ? -1 : shown(storedRow);
}

void TimeRecordsModel::sort(int column, Qt::SortOrder order) {
    const QModelIndexList before = persistentIndexList();
    std::vector<int> storedBefore;
    storedBefore.reserve(std::size_t(before.size()));
    for (const QModelIndex& index : before) {
        storedBefore.push_back(stored(index.row()));
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_sortColumn = column >= 0 && column < ColumnCount ? column : -1;
    m_sortOrder = order;
    applyOrder();
    // The selection and the current cell stay on the rows they were on.
    std::vector<int> position(std::size_t(m_rows.count()));
    for (int row = 0; row < m_rows.count(); ++row) {
        position[std::size_t(stored(row))] = row;
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        after.append(
            index(position[std::size_t(storedBefore[std::size_t(i)])], before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TimeRecordsModel::applyOrder() {
    m_order.clear();
    if (m_sortColumn < 0) {
        return;
    }
    // One whole-number key per row, in the order the cells' values sort in: ids as numbers,
    // times as times (wall-clock seconds keep their order), the time spent as its minutes
    // (the "HH:MM" texts sort so too; a row without one first, as its empty text would), and
    // users by the place of their name among the names sorted as the locale sorts text.
    const int count = m_rows.count();
    std::vector<qint64> keys(static_cast<std::size_t>(count));
    std::vector<qint64> userRank;
    if (m_sortColumn == UserColumn) {
        const std::vector<QString>& names = m_rows.userNames();
        std::vector<int> byName(names.size());
        std::iota(byName.begin(), byName.end(), 0);
        std::stable_sort(byName.begin(), byName.end(), [&](int a, int b) {
            return QString::localeAwareCompare(names[std::size_t(a)], names[std::size_t(b)]) < 0;
        });
        userRank.assign(names.size(), 0);
        qint64 rank = 0;
        for (std::size_t i = 0; i < byName.size(); ++i) {
            if (i > 0 && QString::localeAwareCompare(names[std::size_t(byName[i - 1])],
                                                     names[std::size_t(byName[i])]) != 0) {
                ++rank;
            }
            userRank[std::size_t(byName[i])] = rank;
        }
    }
    for (int row = 0; row < count; ++row) {
        qint64& key = keys[std::size_t(row)];
        switch (m_sortColumn) {
        case TimeIdColumn:
            key = m_rows.timeId(row);
            break;
        case StartColumn:
            key = m_rows.start(row);
            break;
        case EndColumn:
            key = m_rows.end(row);
            break;
        case SpentColumn: {
            const qint64 start = m_rows.start(row);
            const qint64 end = m_rows.end(row);
            key = start == TimeRecordRows::NoTime || end == TimeRecordRows::NoTime
                      ? -1
                      : std::abs(end - start) % DaySeconds / 60;
            break;
        }
        default:
            key = userRank[std::size_t(m_rows.userIndex(row))];
            break;
        }
    }
    m_order.resize(std::size_t(count));
    std::iota(m_order.begin(), m_order.end(), 0);
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    std::stable_sort(m_order.begin(), m_order.end(), [&](int a, int b) {
        const qint64 left = keys[std::size_t(a)];
        const qint64 right = keys[std::size_t(b)];
        return ascending ? left < right : right < left;
    });
}

QString TimeRecordsModel::timeSpent(const QDateTime& start, const QDateTime& end) {
    return timeSpent(TimeRecordRows::wallSeconds(start), TimeRecordRows::wallSeconds(end));
}

QString TimeRecordsModel::timeSpent(qint64 start, qint64 end) {
    if (start == TimeRecordRows::NoTime || end == TimeRecordRows::NoTime) {
        return {};
    }
    // An end before its start reads as the length of time between them.
    const qint64 seconds = std::abs(end - start) % DaySeconds;
    return QStringLiteral("%1:%2")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds % 3600 / 60, 2, 10, QLatin1Char('0'));
}

int TimeRecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.count();
}

int TimeRecordsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QString TimeRecordsModel::cellText(int row, int column) const {
    auto moment = [](qint64 wallSeconds) {
        // Only the cells in view are made, so a QDateTime each costs nothing that counts.
        return TimeText::defaultText(
            QDateTime(TimeRecordRows::dateOf(wallSeconds), TimeRecordRows::timeOf(wallSeconds)));
    };
    switch (column) {
    case TimeIdColumn:
        return QString::number(m_rows.timeId(row));
    case StartColumn:
        return moment(m_rows.start(row));
    case EndColumn:
        return moment(m_rows.end(row));
    case SpentColumn:
        return timeSpent(m_rows.start(row), m_rows.end(row));
    case UserColumn:
        return m_rows.user(row);
    default:
        return {};
    }
}

QVariant TimeRecordsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.count()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return cellText(stored(index.row()), index.column());
    case Qt::TextAlignmentRole:
        // The time id is a number and reads as one; the other columns are left-aligned.
        return index.column() == TimeIdColumn ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                              : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TimeRecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case StartColumn:
        return tr("Start Time");
    case EndColumn:
        return tr("End Time");
    case SpentColumn:
        return tr("Time Spent");
    case UserColumn:
        return tr("User");
    default:
        return QString(); // the time id column has no heading
    }
}
