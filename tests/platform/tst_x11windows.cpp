#include "PrivateXServer.h"
#include "platform/desktop/X11WindowLister.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QtTest>
#include <functional>
#include <optional>
#include <xcb/xcb.h>

namespace {

constexpr uint32_t NormalState = 1;
constexpr uint32_t IconicState = 3;

// Polls until the condition holds, at most PrivateXServer::WaitMs.
bool waitFor(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(PrivateXServer::WaitMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

// The test's own X client: it makes windows with exactly the properties a case needs.
class TestClient {
public:
    explicit TestClient(const QString& display) {
        xcb = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        if (!xcb_connection_has_error(xcb)) {
            root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
        }
    }
    ~TestClient() { xcb_disconnect(xcb); }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool isOpen() const { return root != XCB_NONE && !xcb_connection_has_error(xcb); }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            xcb, xcb_intern_atom(xcb, 0, uint16_t(qstrlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : XCB_NONE;
        std::free(reply);
        return atom;
    }

    xcb_window_t createWindow(xcb_window_t parent = XCB_NONE) {
        const xcb_window_t window = xcb_generate_id(xcb);
        xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, parent ? parent : root, 10, 10, 120,
                          80, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return window;
    }

    // A window titled by _NET_WM_NAME alone, which is how current programs name theirs.
    xcb_window_t titled(const QString& title) {
        const xcb_window_t window = createWindow();
        setText(window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), title.toUtf8());
        return window;
    }

    void setText(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                 const QByteArray& bytes) {
        xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, property, type, 8,
                            uint32_t(bytes.size()), bytes.constData());
    }
    void set32(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
               const std::vector<uint32_t>& values) {
        xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, property, type, 32,
                            uint32_t(values.size()), values.data());
    }
    void setTypes(xcb_window_t window, const std::vector<const char*>& names) {
        std::vector<uint32_t> atoms;
        for (const char* name : names) {
            atoms.push_back(atom(name));
        }
        set32(window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, atoms);
    }
    void setWmState(xcb_window_t window, uint32_t state) {
        set32(window, atom("WM_STATE"), atom("WM_STATE"), {state, XCB_NONE});
    }

    void map(xcb_window_t window) { xcb_map_window(xcb, window); }

    // Asks the manager to minimise the window, as a program's minimise button does.
    void iconify(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_CHANGE_STATE");
        message.data.data32[0] = IconicState;
        sendToRoot(reinterpret_cast<const char*>(&message));
    }

    // Hides a managed window the way the rules for clients say: unmap, then tell the root.
    void withdraw(xcb_window_t window) {
        xcb_unmap_window(xcb, window);
        xcb_unmap_notify_event_t notice{};
        notice.response_type = XCB_UNMAP_NOTIFY;
        notice.event = root;
        notice.window = window;
        sendToRoot(reinterpret_cast<const char*>(&notice));
    }

    // One round trip: the server has handled everything this client sent before.
    void sync() { std::free(xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr)); }

    std::vector<uint32_t> values32(xcb_window_t window, xcb_atom_t property) {
        return ::values32(xcb, window, property);
    }
    std::vector<uint32_t> clientList() { return values32(root, atom("_NET_CLIENT_LIST")); }
    std::optional<uint32_t> wmState(xcb_window_t window) {
        const std::vector<uint32_t> values = values32(window, atom("WM_STATE"));
        return values.empty() ? std::nullopt : std::optional<uint32_t>(values.front());
    }
    bool listedByManager(xcb_window_t window) {
        const std::vector<uint32_t> list = clientList();
        return std::find(list.begin(), list.end(), window) != list.end();
    }
    xcb_window_t parentOf(xcb_window_t window) {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(xcb, xcb_query_tree(xcb, window), nullptr);
        const xcb_window_t parent = tree ? tree->parent : XCB_NONE;
        std::free(tree);
        return parent;
    }

