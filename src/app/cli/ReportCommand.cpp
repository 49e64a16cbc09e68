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
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

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

// The days of the report: --from and --to, each defaulting to this week's end. Says what is
// wrong with them, nothing when they make sense.
std::optional<QString> readDays(const CommandLine::Report& asked, const QDate& today,
                                ReportFilter& filter) {
    const TimesheetRange thisWeek =
        TimesheetRange::of(TimesheetRange::Period::ThisWeek, today, Qt::Monday);
    std::optional<QDate> from;
    std::optional<QDate> to;
    if (asked.from && !(from = ReportCommand::dayFrom(*asked.from))) {
        return QCoreApplication::translate("ReportCommand",
                                           "--from %1 is not a date of the form YYYY-MM-DD")
            .arg(shown(*asked.from));
    }
    if (asked.to && !(to = ReportCommand::dayFrom(*asked.to))) {
        return QCoreApplication::translate("ReportCommand",
                                           "--to %1 is not a date of the form YYYY-MM-DD")
            .arg(shown(*asked.to));
    }
    filter.to = to.value_or(thisWeek.to);
    filter.from = from.value_or(TimeReport::weekOf(filter.to, Qt::Monday));
    if (filter.from > filter.to) {
        const QString first = filter.from.toString(Qt::ISODate);
        const QString last = filter.to.toString(Qt::ISODate);
        return to ? QCoreApplication::translate("ReportCommand", "--from %1 is after --to %2")
                        .arg(first, last)
                  : QCoreApplication::translate("ReportCommand",
                                                "--from %1 is after %2, the Sunday of this week, "
                                                "where the report ends when --to is not given")
                        .arg(first, last);
    }
    return std::nullopt;
}

// The lines and how they are written: --group and --format.
std::optional<QString> readShape(const CommandLine::Report& asked, ReportGrouping& grouping,
                                 TimesheetExport::Format& format) {
    const std::optional<ReportGrouping> groupingAsked =
        groupingFrom(asked.group.value_or(QStringLiteral("entries")));
    if (!groupingAsked) {
        return QCoreApplication::translate(
                   "ReportCommand", "--group %1 is none of entries, category, user, day, week")
            .arg(shown(*asked.group));
    }
    const std::optional<TimesheetExport::Format> formatAsked =
        formatFrom(asked.format.value_or(QStringLiteral("csv")));
    if (!formatAsked) {
        return QCoreApplication::translate("ReportCommand", "--format %1 is none of csv, json, ics")
            .arg(shown(*asked.format));
    }
    if (*formatAsked == TimesheetExport::Format::ICalendar &&
        *groupingAsked != ReportGrouping::Entries) {
        return QCoreApplication::translate("ReportCommand",
                                           "--format ics has one event per time row: it goes with "
                                           "--group entries only");
    }
    grouping = *groupingAsked;
    format = *formatAsked;
    return std::nullopt;
}

std::optional<QString> noDatabaseChosen(const QString& where) {
    if (where.isEmpty()) {
        return QCoreApplication::translate("ReportCommand",
                                           "no database is chosen in the settings; name one with "
                                           "--database");
    }
    return std::nullopt;
}

// A report written over the database would destroy what it reports on.
std::optional<QString> outputOverDatabase(const CommandLine::Report& asked, const QString& where) {
    if (asked.output && !Database::isServerLocation(where) &&
        SqliteFile::isPartOfDatabase(*asked.output, where.trimmed())) {
        return QCoreApplication::translate("ReportCommand",
                                           "--output %1 is the database %2 or one of the files "
                                           "the engine keeps beside it; nothing was written")
            .arg(*asked.output, where.trimmed());
    }
    return std::nullopt;
}

// --user and --category as the database names them.
std::optional<QString> readNames(const TimeReport& report, const CommandLine::Report& asked,
                                 ReportFilter& filter) {
    if (asked.user) {
        filter.userId = report.userIdByName(*asked.user);
        if (filter.userId == 0) {
            return QCoreApplication::translate("ReportCommand", "no user is named \"%1\"")
                .arg(oneLine(*asked.user));
        }
    }
    if (!asked.category) {
        return std::nullopt;
    }
    const std::vector<int> named = report.categoriesNamed(*asked.category);
    if (named.empty()) {
        return QCoreApplication::translate("ReportCommand", "no category is named \"%1\"")
            .arg(oneLine(*asked.category));
    }
    if (named.size() > 1) {
        QStringList choices;
        for (const int id : named) {
            choices.append(
                QStringLiteral("%1 (%2)").arg(id).arg(oneLine(report.categories().value(id).path)));
        }
        return QCoreApplication::translate("ReportCommand",
                                           "\"%1\" names more than one category: %2; "
                                           "give its id, as in --category %3")
            .arg(oneLine(*asked.category), choices.join(QStringLiteral(", ")))
            .arg(named.front());
    }
    filter.categoryId = named.front();
    return std::nullopt;
}

