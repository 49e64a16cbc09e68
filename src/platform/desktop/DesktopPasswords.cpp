#include "platform/desktop/DesktopPasswords.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("Quillhour");

// One entry per server, database and user, as a person would write the address.
QString entryName(const PasswordStore::Key& key) {
    return QStringLiteral("postgresql://%1@%2:%3/%4")
        .arg(key.user, key.host.isEmpty() ? QStringLiteral("localhost") : key.host)
        .arg(key.port)
        .arg(key.database);
}

QString unanswered() {
    // Worked out apart: lupdate loses its way in template arguments among translate()'s own.
    const auto seconds = std::chrono::ceil<std::chrono::seconds>(DesktopPasswords::Patience);
    return QCoreApplication::translate("DesktopPasswords", "it did not answer within %n second(s)",
                                       nullptr, int(seconds.count()));
}

// Runs a job until it ends or the patience runs out; false when it had not ended. Such a job is
// left to end on its own, and deletes itself then.
bool runWithin(std::unique_ptr<QKeychain::Job>& job) {
    job->setAutoDelete(false);
    // Never the plain-text fallback some builds offer: that is the very file to keep it out of.
    job->setInsecureFallback(false);
    bool ended = false;
    QEventLoop loop;
    QObject::connect(job.get(), &QKeychain::Job::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    QTimer::singleShot(DesktopPasswords::Patience, &loop, &QEventLoop::quit);
    job->start();
    if (!ended) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!ended) {
        job->setAutoDelete(true);
        job.release(); // deleted when it ends
    }
    return ended;
}

// A call to the Secret Service that answers within the patience; the reply, or the error.
QDBusMessage askSecretService(QDBusConnection& bus, const QString& path, const QString& interface,
                              const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"),
                                                       path, interface, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, int(DesktopPasswords::Patience.count()));
}

bool timedOut(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Timeout"));
}

} // namespace

DesktopPasswords::DesktopPasswords(QString pgpassPath)
    : m_file(std::move(pgpassPath))
    , m_where(secretStoreName()) {}

QString DesktopPasswords::secretStoreName() {
    return QStringLiteral("the desktop's secret store");
}

bool DesktopPasswords::secretStoreUsable(QString& why) {
    if (!m_silent.isEmpty()) {
        why = m_silent;
        return false;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        why = QCoreApplication::translate("DesktopPasswords", "there is no session bus");
        return false;
    }
    // The Secret Service is asked first which keyring new passwords go to, and whether that one
    // is open: writing to none, or to a locked one, makes it show a prompt and wait for it.
    const QDBusMessage alias =
        askSecretService(bus, QStringLiteral("/org/freedesktop/secrets"),
                         QStringLiteral("org.freedesktop.Secret.Service"),
                         QStringLiteral("ReadAlias"), {QStringLiteral("default")});
    if (alias.type() == QDBusMessage::ErrorMessage) {
        if (alias.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")) {
            return true; // no Secret Service; QtKeychain may still find KWallet
        }
        why = timedOut(alias) ? (m_silent = unanswered()) : alias.errorMessage();
        return false;
    }
    const QString keyring = qdbus_cast<QDBusObjectPath>(alias.arguments().value(0)).path();
    if (keyring.isEmpty() || keyring == QLatin1String("/")) {
        why = QCoreApplication::translate(
            "DesktopPasswords",
            "it has no default keyring, and making one would ask for a password");
        return false;
    }
    if (keyring.endsWith(QLatin1String("/collection/session"))) {
        why = QCoreApplication::translate("DesktopPasswords",
                                          "its default keyring is forgotten when the session ends");
        return false;
    }
    const QDBusMessage locked = askSecretService(
        bus, keyring, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Locked")});
    if (locked.type() == QDBusMessage::ErrorMessage) {
        why = timedOut(locked) ? (m_silent = unanswered()) : locked.errorMessage();
        return false;
    }
    if (qdbus_cast<QDBusVariant>(locked.arguments().value(0)).variant().toBool()) {
        why = QCoreApplication::translate(
            "DesktopPasswords", "its keyring is locked, and opening it would ask for a password");
        return false;
    }
    return true;
}

QString DesktopPasswords::storeInSecretStore(const Key& key, const QString& password) {
    auto* writing = new QKeychain::WritePasswordJob(Service);
    writing->setKey(entryName(key));
    writing->setTextData(password);
    std::unique_ptr<QKeychain::Job> write(writing);
    if (!runWithin(write)) {
        return m_silent = unanswered();
    }
    if (write->error() != QKeychain::NoError) {
        return write->errorString();
    }
    // A store can say it kept a password it then does not have (a prompt that went away).
    auto* reading = new QKeychain::ReadPasswordJob(Service);
    reading->setKey(entryName(key));
    std::unique_ptr<QKeychain::Job> read(reading);
    if (!runWithin(read)) {
        return m_silent = unanswered();
    }
    if (read->error() != QKeychain::NoError || reading->textData() != password) {
        return QCoreApplication::translate("DesktopPasswords",
                                           "it did not give the password back when asked");
    }
    return {};
}

bool DesktopPasswords::store(const Key& key, const QString& password, QString& problem) {
    QString why;
    if (secretStoreUsable(why)) {
        why = storeInSecretStore(key, password);
        if (why.isEmpty()) {
            m_where = secretStoreName();
            return true;
        }
    }
    if (!m_file.store(key, password, problem)) {
        problem = QCoreApplication::translate(
                      "DesktopPasswords", "The desktop's secret store cannot be used (%1), and %2.")
                      .arg(why, problem);
        return false;
    }
    m_where = m_file.where();
    return true;
}

std::optional<QString> DesktopPasswords::find(const Key& key) {
    QString why;
    if (secretStoreUsable(why)) {
        auto* reading = new QKeychain::ReadPasswordJob(Service);
        reading->setKey(entryName(key));
        std::unique_ptr<QKeychain::Job> read(reading);
        if (runWithin(read) && read->error() == QKeychain::NoError) {
            return reading->textData();
        }
        if (!read) {
            m_silent = unanswered();
        }
    }
    return m_file.find(key);
}
