#include "MainWindowFixture.h"
#include "app/QtMessages.h"
#include "categories/CategoryTree.h"
#include "reports/TimeRecordsGrid.h"
#include "tracking/TimeEntryEditor.h"
#include "tracking/frmTimeEntry.h"
#include "widgets/ElidedLabel.h"
#include "widgets/KeyedTree.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QtTest>

// Text people typed into the shared database reads back as they typed it: a name that looks like
// markup shows as those characters in labels, message boxes and tool-tips, and a text the
// engines cannot keep is refused with the same clear words on both.
class TypedTextTest : public QObject {
    Q_OBJECT

private slots:
    void markupReadsAsTyped();
    void nulCharacterIsRefused();
};

void TypedTextTest::markupReadsAsTyped() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int bob = f.addUser(QStringLiteral("Bob"));
    f.addUser(QStringLiteral("Carol"));
    const QString name = QStringLiteral("<h1>Pay Bob</h1>");
    const int pay = f.addCategory(name, 0, bob);
    f.addTime(pay, ann, f.clock.now().addSecs(-7200), f.clock.now().addSecs(-3600), 60);
    QVERIFY(f.load());
    // Carol opens Ann's time: the dialog says who may change it, naming the category.
    frmMain& window = f.window();
    window.categories().selectCategoryByNode(
        window.categoryTree->node(QStringLiteral("id_%1").arg(pay)));
    window.tabs->setCurrentIndex(frmMain::ReportsTab);
    auto* grid = f.control<QTableView>(QStringLiteral("grid"));
    grid->setCurrentIndex(grid->model()->index(0, 1));
    window.timeRecords().cmdEditTime_Click();
    QVERIFY(window.timeEntries().dialog()->lblRights->text().contains(name));
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        QCOMPARE(shownText(label->text(), label->textFormat()), label->text());
    }

    // A message box as the program shows it, and the tool-tip of a name cut short.
    QtMessages boxes(f.folder());
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        shown = shownText(label->text(), label->textFormat());
        box->accept();
    });
    boxes.show(name, QString(), Messages::Buttons::Ok, Messages::Icon::Information);
    QCOMPARE(shown, name);
    ElidedLabel cut(name.repeated(20));
    cut.resize(60, 20);
    cut.show();
    QCOMPARE(hoverText(&cut, QPoint(2, 2)), cut.text());
}

void TypedTextTest::nulCharacterIsRefused() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    QVERIFY(f.load());
    f.window().tabs->setCurrentIndex(frmMain::UsersTab);
    f.control<QLineEdit>(QStringLiteral("txtUserName"))
        ->setText(QStringLiteral("Pay") + QChar(QChar::Null) + QStringLiteral("Bob"));
    f.control<QPushButton>(QStringLiteral("cmdSaveUser"))->click();
    QCOMPARE(f.messages.last().text,
             QStringLiteral("The text \"Pay\u2400Bob\" holds a NUL character (shown as \u2400), "
                            "which the database cannot keep, so it was not saved. Remove the "
                            "character and try again; it often comes along with text pasted from "
                            "another program."));
    QCOMPARE(
        f.count(QStringLiteral("user"), QStringLiteral("userName = ?"), {QStringLiteral("Ann")}),
        1);
}

QTEST_MAIN(TypedTextTest)
#include "tst_typedtext.moc"
