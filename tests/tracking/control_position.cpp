#include "MainWindowFixture.h"

#include <QApplication>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

// Prints where a control of the main window sits, as "x y" from the window's top-left corner:
// the window is built as the program builds it, for the same user and category, at the size
// given, on the display and platform of the caller. A test that clicks the real program's
// control through the X server needs that point.
//
// control_position <objectName> <width> <height> <user> <category>
int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 6) {
        QTextStream(stderr) << "usage: control_position <objectName> <width> <height> <user> "
                               "<category>\n";
        return 2;
    }
    MainWindowFixture f;
    f.addUser(arguments[4]);
    f.addCategory(arguments[5]);
    f.settings.setUser(arguments[4]);
    f.settings.setTrayIcon(false);
    if (!f.load()) {
        return 1;
    }
    frmMain& window = f.window();
    window.resize(arguments[2].toInt(), arguments[3].toInt());
    QCoreApplication::processEvents();
    const auto* control = window.findChild<QWidget*>(arguments[1]);
    if (control == nullptr || !control->isVisible()) {
        QTextStream(stderr) << "no visible control named " << arguments[1] << "\n";
        return 1;
    }
    const QPoint centre = control->mapTo(&window, control->rect().center());
    QTextStream(stdout) << centre.x() << ' ' << centre.y() << '\n';
    window.tmrTime->stop();
    return 0;
}
