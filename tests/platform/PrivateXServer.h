#pragma once

#include "PrivateDesktop.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <vector>

struct xcb_connection_t;

// The 32-bit values of a window's property (a list of windows or atoms); empty when it has none.
std::vector<uint32_t> values32(xcb_connection_t* xcb, uint32_t window, uint32_t property);

// An X server of the test's own (Xvfb on a display number no one else holds) and, when asked,
// a window manager (openbox) on it. Both end with this object, whether the checks passed or
// not, and with the test process should it die first. The developer's own display is never
// touched: nothing here reads or sets DISPLAY of the test process.
class PrivateXServer {
public:
    PrivateXServer();
    ~PrivateXServer();
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Starts Xvfb on the first free display number; false with the reason in error.
    bool start(QString& error);
    // Starts Xvfb on the given display number; false when it is taken or the server fails.
    bool startOn(int displayNumber, QString& error);
    // Starts openbox and waits until it has taken over the screen.
    bool startWindowManager(QString& error);
    // Ends the manager and the server; the display number becomes free again.
    void stop();

    int displayNumber() const { return m_displayNumber; }
    QString displayName() const { return QStringLiteral(":%1").arg(m_displayNumber); }

    // Waits at most this long for any one thing to happen.
    static constexpr int WaitMs = 20000;

private:
    std::unique_ptr<QProcess>
    launch(const QString& program, const QStringList& arguments, const QString& logName,
           const QProcessEnvironment& environment = PrivateDesktop::withoutSessionBus());
    bool waitUntilServing(QString& error);
    bool waitUntilManaging(xcb_connection_t* xcb);
    QString log(const QString& logName) const;

    QTemporaryDir m_folder;
    int m_displayNumber = -1;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_manager;
};
