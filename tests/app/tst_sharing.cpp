#include "MainWindowFixture.h"
#include "tracking/TaskTimer.h"
#include "users/UserList.h"
#include "widgets/KeyedTree.h"

#include <QDir>
#include <QtTest>

// Two instances on one database, each with its own user, settings and desktop: each sees the
// other at work and the other's windows under that user.
class SharingTest : public QObject {
    Q_OBJECT

private slots:
    void instancesSeeEachOther();
    void namesWrittenRightToLeftStayInTheirPlace();

private:
    struct SecondInstance {
        SecondInstance(MainWindowFixture& f, const QString& userName,
                       const QStringList& windowTitles)
            : settings(f.folder() + QStringLiteral("/second.ini"))
            , windows(windowTitles) {
            settings.setDatabase(f.location());
            settings.setUser(userName);
            settings.setValue(Settings::ShareWindowsKey, QStringLiteral("titles"));
            window = std::make_unique<frmMain>(
                frmMain::Services{f.clock, messages, settings, windows, folders, idle, f.passwords,
                                  f.ownFolder, QString()});
        }
        ~SecondInstance() {
            window->trmSystem->stop();
            window->tmrTime->stop();
        }
        void tick() {
            window->guard().runTick(QStringLiteral("trmSystem"),
                                    [this] { window->trmSystem_Timer(); });
        }

        ScriptedMessages messages;
        Settings settings;
        FixedWindowLister windows;
        RecordingFolderOpener folders;
        FakeIdleSource idle;
        std::unique_ptr<frmMain> window;
    };

    static KeyedTree* userTree(frmMain& window) {
        return window.findChild<KeyedTree*>(QStringLiteral("userTree"));
    }
    static QStringList windowsOf(frmMain& window, int userId) {
        QStringList titles;
        TreeNode* group = userTree(window)->node(QStringLiteral("processes_%1").arg(userId));
        for (int i = 0; group != nullptr && i < group->childCount(); ++i) {
            titles.append(group->childNode(i)->text());
        }
        return titles;
    }
};

void SharingTest::instancesSeeEachOther() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.addCategory(QStringLiteral("Design"));
    f.settings.setUser(QStringLiteral("Ann"));
    f.windows.setTitles({QStringLiteral("Ann's editor")});
    QVERIFY(f.load());

    SecondInstance second(f, QStringLiteral("Bob"),
                          {QStringLiteral("Bob's browser"), QStringLiteral("Bob's shell")});
    QVERIFY(second.window->Form_Load());
    second.window->trmSystem->stop();
    QCOMPARE(second.window->state().currentUser->userId, bob);

    // One housekeeping tick each, as within two seconds of both running.
    f.systemTick();
    second.tick();
    f.systemTick();

    const QColor active(128, 255, 128);
    QCOMPARE(userTree(f.window())->node(QStringLiteral("uid_%1").arg(bob))->backColor(), active);
    QCOMPARE(userTree(*second.window)->node(QStringLiteral("uid_%1").arg(ann))->backColor(),
             active);
    QCOMPARE(windowsOf(f.window(), bob), (QStringList{"Bob's browser", "Bob's shell"}));
    QCOMPARE(windowsOf(*second.window, ann), QStringList{"Ann's editor"});
    QCOMPARE(userTree(f.window())->node(QStringLiteral("processes_%1").arg(bob))->text(),
             QStringLiteral("2 Processes"));

    // Bob closes his instance: his windows go, and Ann's next tick shows it.
    second.window->close();
    f.systemTick();
    QCOMPARE(windowsOf(f.window(), bob), QStringList());
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {bob})
                 .toBool(),
             false);
    QCOMPARE(second.messages.shown().size(), 0);
}

void SharingTest::namesWrittenRightToLeftStayInTheirPlace() {
    // Bob named his category with a right-to-left override and works on it; Ann sees his task.
    // The name must not turn the rest of her line around ("(00:10)" read as ")01:00(").
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    const QString turned = QStringLiteral("Design\u202e");
    const int design = f.addCategory(turned, 0, ann);
    const int task = f.addOpenTime(design, bob, f.clock.now().addSecs(-600));
    f.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    const QString isolated = QStringLiteral("\u2068") + turned + QStringLiteral("\u2069");
    TreeNode* node = userTree(f.window())->node(QStringLiteral("tid_%1").arg(task));
    QVERIFY(node != nullptr);
    QVERIFY2(node->text().startsWith(isolated + QStringLiteral(" - (00:10)")),
             qPrintable(node->text()));

    // Bob's instance tells Ann, the category's manager, that the category went over its
    // maximum; the stored message keeps the name apart too.
    f.database().execute(QStringLiteral("update category set maxAllocation = 1, "
                                        "maxAllocationPeriodId = 1 where categoryId = ?"),
                         {design});
    f.database().execute(QStringLiteral("update tallyRec set startTime = ? where timeId = ?"),
                         {f.clock.now().addSecs(-2 * 3600), task});
    SecondInstance second(f, QStringLiteral("Bob"), {});
    QVERIFY(second.window->Form_Load());
    second.window->trmSystem->stop();
    second.window->taskTimer().processTasks();
    const QString message =
        f.database()
            .scalar(QStringLiteral("select message from notification where fromUserId = ? and "
                                   "message like 'Work on %'"),
                    {bob})
            .toString();
    QCOMPARE(message, QStringLiteral("Work on ") + isolated +
                          QStringLiteral(" has exceeded maximum time allocated"));
}

QTEST_MAIN(SharingTest)
#include "tst_sharing.moc"
