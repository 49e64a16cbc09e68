#include "MainWindowFixture.h"
#include "users/ProcessList.h"
#include "users/UserList.h"
#include "widgets/KeyedTree.h"

#include <QtTest>

// The published window lists: this user's titles written to the table, every user's shown
// under that user's node.
class ProcessesTest : public QObject {
    Q_OBJECT

private slots:
    void groupTextsFollowTheWindowCount();
    void singleWindowGroup();
    void otherUsersWindowsAppearUnderTheirNode();
    void rowsOfUnknownUsersAreLeftOut();
    void titlesAreStoredExactly();
    void longTitlesAreCutBetweenCharacters();
    void changedWindowsReplaceTheRows();
    void closingDeletesOwnRowsOnly();

private:
    static KeyedTree* tree(MainWindowFixture& f) {
        return f.control<KeyedTree>(QStringLiteral("userTree"));
    }
    static QStringList windowTexts(TreeNode* group) {
        QStringList texts;
        for (int i = 0; i < group->childCount(); ++i) {
            texts.append(group->childNode(i)->text());
        }
        return texts;
    }
    static QStringList storedTitles(MainWindowFixture& f, int userId) {
        QStringList titles;
        for (const Row row : f.database().query(
                 QStringLiteral(
                     "select processName from process where userId = ? order by processId"),
                 {userId})) {
            titles.append(row.text(0));
        }
        return titles;
    }
};

void ProcessesTest::groupTextsFollowTheWindowCount() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.windows.setTitles(
        {QStringLiteral("Terminal"), QStringLiteral("Mail"), QStringLiteral("Editor")});
    QVERIFY(f.load());
    TreeNode* group = tree(f)->node(QStringLiteral("processes_%1").arg(ann));
    QVERIFY(group != nullptr);
    QCOMPARE(group->parentNode()->key(), QStringLiteral("uid_%1").arg(ann));
    QCOMPARE(group->text(), QStringLiteral("3 Processes"));
    QCOMPARE(windowTexts(group), (QStringList{"Terminal", "Mail", "Editor"}));
    f.systemTick();
    QCOMPARE(group->text(), QStringLiteral("3 Processes"));
    QCOMPARE(storedTitles(f, ann), (QStringList{"Terminal", "Mail", "Editor"}));
    QCOMPARE(f.state().allProcesses->Count(), 3);
    QCOMPARE(f.state().allProcesses->Item(1).userId, ann);
    QVERIFY(tree(f)->owns(f.state().allProcesses->Item(2).processNode));
}

void ProcessesTest::singleWindowGroup() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.windows.setTitles({QStringLiteral("Terminal")});
    QVERIFY(f.load());
    TreeNode* group = tree(f)->node(QStringLiteral("processes_%1").arg(ann));
    QCOMPARE(group->text(), QStringLiteral("Processes"));
    f.systemTick();
    QCOMPARE(group->text(), QStringLiteral("1 Process"));
    // All windows closed: no group is left to count windows that are gone.
    f.windows.setTitles({});
    f.systemTick();
    QVERIFY(!tree(f)->exists(QStringLiteral("processes_%1").arg(ann)));
    QCOMPARE(f.count(QStringLiteral("process")), 0);
}

void ProcessesTest::otherUsersWindowsAppearUnderTheirNode() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    f.windows.setTitles({QStringLiteral("Ann's editor")});
    QVERIFY(f.load());
    QVERIFY(!tree(f)->exists(QStringLiteral("processes_%1").arg(bob)));
    // Bob's instance writes his windows; the next tick shows them.
    for (const char* title : {"Bob's browser", "Bob's shell"}) {
        f.database().execute(
            QStringLiteral("insert into process (userId, processName) values (?, ?)"),
            {bob, QString::fromUtf8(title)});
    }
    f.systemTick();
    TreeNode* group = tree(f)->node(QStringLiteral("processes_%1").arg(bob));
    QVERIFY(group != nullptr);
    QCOMPARE(group->parentNode()->key(), QStringLiteral("uid_%1").arg(bob));
    QCOMPARE(group->text(), QStringLiteral("2 Processes"));
    QCOMPARE(windowTexts(group), (QStringList{"Bob's browser", "Bob's shell"}));
    QCOMPARE(windowTexts(tree(f)->node(QStringLiteral("processes_%1").arg(ann))),
             QStringList{"Ann's editor"});
    // Bob closes one window.
    f.database().execute(QStringLiteral("delete from process where processName = ?"),
                         {QStringLiteral("Bob's shell")});
    f.systemTick();
    QCOMPARE(windowTexts(group), QStringList{"Bob's browser"});
    QCOMPARE(group->text(), QStringLiteral("1 Process"));
    // Bob's instance closes: his count goes with his windows.
    f.database().execute(QStringLiteral("delete from process where userId = ?"), {bob});
    f.systemTick();
    QVERIFY(!tree(f)->exists(QStringLiteral("processes_%1").arg(bob)));
    QVERIFY(tree(f)->exists(QStringLiteral("processes_%1").arg(ann)));
}

