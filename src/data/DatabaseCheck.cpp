#include "data/Database.h"
#include "data/DatabaseInternals.h"
#include "data/Schema.h"
#include "data/SqliteFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace DatabaseInternals;

namespace {

// The engine's findings are listed up to this many; the count says how many there were.
constexpr int ListedProblems = 20;

using Verdict = Database::CheckReport::Verdict;

// The name and id of each user whose name, blanks around it left out, another user has too.
const QString SharedNames = QStringLiteral(
    "select trim(userName), userId from \"user\" where trim(userName) in (select "
    "trim(userName) from \"user\" group by trim(userName) having count(*) > 1) order by 1, 2");

// Everything the report says about one database, with its verdict: sound until a check fails.
struct Report {
    Database::CheckReport result;

    void say(const QString& line) { result.lines.append(line); }
    void fail(const QString& line) {
        say(line);
        result.verdict = Verdict::Damaged;
    }
    void tables(const QHash<QString, QSet<QString>>& columnsByTable) {
        const QStringList missing = missingParts(columnsByTable);
        if (missing.isEmpty()) {
            say(QCoreApplication::translate(
                "DatabaseCheck", "- Quillhour's seven tables with all their columns: ok"));
        } else {
            fail(QCoreApplication::translate("DatabaseCheck", "- Quillhour's tables: it lacks %1")
                     .arg(missing.join(QStringLiteral(", "))));
        }
    }
    void version(int found) {
        if (found > Schema::CurrentVersion) {
            fail(QCoreApplication::translate(
                     "DatabaseCheck", "- schema version %1: newer than this Quillhour knows (%2)")
                     .arg(found)
                     .arg(Schema::CurrentVersion));
        } else {
            say(QCoreApplication::translate("DatabaseCheck", "- schema version %1: ok").arg(found));
        }
    }
    // Two users of one name: the program finds a person by name, so one of them is locked out.
    // pairs holds the name and id of every user whose name another shares, by name.
    void names(const QList<QPair<QString, int>>& pairs) {
        QMap<QString, QStringList> ids;
        for (const auto& [name, id] : pairs) {
            ids[name].append(QString::number(id));
        }
        if (ids.isEmpty()) {
            say(QCoreApplication::translate("DatabaseCheck",
                                            "- every user's name is their own: ok"));
            return;
        }
        for (auto each = ids.cbegin(); each != ids.cend(); ++each) {
            fail(QCoreApplication::translate("DatabaseCheck",
                                             "- the users %1 share the name %2: rename all but "
                                             "one of them")
                     .arg(each.value().join(QStringLiteral(", ")), each.key()));
        }
    }
    // An error that ended the check: damage is a finding, anything else leaves it unchecked.
    void stopped(const DatabaseError& error) {
        say(error.kind() == DatabaseError::Kind::Damaged
                ? QCoreApplication::translate("DatabaseCheck", "- the database is damaged: ") +
                      error.engineText()
                : error.message());
        const bool damage = error.kind() == DatabaseError::Kind::Damaged ||
                            error.kind() == DatabaseError::Kind::NotADatabase ||
                            error.kind() == DatabaseError::Kind::NotQuillhour;
        result.verdict = damage ? Verdict::Damaged : Verdict::NotChecked;
    }
    Database::CheckReport finish(const QString& shown) {
        switch (result.verdict) {
        case Verdict::Sound:
            say(QCoreApplication::translate("DatabaseCheck", "The database %1 is sound.")
                    .arg(shown));
            break;
        case Verdict::Damaged:
            say(QCoreApplication::translate(
                    "DatabaseCheck", "The database %1 is damaged, or not a Quillhour database.")
                    .arg(shown));
            break;
        case Verdict::NotChecked:
            say(QCoreApplication::translate("DatabaseCheck",
                                            "The database %1 could not be checked.")
                    .arg(shown));
            break;
        }
        return result;
    }
};

// The file as the file system shows it; false when that ends the check.
bool checkFileFacts(Report& report, const QString& path, const QString& shown) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        report.stopped(DatabaseError(
            DatabaseError::Kind::Missing,
            QCoreApplication::translate("DatabaseCheck", "There is no database at %1.")
                .arg(shown)));
        return false;
    }
    const SqliteFile::Facts facts = SqliteFile::inspect(path);
    if (!info.isFile() || !facts.readable) {
        report.stopped(DatabaseError(
            DatabaseError::Kind::NoAccess,
            QCoreApplication::translate("DatabaseCheck", "%1 cannot be read as a file (%2).")
                .arg(shown, info.isFile()
                                ? facts.unreadableReason
                                : QCoreApplication::translate("DatabaseCheck", "a folder"))));
        return false;
    }
    if (facts.size == 0 || !facts.sqliteHeader) {
        report.fail(
            facts.size == 0
                ? QCoreApplication::translate("DatabaseCheck",
                                              "- the file is empty: it holds no database")
                : QCoreApplication::translate("DatabaseCheck", "- the file is not a database"));
        return false;
    }
    if (const QString damage = SqliteFile::damage(facts); !damage.isEmpty()) {
        report.fail(QCoreApplication::translate("DatabaseCheck", "- the file: %1").arg(damage));
    } else if (facts.walHasContent) {
        report.say(QCoreApplication::translate(
                       "DatabaseCheck", "- the file: %1 bytes, with changes in its log %2-wal: ok")
                       .arg(facts.size)
                       .arg(info.fileName()));
    } else {
        report.say(QCoreApplication::translate("DatabaseCheck",
                                               "- the file: %1 bytes, %2 pages of %3 bytes: ok")
                       .arg(facts.size)
                       .arg(facts.size / facts.pageSize)
                       .arg(facts.pageSize));
    }
    return true;
}

