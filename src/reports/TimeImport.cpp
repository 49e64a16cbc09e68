#include "reports/TimeImport.h"

#include "data/CategoryPaths.h"
#include "data/Database.h"
#include "data/TimeCorrection.h"
#include "data/TimeText.h"
#include "data/category.h"
#include "platform/Clock.h"
#include "reports/CsvImport.h"
#include "reports/HamsterImport.h"
#include "reports/IcalImport.h"
#include "reports/TimewarriorImport.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

QString keyOf(int categoryId, const QDateTime& start, const QDateTime& end) {
    return QString::number(categoryId) + QLatin1Char('|') + TimeText::toStorage(start) +
           QLatin1Char('|') + TimeText::toStorage(end);
}

} // namespace

TimeImport::TimeImport(Database& database, const Clock& clock)
    : m_database(database)
    , m_clock(clock) {}

std::optional<TimeImport::Format> TimeImport::formatNamed(const QString& name) {
    if (name == QLatin1String("csv")) {
        return Format::Csv;
    }
    if (name == QLatin1String("timewarrior")) {
        return Format::Timewarrior;
    }
    if (name == QLatin1String("ical")) {
        return Format::ICalendar;
    }
    if (name == QLatin1String("hamster")) {
        return Format::Hamster;
    }
    return std::nullopt;
}

ImportedTime TimeImport::read(Format format, const QByteArray& data,
                              const QHash<QString, QString>& map) {
    switch (format) {
    case Format::Timewarrior:
        return TimewarriorImport::read(data, map);
    case Format::ICalendar:
        return IcalImport::read(data);
    case Format::Csv:
    case Format::Hamster:
        break;
    }
    return CsvImport::read(data);
}

TimeImport::Format TimeImport::formatOfFile(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("json")) {
        return Format::Timewarrior;
    }
    if (suffix == QLatin1String("ics")) {
        return Format::ICalendar;
    }
    return suffix == QLatin1String("db") ? Format::Hamster : Format::Csv;
}

ImportedTime TimeImport::readFile(Format format, const QString& path,
                                  const QHash<QString, QString>& map) {
    if (format == Format::Hamster) {
        return HamsterImport::read(path);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ImportedTime nothing;
        nothing.unreadable = file.errorString();
        return nothing;
    }
    return read(format, file.readAll(), map);
}

QString TimeImport::refusalText(const ImportedTime::Refusal& refusal) {
    return QCoreApplication::translate("TimeImport", "line %1: %2")
        .arg(refusal.line)
        .arg(refusal.reason);
}

QString TimeImport::summaryText(const Summary& summary, bool dryRun) {
    return (dryRun ? QCoreApplication::translate("TimeImport",
                                                 "Read %1 rows: %2 would be made, %3 skipped as "
                                                 "duplicates, %4 refused; nothing was written.")
                   : QCoreApplication::translate("TimeImport", "Read %1 rows: made %2, skipped %3 "
                                                               "as duplicates, refused %4."))
        .arg(summary.read)
        .arg(summary.made)
        .arg(summary.duplicates)
        .arg(summary.refused.size());
}

QSet<QString> TimeImport::existing(int userId) {
    QSet<QString> keys;
    for (const Row row :
         m_database.query(QStringLiteral("select categoryId, startTime, endTime from tallyRec "
                                         "where userId = ? and endTime is not null"),
                          {userId})) {
        keys.insert(keyOf(row.integer(0), row.dateTime(1), row.dateTime(2)));
    }
    return keys;
}

int TimeImport::categoryFor(CategoryPaths& paths, const QStringList& path, bool dryRun,
                            Summary& summary) {
    int parent = 0;
    for (const QString& name : path) {
        int id = paths.childNamed(parent, name);
        if (id == 0) {
            if (dryRun) {
                id = -1 - summary.categoriesMade; // never a stored id
            } else {
                DataContext context{m_database, m_clock};
                category made(context, m_clock.now());
                made.categoryName = name;
                made.parentId = parent;
                made.save();
                id = made.categoryId;
            }
            paths.add(id, name, parent);
            ++summary.categoriesMade;
        }
        parent = id;
    }
    return parent;
}

TimeImport::Summary TimeImport::store(const ImportedTime& time, int userId, const QString& userName,
                                      bool dryRun) {
    Summary summary;
    const auto work = [&] {
        summary = Summary{};
        summary.read = time.read;
        summary.refused = time.refused;
        CategoryPaths paths(m_database);
        QSet<QString> stored = existing(userId);
        for (const ImportedTime::Row& row : time.rows) {
            if (!row.user.isEmpty() && row.user != userName) {
                summary.refused.push_back(
                    {row.line,
                     QCoreApplication::translate("TimeImport", "the time of %1, who imports it "
                                                               "themselves")
                         .arg(row.user)});
                continue;
            }
            // The times are checked before any category is made for them.
            const TimeCorrection::Times times{row.start, row.end, row.category.isEmpty() ? 0 : 1};
            if (const std::optional<QString> wrong = TimeCorrection::problem(times)) {
                summary.refused.push_back({row.line, *wrong});
                continue;
            }
            const int categoryId = categoryFor(paths, row.category, dryRun, summary);
            const QString key = keyOf(categoryId, row.start, row.end);
            if (stored.contains(key)) {
                ++summary.duplicates;
                continue;
            }
            stored.insert(key);
            if (!dryRun) {
                m_database.execute(
                    QStringLiteral("insert into tallyRec (startTime, endTime, duration, "
                                   "categoryId, userId) values (?, ?, ?, ?, ?)"),
                    {row.start, row.end, times.duration(), categoryId, userId});
            }
            ++summary.made;
        }
    };
    if (dryRun) {
        work();
    } else {
        m_database.transaction(work);
    }
    std::stable_sort(summary.refused.begin(), summary.refused.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    return summary;
}
