#include "MainWindowFixture.h"
#include "PrivateXServer.h"
#include "platform/desktop/X11WindowLister.h"
#include "users/ProcessList.h"
#include "widgets/KeyedTree.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <xcb/xcb.h>

// What one person's instance shares of real windows on a real X server (Xvfb with openbox), and
// what another person's instance on the same database shows of it, in each choice.
class SharingX11Test : public QObject {
    Q_OBJECT

private slots:
    void anotherInstanceSeesExactlyWhatIsShared();

private:
    // Windows with the title and WM_CLASS a test gives them, as programs make theirs.
    class Desktop {
    public:
        explicit Desktop(const QString& display)
            : m_xcb(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
            if (!xcb_connection_has_error(m_xcb)) {
                m_root = xcb_setup_roots_iterator(xcb_get_setup(m_xcb)).data->root;
            }
        }
        ~Desktop() { xcb_disconnect(m_xcb); }
        Desktop(const Desktop&) = delete;
        Desktop& operator=(const Desktop&) = delete;
        bool isOpen() const { return m_root != XCB_NONE; }

        // instance and className empty: a window that names no WM_CLASS.
        void open(const QString& title, const QByteArray& instance, const QByteArray& className) {
            const xcb_window_t window = xcb_generate_id(m_xcb);
            xcb_create_window(m_xcb, XCB_COPY_FROM_PARENT, window, m_root, 10, 10, 200, 100, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
            const QByteArray name = title.toUtf8();
            xcb_change_property(m_xcb, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_NAME"),
                                atom("UTF8_STRING"), 8, uint32_t(name.size()), name.constData());
            if (!className.isEmpty()) {
                const QByteArray both = instance + '\0' + className + '\0';
                xcb_change_property(m_xcb, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS,
                                    XCB_ATOM_STRING, 8, uint32_t(both.size()), both.constData());
            }
            xcb_map_window(m_xcb, window);
            xcb_flush(m_xcb);
        }

    private:
        xcb_atom_t atom(const char* name) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
                m_xcb, xcb_intern_atom(m_xcb, 0, uint16_t(qstrlen(name)), name), nullptr);
            const xcb_atom_t found = reply ? reply->atom : XCB_NONE;
            std::free(reply);
            return found;
        }
        xcb_connection_t* m_xcb;
        xcb_window_t m_root = XCB_NONE;
    };

    // Ann's instance, reading the windows of the X server.
    struct AnnsInstance {
        AnnsInstance(MainWindowFixture& f, const QString& display)
            : settings(f.folder() + QStringLiteral("/ann.ini"))
            , windows(display) {
            settings.setDatabase(f.location());
            settings.setUser(QStringLiteral("Ann"));
            settings.setValue(Settings::ShareWindowsKey, QStringLiteral("titles"));
            window = std::make_unique<frmMain>(frmMain::Services{
                f.clock, messages, settings, windows, folders, idle, f.passwords, f.ownFolder, {}});
        }
        ~AnnsInstance() { window->trmSystem->stop(); }
        void tick() {
            window->guard().runTick(QStringLiteral("trmSystem"),
                                    [this] { window->trmSystem_Timer(); });
        }
        void choose(const char* option) {
            window->findChild<QRadioButton*>(QString::fromLatin1(option))->click();
        }

        ScriptedMessages messages;
        Settings settings;
        X11WindowLister windows;
        RecordingFolderOpener folders;
        FakeIdleSource idle;
        std::unique_ptr<frmMain> window;
    };

    static QStringList rowsOf(MainWindowFixture& f, int userId) {
        QStringList names;
        for (const Row row : f.database().query(
                 QStringLiteral(
                     "select processName from process where userId = ? order by processId"),
                 {userId})) {
            names.append(row.text(0));
        }
        return names;
    }
    // What Bob's instance shows under Ann's node on its Users page.
    static QStringList shownOf(MainWindowFixture& bobs, int userId) {
        QStringList names;
        TreeNode* group = bobs.control<KeyedTree>(QStringLiteral("userTree"))
                              ->node(QStringLiteral("processes_%1").arg(userId));
        for (int i = 0; group != nullptr && i < group->childCount(); ++i) {
            names.append(group->childNode(i)->text());
        }
        return names;
    }
    static QStringList sorted(QStringList list) {
        list.sort();
        return list;
    }
};

