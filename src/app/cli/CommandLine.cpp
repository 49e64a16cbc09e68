#include "app/cli/CommandLine.h"

#include "app/cli/ReportCommand.h"
#include "data/Database.h"
#include "data/DatabaseError.h"
#include "data/ServerAddress.h"
#include "data/SignedIn.h"
#include "data/SignedInRules.h"
#include "platform/Clock.h"
#include "platform/OutputFile.h"
#include "platform/Settings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <memory>

namespace {

struct Options {
    QCommandLineOption database{
        QStringLiteral("database"),
        QCoreApplication::translate(
            "CommandLine", "Use the database at <location> for this run without storing it. "
                           "<location> is an SQLite file or a postgresql:// URL."),
        QStringLiteral("location")};
    QCommandLineOption create{
        QStringLiteral("create-database"),
        QCoreApplication::translate("CommandLine",
                                    "Make a new, empty Quillhour database at <location> and exit."),
        QStringLiteral("location")};
    QCommandLineOption signedIn{
        QStringLiteral("signed-in"),
        QCoreApplication::translate(
            "CommandLine",
            "With --create-database on a PostgreSQL server: make the database in signed-in mode, "
            "where each person connects with their own server login and the server holds "
            "everyone to the team's rules.")};
    QCommandLineOption requireSignIn{
        QStringLiteral("require-sign-in"),
        QCoreApplication::translate(
            "CommandLine",
            "Switch the PostgreSQL database at <location> to signed-in mode and exit. Run by the "
            "owner of its tables, with the right to make roles."),
        QStringLiteral("location")};
    QCommandLineOption addLogin{
        QStringLiteral("add-login"),
        QCoreApplication::translate(
            "CommandLine",
            "quillhour --add-login <location> NAME: make the server login NAME and the Quillhour "
            "user NAME of the signed-in database at <location>, print the new login's password "
            "and exit. Run by a team administrator."),
        QStringLiteral("location")};
    QCommandLineOption renameLogin{
        QStringLiteral("rename-login"),
        QCoreApplication::translate(
            "CommandLine",
            "quillhour --rename-login <location> OLD NEW: rename the server login OLD and the "
            "Quillhour user OLD of the signed-in database at <location> to NEW together, and "
            "exit. Run by a team administrator."),
        QStringLiteral("location")};
    QCommandLineOption check{
        QStringLiteral("check-database"),
        QCoreApplication::translate(
            "CommandLine",
            "Check the database at <location> without changing it, print what was "
            "found and exit: 0 when it is sound, 1 when it is damaged or not a "
            "Quillhour database, 3 when it could not be checked. An SQLite file gets "
            "the engine's integrity check; on a PostgreSQL server the tables, the "
            "schema version, every page of every table and, with the amcheck "
            "extension, the indexes are checked."),
        QStringLiteral("location")};
    QCommandLineOption report{
        QStringLiteral("report"),
        QCoreApplication::translate(
            "CommandLine", "Print a timesheet of the finished time rows and exit: by default this "
                           "week's (Monday to Sunday) rows of everyone, one line per row, as CSV, "
                           "from the database of the settings (or --database). Running tasks are "
                           "left out.")};
    QCommandLineOption from{
        QStringLiteral("from"),
        QCoreApplication::translate("CommandLine",
                                    "With --report: the first day, YYYY-MM-DD (rows count "
                                    "by the day they start). Default: Monday of the week "
                                    "of --to, or of this week."),
        QStringLiteral("date")};
    QCommandLineOption to{QStringLiteral("to"),
                          QCoreApplication::translate(
                              "CommandLine", "With --report: the last day, YYYY-MM-DD, included. "
                                             "Default: Sunday of this week."),
                          QStringLiteral("date")};
    QCommandLineOption user{
        QStringLiteral("user"),
        QCoreApplication::translate("CommandLine", "With --report: only the time of the user named "
                                                   "<name>."),
        QStringLiteral("name")};
    QCommandLineOption category{
        QStringLiteral("category"),
        QCoreApplication::translate(
            "CommandLine", "With --report: only the time of the category <name> and its "
                           "sub-categories; a name that is not unique is given as its path, "
                           "Parent/Child, or as the category's id."),
        QStringLiteral("name")};
    QCommandLineOption group{
        QStringLiteral("group"),
        QCoreApplication::translate(
            "CommandLine", "With --report: entries (one line per time row, the default), category, "
                           "user, day or week (a week by its Monday)."),
        QStringLiteral("grouping")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QCoreApplication::translate(
            "CommandLine", "With --report: csv (the default), json, or ics (iCalendar, one event "
                           "per time row; entries only)."),
        QStringLiteral("format")};
    QCommandLineOption output{
        QStringLiteral("output"),
        QCoreApplication::translate("CommandLine", "With --report: write to <file> instead of the "
                                                   "standard output."),
        QStringLiteral("file")};
    QCommandLineOption status{
        QStringLiteral("status"),
        QCoreApplication::translate(
            "CommandLine", "Print the current user's running tasks, one per line (category, a tab, "
                           "and the time so far as HH:MM), and exit; nothing when none run.")};
    QCommandLineOption version{
        QStringList{QStringLiteral("v"), QStringLiteral("version")},
        QCoreApplication::translate("CommandLine", "Show the version and exit.")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                            QCoreApplication::translate("CommandLine", "Show this help and exit.")};

