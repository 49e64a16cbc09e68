#pragma once

#include <QString>
#include <optional>

class Clock;
class Database;
class PasswordStore;
class QTextStream;
class Settings;
class TimeReport;
struct CommandLine;

// The command line's billing actions: rates from a day on, billable categories, closing and
// reopening periods, the team's currency and rounding. Each says what it did on out, or why
// not on err. Exit codes as ReportCommand's: 0 done, 1 the database refused or failed, 2 what
// was asked makes no sense.
class BillingCommand {
public:
    BillingCommand(Settings& settings, PasswordStore& passwords, const Clock& clock,
                   QTextStream& out, QTextStream& err);

    int run(const CommandLine& commandLine);

private:
    int setRate(Database& database, const TimeReport& report, const CommandLine& commandLine);
    int setBillable(Database& database, const TimeReport& report, const CommandLine& commandLine);
    int closeOrReopen(Database& database, const TimeReport& report, const CommandLine& commandLine);
    int setTeam(Database& database, const CommandLine& commandLine);
    // The one category text names, or 0 after saying why not.
    int categoryNamed(const TimeReport& report, const QString& text);
    // Who runs the command: the signed-in login, else the settings' user; 0 after saying why
    // not.
    int person(Database& database, const TimeReport& report);
    int refuse(const QString& message);
    int fail(const QString& message);

    Settings& m_settings;
    PasswordStore& m_passwords;
    const Clock& m_clock;
    QTextStream& m_out;
    QTextStream& m_err;
};
