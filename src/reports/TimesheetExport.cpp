#include "reports/TimesheetExport.h"

#include "data/Database.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QIODevice>
#include <QUrl>
#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

constexpr int FlushAt = 1 << 16;
constexpr int IcalLineOctets = 75;
const QString IcalMoment = QStringLiteral("yyyyMMdd'T'HHmmss'Z'");

QString groupName(ReportGrouping grouping) {
    switch (grouping) {
    case ReportGrouping::Entries:
        return QStringLiteral("entries");
    case ReportGrouping::Category:
        return QStringLiteral("category");
    case ReportGrouping::User:
        return QStringLiteral("user");
    case ReportGrouping::Day:
        return QStringLiteral("day");
    case ReportGrouping::Week:
        return QStringLiteral("week");
    }
    return {};
}

QString jsonString(const QString& text) {
    QString result;
    result.reserve(text.size() + 2);
    result += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            result += QLatin1String("\\\"");
            break;
        case '\\':
            result += QLatin1String("\\\\");
            break;
        case '\n':
            result += QLatin1String("\\n");
            break;
        case '\r':
            result += QLatin1String("\\r");
            break;
        case '\t':
            result += QLatin1String("\\t");
            break;
        default:
            if (c.unicode() < 0x20) {
                result += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            } else {
                result += c;
            }
        }
    }
    result += QLatin1Char('"');
    return result;
}

QString timeText(const WallClock& moment) {
    return moment.date.isValid() ? moment.time.toString(QStringLiteral("HH:mm:ss")) : QString();
}

// The CSV of every row writes a million dates and times: digits are put in by hand.
void appendDigits(QByteArray& out, int value, int width) {
    char digits[12];
    int at = 12;
    do {
        digits[--at] = char('0' + value % 10);
        value /= 10;
        --width;
    } while (value > 0 || width > 0);
    out.append(digits + at, 12 - at);
}

void appendDay(QByteArray& out, const QDate& day) {
    if (!day.isValid() || day.year() < 0) {
        out.append(day.toString(Qt::ISODate).toUtf8());
        return;
    }
    appendDigits(out, day.year(), 4);
    out.append('-');
    appendDigits(out, day.month(), 2);
    out.append('-');
    appendDigits(out, day.day(), 2);
}

void appendClock(QByteArray& out, const WallClock& moment) {
    if (!moment.date.isValid()) {
        return;
    }
    appendDigits(out, moment.time.hour(), 2);
    out.append(':');
    appendDigits(out, moment.time.minute(), 2);
    out.append(':');
    appendDigits(out, moment.time.second(), 2);
}

QString dayText(const QDate& day) {
    return day.toString(Qt::ISODate);
}

int localOffsetAt(qint64 utcSeconds) {
    return QDateTime::fromSecsSinceEpoch(utcSeconds).offsetFromUtc();
}

// The moment a stored wall-clock time stands for, in seconds since the epoch. In the hour the
// clocks skip in spring, a clock that shows it has not been put forward yet: it is read with the
// offset from before the change (02:30 in Berlin is 01:30 UTC). In the hour that comes twice in
// autumn it is the first one.
std::optional<qint64> utcSecondsOf(const WallClock& wall) {
    if (!wall.date.isValid()) {
        return std::nullopt;
    }
    const qint64 asUtc = QDateTime(wall.date, wall.time, Qt::UTC).toSecsSinceEpoch();
    const int before = localOffsetAt(asUtc - 86400);
    const int after = localOffsetAt(asUtc + 86400);
    for (const int offset : {std::max(before, after), std::min(before, after)}) {
        if (localOffsetAt(asUtc - offset) == offset) {
            return asUtc - offset;
        }
    }
    return asUtc - before;
}

QString icalMoment(qint64 utcSeconds) {
    return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC).toString(IcalMoment);
}

} // namespace

