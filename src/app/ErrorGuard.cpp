#include "app/ErrorGuard.h"

#include "data/DatabaseError.h"
#include "data/KeyedCollection.h"
#include "platform/Messages.h"

#include <QDebug>

QString ErrorGuard::describe(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const DatabaseError& error) {
        return error.message();
    } catch (const CollectionError& error) {
        return error.message();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("An unexpected error occurred.");
    }
}

bool ErrorGuard::attempt(const std::function<void()>& work, QString& failure) {
    ++m_depth;
    try {
        work();
        --m_depth;
        return true;
    } catch (...) {
        --m_depth;
        failure = describe(std::current_exception());
        return false;
    }
}

bool ErrorGuard::run(const std::function<void()>& work) {
    QString failure;
    if (attempt(work, failure)) {
        return true;
    }
    qWarning().noquote() << "Quillhour:" << failure;
    m_messages->show(failure, QString(), Messages::Buttons::Ok, Messages::Icon::Critical);
    return false;
}

bool ErrorGuard::runTick(const QString& timer, const std::function<void()>& work) {
    QString failure;
    if (attempt(work, failure)) {
        m_failingTimers.remove(timer);
        return true;
    }
    if (!m_failingTimers.contains(timer)) {
        m_failingTimers.insert(timer);
        qWarning().noquote() << "Quillhour:" << timer << failure;
        m_messages->show(failure, QString(), Messages::Buttons::Ok, Messages::Icon::Critical);
    }
    return false;
}
