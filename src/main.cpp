#include "app/CommandLine.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillhour"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillhour"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLHOUR_VERSION));
    const CommandLine commandLine = CommandLine::parse(QCoreApplication::arguments());
    return runCommandLineAction(commandLine);
}
