#include "app/CommandLine.h"

#include "data/Database.h"
#include "data/DatabaseError.h"

#include <QCommandLineParser>
#include <QTextStream>

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quillhour: time and project management for teams."));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("Use the database at <location> for this run without storing it. "
                       "<location> is an SQLite file or a postgresql:// URL."),
        QStringLiteral("location"));
    const QCommandLineOption create(
        QStringLiteral("create-database"),
        QStringLiteral("Make a new, empty Quillhour database at <location> and exit."),
        QStringLiteral("location"));
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    parser.addOption(database);
    parser.addOption(create);
    parser.addOption(version);
    parser.addOption(help);

    CommandLine result;
    result.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        result.action = Action::Error;
        result.error = parser.errorText();
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = Action::Error;
        result.error =
            QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return result;
    }
    result.database = parser.value(database);
    if (parser.isSet(help)) {
        result.action = Action::ShowHelp;
    } else if (parser.isSet(version)) {
        result.action = Action::ShowVersion;
    } else if (parser.isSet(create)) {
        result.action = Action::CreateDatabase;
        result.createDatabase = parser.value(create);
    }
    return result;
}

int runCommandLineAction(const CommandLine& commandLine) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        out << commandLine.helpText;
        return 0;
    case CommandLine::Action::ShowVersion:
        out << "Quillhour " << QUILLHOUR_VERSION << '\n'
            << "Copyright (C) 2026 Quillhour Developers\n"
            << "License GPL-3.0-or-later: GNU GPL version 3 or later "
               "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
            << "This is free software: you are free to change and redistribute it.\n"
            << "There is NO WARRANTY, to the extent permitted by law.\n";
        return 0;
    case CommandLine::Action::Error:
        err << "quillhour: " << commandLine.error << '\n'
            << "Try 'quillhour --help' for the options.\n";
        return 2;
    case CommandLine::Action::CreateDatabase:
        try {
            Database::create(commandLine.createDatabase);
            out << "Created the Quillhour database "
                << Database::displayLocation(commandLine.createDatabase) << '\n';
            return 0;
        } catch (const DatabaseError& error) {
            err << "quillhour: " << error.message() << '\n';
            return 1;
        }
    case CommandLine::Action::Run:
        break;
    }
    return 0;
}