    xcb_connection_t* xcb = nullptr;
    xcb_window_t root = XCB_NONE;

private:
    void sendToRoot(const char* event) {
        xcb_send_event(xcb, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       event);
        xcb_flush(xcb);
    }
};

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

// A display name no server answers on.
QString unusedDisplay() {
    for (int number = 5999; number > 1000; --number) {
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) &&
            !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) {
            return QStringLiteral(":%1").arg(number);
        }
    }
    return QStringLiteral(":5999");
}

// Puts DISPLAY back as it was when the case ends, however it ends.
class DisplayVariableGuard {
public:
    DisplayVariableGuard()
        : m_had(qEnvironmentVariableIsSet("DISPLAY"))
        , m_value(qgetenv("DISPLAY")) {}
    ~DisplayVariableGuard() {
        if (m_had) {
            qputenv("DISPLAY", m_value);
        } else {
            qunsetenv("DISPLAY");
        }
    }

private:
    bool m_had;
    QByteArray m_value;
};

} // namespace

class X11WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void emptyWithoutADisplay();
    void listsWhatATaskbarShows();
    void leavesOutThisInstancesQtWindow();
    void withoutAManagerReadsTheRootsChildren();
    void connectsAgainWhenTheServerComesBack();
};

void X11WindowsTest::emptyWithoutADisplay() {
    X11WindowLister nowhere(unusedDisplay(), std::chrono::milliseconds(0));
    QVERIFY(nowhere.windowTitles(0).isEmpty());
    QVERIFY(nowhere.windowTitles(0).isEmpty()); // and again: no leftovers of the first attempt
    QVERIFY(!nowhere.isConnected());

    X11WindowLister nonsense(QStringLiteral("not a display name"), std::chrono::milliseconds(0));
    QVERIFY(nonsense.windowTitles(0).isEmpty());

    DisplayVariableGuard guard;
    qunsetenv("DISPLAY");
    X11WindowLister fromEnvironment;
    QVERIFY(fromEnvironment.windowTitles(0).isEmpty());
    QVERIFY(!fromEnvironment.isConnected());
}

