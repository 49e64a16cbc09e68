#include "app/cli/ReportCommand.h"

#include "app/cli/CommandLine.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/ServerAddress.h"
#include "data/SignedIn.h"
#include "data/SqliteFile.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/OutputFile.h"
#include "platform/Settings.h"
#include "reports/TimeReport.h"
#include "reports/TimesheetExport.h"
#include "reports/TimesheetRange.h"

#include <QCoreApplication>
#include <QTextStream>
#include <memory>
#include <optional>
#include <stdexcept>

    namespace {

    // A day written YYYY-MM-DD and nothing else.
    std::optional<QDate> dayFrom(const QString& text) {
        static const QString Pattern = QStringLiteral("yyyy-MM-dd");
        const QDate day = QDate::fromString(text, Pattern);
        if (text.size() != Pattern.size() || !day.isValid()) {
            return std::nullopt;
        }
        return day;
    }

    std::optional<ReportGrouping> groupingFrom(const QString& text) {
        if (text == QLatin1String("entries")) {
            return ReportGrouping::Entries;
        }
        if (text == QLatin1String("category")) {
            return ReportGrouping::Category;
        }
        if (text == QLatin1String("user")) {
            return ReportGrouping::User;
        }
        if (text == QLatin1String("day")) {
            return ReportGrouping::Day;
        }
        if (text == QLatin1String("week")) {
            return ReportGrouping::Week;
        }
        return std::nullopt;
    }

    std::optional<TimesheetExport::Format> formatFrom(const QString& text) {
        if (text == QLatin1String("csv")) {
            return TimesheetExport::Format::Csv;
        }
        if (text == QLatin1String("json")) {
            return TimesheetExport::Format::Json;
        }
        if (text == QLatin1String("ics")) {
            return TimesheetExport::Format::ICalendar;
        }
        return std::nullopt;
    }

    // A value as the messages show it: an empty one as "", so that it is seen to be empty.
    QString shown(const QString& value) {
        return value.isEmpty() ? QStringLiteral("\"\"") : value;
    }

    // A name on one line of its own: backslashes, tabs and line breaks escaped as \\, \t, \n and
    // \r, so that each line stays one row and its tab the only one.
    QString oneLine(const QString& text) {
        QString line;
        line.reserve(text.size());
        for (const QChar c : text) {
            switch (c.unicode()) {
            case '\\':
                line += QLatin1String("\\\\");
                break;
            case '\t':
                line += QLatin1String("\\t");
                break;
            case '\n':
                line += QLatin1String("\\n");
                break;
            case '\r':
                line += QLatin1String("\\r");
                break;
            default:
                line += c;
            }
        }
        return line;
    }

} // namespace

ReportCommand::ReportCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                             OutputFile& standardOutput, QTextStream& err)
    : m_settings(settings)
    , m_passwords(passwords)
    , m_clock(clock)
    , m_out(standardOutput)
    , m_err(err) {}

QString ReportCommand::location(const CommandLine& commandLine) const {
    return ServerPasswords::connectable(
        commandLine.database.isEmpty() ? m_settings.database() : commandLine.database, m_passwords);
}

int ReportCommand::refuse(const QString& message) {
    return fail(message, BadRequest);
}

int ReportCommand::fail(const QString& message, Status status) {
    m_err << "quillhour: " << message << '\n';
    m_err.flush();
    return status;
}

