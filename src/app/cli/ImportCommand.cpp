#include "app/cli/ImportCommand.h"

#include "app/cli/PersonDatabase.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "reports/TimeImport.h"
#include "reports/TimewarriorImport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

std::optional<QByteArray> contentsOf(const QString& path, QString& why) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace

ImportCommand::ImportCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                             QTextStream& out, QTextStream& err)
    : m_settings(settings)
    , m_passwords(passwords)
    , m_clock(clock)
    , m_out(out)
    , m_err(err) {}

int ImportCommand::refuse(const QString& message, int status) {
    m_err << "quillhour: " << message << '\n';
    m_err.flush();
    return status;
}

std::optional<ImportedTime> ImportCommand::read(const CommandLine::Import& asked) {
    const std::optional<TimeImport::Format> format = TimeImport::formatNamed(asked.format);
    const bool timewarrior = format == TimeImport::Format::Timewarrior;
    if (!format) {
        refuse(QCoreApplication::translate("ImportCommand",
                                           "--import %1 is none of csv, timewarrior, ical, hamster")
                   .arg(asked.format));
        return std::nullopt;
    }
    if (!timewarrior && !asked.map.isEmpty()) {
        refuse(
            QCoreApplication::translate("ImportCommand", "--map goes with --import timewarrior"));
        return std::nullopt;
    }
    QString why;
    QHash<QString, QString> map;
    if (!asked.map.isEmpty()) {
        const std::optional<QByteArray> text = contentsOf(asked.map, why);
        if (text) {
            map = TimewarriorImport::readMap(*text, why);
        }
        if (!why.isEmpty()) {
            refuse(QStringLiteral("%1: %2").arg(asked.map, why));
            return std::nullopt;
        }
    }
    ImportedTime time = TimeImport::readFile(*format, asked.file, map);
    if (!time.unreadable.isEmpty()) {
        refuse(QStringLiteral("%1: %2").arg(asked.file, time.unreadable));
        return std::nullopt;
    }
    return time;
}

int ImportCommand::run(const CommandLine::Import& asked, const QString& database) {
    const std::optional<ImportedTime> time = read(asked);
    if (!time) {
        return 2;
    }
    TrackingOutcome refusal;
    std::optional<PersonDatabase> opened =
        PersonDatabase::open(database, asked.user, m_settings, m_passwords, refusal);
    if (!opened) {
        return refuse(refusal.message, refusal.status);
    }
    TimeImport::Summary summary;
    try {
        summary = TimeImport(*opened->database, m_clock)
                      .store(*time, opened->userId, opened->userName, asked.dryRun);
    } catch (const DatabaseError& error) {
        return refuse(error.message(), 1);
    }
    for (const ImportedTime::Refusal& refused : summary.refused) {
        m_out << TimeImport::refusalText(refused) << '\n';
    }
    m_out << TimeImport::summaryText(summary, asked.dryRun) << '\n';
    m_out.flush();
    return 0;
}
