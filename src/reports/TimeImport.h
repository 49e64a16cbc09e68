#pragma once

#include "reports/ImportedTime.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

class CategoryPaths;
class Clock;
class Database;

// Stores time read from another tracker's file as a person's finished time rows, making the
// categories its paths name where there are none yet. All rows or none: one transaction. A row
// the person already has (same category, start and end) is skipped, so a file imported twice
// adds nothing the second time.
class TimeImport {
public:
    struct Summary {
        int read = 0;
        int made = 0;
        int duplicates = 0;
        int categoriesMade = 0;
        std::vector<ImportedTime::Refusal> refused; // by line
    };

    enum class Format { Csv, Timewarrior, ICalendar, Hamster };

    TimeImport(Database& database, const Clock& clock);

    // "csv", "timewarrior", "ical" or "hamster".
    static std::optional<Format> formatNamed(const QString& name);
    // The format a file's name suggests: .json Timewarrior, .ics iCalendar, .db Hamster, else
    // CSV.
    static Format formatOfFile(const QString& path);
    // The time in a file of that format (Hamster's is a database, read where it is); map gives
    // Timewarrior tags their category paths. A file that cannot be read says why in unreadable.
    static ImportedTime readFile(Format format, const QString& path,
                                 const QHash<QString, QString>& map = {});
    // The time in the contents of a file of a format other than Hamster's.
    static ImportedTime read(Format format, const QByteArray& data,
                             const QHash<QString, QString>& map = {});
    // "line 7: the start is not a date and time"
    static QString refusalText(const ImportedTime::Refusal& refusal);
    // "Read 412 rows: made 407, skipped 4 as duplicates, refused 1."
    static QString summaryText(const Summary& summary, bool dryRun);

    // The time of the user userName (id userId); rows the file gives to someone else are
    // refused, since each person records only their own time. With dryRun nothing is written
    // and the summary says what would be.
    Summary store(const ImportedTime& time, int userId, const QString& userName, bool dryRun);

private:
    // The rows the user has already, by category, start and end.
    QSet<QString> existing(int userId);
    // The category at the end of path, made (or, on a dry run, counted) where missing; 0 for
    // an empty path.
    int categoryFor(CategoryPaths& paths, const QStringList& path, bool dryRun, Summary& summary);

    Database& m_database;
    const Clock& m_clock;
};
