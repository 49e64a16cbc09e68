#include "MainWindowFixture.h"
#include "PrivateDisplay.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QtTest>

// Two people correcting one time row at once, each in a real main window on an X server of the
// test's own and on a connection of their own: a later Save never undoes what the other saved.
class OneRowTwoWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void laterSaveKeepsTheEarlierChange();
};

void OneRowTwoWindowsTest::laterSaveKeepsTheEarlierChange() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    // Bob manages Design, where Ann's row of an hour from 9:00 is; each opens it.
    MainWindowFixture bobs;
    const int ann = bobs.addUser(QStringLiteral("Ann"));
    const int design =
        bobs.addCategory(QStringLiteral("Design"), 0, bobs.addUser(QStringLiteral("Bob")));
    const QDateTime nine(QDate(2026, 12, 5), QTime(9, 0));
    const int row = bobs.addTime(design, ann, nine, nine.addSecs(3600), 60);
    MainWindowFixture anns;
    anns.settings.setDatabase(bobs.location());
    anns.settings.setUser(QStringLiteral("Ann"));
    QVERIFY(bobs.load() && anns.load());
    QVERIFY(QTest::qWaitForWindowExposed(&anns.window()));
    frmTimeEntry* bobsDialog = bobs.openFirstTimeRow();
    frmTimeEntry* annsDialog = anns.openFirstTimeRow();
    QVERIFY(bobsDialog != nullptr && annsDialog != nullptr);
    auto minutes = [&] {
        return bobs.database()
            .scalar(QStringLiteral("select duration from tallyRec where timeId = ?"), {row})
            .toInt();
    };

    // Bob saves a start at 8:30; Ann, whose dialog still shows 9:00, changes only the end.
    bobsDialog->txtStartTime->setTime(QTime(8, 30));
    QTest::mouseClick(bobsDialog->cmdSave, Qt::LeftButton);
    // ...and then moves it to a category made since both windows read theirs.
    const int print = bobs.addCategory(QStringLiteral("Print"));
    bobs.database().execute(QStringLiteral("update tallyRec set categoryId = ? where timeId = ?"),
                            {print, row});
    annsDialog->txtEndTime->setTime(QTime(10, 15));
    QTest::mouseClick(annsDialog->cmdSave, Qt::LeftButton);
    // Nothing of hers is written; she is told, and sees the row as Bob left it.
    QCOMPARE(anns.messages.texts(),
             QStringList{QStringLiteral("Someone else changed this time entry meanwhile, and "
                                        "nothing was saved. It is shown as it is now.")});
    QCOMPARE(annsDialog->txtStartTime->time(), QTime(8, 30));
    QCOMPARE(annsDialog->txtMinutes->value(), 90);
    QCOMPARE(annsDialog->cboCategory->currentData().toInt(), print);
    QCOMPARE(minutes(), 90);
    QCOMPARE(bobs.count(QStringLiteral("tallyRecChange")), 1);
    // Made again on the row as it is now, her change keeps his.
    annsDialog->txtEndTime->setTime(QTime(10, 15));
    QTest::mouseClick(annsDialog->cmdSave, Qt::LeftButton);
    QCOMPARE(minutes(), 105);
    QCOMPARE(bobs.database()
                 .scalar(QStringLiteral("select categoryId from tallyRec where timeId = ?"), {row})
                 .toInt(),
             print);
    QCOMPARE(bobs.count(QStringLiteral("tallyRecChange")), 2);
}

int main(int argc, char* argv[]) {
    OneRowTwoWindowsTest test;
    return privateDisplayTestMain(argc, argv, test);
}

#include "tst_onerowtwowindows.moc"
