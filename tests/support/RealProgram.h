#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>
#include <functional>

// The real quillhour program, started the way a person starts it: its own settings naming the
// database and the user, its own data and runtime folders under a home folder, and what it
// prints collected. Ended with a signal sent to the program itself (not to runuser, which would
// kill it two seconds later), its exit code is what it returned.
class RealProgram {
public:
    enum class User { Self, WithoutRootRights };

    // The program this build made.
    static QString builtBinary();

    // home holds the program's settings and folders; it must stay as long as the program runs.
    explicit RealProgram(QString home, QString binary = builtBinary());
    ~RealProgram();
    RealProgram(const RealProgram&) = delete;
    RealProgram& operator=(const RealProgram&) = delete;

    // A user without root rights exists to run as: root runs the program as "nobody" through
    // runuser, anyone else as themselves. Empty when that cannot be done, with the reason.
    static QString whyNoUserWithoutRootRights();
    // Makes folder (and what is in it now) usable by that user too.
    static void openToAll(const QString& folder);

    // The settings the program finds: the database, the user, no tray icon, window titles shared.
    void writeSettings(const QString& database, const QString& user);
    // An environment variable the program starts with (the session bus, the language).
    void setEnvironment(const QString& name, const QString& value) {
        m_environment.append(name + QLatin1Char('=') + value);
    }
    // Shows the windows on that X display; without one the program runs offscreen.
    void setDisplay(const QString& display) { m_display = display; }
    // Starts the program; with a wrapper (e.g. {"unshare", ..., "sh", "-c", script, "sh"}) the
    // program's command line is appended to it.
    void start(User user = User::Self, const QStringList& wrapper = {});

    // Waits until what the program printed holds text; false when it did not in time, or the
    // program ended first.
    bool waitForOutput(const QString& text, int ms);
    QString output() const { return m_output; }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Sends the signal to the program and waits for it to end; its exit code, or -1 when it did
    // not end in time or ended by a signal (as std::terminate's abort does).
    int terminate(int ms = 30000, int signalNumber = SIGTERM);

    qint64 programPid() const;

private:
    QString m_home;
    QString m_binary;
    QString m_display;
    QStringList m_environment;
    QProcess m_process;
    QString m_output;
    bool m_wrapped = false;
};

// What a run of the program as a command printed, and its exit code (-1 when it did not end in
// time or ended by a signal).
struct CommandResult {
    int exitCode = -1;
    QString out;
    QString err;
};
// Runs the built program with these arguments and no display, its home, XDG and runtime folders
// under home, to its end; this process's events go on meanwhile (a window here may be the one it
// talks to).
CommandResult runCommand(const QString& home, const QStringList& arguments);

// Polls until done holds, at most ms milliseconds, running the event loop meanwhile.
bool waitUntil(const std::function<bool()>& done, int ms);

// A database at path as a person left it with work running: the user Ann, the category Design,
// and Ann's task on it, started five minutes ago.
void makeTeamDatabase(const QString& path);
// Whether the user of that name is marked active in the database at location.
bool userActive(const QString& location, const QString& name);
