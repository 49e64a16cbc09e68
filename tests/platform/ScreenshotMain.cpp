#include "ScreenshotMain.h"

#include "PrivateDisplay.h"

#include <QApplication>
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
    QString error;
    // The options after the picture's name go to the program on the private display.
    const int status = rerunOnPrivateDisplay(QStringList{QStringLiteral("--child")} +
                                                 QCoreApplication::arguments().mid(1),
                                             60000, error);
    return status < 0 ? screenshotFailure(name, error) : status;
}
