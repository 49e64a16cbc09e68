#include "reports/CsvImport.h"

#include "reports/ImportMoments.h"

#include <QCoreApplication>
#include <QHash>
#include <optional>

namespace {

// The columns that matter, by the names the trackers give them.
struct Columns {
    QHash<QString, int> byName;

    explicit Columns(const QStringList& header) {
        for (int i = 0; i < header.size(); ++i) {
            byName.insert(header.at(i).trimmed().toLower(), i);
        }
    }
    // The first of names that is a column, or -1.
    int find(std::initializer_list<const char*> names) const {
        for (const char* name : names) {
            if (const auto it = byName.constFind(QLatin1String(name)); it != byName.cend()) {
                return *it;
            }
        }
        return -1;
    }
};

struct Layout {
    int startDate, startTime, endDate, endTime, minutes, clock, hours, category, user;
    std::vector<int> path; // client, project, task: the path when there is no category column

    explicit Layout(const Columns& columns)
        : startDate(columns.find({"start date", "date"}))
        , startTime(columns.find({"start time", "start", "from", "begin"}))
        , endDate(columns.find({"end date", "enddate"}))
        , endTime(columns.find({"end time", "end", "to"}))
        , minutes(columns.find({"minutes"}))
        , clock(columns.find({"duration", "duration (h)"}))
        , hours(columns.find({"duration (decimal)", "hours"}))
        , category(columns.find({"category"}))
        , user(columns.find({"user", "username", "user name"})) {
        for (const int part : {columns.find({"client", "customer"}), columns.find({"project"}),
                               columns.find({"task", "activity"})}) {
            if (part >= 0) {
                path.push_back(part);
            }
        }
    }
    bool hasEnd() const { return endTime >= 0 || minutes >= 0 || clock >= 0 || hours >= 0; }
    bool hasCategory() const { return category >= 0 || !path.empty(); }
};

QChar separatorOf(const QString& header) {
    const qsizetype commas = header.count(QLatin1Char(','));
    const qsizetype semicolons = header.count(QLatin1Char(';'));
    const qsizetype tabs = header.count(QLatin1Char('\t'));
    if (tabs > commas && tabs > semicolons) {
        return QLatin1Char('\t');
    }
    return semicolons > commas ? QLatin1Char(';') : QLatin1Char(',');
}

// The minutes of a duration column: whole minutes, hours:minutes[:seconds] or decimal hours.
std::optional<qint64> durationOf(const Layout& layout, const QStringList& fields) {
    if (layout.minutes >= 0) {
        bool ok = false;
        const qint64 minutes = fields.value(layout.minutes).trimmed().toLongLong(&ok);
        return ok ? std::optional(minutes) : std::nullopt;
    }
    if (layout.clock >= 0) {
        return ImportMoments::clockMinutes(fields.value(layout.clock));
    }
    bool ok = false;
    const double hours = fields.value(layout.hours).trimmed().replace(',', '.').toDouble(&ok);
    return ok ? std::optional(qRound64(hours * 60)) : std::nullopt;
}

// The start and end of a record, or why not.
std::optional<QString> timesOf(const Layout& layout, const QStringList& fields,
                               ImportedTime::Row& row) {
    const QString startDay = fields.value(layout.startDate);
    row.start = ImportMoments::moment(startDay, fields.value(layout.startTime));
    if (!row.start.isValid()) {
        return QCoreApplication::translate("CsvImport", "the start is not a date and time");
    }
    if (layout.endTime >= 0 && !fields.value(layout.endTime).trimmed().isEmpty()) {
        const bool ownDay = layout.endDate >= 0 && !fields.value(layout.endDate).isEmpty();
        row.end = ImportMoments::moment(ownDay ? fields.value(layout.endDate) : startDay,
                                        fields.value(layout.endTime));
        // An end time alone before the start is on the next day: the time crossed midnight.
        if (!ownDay && layout.startDate >= 0 && row.end.isValid() && row.end < row.start) {
            row.end = row.end.addDays(1);
        }
    } else if (const std::optional<qint64> minutes = durationOf(layout, fields)) {
        row.end = row.start.addSecs(*minutes * 60);
    }
    if (!row.end.isValid()) {
        return QCoreApplication::translate(
            "CsvImport", "the end is not a date and time, and no duration is given");
    }
    return std::nullopt;
}

QStringList categoryOf(const Layout& layout, const QStringList& fields) {
    QStringList path;
    if (layout.category >= 0) {
        path = fields.value(layout.category).split(QLatin1Char('/'));
    } else {
        for (const int part : layout.path) {
            path.append(fields.value(part));
        }
    }
    QStringList kept;
    for (const QString& name : std::as_const(path)) {
        if (!name.trimmed().isEmpty()) {
            kept.append(name.trimmed());
        }
    }
    return kept;
}

} // namespace

std::vector<CsvImport::Record> CsvImport::records(const QString& text, QChar separator) {
    std::vector<Record> found;
    Record current{1, {}};
    QString field;
    bool quoted = false;
    bool any = false;
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == c) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                line += c == QLatin1Char('\n') ? 1 : 0;
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = any = true;
        } else if (c == separator) {
            current.fields.append(field);
            field.clear();
            any = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == '\n') {
                ++i;
            }
            if (any || !field.isEmpty()) {
                current.fields.append(field);
                found.push_back(current);
            }
            current = {++line, {}};
            field.clear();
            any = false;
        } else {
            field += c;
        }
    }
    if (any || !field.isEmpty()) {
        current.fields.append(field);
        found.push_back(current);
    }
    return found;
}

ImportedTime CsvImport::read(const QByteArray& data) {
    ImportedTime time;
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    const QChar separator = separatorOf(text.section(QLatin1Char('\n'), 0, 0));
    const std::vector<Record> all = records(text, separator);
    if (all.empty()) {
        time.unreadable = QCoreApplication::translate("CsvImport", "the file is empty");
        return time;
    }
    const Layout layout{Columns(all.front().fields)};
    if ((layout.startDate < 0 && layout.startTime < 0) || !layout.hasEnd() ||
        !layout.hasCategory()) {
        time.unreadable = QCoreApplication::translate(
            "CsvImport", "the first line names no start, end or duration and category "
                         "columns");
        return time;
    }
    for (std::size_t i = 1; i < all.size(); ++i) {
        const Record& record = all[i];
        ++time.read;
        ImportedTime::Row row;
        row.line = record.line;
        if (const std::optional<QString> wrong = timesOf(layout, record.fields, row)) {
            time.refuse(record.line, *wrong);
            continue;
        }
        row.category = categoryOf(layout, record.fields);
        row.user = record.fields.value(layout.user).trimmed();
        time.rows.push_back(std::move(row));
    }
    return time;
}