void ProcessesTest::rowsOfUnknownUsersAreLeftOut() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.windows.setTitles({QStringLiteral("Mine")});
    QVERIFY(f.load());
    f.messages.clear();
    f.database().execute(
        QStringLiteral("insert into process (userId, processName) values (999, 'Ghost')"));
    f.systemTick();
    QCOMPARE(f.messages.shown().size(), 0);
    QVERIFY(!tree(f)->exists(QStringLiteral("processes_999")));
    QCOMPARE(f.state().allProcesses->Count(), 2);
}

void ProcessesTest::titlesAreStoredExactly() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const QStringList titles = {QStringLiteral("\"Quoted\" — it's C:\\temp"),
                                QStringLiteral("Zoë's 日本語 notes; --"),
                                QString(300, QLatin1Char('x'))};
    f.windows.setTitles(titles);
    QVERIFY(f.load());
    QCOMPARE(storedTitles(f, ann),
             (QStringList{titles[0], titles[1], QString(255, QLatin1Char('x'))}));
}

void ProcessesTest::longTitlesAreCutBetweenCharacters() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    // The 255th character is an emoji, two UTF-16 units; and a flag that would end past it.
    const QString emoji = QString(254, QLatin1Char('x')) + QStringLiteral("🙂") + QString(9, 'y');
    const QString flag = QString(254, QLatin1Char('z')) + QStringLiteral("🇯🇵 Tokyo");
    f.windows.setTitles({emoji, flag});
    QVERIFY(f.load());
    const QStringList cut = {emoji.left(256), QString(254, QLatin1Char('z'))};
    QCOMPARE(storedTitles(f, ann), cut);
    // What was stored reads back the same, so the next tick leaves the rows alone.
    const QVariant firstId =
        f.database().scalar(QStringLiteral("select min(processId) from process"));
    f.systemTick();
    f.systemTick();
    QCOMPARE(f.database().scalar(QStringLiteral("select min(processId) from process")), firstId);
    QCOMPARE(storedTitles(f, ann), cut);
}

void ProcessesTest::changedWindowsReplaceTheRows() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.windows.setTitles({QStringLiteral("One"), QStringLiteral("Two")});
    QVERIFY(f.load());
    const QVariant firstId =
        f.database().scalar(QStringLiteral("select min(processId) from process"));
    f.systemTick();
    // Nothing changed on the desktop: the rows stay as they were.
    QCOMPARE(f.database().scalar(QStringLiteral("select min(processId) from process")), firstId);
    f.windows.setTitles({QStringLiteral("Two"), QStringLiteral("Three")});
    f.systemTick();
    QCOMPARE(storedTitles(f, ann), (QStringList{"Two", "Three"}));
    TreeNode* group = tree(f)->node(QStringLiteral("processes_%1").arg(ann));
    QCOMPARE(windowTexts(group), (QStringList{"Two", "Three"}));
    QCOMPARE(group->text(), QStringLiteral("2 Processes"));
}

void ProcessesTest::closingDeletesOwnRowsOnly() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.settings.setUser(QStringLiteral("Ann"));
    f.database().execute(
        QStringLiteral("insert into process (userId, processName) values (?, 'Bob''s window')"),
        {bob});
    f.windows.setTitles({QStringLiteral("Mine")});
    QVERIFY(f.load());
    QCOMPARE(f.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {ann}), 1);
    f.window().close();
    QCOMPARE(f.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {ann}), 0);
    QCOMPARE(f.count(QStringLiteral("process"), QStringLiteral("userId = ?"), {bob}), 1);
    QCOMPARE(f.database()
                 .scalar(QStringLiteral("select active from \"user\" where userId = ?"), {ann})
                 .toInt(),
             0);
}

QTEST_MAIN(ProcessesTest)
#include "tst_processes.moc"
