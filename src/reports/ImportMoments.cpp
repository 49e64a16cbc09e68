#include "reports/ImportMoments.h"

#include "data/TimeText.h"

#include <QStringList>

namespace {

QDate dayOf(const QString& text) {
    for (const char* format : {"yyyy-MM-dd", "MM/dd/yyyy", "M/d/yyyy", "dd.MM.yyyy", "d.M.yyyy"}) {
        const QDate day = QDate::fromString(text, QLatin1String(format));
        if (day.isValid()) {
            return day;
        }
    }
    return {};
}

QTime timeOf(const QString& text) {
    for (const char* format :
         {"HH:mm:ss", "HH:mm", "H:mm", "h:mm:ss AP", "h:mm AP", "hh:mm:ss AP", "hh:mm AP"}) {
        const QTime time = QTime::fromString(text, QLatin1String(format));
        if (time.isValid()) {
            return time;
        }
    }
    return {};
}

// A moment written whole, in one column.
QDateTime whole(const QString& text) {
    if (text.size() >= 16 && text.at(10) == QLatin1Char('T')) {
        const QDateTime iso = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!iso.isValid()) {
            return {};
        }
        return TimeText::toTheSecond(iso.timeSpec() == Qt::LocalTime ? iso : iso.toLocalTime());
    }
    const qsizetype blank = text.indexOf(QLatin1Char(' '));
    if (blank < 0) {
        return {};
    }
    const QDate day = dayOf(text.left(blank));
    const QTime time = timeOf(text.mid(blank + 1).trimmed());
    return day.isValid() && time.isValid() ? QDateTime(day, time) : QDateTime();
}

} // namespace

QDateTime ImportMoments::moment(const QString& day, const QString& time) {
    const QString dayText = day.trimmed();
    const QString timeText = time.trimmed();
    if (const QDateTime inTime = whole(timeText); inTime.isValid()) {
        return inTime;
    }
    if (const QDateTime inDay = whole(dayText); inDay.isValid()) {
        return inDay;
    }
    const QDate date = dayOf(dayText);
    const QTime clock = timeOf(timeText);
    return date.isValid() && clock.isValid() ? QDateTime(date, clock) : QDateTime();
}

std::optional<qint64> ImportMoments::clockMinutes(const QString& text) {
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3) {
        return std::nullopt;
    }
    qint64 seconds = 0;
    for (int i = 0; i < 3; ++i) {
        bool ok = i >= parts.size();
        const qint64 value = i < parts.size() ? parts.at(i).toLongLong(&ok) : 0;
        if (!ok || value < 0) {
            return std::nullopt;
        }
        seconds = seconds * 60 + value;
    }
    return (seconds + 30) / 60;
}
