#include "PrivateDisplay.h"

#include "PrivateDesktop.h"
#include "PrivateXServer.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

int rerunOnPrivateDisplay(const QStringList& arguments, int timeoutMs, QString& error) {
    PrivateXServer server;
    QTemporaryDir home;
    if (!server.start(error) || !server.startWindowManager(error)) {
        return -1;
    }
    QProcessEnvironment environment = PrivateDesktop::environment(home.path());
    environment.insert(QStringLiteral("DISPLAY"), server.displayName());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess run;
    run.setProcessEnvironment(environment);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QCoreApplication::applicationFilePath(), arguments);
    if (!run.waitForFinished(timeoutMs)) {
        run.kill();
        run.waitForFinished();
        error = QStringLiteral("the run on the private display took more than %1 s")
                    .arg(timeoutMs / 1000);
        return -1;
    }
    if (run.exitStatus() != QProcess::NormalExit) {
        error = QStringLiteral("the run on the private display crashed");
        return -1;
    }
    return run.exitCode();
}

int privateDisplayTestMain(int argc, char* argv[], QObject& test) {
    // Tells the program that it is the run on the private display.
    const QString marker = QStringLiteral("--on-private-display");
    if (argc >= 2 && QString::fromLocal8Bit(argv[1]) == marker) {
        QApplication app(argc, argv);
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeAt(1);
        return QTest::qExec(&test, arguments);
    }
    QCoreApplication app(argc, argv);
    QString error;
    const int status = rerunOnPrivateDisplay(
        QStringList{marker} + QCoreApplication::arguments().mid(1), 100000, error);
    if (status < 0) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return status;
}
