#include "reports/IcalImport.h"

#include <QCoreApplication>
#include <QHash>
#include <QTimeZone>
#include <optional>

namespace {

// One content line once unfolded: its name, parameters and value, and where it began.
struct Property {
    int line = 0;
    QString name;
    QHash<QString, QString> parameters;
    QString value;
};

// A VTODO or VEVENT with its properties by name (the first of each).
struct Component {
    int line = 0;
    QString kind;
    QHash<QString, Property> properties;
    QString value(const char* name) const { return properties.value(QLatin1String(name)).value; }
};

QString unescaped(const QString& text) {
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\\') && i + 1 < text.size()) {
            const QChar next = text.at(++i);
            plain += next == QLatin1Char('n') || next == QLatin1Char('N') ? QChar('\n') : next;
        } else {
            plain += text.at(i);
        }
    }
    return plain;
}

Property parse(int line, const QString& text) {
    Property property;
    property.line = line;
    // The value follows the first colon outside quotes.
    bool quoted = false;
    qsizetype colon = -1;
    for (qsizetype i = 0; i < text.size() && colon < 0; ++i) {
        quoted = text.at(i) == QLatin1Char('"') ? !quoted : quoted;
        colon = !quoted && text.at(i) == QLatin1Char(':') ? i : -1;
    }
    const QStringList head = text.left(colon < 0 ? text.size() : colon).split(QLatin1Char(';'));
    property.name = head.value(0).toUpper();
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QString parameter = head.at(i);
        const qsizetype equals = parameter.indexOf(QLatin1Char('='));
        property.parameters.insert(parameter.left(equals).toUpper(),
                                   parameter.mid(equals + 1).remove(QLatin1Char('"')));
    }
    property.value = colon < 0 ? QString() : text.mid(colon + 1);
    return property;
}

// The to-dos and events of the file, in order.
std::vector<Component> components(const QString& text) {
    std::vector<Component> found;
    std::optional<Component> open;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        line.remove(QLatin1Char('\r'));
        const int number = int(i + 1);
        // Folded lines go on with a blank or a tab.
        while (i + 1 < lines.size() && (lines.at(i + 1).startsWith(QLatin1Char(' ')) ||
                                        lines.at(i + 1).startsWith(QLatin1Char('\t')))) {
            line += lines.at(++i).mid(1).remove(QLatin1Char('\r'));
        }
        const Property property = parse(number, line);
        if (property.name == QLatin1String("BEGIN") &&
            (property.value == QLatin1String("VTODO") ||
             property.value == QLatin1String("VEVENT"))) {
            open = Component{number, property.value, {}};
        } else if (property.name == QLatin1String("END") && open) {
            found.push_back(*open);
            open.reset();
        } else if (open && !open->properties.contains(property.name)) {
            open->properties.insert(property.name, property);
        }
    }
    return found;
}

QDateTime momentOf(const Property& property) {
    const QString value = property.value.trimmed();
    const bool utc = value.endsWith(QLatin1Char('Z'));
    QDateTime moment = QDateTime::fromString(value.left(15), QStringLiteral("yyyyMMdd'T'HHmmss"));
    if (!moment.isValid()) {
        const QDate day = QDate::fromString(value, QStringLiteral("yyyyMMdd"));
        return day.isValid() ? QDateTime(day, QTime(0, 0)) : QDateTime();
    }
    const QString zone = property.parameters.value(QStringLiteral("TZID"));
    if (utc) {
        moment.setTimeZone(QTimeZone::utc());
    } else if (!zone.isEmpty() && QTimeZone(zone.toUtf8()).isValid()) {
        moment.setTimeZone(QTimeZone(zone.toUtf8()));
    } else {
        return moment; // floating: local time
    }
    return moment.toLocalTime();
}

// "PT1H30M", "P1DT2H": the seconds of a duration, or nothing.
std::optional<qint64> secondsOf(const QString& text) {
    qint64 seconds = 0;
    qint64 number = 0;
    bool any = false;
    for (const QChar c : text.trimmed().toUpper()) {
        if (c.isDigit()) {
            number = number * 10 + c.digitValue();
            continue;
        }
        const qint64 unit = c == 'W'   ? 604800
                            : c == 'D' ? 86400
                            : c == 'H' ? 3600
                            : c == 'M' ? 60
                            : c == 'S' ? 1
                                       : 0;
        if (unit > 0) {
            seconds += number * unit;
            any = true;
        } else if (c != 'P' && c != 'T') {
            return std::nullopt;
        }
        number = 0;
    }
    return any ? std::optional(seconds) : std::nullopt;
}

// The path of a to-do through the to-dos it is related to; a loop ends the walk.
QStringList pathOf(const QString& uid, const QHash<QString, const Component*>& todos) {
    QStringList path;
    for (QString step = uid; todos.contains(step) && path.size() <= todos.size();) {
        const Component* todo = todos.value(step);
        path.prepend(unescaped(todo->value("SUMMARY")).trimmed());
        step = todo->value("RELATED-TO");
    }
    return path;
}

} // namespace

ImportedTime IcalImport::read(const QByteArray& data) {
    ImportedTime time;
    const QString text = QString::fromUtf8(data);
    if (!text.trimmed().startsWith(QLatin1String("BEGIN:VCALENDAR"), Qt::CaseInsensitive)) {
        time.unreadable =
            QCoreApplication::translate("IcalImport", "not an iCalendar file (BEGIN:VCALENDAR)");
        return time;
    }
    const std::vector<Component> all = components(text);
    QHash<QString, const Component*> todos;
    for (const Component& component : all) {
        if (component.kind == QLatin1String("VTODO")) {
            todos.insert(component.value("UID"), &component);
        }
    }
    for (const Component& event : all) {
        if (event.kind != QLatin1String("VEVENT")) {
            continue;
        }
        ++time.read;
        ImportedTime::Row row;
        row.line = event.line;
        row.start = momentOf(event.properties.value(QStringLiteral("DTSTART")));
        if (event.properties.contains(QStringLiteral("DTEND"))) {
            row.end = momentOf(event.properties.value(QStringLiteral("DTEND")));
        } else if (const std::optional<qint64> seconds = secondsOf(event.value("DURATION"))) {
            row.end = row.start.addSecs(*seconds);
        }
        if (!row.start.isValid() || !row.end.isValid()) {
            time.refuse(event.line,
                        QCoreApplication::translate("IcalImport",
                                                    "the event has no start and end or duration"));
            continue;
        }
        const QString related = event.value("RELATED-TO");
        row.category = todos.contains(related) ? pathOf(related, todos)
                                               : QStringList{unescaped(event.value("SUMMARY"))};
        row.category.removeAll(QString());
        time.rows.push_back(std::move(row));
    }
    return time;
}
