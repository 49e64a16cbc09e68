#include "PrivateDesktop.h"
#include "PrivateXServer.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <xcb/xcb.h>

// The real program started twice by one user on one X display (Xvfb with openbox): the second
// start with the same settings brings the first window forward and ends; a start with another
// --database is a program of its own; an instance killed with SIGKILL never stops the next. A new
// account goes from the welcome window to a running timer with two keys, and is one instance
// all the while.
class SecondStartTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStartBringsTheFirstForward();
    void secondStartDuringTheDatabaseQuestion();
    void newAccountReachesARunningTimerFromOneWindow();
    void killedInstanceAndOtherDatabaseStartTheirOwn();

private:
    struct Display;
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<PrivateXServer> m_x;
    std::unique_ptr<QTemporaryDir> m_home;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    QProcess* launch(const QStringList& arguments, const QByteArray& startupId = {});
    QProcess* launchProgram(const QString& program, const QStringList& arguments,
                            const QProcessEnvironment& environment);
    // Starts another program and gives its window the focus, as a user working in it would.
    void workInAnotherProgram(const Display& display);
    // Keys and pointer through the private display, as a person's; false when xdotool failed.
    bool xdotool(const QStringList& arguments) const;
};

// A client connection of the test's own to the private display.
struct SecondStartTest::Display {
    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = XCB_NONE;

