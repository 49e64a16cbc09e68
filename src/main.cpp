#include "app/AppPaths.h"
#include "app/CommandLine.h"
#include "app/QtMessages.h"
#include "app/SignalWatcher.h"
#include "app/UiHelpers.h"
#include "app/frmMain.h"
#include "platform/Clock.h"
#include "platform/DesktopFolderOpener.h"
#include "platform/Settings.h"
#include "platform/WindowLister.h"

#include <QApplication>
#include <QCoreApplication>

namespace {

void nameApplication() {
    QCoreApplication::setOrganizationName(QStringLiteral("Quillhour"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillhour"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLHOUR_VERSION));
}

// Whether the arguments ask for something that needs no window.
bool windowless(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h") ||
            argument == QLatin1String("--version") || argument == QLatin1String("-v") ||
            argument.startsWith(QLatin1String("--create-database"))) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (windowless(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return runCommandLineAction(CommandLine::parse(QCoreApplication::arguments()));
    }

    QApplication app(argc, argv);
    nameApplication();
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments());
    if (commandLine.action != CommandLine::Action::Run) {
        return runCommandLineAction(commandLine);
    }
    app.setWindowIcon(quillhourIcon(QStringLiteral("quillhour")));

    SystemClock clock;
    Settings settings;
    const QString ownFolder = AppPaths::dataFolder();
    QtMessages messages(ownFolder);
    FixedWindowLister windows;
    DesktopFolderOpener folders;

    frmMain window({clock, messages, settings, windows, folders, ownFolder, commandLine.database});
    messages.setParentWindow(&window);

    // Watching from the start: a signal that comes while the window loads (a message box may be
    // waiting for an answer then) is handled as soon as events are processed.
    bool terminating = false;
    SignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &SignalWatcher::terminationRequested, &window, [&] {
        terminating = true;
        window.guard().run([&] { window.shutDown(frmMain::Shutdown::NoQuestions); });
        QCoreApplication::exit(0); // not quit(): that would ask the windows first
    });
    const bool loaded = window.Form_Load();
    if (terminating) {
        // exec() would start afresh and wait: the loop that exit() ended was a dialog's.
        window.guard().run([&] { window.Form_Terminate(); });
        return 0;
    }
    if (!loaded) {
        return 0; // the user has been told why
    }

    const int result = QApplication::exec();
    window.guard().run([&] { window.Form_Terminate(); });
    return result;
}
