// Shows one top-level Qt main window, as the program shows its own, and prints the window's
// native id on its standard output. Runs until it is ended.
#include <QApplication>
#include <QMainWindow>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Quillhour main window"));
    window.resize(320, 240);
    window.show();
    std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
    std::fflush(stdout);
    return QApplication::exec();
}
