#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QVariant>

// Date-times as the program stores, shows and counts them.
namespace TimeText {

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

// The storage form, "yyyy-MM-dd HH:mm:ss" in local time: it sorts and compares as text the way
// the moments themselves do.
inline constexpr const char* StorageFormat = "yyyy-MM-dd HH:mm:ss";

// Display patterns.
inline const QString DD_MMM_YYYY = QStringLiteral("dd MMM yyyy");
inline const QString D_MMM_YYYY = QStringLiteral("d MMM yyyy");
inline const QString DD_MM_YYYY = QStringLiteral("dd/MM/yyyy");
inline const QString HH_MM = QStringLiteral("HH:mm");
inline const QString HH_MM_SS = QStringLiteral("HH:mm:ss");
inline const QString MMMM = QStringLiteral("MMMM");

QString toStorage(const QDateTime& moment);
// Reads a stored value: text in the storage form (or ISO form), or a QDateTime from an engine
// that has a date-time type. Null or unreadable values give an invalid QDateTime.
QDateTime fromStorage(const QVariant& value);
// The same reading of stored text given in UTF-8.
QDateTime fromStorage(QByteArrayView utf8);

// The default text of a date-time: the locale's short date, a blank and HH:mm:ss; at exactly
// midnight the time is left out.
QString defaultText(const QDateTime& moment);
// Formats with one of the display patterns above, month names in the locale's language.
QString format(const QDateTime& moment, const QString& pattern);
QString format(const QDate& day, const QString& pattern);

// Reads a date typed by a person: the locale's short and long forms, d/M/yyyy, and ISO.
QDate parseDate(const QString& text);

// Minute boundaries crossed from one moment to the next, on wall-clock time:
// 10:00:59 to 10:01:00 is one minute.
qint64 minutesBetween(const QDateTime& from, const QDateTime& to);
// Day boundaries crossed (midnights passed).
qint64 daysBetween(const QDateTime& from, const QDateTime& to);

// Minutes as whole hours (at least two digits), ":" and two-digit minutes: 75 gives "01:15".
QString minToTime(qint64 minutes);
// The moment without its fraction of a second: rows keep whole seconds.
QDateTime toTheSecond(const QDateTime& moment);

} // namespace TimeText