    explicit Display(const QString& name) {
        xcb = xcb_connect(name.toLocal8Bit().constData(), nullptr);
        if (!xcb_connection_has_error(xcb)) {
            root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
        }
    }
    ~Display() { xcb_disconnect(xcb); }
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    xcb_atom_t atom(const char* name) const {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            xcb, xcb_intern_atom(xcb, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return found;
    }
    // The managed windows of a process, by the _NET_WM_PID Qt gives its windows.
    std::vector<uint32_t> windowsOf(qint64 pid) const {
        std::vector<uint32_t> found;
        for (uint32_t window : values32(xcb, root, atom("_NET_CLIENT_LIST"))) {
            const std::vector<uint32_t> owner = values32(xcb, window, atom("_NET_WM_PID"));
            if (!owner.empty() && owner.front() == uint32_t(pid)) {
                found.push_back(window);
            }
        }
        return found;
    }
    uint32_t activeWindow() const {
        const std::vector<uint32_t> active = values32(xcb, root, atom("_NET_ACTIVE_WINDOW"));
        return active.empty() ? XCB_NONE : active.front();
    }
    // Asks the manager to activate a window, as a taskbar does when it is clicked.
    void activate(uint32_t window) const {
        xcb_client_message_event_t event = {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("_NET_ACTIVE_WINDOW");
        event.data.data32[0] = 2;
        xcb_send_event(xcb, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(xcb);
    }
    // From now on, the client messages sent to the root reach this connection.
    void listenForStartupMessages() const {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(xcb, root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(xcb);
    }
    // Startup-notification messages sent to the root since the last call, put together.
    QList<QByteArray> startupMessages() const {
        const xcb_atom_t begin = atom("_NET_STARTUP_INFO_BEGIN");
        const xcb_atom_t more = atom("_NET_STARTUP_INFO");
        QList<QByteArray> messages;
        while (xcb_generic_event_t* event = xcb_poll_for_event(xcb)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                if (message->type == begin) {
                    messages.append(QByteArray());
                }
                if ((message->type == begin || message->type == more) && !messages.isEmpty()) {
                    messages.last().append(reinterpret_cast<const char*>(message->data.data8), 20);
                }
            }
            std::free(event);
        }
        for (QByteArray& message : messages) {
            message.truncate(message.indexOf('\0'));
        }
        return messages;
    }
};

namespace {

bool waitFor(const std::function<bool()>& condition, int ms = PrivateXServer::WaitMs) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > ms) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

} // namespace

void SecondStartTest::init() {
    m_env = std::make_unique<TestEnvironment>();
    m_env->addUser(QStringLiteral("Ann"));
    m_env->addCategory(QStringLiteral("Design"));
    m_x = std::make_unique<PrivateXServer>();
    QString error;
    if (!m_x->start(error) || !m_x->startWindowManager(error)) {
        QFAIL(qPrintable(error));
    }
    // One account's files: its settings, data and runtime folder.
    m_home = std::make_unique<QTemporaryDir>();
    PrivateDesktop::makeFolders(m_home->path());
    QDir(m_home->path()).mkpath(QStringLiteral("config/Quillhour"));
    QFile config(m_home->filePath(QStringLiteral("config/Quillhour/Quillhour.conf")));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(
        QStringLiteral("[Settings]\nDatabase=%1\nUser=Ann\nTray%20Icon=0\nShare%20Windows=titles\n")
            .arg(m_env->location())
            .toUtf8());
}

void SecondStartTest::cleanup() {
    for (auto& process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(10000);
        }
    }
    m_processes.clear();
    m_x.reset();
    m_home.reset();
    m_env.reset();
}

QProcess* SecondStartTest::launchProgram(const QString& program, const QStringList& arguments,
                                         const QProcessEnvironment& environment) {
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, arguments);
    process->waitForStarted(10000);
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

void SecondStartTest::workInAnotherProgram(const Display& display) {
    QProcessEnvironment environment = PrivateDesktop::environment(m_home->path());
    environment.insert(QStringLiteral("DISPLAY"), m_x->displayName());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess* other = launchProgram(QStringLiteral(OWN_WINDOW_PROGRAM), {}, environment);
    QVERIFY(waitFor([&] { return display.windowsOf(other->processId()).size() == 1; }));
    const uint32_t window = display.windowsOf(other->processId()).front();
    display.activate(window);
    QVERIFY(waitFor([&] { return display.activeWindow() == window; }));
}

QProcess* SecondStartTest::launch(const QStringList& arguments, const QByteArray& startupId) {
    QProcessEnvironment environment = PrivateDesktop::environment(m_home->path());
    environment.insert(QStringLiteral("DISPLAY"), m_x->displayName());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    if (!startupId.isEmpty()) {
        environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"), QString::fromLatin1(startupId));
    }
    return launchProgram(QStringLiteral(QUILLHOUR_BINARY), arguments, environment);
}

void SecondStartTest::secondStartBringsTheFirstForward() {
    Display display(m_x->displayName());
    QVERIFY(display.root != XCB_NONE);
    QProcess* first = launch({});
    QVERIFY(waitFor([&] { return display.windowsOf(first->processId()).size() == 1; }));
    const uint32_t quillhour = display.windowsOf(first->processId()).front();

    workInAnotherProgram(display);
    if (QTest::currentTestFailed()) {
        return;
    }

    // They start Quillhour again from the menu.
    display.listenForStartupMessages();
    const QByteArray startupId = "menu-2211-host_TIME0";
    QProcess* second = launch({}, startupId);
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    const QString said = QString::fromUtf8(second->readAllStandardOutput());
    QVERIFY2(said.contains(QStringLiteral("already running")), qPrintable(said));

    QVERIFY2(waitFor([&] { return display.activeWindow() == quillhour; }),
             "the running window was not brought forward");
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(display.windowsOf(first->processId()).size(), size_t(1));
    // The launcher's busy cursor ends: the start it showed is over.
    QVERIFY(waitFor(
        [&] { return display.startupMessages().contains("remove: ID=\"" + startupId + '"'); }));

    // Minimised, it comes back as well.
    xcb_client_message_event_t iconify = {};
    iconify.response_type = XCB_CLIENT_MESSAGE;
    iconify.format = 32;
    iconify.window = quillhour;
    iconify.type = display.atom("WM_CHANGE_STATE");
    iconify.data.data32[0] = 3; // IconicState
    xcb_send_event(display.xcb, 0, display.root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&iconify));
    xcb_flush(display.xcb);
    const xcb_atom_t wmState = display.atom("WM_STATE");
    auto state = [&] {
        const std::vector<uint32_t> values = values32(display.xcb, quillhour, wmState);
        return values.empty() ? 0u : values.front();
    };
    QVERIFY(waitFor([&] { return state() == 3; }));
    QProcess* third = launch({});
    QVERIFY(third->waitForFinished(30000));
    QCOMPARE(third->exitCode(), 0);
    QVERIFY(waitFor([&] { return state() == 1 && display.activeWindow() == quillhour; }));

    ::kill(pid_t(first->processId()), SIGTERM);
    QVERIFY(first->waitForFinished(20000));
    QCOMPARE(first->exitCode(), 0);
}

void SecondStartTest::secondStartDuringTheDatabaseQuestion() {
    QUILLHOUR_SQLITE_ONLY("a missing database file");
    // The stored database has gone: the first start asks for one and waits for an answer.
    QFile::remove(m_env->databasePath());
    Display display(m_x->displayName());
    QVERIFY(display.root != XCB_NONE);
    QProcess* first = launch({});
    QVERIFY(waitFor([&] { return display.windowsOf(first->processId()).size() == 1; }));
    const uint32_t question = display.windowsOf(first->processId()).front();
    workInAnotherProgram(display);
    if (QTest::currentTestFailed()) {
        return;
    }

    QProcess* second = launch({});
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitCode(), 0);
    QVERIFY2(waitFor([&] { return display.activeWindow() == question; }),
             "the question the first start waits on was not brought forward");
    QCOMPARE(display.windowsOf(first->processId()).size(), size_t(1));
}

