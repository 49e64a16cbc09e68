#include "reports/TimewarriorImport.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace {

// "20261207T091500Z": always UTC, to the second.
QDateTime utcMoment(const QString& text) {
    QDateTime moment = QDateTime::fromString(text, QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    if (!moment.isValid()) {
        return {};
    }
    moment.setTimeZone(QTimeZone::utc());
    return moment.toLocalTime();
}

// The category of an interval's tags, as a path from the top.
QStringList categoryOf(const QJsonArray& tags, const QHash<QString, QString>& map) {
    QString path;
    for (const QJsonValue& tag : tags) {
        if (const auto mapped = map.constFind(tag.toString()); mapped != map.cend()) {
            path = *mapped;
            break;
        }
    }
    if (path.isEmpty() && !tags.isEmpty()) {
        // A tag is a name, slashes and all.
        return {tags.first().toString().trimmed()};
    }
    QStringList kept;
    for (const QString& name : path.split(QLatin1Char('/'))) {
        if (!name.trimmed().isEmpty()) {
            kept.append(name.trimmed());
        }
    }
    return kept;
}

} // namespace

QHash<QString, QString> TimewarriorImport::readMap(const QByteArray& data, QString& problem) {
    QHash<QString, QString> map;
    const QStringList lines = QString::fromUtf8(data).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || line.mid(equals + 1).trimmed().isEmpty()) {
            problem = QCoreApplication::translate("TimewarriorImport",
                                                  "line %1 of the map is not TAG = CATEGORY")
                          .arg(i + 1);
            return {};
        }
        map.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
    }
    return map;
}

ImportedTime TimewarriorImport::read(const QByteArray& data, const QHash<QString, QString>& map) {
    ImportedTime time;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (!document.isArray()) {
        time.unreadable =
            QCoreApplication::translate("TimewarriorImport", "not an export of Timewarrior (a JSON "
                                                             "array of intervals): %1")
                .arg(error.errorString());
        return time;
    }
    const QJsonArray intervals = document.array();
    for (qsizetype i = 0; i < intervals.size(); ++i) {
        // Intervals are counted from 1, as timew numbers them.
        const int number = int(i + 1);
        const QJsonObject interval = intervals.at(i).toObject();
        ++time.read;
        ImportedTime::Row row;
        row.line = number;
        row.start = utcMoment(interval.value(QStringLiteral("start")).toString());
        if (!interval.contains(QStringLiteral("end"))) {
            time.refuse(number, QCoreApplication::translate("TimewarriorImport",
                                                            "the interval is still open"));
            continue;
        }
        row.end = utcMoment(interval.value(QStringLiteral("end")).toString());
        if (!row.start.isValid() || !row.end.isValid()) {
            time.refuse(number, QCoreApplication::translate(
                                    "TimewarriorImport",
                                    "the start or the end is not a moment like 20261207T091500Z"));
            continue;
        }
        row.category = categoryOf(interval.value(QStringLiteral("tags")).toArray(), map);
        if (row.category.isEmpty()) {
            time.refuse(number, QCoreApplication::translate("TimewarriorImport",
                                                            "the interval has no tag to name "
                                                            "its category"));
            continue;
        }
        time.rows.push_back(std::move(row));
    }
    return time;
}