    void addTo(QCommandLineParser& parser) const {
        parser.setApplicationDescription(QCoreApplication::translate(
            "CommandLine", "Quillhour: time and project management for teams."));
        for (const QCommandLineOption* option :
             {&database, &create, &signedIn, &requireSignIn, &addLogin, &renameLogin, &check,
              &report, &from, &to, &user, &category, &group, &format, &output, &status, &version,
              &help}) {
            parser.addOption(*option);
        }
    }
};

// The window system's options that the toolkit reads (and removes) when it starts, with or
// without a second dash: those that take a value, then those that do not.
const QStringList ToolkitOptionsWithValue = {
    QStringLiteral("platform"),      QStringLiteral("platformpluginpath"),
    QStringLiteral("platformtheme"), QStringLiteral("plugin"),
    QStringLiteral("qmljsdebugger"), QStringLiteral("qwindowgeometry"),
    QStringLiteral("qwindowicon"),   QStringLiteral("qwindowtitle"),
    QStringLiteral("session"),       QStringLiteral("style"),
    QStringLiteral("stylesheet"),    QStringLiteral("display"),
    QStringLiteral("geometry"),      QStringLiteral("name"),
    QStringLiteral("title"),         QStringLiteral("visual"),
};
const QStringList ToolkitFlags = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
    QStringLiteral("dograb"),  QStringLiteral("sync"),        QStringLiteral("testability"),
};

QString signedInNotice(const QString& shown) {
    return QCoreApplication::translate("CommandLine",
                                       "Signed-in mode is on for the database %1. Add each person "
                                       "with: quillhour --add-login URL NAME")
        .arg(shown);
}

} // namespace

