#include "data/TimeText.h"

#include <QLocale>
#include <optional>

namespace TimeText {

QString toStorage(const QDateTime& moment) {
    if (!moment.isValid()) {
        return {};
    }
    return moment.toString(QLatin1String(StorageFormat));
}

namespace {

// The text forms Qt reads for us, for what the fixed-position reader below leaves to them:
// fractions of a second, a "T" or a zone after the time, blanks around, hour 24.
QDateTime parseSlowly(const QString& text) {
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

// The two forms the program stores, read at fixed positions: "yyyy-MM-dd HH:mm:ss" and the bare
// date "yyyy-MM-dd". Anything else, and any date or time that does not exist as written, is
// left to parseSlowly, so both readings always agree. Char: char16_t (a QString's characters)
// or char (UTF-8, where these forms are plain ASCII).
template <typename Char>
std::optional<QDateTime> parseStorageForm(const Char* c, qsizetype length) {
    if (length != 19 && length != 10) {
        return std::nullopt;
    }
    const int century = twoDigits(c, 0);
    const int yearInCentury = twoDigits(c, 2);
    const int month = twoDigits(c, 5);
    const int day = twoDigits(c, 8);
    if (century < 0 || yearInCentury < 0 || month < 0 || day < 0 || c[4] != u'-' || c[7] != u'-' ||
        !QDate::isValid(century * 100 + yearInCentury, month, day)) {
        return std::nullopt;
    }
    const QDate date(century * 100 + yearInCentury, month, day);
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (length == 19) {
        hour = twoDigits(c, 11);
        minute = twoDigits(c, 14);
        second = twoDigits(c, 17);
        if (c[10] != u' ' || c[13] != u':' || c[16] != u':' || hour < 0 || minute < 0 ||
            second < 0 || !QTime::isValid(hour, minute, second)) {
            return std::nullopt;
        }
    }
    const QTime time(hour, minute, second);
    const QDateTime moment(date, time);
    // A wall-clock time the clocks skip (the hour they go forward) is read as Qt reads it.
    if (!moment.isValid() || moment.time() != time || moment.date() != date) {
        return std::nullopt;
    }
    return moment;
}

} // namespace

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
    if (value.typeId() == QMetaType::QString) {
        const auto* text = static_cast<const QString*>(value.constData());
        if (std::optional<QDateTime> moment = parseStorageForm(text->utf16(), text->size())) {
            return *moment;
        }
    }
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) {
        return {};
    }
    return parseSlowly(text);
}

QDateTime fromStorage(QByteArrayView utf8) {
    if (std::optional<QDateTime> moment = parseStorageForm(utf8.data(), utf8.size())) {
        return *moment;
    }
    return fromStorage(QVariant(QString::fromUtf8(utf8)));
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

QDateTime toTheSecond(const QDateTime& moment) {
    QDateTime whole = moment;
    const QTime time = moment.time();
    whole.setTime(QTime(time.hour(), time.minute(), time.second()));
    return whole;
}

} // namespace TimeText