void X11WindowsTest::listsWhatATaskbarShows() {
    PrivateXServer server;
    QString why;
    QVERIFY2(server.start(why), qPrintable(why));
    QVERIFY2(server.startWindowManager(why), qPrintable(why));
    TestClient client(server.displayName());
    QVERIFY(client.isOpen());

    // Listed ones, in the order they are mapped (not alphabetical, so a sorted list shows).
    const QString quoted = QStringLiteral("Say \"hi\" to C:\\temp – Grüße, 日本語 🙂");
    const QString longTitle = QString(254, QLatin1Char('x')) + QStringLiteral("🙂") +
                              QString(45, QLatin1Char('y')); // 300 characters
    QMap<xcb_window_t, QString> expected;
    QList<xcb_window_t> mapped;
    auto show = [&](xcb_window_t window, const QString& listedAs = {}) {
        client.map(window);
        mapped.append(window);
        if (!listedAs.isNull()) {
            expected.insert(window, listedAs);
        }
    };

    const xcb_window_t editor = client.titled(QStringLiteral("Notes - editor"));
    show(editor, QStringLiteral("Notes - editor"));

    const xcb_window_t legacy = client.createWindow();
    client.setText(legacy, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Caf\xe9 ledger");
    show(legacy, QStringLiteral("Café ledger"));

    const xcb_window_t compound = client.createWindow();
    client.setText(compound, XCB_ATOM_WM_NAME, client.atom("COMPOUND_TEXT"),
                   "Caf\xe9 \x1b%G\xe2\x82\xac\x1b%@ prices");
    show(compound, QStringLiteral("Café € prices"));

    // Compound text as Xlib writes it in other locales: a set put in the right half (JIS X 0208
    // as EUC-JP bytes), in the left half (7-bit JIS), 96-character sets one after another
    // (Greek, then Cyrillic), Korean, and half-width katakana.
    const xcb_window_t japanese = client.createWindow();
    client.setText(japanese, XCB_ATOM_WM_NAME, client.atom("COMPOUND_TEXT"),
                   "\x1b$)B\xc6\xfc\xcb\xdc\xb8\xec - \xa5\xa8\xa5\xc7\xa5\xa3\xa5\xbf");
    show(japanese, QStringLiteral("日本語 - エディタ"));
    const xcb_window_t sevenBit = client.createWindow();
    client.setText(sevenBit, XCB_ATOM_WM_NAME, client.atom("COMPOUND_TEXT"),
                   "\x1b$(BF|K\\8l\x1b(B ok");
    show(sevenBit, QStringLiteral("日本語 ok"));
    const xcb_window_t cities = client.createWindow();
    client.setText(cities, XCB_ATOM_WM_NAME, client.atom("COMPOUND_TEXT"),
                   "\x1b-F\xc5\xeb\xeb\xdc\xe4\xe1, \x1b-L\xbc\xde\xe1\xda\xd2\xd0");
    show(cities, QStringLiteral("Ελλάδα, Москва"));
    const xcb_window_t korean = client.createWindow();
    client.setText(korean, XCB_ATOM_WM_NAME, client.atom("COMPOUND_TEXT"),
                   "\x1b$)C\xc7\xd1\xb1\xb9 1");
    show(korean, QStringLiteral("한국 1"));
    const xcb_window_t katakana = client.createWindow();
    client.setText(katakana, XCB_ATOM_WM_NAME, client.atom("COMPOUND_TEXT"),
                   "\x1b)I\xb6\xc0\xb6\xc5");
    show(katakana, QStringLiteral("ｶﾀｶﾅ"));

    // A character of several code points (a thumb with its skin tone) that would end past the
    // 255th is left out whole.
    const xcb_window_t toned =
        client.titled(QString(254, QLatin1Char('x')) + QStringLiteral("👍🏽z"));
    show(toned, QString(254, QLatin1Char('x')));

    const xcb_window_t quotes = client.titled(quoted);
    show(quotes, quoted);

    const xcb_window_t longOne = client.titled(longTitle);
    show(longOne, longTitle.left(256)); // 255 characters, the last one of two UTF-16 units

    const xcb_window_t dialog = client.titled(QStringLiteral("Print settings"));
    client.setTypes(dialog, {"_NET_WM_WINDOW_TYPE_DIALOG"});
    show(dialog, QStringLiteral("Print settings"));

    // Types a program does not know come first at times; the first known one counts.
    const xcb_window_t unknownThenNormal = client.titled(QStringLiteral("Mail"));
    client.setTypes(unknownThenNormal,
                    {"_EXAMPLE_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_NORMAL"});
    show(unknownThenNormal, QStringLiteral("Mail"));

    const xcb_window_t ownedShown = client.titled(QStringLiteral("Owned but on the taskbar"));
    client.set32(ownedShown, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, {editor});
    client.setTypes(ownedShown, {"_NET_WM_WINDOW_TYPE_NORMAL"});
    show(ownedShown, QStringLiteral("Owned but on the taskbar"));

    const xcb_window_t minimised = client.titled(QStringLiteral("Minimised calculator"));
    show(minimised, QStringLiteral("Minimised calculator"));

    // Left out.
    const xcb_window_t hidden = client.titled(QStringLiteral("Never shown"));
    const xcb_window_t withdrawn = client.titled(QStringLiteral("Shown, then hidden"));
    show(withdrawn);

    const xcb_window_t untitled = client.createWindow();
    client.setText(untitled, client.atom("_NET_WM_NAME"), client.atom("UTF8_STRING"), {});
    client.setText(untitled, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, {});
    show(untitled);

    for (const char* type : {"UTILITY", "TOOLBAR", "MENU", "DOCK", "DESKTOP", "SPLASH"}) {
        const xcb_window_t window = client.titled(QStringLiteral("Typed %1").arg(type));
        client.setTypes(window, {qPrintable(QStringLiteral("_NET_WM_WINDOW_TYPE_%1").arg(type))});
        show(window);
    }
    const xcb_window_t unknownThenUtility = client.titled(QStringLiteral("Palette"));
    client.setTypes(unknownThenUtility,
                    {"_EXAMPLE_WM_WINDOW_TYPE_OVERRIDE", "_NET_WM_WINDOW_TYPE_UTILITY"});
    show(unknownThenUtility);

    const xcb_window_t skipper = client.titled(QStringLiteral("Skips the taskbar"));
    client.set32(skipper, client.atom("_NET_WM_STATE"), XCB_ATOM_ATOM,
                 {client.atom("_NET_WM_STATE_SKIP_TASKBAR")});
    show(skipper);

    const xcb_window_t owned = client.titled(QStringLiteral("Find and replace"));
    client.set32(owned, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, {editor});
    show(owned);

    const xcb_window_t ownedDialog = client.titled(QStringLiteral("Save changes?"));
    client.set32(ownedDialog, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, {editor});
    client.setTypes(ownedDialog, {"_NET_WM_WINDOW_TYPE_DIALOG"});
    show(ownedDialog);

    const xcb_window_t own = client.titled(QStringLiteral("Quillhour"));
    show(own);

    // The manager has taken each one in: it has given each its WM_STATE.
    xcb_flush(client.xcb);
    QVERIFY(waitFor([&] {
        return std::all_of(mapped.begin(), mapped.end(),
                           [&](xcb_window_t window) { return client.wmState(window).has_value(); });
    }));
    client.iconify(minimised);
    client.withdraw(withdrawn);
    QVERIFY(waitFor([&] { return client.wmState(minimised) == IconicState; }));
    QVERIFY(waitFor([&] { return !client.listedByManager(withdrawn); }));
    QVERIFY(client.listedByManager(own));
    QVERIFY(!client.listedByManager(hidden));

    X11WindowLister lister(server.displayName());
    const QStringList titles = lister.windowTitles(own);
    QCOMPARE(sorted(titles), sorted(expected.values()));

    // Same order as the manager's own list.
    QStringList inManagersOrder;
    for (const uint32_t window : client.clientList()) {
        if (expected.contains(window)) {
            inManagersOrder.append(expected.value(window));
        }
    }
    QCOMPARE(titles, inManagersOrder);
    QVERIFY(titles != sorted(titles));

    // Only the window named as this instance's own is left out for being ours.
    QCOMPARE(lister.windowTitles(0), titles + QStringList{QStringLiteral("Quillhour")});
}

void X11WindowsTest::leavesOutThisInstancesQtWindow() {
    PrivateXServer server;
    QString why;
    QVERIFY2(server.start(why), qPrintable(why));
    QVERIFY2(server.startWindowManager(why), qPrintable(why));
    TestClient client(server.displayName());
    QVERIFY(client.isOpen());

    QProcess program; // its destructor ends the program, also when a check fails
    QProcessEnvironment environment = PrivateDesktop::withoutSessionBus();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), server.displayName());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(OWN_WINDOW_PROGRAM), QStringList{});
    QVERIFY(program.waitForStarted());
    QVERIFY(waitFor([&] {
        program.waitForReadyRead(20);
        return program.canReadLine() || program.state() == QProcess::NotRunning;
    }));
    bool ok = false;
    const quintptr winId = program.readLine().trimmed().toULongLong(&ok);
    QVERIFY(ok);
    QVERIFY(waitFor([&] { return client.listedByManager(xcb_window_t(winId)); }));
    // The manager has put a frame around it, and still lists the window Qt calls its own.
    QVERIFY(client.parentOf(xcb_window_t(winId)) != client.root);

    X11WindowLister lister(server.displayName());
    const QString title = QStringLiteral("Quillhour main window");
    QVERIFY(waitFor([&] { return lister.windowTitles(0) == QStringList{title}; }));
    QCOMPARE(lister.windowTitles(winId), QStringList{});
    program.kill();
    program.waitForFinished();
}

