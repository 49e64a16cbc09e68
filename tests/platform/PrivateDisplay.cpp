#include "PrivateDisplay.h"

#include "PrivateXServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <utility>

int rerunOnPrivateDisplay(const QStringList& arguments, int timeoutMs, QString& error) {
    PrivateXServer server;
    QTemporaryDir home;
    if (!server.start(error) || !server.startWindowManager(error)) {
        return -1;
    }
    const QString runtime = home.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : std::initializer_list<std::pair<const char*, QString>>{
             {"DISPLAY", server.displayName()},
             {"QT_QPA_PLATFORM", QStringLiteral("xcb")},
             {"DBUS_SESSION_BUS_ADDRESS", QStringLiteral("disabled:")},
             {"HOME", home.path()},
             {"XDG_CONFIG_HOME", home.filePath(QStringLiteral("config"))},
             {"XDG_DATA_HOME", home.filePath(QStringLiteral("data"))},
             {"XDG_CACHE_HOME", home.filePath(QStringLiteral("cache"))},
             {"XDG_RUNTIME_DIR", runtime}}) {
        environment.insert(QString::fromLatin1(name), value);
    }
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
