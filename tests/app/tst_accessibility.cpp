#include "MainWindowFixture.h"
#include "app/frmHelp.h"
#include "categories/frmBrowse.h"
#include "categories/frmDatePicker.h"
#include "tracking/IdleWatch.h"
#include "tracking/Reminders.h"
#include "tracking/frmIdle.h"
#include "tracking/frmReminder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QTabBar>
#include <QtTest>

namespace {

// The widgets under root that the keyboard can reach and a screen reader would name with
// nothing: their object names.
QStringList unnamedFocusable(QWidget* root) {
    QStringList unnamed;
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* each : widgets) {
        // Lists of drop-down boxes are windows of their own, named by their box.
        if (!(each->focusPolicy() & Qt::TabFocus) || each->focusProxy() != nullptr ||
            each->window() != root->window()) {
            continue;
        }
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(each);
        if (reader == nullptr || reader->text(QAccessible::Name).trimmed().isEmpty()) {
            QString name = each->objectName();
            for (QWidget* up = each->parentWidget(); name.isEmpty() && up != nullptr;
                 up = up->parentWidget()) {
                name = QStringLiteral("(a %1 in %2)")
                           .arg(QString::fromLatin1(each->metaObject()->className()),
                                up->objectName());
            }
            unnamed.append(name);
        }
    }
    return unnamed;
}

} // namespace

// Every control the keyboard reaches tells a screen reader what it is.
class AccessibilityTest : public QObject {
    Q_OBJECT

private slots:
    void mainWindowControlsAreNamed();
    void dialogsAreNamed();
};

void AccessibilityTest::mainWindowControlsAreNamed() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    const int design = f.addCategory(QStringLiteral("Design"), 0, ann);
    f.addOpenTime(design, ann, f.clock.now().addSecs(-600));
    QVERIFY(f.load());
    // Every page as the user opens it, so that what a page makes on opening is there too.
    for (int page = 0; page < f.window().tabs->count(); ++page) {
        f.window().tabs->setCurrentIndex(page);
    }
    const QStringList unnamed = unnamedFocusable(&f.window());
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
}

void AccessibilityTest::dialogsAreNamed() {
    MainWindowFixture f;
    const int ann = f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"), 0, ann);
    QVERIFY(f.load());
    frmHelp help(&f.window());
    frmBrowse browse(f.folder(), &f.window());
    frmDatePicker dates(&f.window());
    const QList<QWidget*> dialogs = {&f.window().reminders().window(), &help, &browse, &dates,
                                     &f.window().idleWatch().window()};
    for (QWidget* dialog : dialogs) {
        const QStringList unnamed = unnamedFocusable(dialog);
        QVERIFY2(unnamed.isEmpty(), qPrintable(dialog->objectName() + QStringLiteral(": ") +
                                               unnamed.join(QStringLiteral(", "))));
    }
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
