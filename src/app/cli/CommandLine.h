#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class PasswordStore;

// What the command line asked for.
struct CommandLine {
    enum class Action {
        Run,
        CreateDatabase,
        RequireSignIn,
        AddLogin,
        RenameLogin,
        CheckDatabase,
        ShowVersion,
        ShowHelp,
        Report,
        Status,
        SetRate,
        SetBillable,
        ClosePeriod,
        ReopenPeriod,
        SetCurrency,
        SetRounding,
        Error
    };

    // Exit statuses of --check-database.
    enum CheckStatus { Sound = 0, Damaged = 1, NotChecked = 3 };

    Action action = Action::Run;
    QString database;       // --database: this run only, not stored
    QString createDatabase; // --create-database
    bool signedIn = false;  // --signed-in, with --create-database
    QString requireSignIn;  // --require-sign-in
    QString addLogin;       // --add-login: the database
    QString loginName;      // --add-login: the person's name; --rename-login: the old name
    QString renameLogin;    // --rename-login: the database
    QString newLoginName;   // --rename-login: the new name
    QString checkDatabase;  // --check-database
    QString error;          // for Action::Error

    // --report and its options, as given (nothing when not given, even an empty text when given
    // so); ReportCommand checks them.
    struct Report {
        std::optional<QString> from;
        std::optional<QString> to;
        std::optional<QString> user;
        std::optional<QString> category;
        std::optional<QString> group;
        std::optional<QString> format;
        std::optional<QString> output;
        bool byteOrderMark = false;
    } report;

    // The billing actions: their category (--set-rate, --billable), value (the rate, yes or no,
    // the day closed through, the currency, the rounding rule); --from, --user and --category
    // come in report.
    QString billingCategory;
    QString billingValue;

    static CommandLine parse(const QStringList& arguments);
    // The arguments without the window system's own options (-display :1, -platform xcb,
    // -reverse, ...), which the toolkit takes out itself once it starts.
    static QStringList withoutToolkitOptions(const QStringList& arguments);
};

// Runs the actions that need no window (--create-database, --require-sign-in, --add-login,
// --rename-login, --check-database, --report, --status, --version, --help, errors) and returns the
// process's exit code. passwords completes a server address given without its password.
int runCommandLineAction(const CommandLine& commandLine, PasswordStore& passwords);