// The engine's own integrity check, which lists what it finds and may end with the damage it
// could not get past.
void checkIntegrity(Report& report, QSqlDatabase& db) {
    QStringList problems;
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        const bool ran = query.exec(QStringLiteral("PRAGMA integrity_check"));
        while (ran && query.next()) {
            problems.append(query.value(0).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts));
        }
        if (!ran || query.lastError().isValid()) {
            problems.append(QCoreApplication::translate("DatabaseCheck", "the engine stopped: ") +
                            query.lastError().databaseText());
        }
    }
    if (problems == QStringList{QStringLiteral("ok")}) {
        report.say(QCoreApplication::translate("DatabaseCheck",
                                               "- the engine's integrity check (PRAGMA "
                                               "integrity_check): ok"));
        return;
    }
    report.fail(QCoreApplication::translate("DatabaseCheck",
                                            "- the engine's integrity check (PRAGMA "
                                            "integrity_check) found %1 problem(s):")
                    .arg(problems.size()));
    for (qsizetype i = 0; i < problems.size() && i < ListedProblems; ++i) {
        report.say(QStringLiteral("    ") + problems.at(i));
    }
    if (problems.size() > ListedProblems) {
        report.say(QCoreApplication::translate("DatabaseCheck", "    ... and %1 more")
                       .arg(problems.size() - ListedProblems));
    }
}

// The file as the file system shows it, then the engine's own integrity check, the tables and
// the schema version, all read without writing anything at or beside the file.
Database::CheckReport checkFile(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    Report report;
    report.result.verdict = Verdict::Sound;
    report.say(QCoreApplication::translate("DatabaseCheck", "Checking the SQLite database %1:")
                   .arg(shown));
    if (!checkFileFacts(report, path, shown)) {
        return report.finish(shown);
    }
    try {
        readSqliteFile(path, [&](QSqlDatabase& db, const SqliteFailure& fail) {
            checkIntegrity(report, db);
            const QHash<QString, QSet<QString>> columns = sqliteColumns(db, fail);
            report.tables(columns);
            if (missingParts(columns).isEmpty()) {
                QSqlQuery shared(db);
                if (!shared.exec(SharedNames)) {
                    fail(shared.lastError());
                }
                QList<QPair<QString, int>> pairs;
                while (shared.next()) {
                    pairs.append({shared.value(0).toString(), shared.value(1).toInt()});
                }
                report.names(pairs);
            }
            QSqlQuery version(db);
            if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
                fail(version.lastError());
            }
            report.version(version.value(0).toInt());
        });
    } catch (const DatabaseError& error) {
        report.stopped(error);
    }
    return report.finish(shown);
}

