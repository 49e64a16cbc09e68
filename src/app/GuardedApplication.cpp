#include "app/GuardedApplication.h"

#include "session/ErrorGuard.h"

#include <QDebug>

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        qWarning().noquote() << "Quillhour:" << ErrorGuard::describe(std::current_exception());
        return false;
    }
}
