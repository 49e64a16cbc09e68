#include "app/AppPaths.h"
#include "app/GuardedApplication.h"
#include "app/QtMessages.h"
#include "app/SignalWatcher.h"
#include "app/SingleInstance.h"
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

} // namespace

static int runProgram(int argc, char* argv[]) {
    // Local times are converted many times a second (durations, the dates in every list). With
    // TZ unset the C library reads /etc/localtime again for each conversion; naming the file
    // once saves that. A change of the system's zone then shows at the next start.
    if (qEnvironmentVariableIsEmpty("TZ") && QFile::exists(QStringLiteral("/etc/localtime"))) {
        qputenv("TZ", ":/etc/localtime");
    }
    // What needs no window, a wrong option among them, is done before the window system is
    // asked for: there may be no display at all.
    if (CommandLine::parse(CommandLine::withoutToolkitOptions(argumentList(argc, argv))).action !=
        CommandLine::Action::Run) {
        QCoreApplication app(argc, argv);
        nameApplication();
        DesktopPasswords passwords;
        Translations::install(app);
        return runCommandLineAction(
            CommandLine::parse(CommandLine::withoutToolkitOptions(QCoreApplication::arguments())),
            passwords);
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
        return runCommandLineAction(commandLine, passwords);
    }
    app.setWindowIcon(quillhourIcon(QStringLiteral("quillhour")));

    SystemClock clock;
    Settings settings;
    // One window per account, settings and database: a second start brings the first forward.
    // Known by the address without its password, which may be there or not.
    SingleInstance instance(SingleInstance::socketPath(
        settings.location(),
        Database::displayLocation(commandLine.database.isEmpty() ? settings.database()
                                                                 : commandLine.database)));
    if (instance.claim(startupId) == SingleInstance::Claim::AlreadyRunning) {
        return 0;
    }
    const QString ownFolder = AppPaths::dataFolder();
    QtMessages messages(ownFolder);
    // Window titles come from the X server; elsewhere (Wayland, offscreen) the list stays empty.
    std::unique_ptr<WindowLister> windows;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        windows = std::make_unique<X11WindowLister>(display);
    } else {
        windows = std::make_unique<NoWindowLister>();
    }
    DesktopFolderOpener folders;
    // Idle time from the X server, else from the desktop session over D-Bus.
    std::unique_ptr<IdleSource> idle;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        auto x11 = std::make_unique<X11IdleSource>(display);
        if (x11->unavailableReason().isEmpty()) {
            idle = std::move(x11);
        }
    }
    if (!idle && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        idle = std::make_unique<DBusIdleSource>();
    }
    if (!idle) {
        idle = std::make_unique<NoIdleSource>(QCoreApplication::translate(
            "IdleSource", "nothing is shown on a screen, so nobody can be away from it."));
    }

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

    const int result = QApplication::exec();
    window.Form_Terminate();
    return result;
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
