#pragma once

#include <QApplication>

// The application object of the program. Every handler runs through the error guard already;
// should anything still throw out of one, it ends here, is written to standard error, and the
// program goes on, instead of ending in std::terminate.
class GuardedApplication final : public QApplication {
    Q_OBJECT

public:
    GuardedApplication(int& argc, char** argv)
        : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override;
};