bool SecondStartTest::xdotool(const QStringList& arguments) const {
    QProcessEnvironment environment = PrivateDesktop::environment(m_home->path());
    environment.insert(QStringLiteral("DISPLAY"), m_x->displayName());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(PrivateXServer::WaitMs) &&
           process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

void SecondStartTest::newAccountReachesARunningTimerFromOneWindow() {
    QUILLHOUR_SQLITE_ONLY("the default database file of a new account");
    QVERIFY(QFile::remove(m_home->filePath(QStringLiteral("config/Quillhour/Quillhour.conf"))));
    Display display(m_x->displayName());
    QVERIFY(display.root != XCB_NONE);
    QProcess* first = launch({});
    QVERIFY(waitFor([&] { return display.windowsOf(first->processId()).size() == 1; }));
    const uint32_t welcome = display.windowsOf(first->processId()).front();

    // Started once more meanwhile: the welcome window stays the only one, and comes forward.
    QProcess* second = launch({});
    QVERIFY(second->waitForFinished(30000));
    QCOMPARE(second->exitCode(), 0);
    QVERIFY(waitFor([&] { return display.activeWindow() == welcome; }));
    QCOMPARE(display.windowsOf(first->processId()).size(), size_t(1));

    // Enter takes what the window suggests, and the main window opens in its place.
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    uint32_t mainWindow = XCB_NONE;
    QVERIFY2(waitFor([&] {
                 const std::vector<uint32_t> windows = display.windowsOf(first->processId());
                 mainWindow =
                     windows.size() == 1 && windows.front() != welcome ? windows.front() : XCB_NONE;
                 return mainWindow != XCB_NONE && display.activeWindow() == mainWindow;
             }),
             "Enter on the welcome window did not lead to the main window");
    const QString path = m_home->filePath(QStringLiteral("data/Quillhour/quillhour.db"));
    QVERIFY(QFileInfo::exists(path));
    const auto db = Database::open(path);
    QCOMPARE(db->scalar(QStringLiteral("select count(*) from \"user\"")).toInt(), 1);
    QCOMPARE(db->scalar(QStringLiteral("select category from category")).toString(),
             QStringLiteral("General"));

    // One key more: Start has the focus, and Enter runs the timer.
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QVERIFY2(waitFor([&] {
                 return db->scalar(QStringLiteral("select count(*) from tallyRec where endTime "
                                                  "is null"))
                            .toInt() == 1;
             }),
             "Start did not have the focus");

    // A start now finds the window by the database the first one stored.
    QProcess* third = launch({});
    QVERIFY(third->waitForFinished(30000));
    QCOMPARE(third->exitCode(), 0);
    QVERIFY(QString::fromUtf8(third->readAllStandardOutput()).contains(QStringLiteral("already")));
    QCOMPARE(display.windowsOf(first->processId()).size(), size_t(1));

    ::kill(pid_t(first->processId()), SIGTERM);
    QVERIFY(first->waitForFinished(20000));
    QCOMPARE(first->exitCode(), 0);
}

void SecondStartTest::killedInstanceAndOtherDatabaseStartTheirOwn() {
    Display display(m_x->displayName());
    QVERIFY(display.root != XCB_NONE);
    QProcess* first = launch({});
    QVERIFY(waitFor([&] { return display.windowsOf(first->processId()).size() == 1; }));
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(10000));
    // What it left: the socket it listened on.
    const QDir runtime(m_home->filePath(QStringLiteral("runtime")));
    const QStringList left = runtime.entryList({QStringLiteral("quillhour-*")}, QDir::System);
    QVERIFY2(left.size() == 1, qPrintable(left.join(QLatin1Char(' '))));

    QProcess* next = launch({});
    QVERIFY2(waitFor([&] { return display.windowsOf(next->processId()).size() == 1; }),
             "a start after SIGKILL showed no window");
    QCOMPARE(next->state(), QProcess::Running);

    // Another database, same account and settings: a program of its own, beside the first.
    const QString otherLocation = m_env->newLocation(QStringLiteral("other.db"));
    Database::create(otherLocation)
        ->execute(QStringLiteral("insert into \"user\" (userName, active) values (?, ?)"),
                  {QStringLiteral("Ann"), false});
    QProcess* other = launch({QStringLiteral("--database"), otherLocation});
    QVERIFY2(waitFor([&] { return display.windowsOf(other->processId()).size() == 1; }),
             "a start on another database showed no window");
    QCOMPARE(next->state(), QProcess::Running);
    QCOMPARE(other->state(), QProcess::Running);

    for (QProcess* process : {next, other}) {
        ::kill(pid_t(process->processId()), SIGTERM);
        QVERIFY(process->waitForFinished(20000));
        QCOMPARE(process->exitCode(), 0);
    }
    // Closed properly, they leave nothing in the runtime folder.
    QVERIFY(runtime.entryList({QStringLiteral("quillhour-*")}, QDir::System).isEmpty());
}

QTEST_GUILESS_MAIN(SecondStartTest)
#include "tst_secondstart.moc"
