#pragma once

#include <QString>
#include <QStringList>

// What the command line asked for.
struct CommandLine {
    enum class Action { Run, CreateDatabase, ShowVersion, ShowHelp, Error };

    Action action = Action::Run;
    QString database;       // --database: this run only, not stored
    QString createDatabase; // --create-database
    QString error;          // for Action::Error
    QString helpText;

    static CommandLine parse(const QStringList& arguments);
};

// Runs the actions that need no window (--create-database, --version, --help, errors) and
// returns the process's exit code.
int runCommandLineAction(const CommandLine& commandLine);