void X11WindowsTest::withoutAManagerReadsTheRootsChildren() {
    PrivateXServer server;
    QString why;
    QVERIFY2(server.start(why), qPrintable(why));
    TestClient client(server.displayName());
    QVERIFY(client.isOpen());

    const xcb_window_t plain = client.titled(QStringLiteral("Terminal"));
    client.setWmState(plain, NormalState);
    client.map(plain);

    // A manager of the old kind puts each client inside a frame of its own.
    const xcb_window_t frame = client.createWindow();
    const xcb_window_t framed = client.createWindow(frame);
    client.setText(framed, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, "Framed editor");
    client.setWmState(framed, NormalState);
    client.map(framed);
    client.map(frame);

    const xcb_window_t minimised = client.titled(QStringLiteral("Minimised player"));
    client.setWmState(minimised, IconicState);

    const xcb_window_t unmapped = client.titled(QStringLiteral("Unmapped"));
    client.setWmState(unmapped, NormalState);

    const xcb_window_t unmanaged = client.titled(QStringLiteral("No WM_STATE"));
    client.map(unmanaged);

    const xcb_window_t tool = client.titled(QStringLiteral("Toolbox"));
    client.setWmState(tool, NormalState);
    client.setTypes(tool, {"_NET_WM_WINDOW_TYPE_TOOLBAR"});
    client.map(tool);

    // A manager that has gone left its list and its check window behind: neither holds now.
    const xcb_window_t staleCheck = client.createWindow();
    client.set32(client.root, client.atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW,
                 {staleCheck});
    client.set32(client.root, client.atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, {unmanaged});
    client.sync();

    X11WindowLister lister(server.displayName());
    // Bottom to top, as the windows are stacked.
    QCOMPARE(lister.windowTitles(0),
             (QStringList{QStringLiteral("Terminal"), QStringLiteral("Framed editor"),
                          QStringLiteral("Minimised player")}));
    QCOMPARE(lister.windowTitles(framed),
             (QStringList{QStringLiteral("Terminal"), QStringLiteral("Minimised player")}));
}

