#include "SignedInTeam.h"

#include "data/SignedIn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

// The folder of the private server's socket, from the state folder whose url file the tests were
// given; empty for a server named by its URL.
QString socketFolder() {
    const QString setting = qEnvironmentVariable("QUILLHOUR_TEST_POSTGRES").trimmed();
    if (setting.isEmpty() || Database::isServerLocation(setting)) {
        return {};
    }
    QFile folder(QFileInfo(setting).dir().filePath(QStringLiteral("folder")));
    if (!folder.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(folder.readAll()).trimmed();
}

} // namespace

SignedInTeam::SignedInTeam(TestEnvironment& env)
    : m_env(env) {
    SignedIn::require(env.database());
}

bool SignedInTeam::available() {
    return TestEnvironment::usesPostgres() && !socketFolder().isEmpty();
}

int SignedInTeam::addLogin(const QString& name) {
    SignedIn::addLogin(m_env.database(), name, m_env.clock.now());
    return m_env.database()
        .scalar(QStringLiteral("select userId from \"user\" where userName = ?"), {name})
        .toInt();
}

int SignedInTeam::addAdministrator(const QString& name) {
    const int id = addLogin(name);
    m_env.database().execute(
        QStringLiteral("GRANT \"%1\" TO \"%2\"").arg(SignedIn::adminRole(m_env.database()), name));
    return id;
}

void SignedInTeam::addOutsider(const QString& name) {
    m_env.database().execute(
        QStringLiteral("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = '%1') "
                       "THEN CREATE ROLE \"%1\" LOGIN; END IF; END $$")
            .arg(name));
}

QString SignedInTeam::locationFor(const QString& login) const {
    QUrl url(m_env.location());
    url.setUserName(login);
    url.setPassword(QString());
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("host"), socketFolder());
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded); // "Instance 1" has a blank
}

SignedInTeam::PsqlRun SignedInTeam::psql(const QString& login, const QString& statements) const {
    QString program = QStandardPaths::findExecutable(QStringLiteral("psql"));
    if (program.isEmpty()) {
        qFatal("psql is not installed (apt-get install postgresql-client)");
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("--no-psqlrc"), QStringLiteral("--quiet"),
                          QStringLiteral("--tuples-only"), QStringLiteral("--no-align"),
                          QStringLiteral("--set=ON_ERROR_STOP=1"), QStringLiteral("--dbname"),
                          locationFor(login)});
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QStringLiteral("10"));
    process.setProcessEnvironment(environment);
    process.start();
    process.write(statements.toUtf8());
    process.closeWriteChannel();
    PsqlRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.errors = QStringLiteral("psql did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    run.errors = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}
