#include "ScreenshotMain.h"

#include "PrivateXServer.h"

#include <QApplication>
#include <QProcess>
#include <cstdio>

int screenshotFailure(const char* name, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", name, qPrintable(text));
    return 1;
}

int screenshotMain(int argc, char* argv[], const char* name,
                   const std::function<int(const QString& output)>& shoot) {
    if (argc >= 3 && qstrcmp(argv[1], "--child") == 0) {
        QApplication app(argc, argv);
        return shoot(QString::fromLocal8Bit(argv[2]));
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [OPTION...]\n", name);
        return 2;
    }
    QCoreApplication app(argc, argv);
    PrivateXServer server;
    QString error;
    if (!server.start(error) || !server.startWindowManager(error)) {
        return screenshotFailure(name, error);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), server.displayName());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess shot;
    shot.setProcessEnvironment(environment);
    shot.setProcessChannelMode(QProcess::ForwardedChannels);
    // The options after the picture's name go to the program on the private display.
    shot.start(QCoreApplication::applicationFilePath(),
               QStringList{QStringLiteral("--child")} + QCoreApplication::arguments().mid(1));
    if (!shot.waitForFinished(60000)) {
        shot.kill();
        return screenshotFailure(name, QStringLiteral("the window took too long"));
    }
    return shot.exitCode();
}