// A server keeps its own files whole; what can go wrong in a database on it is the tables
// (missing, changed, of a newer schema), rows on pages it can no longer read, and indexes
// that no longer match their table.
Database::CheckReport checkServer(const QString& location) {
    const QString shown = Database::displayLocation(location);
    Report report;
    report.say(QCoreApplication::translate("DatabaseCheck", "Checking the PostgreSQL database %1:")
                   .arg(shown));
    try {
        std::unique_ptr<Database> database = Database::openReadOnly(location);
        report.result.verdict = Verdict::Sound;
        report.say(QCoreApplication::translate("DatabaseCheck", "- the connection: ok"));
        const QHash<QString, QSet<QString>> columns = serverColumns(*database);
        report.tables(columns);
        report.version(Schema::version(*database));
        if (missingParts(columns).isEmpty()) {
            QList<QPair<QString, int>> pairs;
            for (const Row row : database->query(SharedNames)) {
                pairs.append({row.text(0), row.integer(1)});
            }
            report.names(pairs);
        }
        // Counting with every index turned off reads each page of each table.
        for (const char* setting :
             {"enable_indexscan", "enable_indexonlyscan", "enable_bitmapscan"}) {
            database->execute(QStringLiteral("SET %1 = off").arg(QLatin1String(setting)));
        }
        qint64 rows = 0;
        for (const auto& table : Schema::tables()) {
            // Only "user" is quoted: the server folds the other names to lower case.
            const QString name =
                table.name == QLatin1String("user") ? QStringLiteral("\"user\"") : table.name;
            rows +=
                database->scalar(QStringLiteral("select count(*) from %1").arg(name)).toLongLong();
        }
        report.say(QCoreApplication::translate(
                       "DatabaseCheck", "- every page of the seven tables read (%1 rows): ok")
                       .arg(rows));
        const bool amcheck =
            database
                ->scalar(QStringLiteral("select count(*) from pg_extension where extname = "
                                        "'amcheck'"))
                .toLongLong() > 0;
        if (!amcheck) {
            report.say(QCoreApplication::translate(
                "DatabaseCheck", "- the indexes: not checked (the amcheck extension is not "
                                 "installed in this database)"));
        } else {
            const ResultSet indexes = database->query(
                QStringLiteral("select i.indexrelid::regclass::text from pg_index i "
                               "join pg_class t on t.oid = i.indrelid "
                               "join pg_namespace n on n.oid = t.relnamespace "
                               "join pg_class c on c.oid = i.indexrelid "
                               "join pg_am a on a.oid = c.relam "
                               "where n.nspname = current_schema() and a.amname = 'btree'"));
            for (const Row index : indexes) {
                database->scalar(QStringLiteral("select bt_index_check(?::regclass)"),
                                 {index.text(0)});
            }
            report.say(QCoreApplication::translate(
                           "DatabaseCheck", "- the %1 indexes (amcheck's bt_index_check): ok")
                           .arg(indexes.count()));
        }
    } catch (const DatabaseError& error) {
        report.stopped(error);
    }
    return report.finish(shown);
}

} // namespace

Database::CheckReport Database::check(const QString& location) {
    if (isServerLocation(location)) {
        return checkServer(location.trimmed());
    }
    return checkFile(location.trimmed());
}