int ReportCommand::report(const CommandLine& commandLine) {
    const CommandLine::Report& asked = commandLine.report;
    const TimesheetRange thisWeek =
        TimesheetRange::of(TimesheetRange::Period::ThisWeek, m_clock.now().date(), Qt::Monday);

    std::optional<QDate> from;
    std::optional<QDate> to;
    if (asked.from && !(from = dayFrom(*asked.from))) {
        return refuse(QCoreApplication::translate("ReportCommand",
                                                  "--from %1 is not a date of the form YYYY-MM-DD")
                          .arg(shown(*asked.from)));
    }
    if (asked.to && !(to = dayFrom(*asked.to))) {
        return refuse(QCoreApplication::translate("ReportCommand",
                                                  "--to %1 is not a date of the form YYYY-MM-DD")
                          .arg(shown(*asked.to)));
    }
    ReportFilter filter;
    filter.to = to.value_or(thisWeek.to);
    filter.from = from.value_or(TimeReport::weekOf(filter.to, Qt::Monday));
    if (filter.from > filter.to) {
        const QString first = filter.from.toString(Qt::ISODate);
        const QString last = filter.to.toString(Qt::ISODate);
        return refuse(
            to ? QCoreApplication::translate("ReportCommand", "--from %1 is after --to %2")
                     .arg(first, last)
               : QCoreApplication::translate("ReportCommand",
                                             "--from %1 is after %2, the Sunday of this week, "
                                             "where the report ends when --to is not given")
                     .arg(first, last));
    }
    const std::optional<ReportGrouping> grouping =
        groupingFrom(asked.group.value_or(QStringLiteral("entries")));
    if (!grouping) {
        return refuse(
            QCoreApplication::translate("ReportCommand",
                                        "--group %1 is none of entries, category, user, day, week")
                .arg(shown(*asked.group)));
    }
    const std::optional<TimesheetExport::Format> format =
        formatFrom(asked.format.value_or(QStringLiteral("csv")));
    if (!format) {
        return refuse(
            QCoreApplication::translate("ReportCommand", "--format %1 is none of csv, json, ics")
                .arg(shown(*asked.format)));
    }
    if (*format == TimesheetExport::Format::ICalendar && *grouping != ReportGrouping::Entries) {
        return refuse(QCoreApplication::translate(
            "ReportCommand", "--format ics has one event per time row: it goes with "
                             "--group entries only"));
    }
    if (asked.output && asked.output->isEmpty()) {
        return refuse(QCoreApplication::translate("ReportCommand", "--output \"\" names no file"));
    }
    const QString where = location(commandLine);
    if (where.isEmpty()) {
        return refuse(QCoreApplication::translate(
            "ReportCommand", "no database is chosen in the settings; name one with "
                             "--database"));
    }
    if (asked.output && !Database::isServerLocation(where) &&
        SqliteFile::isPartOfDatabase(*asked.output, where.trimmed())) {
        return refuse(QCoreApplication::translate(
                          "ReportCommand", "--output %1 is the database %2 or one of the files "
                                           "the engine keeps beside it; nothing was written")
                          .arg(*asked.output, where.trimmed()));
    }

    try {
        std::unique_ptr<Database> database = Database::openReadOnly(where);
        const TimeReport report(*database);
        if (asked.user) {
            filter.userId = report.userIdByName(*asked.user);
            if (filter.userId == 0) {
                return refuse(
                    QCoreApplication::translate("ReportCommand", "no user is named \"%1\"")
                        .arg(oneLine(*asked.user)));
            }
        }
        if (asked.category) {
            const std::vector<int> named = report.categoriesNamed(*asked.category);
            if (named.empty()) {
                return refuse(
                    QCoreApplication::translate("ReportCommand", "no category is named \"%1\"")
                        .arg(oneLine(*asked.category)));
            }
            if (named.size() > 1) {
                QStringList choices;
                for (const int id : named) {
                    choices.append(QStringLiteral("%1 (%2)").arg(id).arg(
                        oneLine(report.categories().value(id).path)));
                }
                return refuse(QCoreApplication::translate(
                                  "ReportCommand", "\"%1\" names more than one category: %2; "
                                                   "give its id, as in --category %3")
                                  .arg(oneLine(*asked.category), choices.join(QStringLiteral(", ")))
                                  .arg(named.front()));
            }
            filter.categoryId = named.front();
        }
        filter.now = m_clock.now();

        // Into a file only once it is complete; to the standard output as it is read.
        std::unique_ptr<OutputFile> file;
        if (asked.output) {
            QString why;
            file = OutputFile::open(*asked.output, why);
            if (!file) {
                return fail(
                    QCoreApplication::translate("ReportCommand", "%1 could not be written: %2")
                        .arg(*asked.output, why));
            }
        }
        OutputFile& device = file ? *file : m_out;
        TimesheetExport::Header header;
        header.from = filter.from;
        header.to = filter.to;
        header.grouping = *grouping;
        header.now = filter.now;
        header.databaseIdentity = TimesheetExport::identityOf(*database, where);
        try {
            TimesheetExport writer(device, *format, header);
            if (*grouping == ReportGrouping::Entries) {
                report.entries(filter, [&](const ReportEntry& entry) { writer.entry(entry); });
            } else {
                for (const ReportLine& line : report.lines(filter, *grouping)) {
                    writer.line(line);
                }
            }
            writer.finish();
        } catch (const std::runtime_error&) {
            if (!device.failed()) {
                throw;
            }
        }
        if (file ? !file->commit() : device.failed()) {
            return fail(
                file ? QCoreApplication::translate("ReportCommand", "%1 could not be written: %2")
                           .arg(*asked.output, file->errorString())
                     : QCoreApplication::translate("CommandLine",
                                                   "the standard output could not be written: %1")
                           .arg(device.errorString()));
        }
        return Done;
    } catch (const DatabaseError& error) {
        return fail(error.message());
    }
}

int ReportCommand::status(const CommandLine& commandLine) {
    const QString where = location(commandLine);
    if (where.isEmpty()) {
        return refuse(QCoreApplication::translate(
            "ReportCommand", "no database is chosen in the settings; name one with "
                             "--database"));
    }
    QString name = m_settings.user();
    try {
        std::unique_ptr<Database> database = Database::openReadOnly(where);
        // Signed in to the server, the person is their login, as in the window.
        if (const std::optional<QString> login = SignedIn::login(*database)) {
            name = *login;
        }
        if (name.isEmpty()) {
            return refuse(
                QCoreApplication::translate("ReportCommand", "no user is chosen in the settings"));
        }
        const TimeReport report(*database);
        const int userId = report.userIdByName(name);
        if (userId == 0) {
            return refuse(QCoreApplication::translate("ReportCommand", "no user is named \"%1\"")
                              .arg(oneLine(name)));
        }
        QTextStream out(&m_out);
        for (const ReportEntry& task : report.runningTasks(userId, m_clock.now())) {
            out << oneLine(task.category) << '\t' << TimeText::minToTime(task.minutes) << '\n';
        }
        out.flush();
        return Done;
    } catch (const DatabaseError& error) {
        return fail(error.message());
    }
}
