#pragma once

#include "app/cli/CommandLine.h"

class Database;
class OutputFile;
class PasswordStore;
class QString;
class QTextStream;

// The actions that need no window, one function each. Each prints what it did on out, what went
// wrong on err, and returns the process's exit code.
class CommandLineActions {
public:
    // out and standardOutput are the same standard output, as text and as the device a report
    // is written to; passwords completes a server address given without its password.
    CommandLineActions(PasswordStore& passwords, QTextStream& out, OutputFile& standardOutput,
                       QTextStream& err);

    int showHelp();
    int showVersion();
    int showError(const CommandLine& commandLine);
    int createDatabase(const CommandLine& commandLine);
    int requireSignIn(const CommandLine& commandLine);
    int addLogin(const CommandLine& commandLine);
    int renameLogin(const CommandLine& commandLine);
    int checkDatabase(const CommandLine& commandLine);
    int report(const CommandLine& commandLine);
    int status(const CommandLine& commandLine);
    // --set-rate, --billable, --close-period, --reopen-period, --set-currency, --set-rounding.
    int billing(const CommandLine& commandLine);
    int track(const CommandLine& commandLine, const InstanceRelay& relay);
    int importTime(const CommandLine& commandLine);

private:
    // --signed-in with --create-database, once the database is made.
    int requireSignInOfNew(Database& made, const QString& shown);
    // Says why the action failed, in one line, and returns its exit code.
    int failed(const QString& message);

    PasswordStore& m_passwords;
    QTextStream& m_out;
    OutputFile& m_standardOutput;
    QTextStream& m_err;
};
