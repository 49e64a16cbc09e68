#pragma once

#include <QString>

class Clock;
class PasswordStore;
class QTextStream;
class Settings;
struct CommandLine;

// quillhour --report and --status: timesheets and the running tasks, printed without a window
// for scripts and status bars.
//
// Exit codes: 0 done (a timesheet with no rows is its header alone); 1 the database could not
// be read or the output not written; 2 what was asked makes no sense (an unknown user or
// category, a bad date, --from after --to, an unknown grouping or format), said in one line.
class ReportCommand {
public:
    enum Status { Done = 0, Failed = 1, BadRequest = 2 };

    // passwords completes a server address kept without its password.
    ReportCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                  QTextStream& out, QTextStream& err);

    int report(const CommandLine& commandLine);
    int status(const CommandLine& commandLine);

private:
    // The database the command reads: --database, else the one of the settings.
    QString location(const CommandLine& commandLine) const;
    int refuse(const QString& message);

    Settings& m_settings;
    PasswordStore& m_passwords;
    const Clock& m_clock;
    QTextStream& m_out;
    QTextStream& m_err;
};
