#include "reports/TimeRecordsModel.h"

#include <algorithm>

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
    return moment.date().toJulianDay() * TimeRecordRows::DaySeconds +
           moment.time().msecsSinceStartOfDay() / 1000;
}

QDate TimeRecordRows::dateOf(qint64 wallSeconds) {
    if (wallSeconds == NoTime) {
        return {};
    }
    return QDate::fromJulianDay(
        wallSeconds >= 0
            ? wallSeconds / TimeRecordRows::DaySeconds
            : -((-wallSeconds + TimeRecordRows::DaySeconds - 1) / TimeRecordRows::DaySeconds));
}

QTime TimeRecordRows::timeOf(qint64 wallSeconds) {
    if (wallSeconds == NoTime) {
        return {};
    }
    const qint64 intoDay =
        ((wallSeconds % TimeRecordRows::DaySeconds) + TimeRecordRows::DaySeconds) %
        TimeRecordRows::DaySeconds;
    return QTime::fromMSecsSinceStartOfDay(int(intoDay * 1000));
}