TimesheetExport::TimesheetExport(QIODevice& device, Format format, Header header)
    : m_device(device)
    , m_format(format)
    , m_header(std::move(header)) {
    m_buffer.reserve(FlushAt + 4096);
    if (m_header.byteOrderMark && m_format != Format::ICalendar) {
        m_buffer.append("\xEF\xBB\xBF");
    }
    m_currencyField = csvField(m_header.currency).toUtf8();
    switch (m_format) {
    case Format::Csv:
        switch (m_header.grouping) {
        case ReportGrouping::Entries:
            write(QStringLiteral("timeId,date,start,endDate,end,minutes,category,user,rate,amount,"
                                 "billable,currency\r\n"));
            break;
        case ReportGrouping::Category:
            write(QStringLiteral("category,path,minutes,hours,rate,amount,currency\r\n"));
            break;
        case ReportGrouping::User:
            write(QStringLiteral("user,minutes,hours,amount,currency\r\n"));
            break;
        case ReportGrouping::Day:
        case ReportGrouping::Week:
            write(QStringLiteral("date,minutes,hours,amount,currency\r\n"));
            break;
        }
        break;
    case Format::Json:
        write(QStringLiteral("{\"from\":%1,\"to\":%2,\"group\":%3,\"currency\":%4,\"rows\":[")
                  .arg(jsonString(dayText(m_header.from)), jsonString(dayText(m_header.to)),
                       jsonString(groupName(m_header.grouping)), jsonString(m_header.currency)));
        break;
    case Format::ICalendar:
        writeIcalLine(QStringLiteral("BEGIN:VCALENDAR"));
        writeIcalLine(QStringLiteral("VERSION:2.0"));
        writeIcalLine(QStringLiteral("PRODID:-//Quillhour//Quillhour %1//EN")
                          .arg(QStringLiteral(QUILLHOUR_VERSION)));
        writeIcalLine(QStringLiteral("CALSCALE:GREGORIAN"));
        writeIcalLine(QStringLiteral("METHOD:PUBLISH"));
        break;
    }
}

TimesheetExport::~TimesheetExport() = default;

QString TimesheetExport::csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString TimesheetExport::icalText(const QString& text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\\') || c == QLatin1Char(';') || c == QLatin1Char(',')) {
            result += QLatin1Char('\\');
            result += c;
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            result += QLatin1String("\\n");
        } else if (c == QLatin1Char('\n')) {
            result += QLatin1String("\\n");
        } else if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
            // Control characters are not allowed in TEXT values.
        } else {
            result += c;
        }
    }
    return result;
}

