#include "PrivateXServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

// Openbox as plain as it comes: one desktop, no animation to wait for, nothing started with it.
const char* const ManagerConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>no</focusNew></focus>
  <desktops><number>1</number></desktops>
  <theme><animateIconify>no</animateIconify></theme>
</openbox_config>
)";

void endProcess(std::unique_ptr<QProcess>& process) {
    if (!process) {
        return;
    }
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    process.reset();
}

xcb_atom_t internAtom(xcb_connection_t* xcb, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        xcb, xcb_intern_atom(xcb, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
    std::free(reply);
    return atom;
}

// True once a window manager has put up its check window: the root names a window that names
// itself.
bool checkWindowUp(xcb_connection_t* xcb, xcb_window_t root, xcb_atom_t check) {
    const std::vector<uint32_t> named = values32(xcb, root, check);
    return !named.empty() && named.front() != XCB_NONE &&
           values32(xcb, named.front(), check) == named;
}

bool contains(const std::vector<uint32_t>& list, uint32_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

} // namespace

std::vector<uint32_t> values32(xcb_connection_t* xcb, xcb_window_t window, xcb_atom_t property) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        xcb, xcb_get_property(xcb, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
        nullptr);
    std::vector<uint32_t> values;
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply));
        values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
}

PrivateXServer::PrivateXServer() = default;

PrivateXServer::~PrivateXServer() {
    stop();
}

std::unique_ptr<QProcess> PrivateXServer::launch(const QString& program,
                                                 const QStringList& arguments,
                                                 const QString& logName,
                                                 const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(arguments);
    // Without a bus of the test's own, nothing started here reaches the desktop's session bus
    // (or starts one through the X display).
    QProcessEnvironment own = environment;
    if (!own.contains(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"))) {
        own.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    }
    process->setProcessEnvironment(own);
    if (program == QLatin1String("Xvfb")) {
        process->setStandardErrorFile(m_folder.filePath(logName)); // its output is the number
    } else {
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setStandardOutputFile(m_folder.filePath(logName));
    }
    // Should the test die without running its destructors (a crash, a kill on timeout), the
    // kernel ends the servers with it.
    const pid_t parent = getpid();
    process->setChildProcessModifier([parent] {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(1);
        }
    });
    process->start();
    return process;
}

QString PrivateXServer::log(const QString& logName) const {
    QFile file(m_folder.filePath(logName));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLocal8Bit(file.readAll()).trimmed();
}

// Xvfb writes the display number on its standard output once clients can connect.
bool PrivateXServer::waitUntilServing(QString& error) {
    const QDeadlineTimer deadline(WaitMs);
    QByteArray output;
    while (!output.contains('\n')) {
        if (m_server->state() == QProcess::NotRunning || deadline.hasExpired()) {
            error = QStringLiteral("Xvfb did not start: ") + log(QStringLiteral("xvfb.log"));
            stop();
            return false;
        }
        m_server->waitForReadyRead(100);
        output += m_server->readAllStandardOutput();
    }
    bool ok = false;
    m_displayNumber = output.trimmed().toInt(&ok);
    if (!ok) {
        error = QStringLiteral("Xvfb gave no display number: ") + QString::fromLocal8Bit(output);
        stop();
        return false;
    }
    return true;
}

bool PrivateXServer::start(QString& error) {
    stop();
    m_server = launch(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("800x600x24"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                      QStringLiteral("xvfb.log"));
    return waitUntilServing(error);
}

bool PrivateXServer::startOn(int displayNumber, QString& error) {
    stop();
    m_server =
        launch(QStringLiteral("Xvfb"),
               {QStringLiteral(":%1").arg(displayNumber), QStringLiteral("-displayfd"),
                QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                QStringLiteral("800x600x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")},
               QStringLiteral("xvfb.log"));
    return waitUntilServing(error) && m_displayNumber == displayNumber;
}

bool PrivateXServer::startWindowManager(QString& error) {
    if (!m_server) {
        error = QStringLiteral("no X server");
        return false;
    }
    const QString config = m_folder.filePath(QStringLiteral("rc.xml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(ManagerConfig) < 0) {
        error = QStringLiteral("cannot write ") + config;
        return false;
    }
    file.close();

    // openbox finds its display and its folders in its environment, which is its own.
    QProcessEnvironment environment = PrivateDesktop::withoutSessionBus();
    environment.insert(QStringLiteral("DISPLAY"), displayName());
    environment.insert(QStringLiteral("HOME"), m_folder.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       m_folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                       m_folder.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), m_folder.filePath(QStringLiteral("data")));
    environment.remove(QStringLiteral("SESSION_MANAGER"));
    m_manager = launch(QStringLiteral("openbox"),
                       {QStringLiteral("--sm-disable"), QStringLiteral("--config-file"), config},
                       QStringLiteral("openbox.log"), environment);

    xcb_connection_t* xcb = xcb_connect(displayName().toLocal8Bit().constData(), nullptr);
    const bool ready = !xcb_connection_has_error(xcb) && waitUntilManaging(xcb);
    xcb_disconnect(xcb);
    if (!ready) {
        error = QStringLiteral("openbox did not take over: ") + log(QStringLiteral("openbox.log"));
        endProcess(m_manager);
    }
    return ready;
}

// openbox puts up its check window before it is ready for new windows: a window mapped then may
// be left alone for good. So it counts as ready once it manages a probe, mapped again until it
// does; the probe has left its list before any case begins.
bool PrivateXServer::waitUntilManaging(xcb_connection_t* xcb) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
    const xcb_atom_t check = internAtom(xcb, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t wmState = internAtom(xcb, "WM_STATE");
    const xcb_atom_t clientList = internAtom(xcb, "_NET_CLIENT_LIST");
    const QDeadlineTimer deadline(WaitMs);
    auto waiting = [&] {
        return m_manager->state() != QProcess::NotRunning && !deadline.hasExpired() &&
               !xcb_connection_has_error(xcb);
    };
    while (!checkWindowUp(xcb, root, check)) {
        if (!waiting()) {
            return false;
        }
        QThread::msleep(20);
    }

    const xcb_window_t probe = xcb_generate_id(xcb);
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    bool managed = false;
    while (!managed && waiting()) {
        xcb_map_window(xcb, probe);
        const QDeadlineTimer attempt(1000);
        while (!(managed = !values32(xcb, probe, wmState).empty()) && !attempt.hasExpired()) {
            QThread::msleep(20);
        }
        if (!managed) {
            xcb_unmap_window(xcb, probe);
        }
    }
    xcb_destroy_window(xcb, probe);
    while (managed && contains(values32(xcb, root, clientList), probe)) {
        if (!waiting()) {
            return false;
        }
        QThread::msleep(20);
    }
    return managed;
}

void PrivateXServer::stop() {
    endProcess(m_manager);
    endProcess(m_server);
}
