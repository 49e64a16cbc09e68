#include "data/TimeText.h"

#include <QLocale>

namespace TimeText {

QString toStorage(const QDateTime& moment) {
    if (!moment.isValid()) {
        return {};
    }
    return moment.toString(QLatin1String(StorageFormat));
}

QDateTime fromStorage(const QVariant& value) {
    if (value.isNull()) {
        return {};
    }
    if (value.typeId() == QMetaType::QDateTime) {
        return value.toDateTime();
    }
    if (value.typeId() == QMetaType::QDate) {
        return QDateTime(value.toDate(), QTime(0, 0));
    }
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) {
        return {};
    }
    QDateTime moment = QDateTime::fromString(text, QLatin1String(StorageFormat));
    if (!moment.isValid()) {
        moment = QDateTime::fromString(text, Qt::ISODate);
    }
    if (!moment.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid()) {
            moment = QDateTime(day, QTime(0, 0));
        }
    }
    if (moment.isValid()) {
        // Stored values are local wall-clock times, whatever the text said.
        moment.setTimeSpec(Qt::LocalTime);
        moment.setTime(QTime(moment.time().hour(), moment.time().minute(), moment.time().second()));
    }
    return moment;
}

QString defaultText(const QDateTime& moment) {
    if (!moment.isValid()) {
        return {};
    }
    const QLocale locale;
    const QString day = locale.toString(moment.date(), QLocale::ShortFormat);
    if (moment.time() == QTime(0, 0)) {
        return day;
    }
    return day + QLatin1Char(' ') + moment.time().toString(HH_MM_SS);
}

QString format(const QDateTime& moment, const QString& pattern) {
    if (!moment.isValid()) {
        return {};
    }
    return QLocale().toString(moment, pattern);
}

QString format(const QDate& day, const QString& pattern) {
    if (!day.isValid()) {
        return {};
    }
    return QLocale().toString(day, pattern);
}

QDate parseDate(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    const QLocale locale;
    for (const QString& pattern :
         {locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat),
          QStringLiteral("d/M/yyyy"), QStringLiteral("d/M/yy"), QStringLiteral("d MMM yyyy"),
          QStringLiteral("yyyy-MM-dd")}) {
        QDate day = locale.toDate(trimmed, pattern);
        if (day.isValid()) {
            // Two-digit years mean this century, as people who type them intend.
            if (pattern.count(QLatin1Char('y')) == 2 && day.year() < 1950) {
                day = day.addYears(100);
            }
            return day;
        }
    }
    return fromStorage(trimmed).date();
}

qint64 minutesBetween(const QDateTime& from, const QDateTime& to) {
    if (!from.isValid() || !to.isValid()) {
        return 0;
    }
    const qint64 days = from.date().daysTo(to.date());
    const int fromMinute = from.time().hour() * 60 + from.time().minute();
    const int toMinute = to.time().hour() * 60 + to.time().minute();
    return days * 1440 + (toMinute - fromMinute);
}

qint64 daysBetween(const QDateTime& from, const QDateTime& to) {
    if (!from.isValid() || !to.isValid()) {
        return 0;
    }
    return from.date().daysTo(to.date());
}

QString minToTime(qint64 minutes) {
    const bool negative = minutes < 0;
    const qint64 whole = negative ? -minutes : minutes;
    const QString text = QStringLiteral("%1:%2")
                             .arg(whole / 60, 2, 10, QLatin1Char('0'))
                             .arg(whole % 60, 2, 10, QLatin1Char('0'));
    return negative ? QLatin1Char('-') + text : text;
}

} // namespace TimeText
