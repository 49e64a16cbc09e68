#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

// The options the program understands, each with its help text.
struct CommandLineOptions {
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
                                                   "<name>. With --import: the user whose time "
                                                   "it is."),
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
    QCommandLineOption bom{
        QStringLiteral("bom"),
        QCoreApplication::translate("CommandLine",
                                    "With --report: start a CSV or JSON file with the UTF-8 "
                                    "byte-order mark, for spreadsheets that need one.")};
    QCommandLineOption setRate{
        QStringLiteral("set-rate"),
        QCoreApplication::translate(
            "CommandLine",
            "quillhour --set-rate CATEGORY RATE --from DATE [--user NAME]: the hourly rate of "
            "CATEGORY (or of the person NAME on it) from DATE on, a number with up to two "
            "decimals; time before DATE keeps the rate it had. Exits."),
        QStringLiteral("category")};
    QCommandLineOption billable{
        QStringLiteral("billable"),
        QCoreApplication::translate(
            "CommandLine", "quillhour --billable CATEGORY yes|no: whether the time of CATEGORY and "
                           "its sub-categories is billed (no: internal work, worth nothing). "
                           "Exits."),
        QStringLiteral("category")};
    QCommandLineOption closePeriod{
        QStringLiteral("close-period"),
        QCoreApplication::translate(
            "CommandLine",
            "Close the time up to and including <date> (YYYY-MM-DD) to changes: of the category "
            "--category, which its manager closes, or of all categories. Exits."),
        QStringLiteral("date")};
    QCommandLineOption reopenPeriod{
        QStringLiteral("reopen-period"),
        QCoreApplication::translate("CommandLine",
                                    "Reopen the period closed up to <date> (of --category, or of "
                                    "all categories); kept in the record with who reopened it. "
                                    "Exits."),
        QStringLiteral("date")};
    QCommandLineOption setCurrency{
        QStringLiteral("set-currency"),
        QCoreApplication::translate("CommandLine",
                                    "The team's currency, an ISO 4217 code such as EUR, which "
                                    "every amount is in whoever views it. Exits."),
        QStringLiteral("code")};
    QCommandLineOption setRounding{
        QStringLiteral("set-rounding"),
        QCoreApplication::translate(
            "CommandLine", "How amounts are rounded to the cent: line (each line from its total "
                           "minutes, the default) or row (each time row). Exits."),
        QStringLiteral("rule")};
    QCommandLineOption status{
        QStringLiteral("status"),
        QCoreApplication::translate(
            "CommandLine", "Print the current user's running tasks, one per line (category, a tab, "
                           "and the time so far as HH:MM), and exit; nothing when none run.")};
    QCommandLineOption start{
        QStringLiteral("start"),
        QCoreApplication::translate(
            "CommandLine", "Start a task on <category> (a name, a path Parent/Child or an id) "
                           "for the user of the settings, and exit. A Quillhour window running "
                           "with the same database does it and shows it at once."),
        QStringLiteral("category")};
    QCommandLineOption finish{
        QStringLiteral("finish"),
        QCoreApplication::translate(
            "CommandLine", "quillhour --finish [CATEGORY]: finish the current task, or the one "
                           "running on CATEGORY, and exit.")};
    QCommandLineOption cancel{
        QStringLiteral("cancel"),
        QCoreApplication::translate(
            "CommandLine", "quillhour --cancel [CATEGORY]: cancel the current task, or the one "
                           "running on CATEGORY, without keeping its time, and exit.")};
    QCommandLineOption add{
        QStringLiteral("add"),
        QCoreApplication::translate(
            "CommandLine", "quillhour --add CATEGORY MINUTES: record MINUTES of time on CATEGORY, "
                           "starting now or at --at, and exit."),
        QStringLiteral("category")};
    QCommandLineOption at{
        QStringLiteral("at"),
        QCoreApplication::translate("CommandLine",
                                    "With --add: when the time began, \"YYYY-MM-DD HH:MM\"."),
        QStringLiteral("moment")};
    QCommandLineOption importTime{
        QStringLiteral("import"),
        QCoreApplication::translate(
            "CommandLine",
            "quillhour --import FORMAT FILE: add the time in FILE, another tracker's export, "
            "as the finished time of the user of the settings (or --user), making the "
            "categories it names, and exit. FORMAT: csv (a first line naming the start, the end "
            "or the duration, the category or project, and the user columns; Toggl, Clockify and "
            "Kimai exports as they are), timewarrior (timew export), ical (an iCalendar file: "
            "to-dos are categories, events time) or hamster (Hamster's database: activities "
            "under their categories, facts time). All rows or none; rows already there are "
            "skipped."),
        QStringLiteral("format")};
    QCommandLineOption map{QStringLiteral("map"),
                           QCoreApplication::translate(
                               "CommandLine", "With --import timewarrior: a file of lines TAG = "
                                              "Parent/Child naming the category of a tag (else an "
                                              "interval's first tag is its category)."),
                           QStringLiteral("file")};
    QCommandLineOption dryRun{
        QStringLiteral("dry-run"),
        QCoreApplication::translate("CommandLine",
                                    "With --import: say what would be added, and add nothing.")};
    QCommandLineOption version{
        QStringList{QStringLiteral("v"), QStringLiteral("version")},
        QCoreApplication::translate("CommandLine", "Show the version and exit.")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")},
                            QCoreApplication::translate("CommandLine", "Show this help and exit.")};

    void addTo(QCommandLineParser& parser) const {
        parser.setApplicationDescription(QCoreApplication::translate(
            "CommandLine", "Quillhour: time and project management for teams."));
        for (const QCommandLineOption* option :
             {&database,    &create,      &signedIn, &requireSignIn, &addLogin,
              &renameLogin, &check,       &report,   &from,          &to,
              &user,        &category,    &group,    &format,        &output,
              &bom,         &setRate,     &billable, &closePeriod,   &reopenPeriod,
              &setCurrency, &setRounding, &status,   &start,         &finish,
              &cancel,      &add,         &at,       &importTime,    &map,
              &dryRun,      &version,     &help}) {
            parser.addOption(*option);
        }
    }
};