QStringList CommandLine::withoutToolkitOptions(const QStringList& arguments) {
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        QString name;
        if (i > 0 && argument.startsWith(QLatin1Char('-'))) {
            name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        }
        if (ToolkitOptionsWithValue.contains(name)) {
            ++i; // its value goes with it
            continue;
        }
        if (!ToolkitFlags.contains(name)) {
            kept.append(argument);
        }
    }
    return kept;
}

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    const Options options;
    options.addTo(parser);

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.action = Action::Error;
        result.error = parser.errorText();
        return result;
    }
    const QStringList positional = parser.positionalArguments();
    const bool addingLogin = parser.isSet(options.addLogin) && !parser.isSet(options.help) &&
                             !parser.isSet(options.version);
    if (addingLogin && positional.size() != 1) {
        result.action = Action::Error;
        result.error = QCoreApplication::translate(
            "CommandLine", "--add-login takes the database and the person's name: quillhour "
                           "--add-login URL NAME");
        return result;
    }
    const bool renamingLogin = parser.isSet(options.renameLogin) && !parser.isSet(options.help) &&
                               !parser.isSet(options.version) && !addingLogin;
    if (renamingLogin && positional.size() != 2) {
        result.action = Action::Error;
        result.error = QCoreApplication::translate(
            "CommandLine", "--rename-login takes the database, the old name and the new one: "
                           "quillhour --rename-login URL OLD NEW");
        return result;
    }
    if (!addingLogin && !renamingLogin && !positional.isEmpty()) {
        result.action = Action::Error;
        result.error = QCoreApplication::translate("CommandLine", "Unexpected argument: %1")
                           .arg(parser.positionalArguments().first());
        return result;
    }
    result.database = parser.value(options.database);
    if (parser.isSet(options.help)) {
        result.action = Action::ShowHelp;
    } else if (parser.isSet(options.version)) {
        result.action = Action::ShowVersion;
    } else if (parser.isSet(options.create)) {
        result.action = Action::CreateDatabase;
        result.createDatabase = parser.value(options.create);
        result.signedIn = parser.isSet(options.signedIn);
    } else if (parser.isSet(options.requireSignIn)) {
        result.action = Action::RequireSignIn;
        result.requireSignIn = parser.value(options.requireSignIn);
    } else if (addingLogin) {
        result.action = Action::AddLogin;
        result.addLogin = parser.value(options.addLogin);
        result.loginName = positional.constFirst();
    } else if (renamingLogin) {
        result.action = Action::RenameLogin;
        result.renameLogin = parser.value(options.renameLogin);
        result.loginName = positional.constFirst();
        result.newLoginName = positional.constLast();
    } else if (parser.isSet(options.check)) {
        result.action = Action::CheckDatabase;
        result.checkDatabase = parser.value(options.check);
    } else if (parser.isSet(options.report)) {
        result.action = Action::Report;
        auto given = [&](const QCommandLineOption& option) -> std::optional<QString> {
            if (!parser.isSet(option)) {
                return std::nullopt;
            }
            return parser.value(option);
        };
        result.report.from = given(options.from);
        result.report.to = given(options.to);
        result.report.user = given(options.user);
        result.report.category = given(options.category);
        result.report.group = given(options.group);
        result.report.format = given(options.format);
        result.report.output = given(options.output);
    } else if (parser.isSet(options.status)) {
        result.action = Action::Status;
    }
    if (parser.isSet(options.signedIn) && result.action != Action::CreateDatabase &&
        result.action != Action::ShowHelp && result.action != Action::ShowVersion) {
        result.action = Action::Error;
        result.error =
            QCoreApplication::translate("CommandLine", "--signed-in goes with --create-database");
        return result;
    }
    if (result.action != Action::Report && result.action != Action::ShowHelp &&
        result.action != Action::ShowVersion) {
        for (const QCommandLineOption* option :
             {&options.from, &options.to, &options.user, &options.category, &options.group,
              &options.format, &options.output}) {
            if (parser.isSet(*option)) {
                result.action = Action::Error;
                result.error = QCoreApplication::translate("CommandLine", "--%1 goes with --report")
                                   .arg(option->names().constFirst());
                return result;
            }
        }
    }
    return result;
}

