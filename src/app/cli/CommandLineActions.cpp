#include "app/cli/CommandLineActions.h"

#include "app/cli/BillingCommand.h"
#include "app/cli/CommandLine.h"
#include "app/cli/CommandLineOptions.h"
#include "app/cli/ImportCommand.h"
#include "app/cli/ReportCommand.h"
#include "app/cli/TrackCommand.h"
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

QString signedInNotice(const QString& shown) {
    return QCoreApplication::translate("CommandLine",
                                       "Signed-in mode is on for the database %1. Add each person "
                                       "with: quillhour --add-login URL NAME")
        .arg(shown);
}

} // namespace

CommandLineActions::CommandLineActions(PasswordStore& passwords, QTextStream& out,
                                       OutputFile& standardOutput, QTextStream& err)
    : m_passwords(passwords)
    , m_out(out)
    , m_standardOutput(standardOutput)
    , m_err(err) {}

int CommandLineActions::failed(const QString& message) {
    m_err << "quillhour: " << message << '\n';
    return 1;
}

int CommandLineActions::showHelp() {
    QCommandLineParser parser;
    CommandLineOptions().addTo(parser);
    m_out << parser.helpText();
    return 0;
}

int CommandLineActions::showVersion() {
    m_out << "Quillhour " << QUILLHOUR_VERSION << '\n'
          << "Copyright (C) 2026 Quillhour Developers\n"
          << "License GPL-3.0-or-later: GNU GPL version 3 or later "
             "<https://www.gnu.org/licenses/gpl-3.0.html>.\n"
          << "This is free software: you are free to change and redistribute it.\n"
          << "There is NO WARRANTY, to the extent permitted by law.\n";
    return 0;
}

int CommandLineActions::showError(const CommandLine& commandLine) {
    m_err << "quillhour: " << commandLine.error << '\n'
          << QCoreApplication::translate("CommandLine", "Try 'quillhour --help' for the options.")
          << '\n';
    return 2;
}

int CommandLineActions::createDatabase(const CommandLine& commandLine) {
    try {
        const QString shown = Database::displayLocation(commandLine.createDatabase);
        if (commandLine.signedIn && !Database::isServerLocation(commandLine.createDatabase)) {
            return failed(QCoreApplication::translate(
                              "CommandLine",
                              "Signed-in mode is for a database on a PostgreSQL server; %1 is a "
                              "file. Nothing was made.")
                              .arg(shown));
        }
        std::unique_ptr<Database> made =
            Database::create(ServerPasswords::connectable(commandLine.createDatabase, m_passwords));
        m_out << QCoreApplication::translate("CommandLine", "Created the Quillhour database %1")
                     .arg(shown)
              << '\n';
        return commandLine.signedIn ? requireSignInOfNew(*made, shown) : 0;
    } catch (const DatabaseError& error) {
        return failed(error.message());
    }
}

int CommandLineActions::requireSignInOfNew(Database& made, const QString& shown) {
    try {
        SignedIn::require(made);
    } catch (const DatabaseError& error) {
        m_err << "quillhour: " << error.message() << '\n'
              << QCoreApplication::translate("CommandLine",
                                             "The database was made without signed-in mode; its "
                                             "owner switches it on with: quillhour "
                                             "--require-sign-in URL")
              << '\n';
        return 1;
    }
    m_out << signedInNotice(shown) << '\n';
    return 0;
}

int CommandLineActions::requireSignIn(const CommandLine& commandLine) {
    try {
        std::unique_ptr<Database> database =
            Database::open(ServerPasswords::connectable(commandLine.requireSignIn, m_passwords));
        SignedIn::require(*database);
        m_out << signedInNotice(database->location()) << '\n';
        return 0;
    } catch (const DatabaseError& error) {
        return failed(error.message());
    }
}

int CommandLineActions::addLogin(const CommandLine& commandLine) {
    try {
        std::unique_ptr<Database> database =
            Database::open(ServerPasswords::connectable(commandLine.addLogin, m_passwords));
        SystemClock clock;
        const SignedIn::AddedLogin added =
            SignedIn::addLogin(*database, commandLine.loginName, clock.now());
        const QString name = commandLine.loginName.trimmed();
        if (added.madeLogin) {
            m_out << QCoreApplication::translate("CommandLine",
                                                 "Made the login %1 with the password %2\n"
                                                 "Give it to %1, who keeps it in ~/.pgpass "
                                                 "and may change it with \\password in psql.")
                         .arg(name, added.password)
                  << '\n';
        } else {
            m_out << QCoreApplication::translate(
                         "CommandLine",
                         "The login %1 was there already; its password is unchanged.")
                         .arg(name)
                  << '\n';
        }
        m_out << (added.madeUser
                      ? QCoreApplication::translate("CommandLine", "Made the Quillhour user %1.")
                      : QCoreApplication::translate("CommandLine",
                                                    "The Quillhour user %1 was there already."))
                     .arg(name)
              << '\n';
        return 0;
    } catch (const DatabaseError& error) {
        return failed(error.message());
    }
}

int CommandLineActions::renameLogin(const CommandLine& commandLine) {
    try {
        std::unique_ptr<Database> database =
            Database::open(ServerPasswords::connectable(commandLine.renameLogin, m_passwords));
        const QString to = commandLine.newLoginName.trimmed();
        SignedIn::renameLogin(*database, commandLine.loginName, to);
        m_out << QCoreApplication::translate("CommandLine",
                                             "Renamed the login and the Quillhour user %1 to %2.")
                     .arg(commandLine.loginName, to)
              << '\n';
        return 0;
    } catch (const DatabaseError& error) {
        return failed(error.message());
    }
}

int CommandLineActions::checkDatabase(const CommandLine& commandLine) {
    const Database::CheckReport report =
        Database::check(ServerPasswords::connectable(commandLine.checkDatabase, m_passwords));
    for (const QString& line : report.lines) {
        m_out << line << '\n';
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

int CommandLineActions::report(const CommandLine& commandLine) {
    Settings settings;
    SystemClock clock;
    return ReportCommand(settings, m_passwords, clock, m_standardOutput, m_err).report(commandLine);
}

int CommandLineActions::status(const CommandLine& commandLine) {
    Settings settings;
    SystemClock clock;
    return ReportCommand(settings, m_passwords, clock, m_standardOutput, m_err).status(commandLine);
}

int CommandLineActions::billing(const CommandLine& commandLine) {
    Settings settings;
    SystemClock clock;
    return BillingCommand(settings, m_passwords, clock, m_out, m_err).run(commandLine);
}

int CommandLineActions::track(const CommandLine& commandLine, const InstanceRelay& relay) {
    Settings settings;
    SystemClock clock;
    return TrackCommand(settings, m_passwords, clock, m_out, m_err).run(commandLine, relay);
}

int CommandLineActions::importTime(const CommandLine& commandLine) {
    Settings settings;
    SystemClock clock;
    return ImportCommand(settings, m_passwords, clock, m_out, m_err)
        .run(commandLine.importTime, commandLine.database);
}
