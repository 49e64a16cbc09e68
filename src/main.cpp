#include "app/AppPaths.h"
#include "app/GuardedApplication.h"
#include "app/QtMessages.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
#include "app/TrackingChannel.h"
#include "app/Translations.h"
#include "app/cli/CommandLine.h"
#include "app/frmMain.h"
#include "data/Database.h"
#include "platform/Clock.h"
#include "platform/Settings.h"
#include "platform/WindowLister.h"
#include "platform/desktop/DBusDesktopNotifier.h"
#include "platform/desktop/DBusIdleSource.h"
#include "platform/desktop/DesktopFolderOpener.h"
#include "platform/desktop/DesktopPasswords.h"
#include "platform/desktop/WindowActivation.h"
#include "platform/desktop/X11IdleSource.h"
#include "platform/desktop/X11WindowLister.h"
#include "session/ErrorGuard.h"
#include "widgets/UiHelpers.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <functional>
#include <memory>

namespace {

void nameApplication() {
    QCoreApplication::setOrganizationName(QStringLiteral("Quillhour"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillhour"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLHOUR_VERSION));
}

QStringList argumentList(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

// Qt's -display option; the window list has to read the same display as the windows.
QString displayArgument(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "-display") == 0 || qstrcmp(argv[i], "--display") == 0) {
            return QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    return {};
}

// Local times are converted many times a second (durations, the dates in every list). With TZ
// unset the C library reads /etc/localtime again for each conversion; naming the file once saves
// that. A change of the system's zone then shows at the next start.
void nameTimeZoneFile() {
    if (qEnvironmentVariableIsEmpty("TZ") && QFile::exists(QStringLiteral("/etc/localtime"))) {
        qputenv("TZ", ":/etc/localtime");
    }
}

// The place of the instance for these settings and this database (--database, or the settings'
// one when empty). Known by the address without its password, which may be there or not.
QString instanceSocket(Settings& settings, const QString& database) {
    return SingleInstance::socketPath(
        settings.location(),
        Database::displayLocation(database.isEmpty() ? settings.database() : database));
}

// Tracking from the command line goes through the window running with the database, if any.
std::optional<QByteArray> toRunningInstance(const QString& database, const QByteArray& request) {
    Settings settings;
    return SingleInstance::relay(instanceSocket(settings, database), request);
}

// What needs no window, a wrong option among them, is done before the window system is asked
// for: there may be no display at all.
int runWithoutWindow(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    nameApplication();
    DesktopPasswords passwords;
    Translations::install(app);
    return runCommandLineAction(
        CommandLine::parse(CommandLine::withoutToolkitOptions(QCoreApplication::arguments())),
        passwords, toRunningInstance);
}

// Window titles come from the X server; elsewhere (Wayland, offscreen) the list stays empty.
std::unique_ptr<WindowLister> windowLister(const QString& display) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        return std::make_unique<X11WindowLister>(display);
    }
    return std::make_unique<NoWindowLister>();
}

// Idle time from the X server, else from the desktop session over D-Bus.
std::unique_ptr<IdleSource> idleSource(const QString& display) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto x11 = std::make_unique<X11IdleSource>(display);
        if (x11->unavailableReason().isEmpty()) {
            return x11;
        }
    }
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        return std::make_unique<DBusIdleSource>();
    }
    return std::make_unique<NoIdleSource>(QCoreApplication::translate(
        "IdleSource", "nothing is shown on a screen, so nobody can be away from it."));
}

// The window from its loading to its last release; the exit status. afterLoad runs once the
// window stands.
int runWindow(frmMain& window, const std::function<void()>& afterLoad) {
    // Watching from the start: a signal that comes while the window loads (a message box may be
    // waiting for an answer then) is handled as soon as events are processed.
    bool terminating = false;
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &window, [&] {
        terminating = true;
        window.shutDown(frmMain::Shutdown::NoQuestions);
        QCoreApplication::exit(0); // not quit(): that would ask the windows first
    });
    const bool loaded = window.Form_Load();
    if (terminating) {
        // exec() would start afresh and wait: the loop that exit() ended was a dialog's.
        window.Form_Terminate();
        return 0;
    }
    if (!loaded) {
        return 0; // the user has been told why
    }
    afterLoad();

    const int result = QApplication::exec();
    window.Form_Terminate();
    return result;
}

} // namespace

static int runProgram(int argc, char* argv[]) {
    nameTimeZoneFile();
    if (CommandLine::parse(CommandLine::withoutToolkitOptions(argumentList(argc, argv))).action !=
        CommandLine::Action::Run) {
        return runWithoutWindow(argc, argv);
    }

    const QString display = displayArgument(argc, argv); // before Qt takes its options out
    // The launcher's startup-notification id; Qt takes it out of the environment.
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    GuardedApplication app(argc, argv);
    nameApplication();
    Translations::install(app);
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLHOUR_APP_ID));
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments());
    DesktopPasswords passwords;
    if (commandLine.action != CommandLine::Action::Run) {
        return runCommandLineAction(commandLine, passwords, toRunningInstance);
    }
    app.setWindowIcon(quillhourIcon(QStringLiteral("quillhour")));

    SystemClock clock;
    Settings settings;
    // One window per account, settings and database: a second start brings the first forward.
    SingleInstance instance(instanceSocket(settings, commandLine.database));
    if (instance.claim(startupId) == SingleInstance::Claim::AlreadyRunning) {
        return 0;
    }
    const QString ownFolder = AppPaths::dataFolder();
    QtMessages messages(ownFolder);
    const std::unique_ptr<WindowLister> windows = windowLister(display);
    DesktopFolderOpener folders;
    const std::unique_ptr<IdleSource> idle = idleSource(display);
    DBusDesktopNotifier notifier(QStringLiteral(QUILLHOUR_APP_ID));
    frmMain window({clock, messages, settings, *windows, folders, *idle, passwords, ownFolder,
                    commandLine.database, &notifier});
    messages.setParentWindow(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     [&window](const QByteArray& id) {
                         if (QWidget* waiting = windowAwaitingUser(&window)) {
                             bringToFront(waiting, id);
                         }
                     });
    instance.setTrackingHandler(
        [&window](const QByteArray& request) { return TrackingChannel::answer(window, request); });
    return runWindow(window, [&] {
        // A first start has chosen its database now; later starts look for it by that.
        if (commandLine.database.isEmpty()) {
            instance.answerAlsoAt(SingleInstance::socketPath(
                settings.location(), Database::displayLocation(settings.database())));
        }
    });
}

int main(int argc, char* argv[]) {
    // The guard and the application object catch what handlers throw; this catches the rest.
    try {
        return runProgram(argc, argv);
    } catch (...) {
        qWarning().noquote() << "Quillhour:" << ErrorGuard::describe(std::current_exception());
        return 1;
    }
}