namespace {

// The action itself; out and standardOutput are the same standard output, as text and as the
// device a report is written to.
int runAction(const CommandLine& commandLine, PasswordStore& passwords, QTextStream& out,
              OutputFile& standardOutput, QTextStream& err) {
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp: {
        QCommandLineParser parser;
        Options().addTo(parser);
        out << parser.helpText();
        return 0;
    }
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
            << QCoreApplication::translate("CommandLine", "Try 'quillhour --help' for the options.")
            << '\n';
        return 2;
    case CommandLine::Action::CreateDatabase:
        try {
            const QString shown = Database::displayLocation(commandLine.createDatabase);
            if (commandLine.signedIn && !Database::isServerLocation(commandLine.createDatabase)) {
                err << "quillhour: "
                    << QCoreApplication::translate(
                           "CommandLine",
                           "Signed-in mode is for a database on a PostgreSQL server; %1 is a "
                           "file. Nothing was made.")
                           .arg(shown)
                    << '\n';
                return 1;
            }
            std::unique_ptr<Database> made = Database::create(
                ServerPasswords::connectable(commandLine.createDatabase, passwords));
            out << QCoreApplication::translate("CommandLine", "Created the Quillhour database %1")
                       .arg(shown)
                << '\n';
            if (commandLine.signedIn) {
                try {
                    SignedIn::require(*made);
                } catch (const DatabaseError& error) {
                    err << "quillhour: " << error.message() << '\n'
                        << QCoreApplication::translate(
                               "CommandLine",
                               "The database was made without signed-in mode; its owner switches "
                               "it on with: quillhour --require-sign-in URL")
                        << '\n';
                    return 1;
                }
                out << signedInNotice(shown) << '\n';
            }
            return 0;
        } catch (const DatabaseError& error) {
            err << "quillhour: " << error.message() << '\n';
            return 1;
        }
    case CommandLine::Action::RequireSignIn:
        try {
            std::unique_ptr<Database> database =
                Database::open(ServerPasswords::connectable(commandLine.requireSignIn, passwords));
            SignedIn::require(*database);
            out << signedInNotice(database->location()) << '\n';
            return 0;
        } catch (const DatabaseError& error) {
            err << "quillhour: " << error.message() << '\n';
            return 1;
        }
    case CommandLine::Action::AddLogin:
        try {
            std::unique_ptr<Database> database =
                Database::open(ServerPasswords::connectable(commandLine.addLogin, passwords));
            SystemClock clock;
            const SignedIn::AddedLogin added =
                SignedIn::addLogin(*database, commandLine.loginName, clock.now());
            const QString name = commandLine.loginName.trimmed();
            if (added.madeLogin) {
                out << QCoreApplication::translate("CommandLine",
                                                   "Made the login %1 with the password %2\n"
                                                   "Give it to %1, who keeps it in ~/.pgpass "
                                                   "and may change it with \\password in psql.")
                           .arg(name, added.password)
                    << '\n';
            } else {
                out << QCoreApplication::translate(
                           "CommandLine",
                           "The login %1 was there already; its password is unchanged.")
                           .arg(name)
                    << '\n';
            }
            out << (added.madeUser
                        ? QCoreApplication::translate("CommandLine", "Made the Quillhour user %1.")
                        : QCoreApplication::translate("CommandLine",
                                                      "The Quillhour user %1 was there already."))
                       .arg(name)
                << '\n';
            return 0;
        } catch (const DatabaseError& error) {
            err << "quillhour: " << error.message() << '\n';
            return 1;
        }
    case CommandLine::Action::RenameLogin:
        try {
            std::unique_ptr<Database> database =
                Database::open(ServerPasswords::connectable(commandLine.renameLogin, passwords));
            SignedIn::renameLogin(*database, commandLine.loginName,
                                  commandLine.newLoginName.trimmed());
            out << QCoreApplication::translate("CommandLine",
                                               "Renamed the login and the Quillhour user %1 to %2.")
                       .arg(commandLine.loginName, commandLine.newLoginName.trimmed())
                << '\n';
            return 0;
        } catch (const DatabaseError& error) {
            err << "quillhour: " << error.message() << '\n';
            return 1;
        }
    case CommandLine::Action::CheckDatabase: {
        const Database::CheckReport report =
            Database::check(ServerPasswords::connectable(commandLine.checkDatabase, passwords));
        for (const QString& line : report.lines) {
            out << line << '\n';
        }
        switch (report.verdict) {
        case Database::CheckReport::Verdict::Sound:
            return CommandLine::Sound;
        case Database::CheckReport::Verdict::Damaged:
            return CommandLine::Damaged;
        case Database::CheckReport::Verdict::NotChecked:
            return CommandLine::NotChecked;
        }
        return CommandLine::NotChecked;
    }
    case CommandLine::Action::Report: {
        Settings settings;
        SystemClock clock;
        return ReportCommand(settings, passwords, clock, standardOutput, err).report(commandLine);
    }
    case CommandLine::Action::Status: {
        Settings settings;
        SystemClock clock;
        return ReportCommand(settings, passwords, clock, standardOutput, err).status(commandLine);
    }
    case CommandLine::Action::Run:
        break;
    }
    return 0;
}

} // namespace

int runCommandLineAction(const CommandLine& commandLine, PasswordStore& passwords) {
    const std::unique_ptr<OutputFile> standardOutput = OutputFile::standardOutput();
    QTextStream out(standardOutput.get());
    QTextStream err(stderr);
    int status = runAction(commandLine, passwords, out, *standardOutput, err);
    out.flush();
    // Whatever was printed must have arrived: a script reading the output relies on it. An action
    // that failed has said why already.
    if (!standardOutput->commit() && status == 0) {
        err << "quillhour: "
            << QCoreApplication::translate("CommandLine",
                                           "the standard output could not be written: %1")
                   .arg(standardOutput->errorString())
            << '\n';
        status = 1;
    }
    return status;
}
