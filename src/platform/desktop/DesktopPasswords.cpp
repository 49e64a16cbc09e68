#include "platform/desktop/DesktopPasswords.h"

#include <QCoreApplication>
#include <QEventLoop>
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

// Runs a job to its end; the jobs answer through the event loop.
void runToEnd(QKeychain::Job& job) {
    job.setAutoDelete(false);
    // Never the plain-text fallback some builds offer: that is the very file to keep it out of.
    job.setInsecureFallback(false);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

DesktopPasswords::DesktopPasswords(QString pgpassPath)
    : m_file(std::move(pgpassPath))
    , m_where(secretStoreName()) {}

QString DesktopPasswords::secretStoreName() {
    return QStringLiteral("the desktop's secret store");
}

bool DesktopPasswords::store(const Key& key, const QString& password, QString& problem) {
    QKeychain::WritePasswordJob job(Service);
    job.setKey(entryName(key));
    job.setTextData(password);
    runToEnd(job);
    if (job.error() == QKeychain::NoError) {
        m_where = secretStoreName();
        return true;
    }
    if (!m_file.store(key, password, problem)) {
        problem = QCoreApplication::translate("DesktopPasswords",
                                              "Neither the desktop's secret store (%1) nor %2")
                      .arg(job.errorString(), problem);
        return false;
    }
    m_where = m_file.where();
    return true;
}

std::optional<QString> DesktopPasswords::find(const Key& key) {
    QKeychain::ReadPasswordJob job(Service);
    job.setKey(entryName(key));
    runToEnd(job);
    if (job.error() == QKeychain::NoError) {
        return job.textData();
    }
    return m_file.find(key);
}
