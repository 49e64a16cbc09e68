#pragma once

#include <QDate>
#include <QString>
#include <optional>

class Clock;
class OutputFile;
class PasswordStore;
class QTextStream;
class Settings;
struct CommandLine;

// quillhour --report and --status: timesheets and the running tasks, printed without a window
// for scripts and status bars. Both only read the database: they work on one the person may
// only read, and never upgrade it.
//
// Exit codes: 0 done (a timesheet with no rows is its header alone); 1 the database could not
// be read or the output not written (an --output file is then left as it was); 2 what was asked
// makes no sense (an unknown user or category, a bad or empty value, --from after --to, an
// --output that is the database itself), said in one line.
class ReportCommand {
public:
    enum Status { Done = 0, Failed = 1, BadRequest = 2 };

    // passwords completes a server address kept without its password; what is printed goes to
    // standardOutput, what went wrong to err.
    ReportCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                  OutputFile& standardOutput, QTextStream& err);

    int report(const CommandLine& commandLine);
    int status(const CommandLine& commandLine);

    // A day written YYYY-MM-DD and nothing else, as every option that takes a day wants it.
    static std::optional<QDate> dayFrom(const QString& text);

private:
    // The database the command reads: --database, else the one of the settings.
    QString location(const CommandLine& commandLine) const;
    // Says what is wrong in one line on err and returns the exit code.
    int refuse(const QString& message);
    int fail(const QString& message, Status status = Failed);

    Settings& m_settings;
    PasswordStore& m_passwords;
    const Clock& m_clock;
    OutputFile& m_out;
    QTextStream& m_err;
};