void X11WindowsTest::connectsAgainWhenTheServerComesBack() {
    PrivateXServer server;
    QString why;
    QVERIFY2(server.start(why), qPrintable(why));
    const int number = server.displayNumber();
    auto openWindow = [&](const QString& title) {
        auto client = std::make_unique<TestClient>(server.displayName());
        const xcb_window_t window = client->titled(title);
        client->setWmState(window, NormalState);
        client->map(window);
        client->sync();
        return client;
    };

    X11WindowLister lister(server.displayName(), std::chrono::milliseconds(0));
    {
        const auto client = openWindow(QStringLiteral("Before"));
        QCOMPARE(lister.windowTitles(0), QStringList{QStringLiteral("Before")});
        QVERIFY(lister.isConnected());
        server.stop();
        QCOMPARE(lister.windowTitles(0), QStringList{});
        QVERIFY(!lister.isConnected());
    }
    // One that failed to connect waits before it tries again.
    X11WindowLister patient(QStringLiteral(":%1").arg(number), std::chrono::hours(1));
    QCOMPARE(patient.windowTitles(0), QStringList{});

    if (!server.startOn(number, why)) {
        QSKIP(
            qPrintable(QStringLiteral("display %1 was taken meanwhile: %2").arg(number).arg(why)));
    }
    const auto client = openWindow(QStringLiteral("After"));
    QCOMPARE(lister.windowTitles(0), QStringList{QStringLiteral("After")});
    QVERIFY(lister.isConnected());
    QCOMPARE(patient.windowTitles(0), QStringList{});
    QVERIFY(!patient.isConnected());
}

QTEST_GUILESS_MAIN(X11WindowsTest)
#include "tst_x11windows.moc"