QString TimesheetExport::identityOf(const Database& database, const QString& location) {
    QString where;
    if (database.engine() == Database::Engine::PostgreSQL) {
        const QUrl url(location);
        where = QStringLiteral("%1:%2%3").arg(url.host()).arg(url.port(5432)).arg(url.path());
    } else {
        const QFileInfo file(location);
        where =
            file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(where.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

void TimesheetExport::write(const QString& text) {
    m_buffer += text.toUtf8();
    if (m_buffer.size() >= FlushAt) {
        flush();
    }
}

void TimesheetExport::flush() {
    if (m_buffer.isEmpty()) {
        return;
    }
    if (m_device.write(m_buffer) != m_buffer.size()) {
        throw std::runtime_error(m_device.errorString().toStdString());
    }
    m_buffer.resize(0); // keeps its room for what comes next
}

// Long content lines are folded after 75 octets, never inside a UTF-8 sequence.
void TimesheetExport::writeIcalLine(const QString& line) {
    const QByteArray octets = line.toUtf8();
    qsizetype from = 0;
    int limit = IcalLineOctets;
    while (octets.size() - from > limit) {
        qsizetype cut = from + limit;
        while (cut > from && (uchar(octets.at(cut)) & 0xC0) == 0x80) {
            --cut;
        }
        m_buffer += octets.mid(from, cut - from);
        m_buffer += "\r\n ";
        from = cut;
        limit = IcalLineOctets - 1; // the leading blank counts
    }
    m_buffer += octets.mid(from);
    m_buffer += "\r\n";
    if (m_buffer.size() >= FlushAt) {
        flush();
    }
}

void TimesheetExport::entry(const ReportEntry& entry) {
    m_totals.rows += 1;
    m_totals.minutes += entry.minutes;
    m_totals.amountCents += entry.amountCents;
    switch (m_format) {
    case Format::Csv:
        csvEntry(entry);
        break;
    case Format::Json:
        jsonEntry(entry);
        break;
    case Format::ICalendar:
        icalEntry(entry);
        break;
    }
    m_firstRow = false;
}

// Straight into the buffer, the names' fields made once for each category and user: the CSV of
// every row is the export that writes a million of them.
void TimesheetExport::csvEntry(const ReportEntry& entry) {
    auto field = [](QHash<int, QByteArray>& cache, int id, const QString& text) {
        auto found = cache.find(id);
        if (found == cache.end()) {
            found = cache.insert(id, csvField(text).toUtf8());
        }
        return *found;
    };
    m_buffer.append(QByteArray::number(entry.timeId));
    m_buffer.append(',');
    appendDay(m_buffer, entry.start.date);
    m_buffer.append(',');
    appendClock(m_buffer, entry.start);
    m_buffer.append(',');
    if (entry.end.date.isValid()) {
        appendDay(m_buffer, entry.end.date);
    }
    m_buffer.append(',');
    appendClock(m_buffer, entry.end);
    m_buffer.append(',');
    m_buffer.append(QByteArray::number(entry.minutes));
    m_buffer.append(',');
    m_buffer.append(field(m_categoryFields, entry.categoryId, entry.category));
    m_buffer.append(',');
    m_buffer.append(field(m_userFields, entry.userId, entry.user));
    m_buffer.append(',');
    m_buffer.append(TimeReport::rateText(entry.rateCents).toLatin1());
    m_buffer.append(',');
    m_buffer.append(TimeReport::centsText(entry.amountCents).toLatin1());
    m_buffer.append(entry.billable ? ",yes," : ",no,");
    m_buffer.append(m_currencyField);
    m_buffer.append("\r\n");
    if (m_buffer.size() >= FlushAt) {
        flush();
    }
}

void TimesheetExport::jsonEntry(const ReportEntry& entry) {
    write(QLatin1String(m_firstRow ? "\n" : ",\n") + QStringLiteral("{\"timeId\":") +
          QString::number(entry.timeId) + QStringLiteral(",\"date\":") +
          jsonString(dayText(entry.start.date)) + QStringLiteral(",\"start\":") +
          jsonString(timeText(entry.start)) + QStringLiteral(",\"endDate\":") +
          jsonString(dayText(entry.end.date)) + QStringLiteral(",\"end\":") +
          jsonString(timeText(entry.end)) + QStringLiteral(",\"minutes\":") +
          QString::number(entry.minutes) + QStringLiteral(",\"category\":") +
          jsonString(entry.category) + QStringLiteral(",\"path\":") +
          jsonString(entry.categoryPath) + QStringLiteral(",\"user\":") + jsonString(entry.user) +
          QStringLiteral(",\"rate\":") + TimeReport::rateText(entry.rateCents) +
          QStringLiteral(",\"amount\":") + TimeReport::centsText(entry.amountCents) +
          QStringLiteral(",\"billable\":") + QLatin1String(entry.billable ? "true" : "false") +
          QStringLiteral(",\"running\":") + QLatin1String(entry.running ? "true" : "false") +
          QLatin1Char('}'));
}

void TimesheetExport::icalEntry(const ReportEntry& entry) {
    writeIcalLine(QStringLiteral("BEGIN:VEVENT"));
    writeIcalLine(
        QStringLiteral("UID:%1-%2@quillhour").arg(entry.timeId).arg(m_header.databaseIdentity));
    writeIcalLine(QStringLiteral("DTSTAMP:") + m_header.now.toUTC().toString(IcalMoment));
    const qint64 start = utcSecondsOf(entry.start).value_or(0);
    // An end read across a change of the clocks may come out before the start; the event then
    // lasts the row's minutes.
    const std::optional<qint64> end = utcSecondsOf(entry.end);
    writeIcalLine(QStringLiteral("DTSTART:") + icalMoment(start));
    writeIcalLine(
        QStringLiteral("DTEND:") +
        icalMoment(end && *end >= start ? *end : start + 60 * std::max<qint64>(0, entry.minutes)));
    writeIcalLine(QStringLiteral("SUMMARY:") + icalText(entry.categoryPath));
    writeIcalLine(
        QStringLiteral("DESCRIPTION:") +
        icalText(QStringLiteral("%1\n%2 minutes, rate %3, amount %4%5")
                     .arg(entry.user, QString::number(entry.minutes),
                          TimeReport::rateText(entry.rateCents),
                          TimeReport::centsText(entry.amountCents),
                          entry.running ? QStringLiteral("\nstill running") : QString())));
    writeIcalLine(QStringLiteral("CATEGORIES:") + icalText(entry.category));
    writeIcalLine(QStringLiteral("END:VEVENT"));
}

void TimesheetExport::line(const ReportLine& line) {
    m_totals.rows += line.rows;
    m_totals.minutes += line.minutes;
    m_totals.amountCents += line.amountCents;
    const QString minutes = QString::number(line.minutes);
    const QString hours = TimeReport::hoursText(line.minutes);
    const QString amount = TimeReport::centsText(line.amountCents);
    QString fields;
    switch (m_header.grouping) {
    case ReportGrouping::Entries:
        return;
    case ReportGrouping::Category:
        fields = m_format == Format::Csv
                     ? csvField(line.label) + QLatin1Char(',') + csvField(line.path) +
                           QLatin1Char(',') + minutes + QLatin1Char(',') + hours +
                           QLatin1Char(',') + QString::number(line.rate) + QLatin1Char(',') + amount
                     : QStringLiteral("{\"category\":%1,\"path\":%2,\"minutes\":%3,"
                                      "\"hours\":%4,\"rate\":%5,\"amount\":%6}")
                           .arg(jsonString(line.label), jsonString(line.path), minutes, hours,
                                QString::number(line.rate), amount);
        break;
    case ReportGrouping::User:
        fields = m_format == Format::Csv
                     ? csvField(line.label) + QLatin1Char(',') + minutes + QLatin1Char(',') +
                           hours + QLatin1Char(',') + amount
                     : QStringLiteral("{\"user\":%1,\"minutes\":%2,\"hours\":%3,\"amount\":%4}")
                           .arg(jsonString(line.label), minutes, hours, amount);
        break;
    case ReportGrouping::Day:
    case ReportGrouping::Week:
        fields = m_format == Format::Csv
                     ? dayText(line.date) + QLatin1Char(',') + minutes + QLatin1Char(',') + hours +
                           QLatin1Char(',') + amount
                     : QStringLiteral("{\"date\":%1,\"minutes\":%2,\"hours\":%3,\"amount\":%4}")
                           .arg(jsonString(dayText(line.date)), minutes, hours, amount);
        break;
    }
    if (m_format == Format::Csv) {
        write(fields + QLatin1Char(',') + QString::fromUtf8(m_currencyField) +
              QLatin1String("\r\n"));
    } else if (m_format == Format::Json) {
        write(QLatin1String(m_firstRow ? "\n" : ",\n") + fields);
    }
    m_firstRow = false;
}

void TimesheetExport::finish() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    if (m_format == Format::Json) {
        write(QStringLiteral("\n],\"total\":{\"rows\":%1,\"minutes\":%2,\"hours\":%3,"
                             "\"amount\":%4}}\n")
                  .arg(m_totals.rows)
                  .arg(m_totals.minutes)
                  .arg(TimeReport::hoursText(m_totals.minutes),
                       TimeReport::centsText(m_totals.amountCents)));
    } else if (m_format == Format::ICalendar) {
        writeIcalLine(QStringLiteral("END:VCALENDAR"));
    }
    flush();
}