void SharingX11Test::anotherInstanceSeesExactlyWhatIsShared() {
    PrivateXServer server;
    QString why;
    QVERIFY2(server.start(why), qPrintable(why));
    QVERIFY2(server.startWindowManager(why), qPrintable(why));
    Desktop desktop(server.displayName());
    QVERIFY(desktop.isOpen());
    desktop.open(QStringLiteral("Inbox (3) - Re: salary review - Mail"), "Mail", "Thunderbird");
    desktop.open(QStringLiteral("Plan - Mozilla Firefox"), "Navigator", "Firefox");
    desktop.open(QStringLiteral("Tickets - Mozilla Firefox"), "Navigator", "Firefox");
    desktop.open(QStringLiteral("Notes"), "xterm", "XTerm");
    desktop.open(QStringLiteral("Untitled program"), {}, {});
    const QStringList allTitles = {"Inbox (3) - Re: salary review - Mail", "Plan - Mozilla Firefox",
                                   "Tickets - Mozilla Firefox", "Notes", "Untitled program"};
    {
        X11WindowLister lister(server.displayName());
        QVERIFY(QTest::qWaitFor([&] { return lister.windowTitles(0).size() == 5; },
                                PrivateXServer::WaitMs));
    }

    // Bob's instance, with no windows of its own, is the one that watches.
    MainWindowFixture bob;
    const int ann = bob.addUser(QStringLiteral("Ann"));
    const int bobId = bob.addUser(QStringLiteral("Bob"));
    bob.addCategory(QStringLiteral("Design"));
    bob.settings.setUser(QStringLiteral("Bob"));
    QVERIFY(bob.load());
    QCOMPARE(bob.state().currentUser->userId, bobId);

    AnnsInstance anns(bob, server.displayName());
    QVERIFY(anns.window->Form_Load());
    anns.window->trmSystem->stop();

    // Titles: every window, in the manager's order.
    QCOMPARE(sorted(rowsOf(bob, ann)), sorted(allTitles));
    bob.systemTick();
    QCOMPARE(sorted(shownOf(bob, ann)), sorted(allTitles));

    // Application names: each class once; the window without one is not shared.
    anns.choose("optShareApplications");
    QCOMPARE(sorted(rowsOf(bob, ann)), (QStringList{"Firefox", "Thunderbird", "XTerm"}));
    bob.systemTick();
    QCOMPARE(sorted(shownOf(bob, ann)), (QStringList{"Firefox", "Thunderbird", "XTerm"}));

    // Hidden titles stay out of both modes.
    auto* hide = anns.window->findChild<QLineEdit*>(QStringLiteral("txtHideWindows"));
    hide->setText(QStringLiteral("*mail;plan*"));
    emit hide->editingFinished();
    QCOMPARE(sorted(rowsOf(bob, ann)), (QStringList{"Firefox", "XTerm"}));
    anns.choose("optShareTitles");
    QCOMPARE(sorted(rowsOf(bob, ann)),
             (QStringList{"Notes", "Tickets - Mozilla Firefox", "Untitled program"}));
    bob.systemTick();
    QCOMPARE(sorted(shownOf(bob, ann)),
             (QStringList{"Notes", "Tickets - Mozilla Firefox", "Untitled program"}));

    // Nothing: the rows are gone at once, and Bob's next tick shows none.
    anns.choose("optShareNothing");
    QCOMPARE(rowsOf(bob, ann), QStringList());
    bob.systemTick();
    QCOMPARE(shownOf(bob, ann), QStringList());
    // A window opened meanwhile is not shared either.
    desktop.open(QStringLiteral("New window"), "gedit", "Gedit");
    QVERIFY(QTest::qWaitFor([&] { return anns.windows.windowTitles(0).size() == 6; },
                            PrivateXServer::WaitMs));
    anns.tick();
    QCOMPARE(rowsOf(bob, ann), QStringList());
    QCOMPARE(anns.messages.shown().size(), 0);
    QCOMPARE(bob.messages.shown().size(), 0);
}

QTEST_MAIN(SharingX11Test)
#include "tst_sharingx11.moc"