// What a report is made of once its request has been checked.
struct Sheet {
    const TimeReport& report;
    ReportFilter filter;
    TimesheetExport::Header header;
    TimesheetExport::Format format;
};

// A device that failed says so itself afterwards, whatever the writer threw on the way.
void writeSheet(const Sheet& sheet, OutputFile& device) {
    try {
        TimesheetExport writer(device, sheet.format, sheet.header);
        if (sheet.header.grouping == ReportGrouping::Entries) {
            sheet.report.entries(sheet.filter,
                                 [&](const ReportEntry& entry) { writer.entry(entry); });
        } else {
            for (const ReportLine& line : sheet.report.lines(sheet.filter, sheet.header.grouping)) {
                writer.line(line);
            }
        }
        writer.finish();
    } catch (const std::runtime_error&) {
        if (!device.failed()) {
            throw;
        }
    }
}

// Into a file only once it is complete; to the standard output as it is read. Says what could
// not be written, nothing when all of it was.
std::optional<QString> deliver(const std::optional<QString>& output, OutputFile& standardOutput,
                               const std::function<void(OutputFile&)>& write) {
    std::unique_ptr<OutputFile> file;
    if (output) {
        QString why;
        file = OutputFile::open(*output, why);
        if (!file) {
            return QCoreApplication::translate("ReportCommand", "%1 could not be written: %2")
                .arg(*output, why);
        }
    }
    OutputFile& device = file ? *file : standardOutput;
    write(device);
    if (file ? !file->commit() : device.failed()) {
        return file ? QCoreApplication::translate("ReportCommand", "%1 could not be written: %2")
                          .arg(*output, file->errorString())
                    : QCoreApplication::translate("CommandLine",
                                                  "the standard output could not be written: %1")
                          .arg(device.errorString());
    }
    return std::nullopt;
}

} // namespace

std::optional<QDate> ReportCommand::dayFrom(const QString& text) {
    static const QString Pattern = QStringLiteral("yyyy-MM-dd");
    const QDate day = QDate::fromString(text, Pattern);
    if (text.size() != Pattern.size() || !day.isValid()) {
        return std::nullopt;
    }
    return day;
}

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
    ReportFilter filter;
    TimesheetExport::Header header;
    TimesheetExport::Format format = TimesheetExport::Format::Csv;
    if (const auto wrong = readDays(asked, m_clock.now().date(), filter)) {
        return refuse(*wrong);
    }
    if (const auto wrong = readShape(asked, header.grouping, format)) {
        return refuse(*wrong);
    }
    if (asked.output && asked.output->isEmpty()) {
        return refuse(QCoreApplication::translate("ReportCommand", "--output \"\" names no file"));
    }
    const QString where = location(commandLine);
    if (const auto wrong = noDatabaseChosen(where)) {
        return refuse(*wrong);
    }
    if (const auto wrong = outputOverDatabase(asked, where)) {
        return refuse(*wrong);
    }
    try {
        std::unique_ptr<Database> database = Database::openReadOnly(where);
        const TimeReport report(*database);
        if (const auto wrong = readNames(report, asked, filter)) {
            return refuse(*wrong);
        }
        filter.now = m_clock.now();
        header.from = filter.from;
        header.to = filter.to;
        header.now = filter.now;
        const auto failure = deliver(asked.output, m_out, [&](OutputFile& device) {
            header.databaseIdentity = TimesheetExport::identityOf(*database, where);
            header.currency = report.currency();
            header.byteOrderMark = asked.byteOrderMark;
            writeSheet({report, filter, header, format}, device);
        });
        if (failure) {
            return fail(*failure);
        }
        return Done;
    } catch (const DatabaseError& error) {
        return fail(error.message());
    }
}

int ReportCommand::status(const CommandLine& commandLine) {
    const QString where = location(commandLine);
    if (const auto wrong = noDatabaseChosen(where)) {
        return refuse(*wrong);
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
