#include "app/cli/CommandLine.h"

#include "app/cli/CommandLineActions.h"
#include "app/cli/CommandLineOptions.h"
#include "platform/OutputFile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <memory>
#include <vector>

namespace {

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

namespace {

// The tracking options given: none, one, or (a mistake) several.
std::vector<TrackingRequest::Kind> trackingAsked(const QCommandLineParser& parser,
                                                 const CommandLineOptions& options) {
    using Kind = TrackingRequest::Kind;
    std::vector<Kind> asked;
    for (const auto& [option, kind] :
         {std::pair{&options.start, Kind::Start}, std::pair{&options.finish, Kind::Finish},
          std::pair{&options.cancel, Kind::Cancel}, std::pair{&options.add, Kind::Add}}) {
        if (parser.isSet(*option)) {
            asked.push_back(kind);
        }
    }
    return asked;
}

// --add-login takes one positional argument, the person's name, and --rename-login two, the old
// name and the new one; --set-rate takes the rate and --billable yes or no; --finish and
// --cancel may take a category, and --add takes the minutes; nothing else takes one.
std::optional<QString> positionalProblem(const QCommandLineParser& parser,
                                         const CommandLineOptions& options, bool addingLogin,
                                         bool renamingLogin,
                                         std::optional<TrackingRequest::Kind> tracking,
                                         bool importing) {
    using Kind = TrackingRequest::Kind;
    const QStringList positional = parser.positionalArguments();
    if (!addingLogin && !renamingLogin && parser.isSet(options.setRate)) {
        if (positional.size() != 1) {
            return QCoreApplication::translate(
                "CommandLine", "--set-rate takes the category and the rate: quillhour --set-rate "
                               "CATEGORY RATE --from DATE [--user NAME]");
        }
        return std::nullopt;
    }
    if (!addingLogin && !renamingLogin && parser.isSet(options.billable)) {
        if (positional.size() != 1) {
            return QCoreApplication::translate(
                "CommandLine", "--billable takes the category and yes or no: quillhour --billable "
                               "CATEGORY yes|no");
        }
        return std::nullopt;
    }
    if (addingLogin && positional.size() != 1) {
        return QCoreApplication::translate("CommandLine",
                                           "--add-login takes the database and the person's name: "
                                           "quillhour --add-login URL NAME");
    }
    if (renamingLogin && positional.size() != 2) {
        return QCoreApplication::translate(
            "CommandLine", "--rename-login takes the database, the old name and the new one: "
                           "quillhour --rename-login URL OLD NEW");
    }
    const bool mayName = tracking == Kind::Finish || tracking == Kind::Cancel;
    if (mayName && positional.size() > 1) {
        return QCoreApplication::translate("CommandLine",
                                           "--finish and --cancel take one category at most: "
                                           "quillhour --finish [CATEGORY]");
    }
    if (tracking == Kind::Add && positional.size() != 1) {
        return QCoreApplication::translate("CommandLine",
                                           "--add takes the category and the minutes: quillhour "
                                           "--add CATEGORY MINUTES [--at \"YYYY-MM-DD HH:MM\"]");
    }
    if (importing && positional.size() != 1) {
        return QCoreApplication::translate("CommandLine",
                                           "--import takes the format and the file: quillhour "
                                           "--import FORMAT FILE");
    }
    if (!addingLogin && !renamingLogin && !mayName && tracking != Kind::Add && !importing &&
        !positional.isEmpty()) {
        return QCoreApplication::translate("CommandLine", "Unexpected argument: %1")
            .arg(positional.first());
    }
    return std::nullopt;
}

// What came with the tracking option.
CommandLine::Track trackOptions(const QCommandLineParser& parser, const CommandLineOptions& options,
                                TrackingRequest::Kind kind) {
    CommandLine::Track track;
    track.kind = kind;
    const QStringList positional = parser.positionalArguments();
    switch (kind) {
    case TrackingRequest::Kind::Start:
        track.category = parser.value(options.start);
        break;
    case TrackingRequest::Kind::Finish:
    case TrackingRequest::Kind::Cancel:
        track.category = positional.value(0);
        break;
    case TrackingRequest::Kind::Add:
        track.category = parser.value(options.add);
        track.minutes = positional.value(0);
        break;
    }
    if (parser.isSet(options.at)) {
        track.at = parser.value(options.at);
    }
    return track;
}

// The options of --report as given: nothing when not given, even an empty text when given so.
CommandLine::Report reportOptions(const QCommandLineParser& parser,
                                  const CommandLineOptions& options) {
    auto given = [&](const QCommandLineOption& option) -> std::optional<QString> {
        if (!parser.isSet(option)) {
            return std::nullopt;
        }
        return parser.value(option);
    };
    CommandLine::Report report;
    report.from = given(options.from);
    report.to = given(options.to);
    report.user = given(options.user);
    report.category = given(options.category);
    report.group = given(options.group);
    report.format = given(options.format);
    report.output = given(options.output);
    report.byteOrderMark = parser.isSet(options.bom);
    return report;
}

void chooseBillingAction(const QCommandLineParser& parser, const CommandLineOptions& options,
                         CommandLine& result) {
    using Action = CommandLine::Action;
    const struct {
        const QCommandLineOption& option;
        Action action;
    } actions[] = {
        {options.setRate, Action::SetRate},         {options.billable, Action::SetBillable},
        {options.closePeriod, Action::ClosePeriod}, {options.reopenPeriod, Action::ReopenPeriod},
        {options.setCurrency, Action::SetCurrency}, {options.setRounding, Action::SetRounding}};
    for (const auto& each : actions) {
        if (!parser.isSet(each.option)) {
            continue;
        }
        result.action = each.action;
        result.report = reportOptions(parser, options);
        const bool named = each.action == Action::SetRate || each.action == Action::SetBillable;
        result.billingCategory = named ? parser.value(each.option) : QString();
        result.billingValue =
            named ? parser.positionalArguments().constFirst() : parser.value(each.option);
        return;
    }
}

// The first action asked for, in this order; the window when none is.
void chooseAction(const QCommandLineParser& parser, const CommandLineOptions& options,
                  bool addingLogin, bool renamingLogin,
                  std::optional<TrackingRequest::Kind> tracking, CommandLine& result) {
    using Action = CommandLine::Action;
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
        result.loginName = parser.positionalArguments().constFirst();
    } else if (renamingLogin) {
        result.action = Action::RenameLogin;
        result.renameLogin = parser.value(options.renameLogin);
        result.loginName = parser.positionalArguments().constFirst();
        result.newLoginName = parser.positionalArguments().constLast();
    } else if (parser.isSet(options.check)) {
        result.action = Action::CheckDatabase;
        result.checkDatabase = parser.value(options.check);
    } else if (parser.isSet(options.importTime)) {
        result.action = Action::Import;
        result.importTime = {parser.value(options.importTime),
                             parser.positionalArguments().value(0), parser.value(options.user),
                             parser.value(options.map), parser.isSet(options.dryRun)};
    } else if (tracking) {
        result.action = Action::Track;
        result.track = trackOptions(parser, options, *tracking);
    } else if (parser.isSet(options.report)) {
        result.action = Action::Report;
        result.report = reportOptions(parser, options);
    } else if (parser.isSet(options.status)) {
        result.action = Action::Status;
    } else {
        chooseBillingAction(parser, options, result);
    }
}

// An option given without the action it belongs to (help and the version take any).
std::optional<QString> misplacedOption(const QCommandLineParser& parser,
                                       const CommandLineOptions& options,
                                       CommandLine::Action action) {
    using Action = CommandLine::Action;
    if (action == Action::ShowHelp || action == Action::ShowVersion) {
        return std::nullopt;
    }
    if (parser.isSet(options.signedIn) && action != Action::CreateDatabase) {
        return QCoreApplication::translate("CommandLine",
                                           "--signed-in goes with --create-database");
    }
    if (parser.isSet(options.at) && !(action == Action::Track && parser.isSet(options.add))) {
        return QCoreApplication::translate("CommandLine", "--at goes with --add");
    }
    if (action != Action::Import) {
        for (const QCommandLineOption* option : {&options.map, &options.dryRun}) {
            if (parser.isSet(*option)) {
                return QCoreApplication::translate("CommandLine", "--%1 goes with --import")
                    .arg(option->names().constFirst());
            }
        }
    }
    if (action == Action::Report) {
        return std::nullopt;
    }
    // --from and --user go with --set-rate, --category with closing and reopening, --user with
    // --import.
    const bool rate = action == Action::SetRate;
    const bool period = action == Action::ClosePeriod || action == Action::ReopenPeriod;
    for (const QCommandLineOption* option :
         {&options.from, &options.to, &options.user, &options.category, &options.group,
          &options.format, &options.output, &options.bom}) {
        if ((rate && (option == &options.from || option == &options.user)) ||
            (period && option == &options.category) ||
            (option == &options.user && action == Action::Import)) {
            continue;
        }
        if (parser.isSet(*option)) {
            return QCoreApplication::translate("CommandLine", "--%1 goes with --report")
                .arg(option->names().constFirst());
        }
    }
    return std::nullopt;
}

CommandLine refused(const QString& error) {
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.error = error;
    return result;
}

// The action itself; out and standardOutput are the same standard output, as text and as the
// device a report is written to.
int runAction(const CommandLine& commandLine, PasswordStore& passwords, const InstanceRelay& relay,
              QTextStream& out, OutputFile& standardOutput, QTextStream& err) {
    CommandLineActions actions(passwords, out, standardOutput, err);
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
        return actions.showHelp();
    case CommandLine::Action::ShowVersion:
        return actions.showVersion();
    case CommandLine::Action::Error:
        return actions.showError(commandLine);
    case CommandLine::Action::CreateDatabase:
        return actions.createDatabase(commandLine);
    case CommandLine::Action::RequireSignIn:
        return actions.requireSignIn(commandLine);
    case CommandLine::Action::AddLogin:
        return actions.addLogin(commandLine);
    case CommandLine::Action::RenameLogin:
        return actions.renameLogin(commandLine);
    case CommandLine::Action::CheckDatabase:
        return actions.checkDatabase(commandLine);
    case CommandLine::Action::Report:
        return actions.report(commandLine);
    case CommandLine::Action::Status:
        return actions.status(commandLine);
    case CommandLine::Action::SetRate:
    case CommandLine::Action::SetBillable:
    case CommandLine::Action::ClosePeriod:
    case CommandLine::Action::ReopenPeriod:
    case CommandLine::Action::SetCurrency:
    case CommandLine::Action::SetRounding:
        return actions.billing(commandLine);
    case CommandLine::Action::Track:
        return actions.track(commandLine, relay);
    case CommandLine::Action::Import:
        return actions.importTime(commandLine);
    case CommandLine::Action::Run:
        break;
    }
    return 0;
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    const CommandLineOptions options;
    options.addTo(parser);
    if (!parser.parse(arguments)) {
        return refused(parser.errorText());
    }
    const bool addingLogin = parser.isSet(options.addLogin) && !parser.isSet(options.help) &&
                             !parser.isSet(options.version);
    const bool renamingLogin = parser.isSet(options.renameLogin) && !parser.isSet(options.help) &&
                               !parser.isSet(options.version) && !addingLogin;
    const std::vector<TrackingRequest::Kind> tracking = trackingAsked(parser, options);
    const bool otherwise =
        parser.isSet(options.help) || parser.isSet(options.version) || addingLogin || renamingLogin;
    if (tracking.size() > 1 && !otherwise) {
        return refused(QCoreApplication::translate(
            "CommandLine", "give one of --start, --finish, --cancel and --add at a time"));
    }
    const bool importing = parser.isSet(options.importTime) && !otherwise;
    const std::optional<TrackingRequest::Kind> track =
        tracking.empty() || otherwise || importing ? std::nullopt : std::optional(tracking.front());
    if (const auto problem =
            positionalProblem(parser, options, addingLogin, renamingLogin, track, importing)) {
        return refused(*problem);
    }
    CommandLine result;
    result.database = parser.value(options.database);
    chooseAction(parser, options, addingLogin, renamingLogin, track, result);
    if (const auto problem = misplacedOption(parser, options, result.action)) {
        result.action = Action::Error;
        result.error = *problem;
    }
    return result;
}

int runCommandLineAction(const CommandLine& commandLine, PasswordStore& passwords,
                         const InstanceRelay& relay) {
    const std::unique_ptr<OutputFile> standardOutput = OutputFile::standardOutput();
    QTextStream out(standardOutput.get());
    QTextStream err(stderr);
    int status = runAction(commandLine, passwords, relay, out, *standardOutput, err);
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
