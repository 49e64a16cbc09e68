#include "app/cli/ReportCommand.h"

#include "app/cli/CommandLine.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/ServerAddress.h"
#include "data/SignedIn.h"
#include "data/TimeText.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "reports/TimeReport.h"
#include "reports/TimesheetExport.h"
#include "reports/TimesheetRange.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>
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
    if (text.isEmpty() || text == QLatin1String("entries")) {
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
    if (text.isEmpty() || text == QLatin1String("csv")) {
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

} // namespace

ReportCommand::ReportCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                             QTextStream& out, QTextStream& err)
    : m_settings(settings)
    , m_passwords(passwords)
    , m_clock(clock)
    , m_out(out)
    , m_err(err) {}

QString ReportCommand::location(const CommandLine& commandLine) const {
    return ServerPasswords::connectable(
        commandLine.database.isEmpty() ? m_settings.database() : commandLine.database, m_passwords);
}

int ReportCommand::refuse(const QString& message) {
    m_err << "quillhour: " << message << '\n';
    m_err.flush();
    return BadRequest;
}

int ReportCommand::report(const CommandLine& commandLine) {
    const CommandLine::Report& asked = commandLine.report;
    const TimesheetRange thisWeek =
        TimesheetRange::of(TimesheetRange::Period::ThisWeek, m_clock.now().date(), Qt::Monday);

    std::optional<QDate> from;
    std::optional<QDate> to;
    if (!asked.from.isEmpty() && !(from = dayFrom(asked.from))) {
        return refuse(QCoreApplication::translate("ReportCommand",
                                                  "--from %1 is not a date of the form YYYY-MM-DD")
                          .arg(asked.from));
    }
    if (!asked.to.isEmpty() && !(to = dayFrom(asked.to))) {
        return refuse(QCoreApplication::translate("ReportCommand",
                                                  "--to %1 is not a date of the form YYYY-MM-DD")
                          .arg(asked.to));
    }
    ReportFilter filter;
    filter.to = to.value_or(thisWeek.to);
    filter.from = from.value_or(TimeReport::weekOf(filter.to, Qt::Monday));
    if (filter.from > filter.to) {
        return refuse(QCoreApplication::translate("ReportCommand", "--from %1 is after --to %2")
                          .arg(filter.from.toString(Qt::ISODate), filter.to.toString(Qt::ISODate)));
    }
    const std::optional<ReportGrouping> grouping = groupingFrom(asked.group);
    if (!grouping) {
        return refuse(
            QCoreApplication::translate("ReportCommand",
                                        "--group %1 is none of entries, category, user, day, week")
                .arg(asked.group));
    }
    const std::optional<TimesheetExport::Format> format = formatFrom(asked.format);
    if (!format) {
        return refuse(
            QCoreApplication::translate("ReportCommand", "--format %1 is none of csv, json, ics")
                .arg(asked.format));
    }
    if (*format == TimesheetExport::Format::ICalendar && *grouping != ReportGrouping::Entries) {
        return refuse(QCoreApplication::translate(
            "ReportCommand", "--format ics has one event per time row: it goes with "
                             "--group entries only"));
    }
    const QString where = location(commandLine);
    if (where.isEmpty()) {
        return refuse(QCoreApplication::translate(
            "ReportCommand", "no database is chosen in the settings; name one with "
                             "--database"));
    }

    try {
        std::unique_ptr<Database> database = Database::open(where);
        const TimeReport report(*database);
        if (asked.userGiven) {
            filter.userId = report.userIdByName(asked.user);
            if (filter.userId == 0) {
                return refuse(
                    QCoreApplication::translate("ReportCommand", "no user is named \"%1\"")
                        .arg(asked.user));
            }
        }
        if (asked.categoryGiven) {
            filter.categoryId = report.categoryIdByName(asked.category);
            if (filter.categoryId == 0) {
                return refuse(
                    QCoreApplication::translate("ReportCommand", "no category is named \"%1\"")
                        .arg(asked.category));
            }
            if (filter.categoryId < 0) {
                return refuse(
                    QCoreApplication::translate("ReportCommand",
                                                "more than one category is named \"%1\"; give its "
                                                "path, as in Parent/%1")
                        .arg(asked.category));
            }
        }
        filter.now = m_clock.now();

        // Into a file only once it is complete; to the standard output as it is read.
        std::unique_ptr<QIODevice> device;
        if (asked.output.isEmpty()) {
            auto standardOutput = std::make_unique<QFile>();
            if (!standardOutput->open(stdout, QIODevice::WriteOnly)) {
                throw std::runtime_error("the standard output cannot be written");
            }
            device = std::move(standardOutput);
        } else {
            auto file = std::make_unique<QSaveFile>(asked.output);
            if (!file->open(QIODevice::WriteOnly)) {
                m_err << "quillhour: " << asked.output << ": " << file->errorString() << '\n';
                return Failed;
            }
            device = std::move(file);
        }
        TimesheetExport::Header header;
        header.from = filter.from;
        header.to = filter.to;
        header.grouping = *grouping;
        header.now = filter.now;
        header.databaseIdentity = TimesheetExport::identityOf(*database, where);
        TimesheetExport writer(*device, *format, header);
        if (*grouping == ReportGrouping::Entries) {
            report.entries(filter, [&](const ReportEntry& entry) { writer.entry(entry); });
        } else {
            for (const ReportLine& line : report.lines(filter, *grouping)) {
                writer.line(line);
            }
        }
        writer.finish();
        if (auto* file = qobject_cast<QSaveFile*>(device.get()); file && !file->commit()) {
            m_err << "quillhour: " << asked.output << ": " << file->errorString() << '\n';
            return Failed;
        }
        return Done;
    } catch (const DatabaseError& error) {
        m_err << "quillhour: " << error.message() << '\n';
    } catch (const std::exception& error) {
        m_err << "quillhour: " << QString::fromLocal8Bit(error.what()) << '\n';
    }
    return Failed;
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
        std::unique_ptr<Database> database = Database::open(where);
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
            return refuse(
                QCoreApplication::translate("ReportCommand", "no user is named \"%1\"").arg(name));
        }
        for (const ReportEntry& task : report.runningTasks(userId, m_clock.now())) {
            m_out << task.category << '\t' << TimeText::minToTime(task.minutes) << '\n';
        }
        m_out.flush();
        return Done;
    } catch (const DatabaseError& error) {
        m_err << "quillhour: " << error.message() << '\n';
    }
    return Failed;
}
