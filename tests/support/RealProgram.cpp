#include "RealProgram.h"

#include "PrivateDesktop.h"
#include "data/Database.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isRoot() {
    return ::geteuid() == 0;
}

QString runuser() {
    return QStandardPaths::findExecutable(QStringLiteral("runuser"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                           QStringLiteral("/usr/bin"), QStringLiteral("/bin")});
}

// The process whose parent is pid, read from /proc.
qint64 childOf(qint64 pid) {
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool number = false;
        const qint64 candidate = entry.toLongLong(&number);
        if (!number) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(candidate));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // pid (comm) state ppid ...: the name may hold blanks, so read after its closing bracket.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toLongLong() == pid) {
            return candidate;
        }
    }
    return 0;
}

} // namespace

bool waitUntil(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

QString RealProgram::builtBinary() {
    return QStringLiteral(QUILLHOUR_BINARY);
}

RealProgram::RealProgram(QString home, QString binary)
    : m_home(std::move(home))
    , m_binary(std::move(binary)) {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(&m_process, &QProcess::readyRead, &m_process,
                     [this] { m_output += QString::fromLocal8Bit(m_process.readAll()); });
}

RealProgram::~RealProgram() {
    if (isRunning()) {
        terminate(5000);
    }
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString RealProgram::whyNoUserWithoutRootRights() {
    if (isRoot() && runuser().isEmpty()) {
        return QStringLiteral("runuser is not installed, and root would write a read-only file "
                              "anyway: the case needs a user without root rights");
    }
    return {};
}

void RealProgram::openToAll(const QString& folder) {
    ::chmod(QFile::encodeName(folder).constData(), 0777);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const bool folderEntry = it.fileInfo().isDir();
        ::chmod(QFile::encodeName(path).constData(),
                folderEntry ? 0777 : (it.fileInfo().isExecutable() ? 0777 : 0666));
    }
}

void RealProgram::writeSettings(const QString& database, const QString& user) {
    PrivateDesktop::makeFolders(m_home); // there before a test opens them to all
    QDir(m_home).mkpath(QStringLiteral("config/Quillhour"));
    QFile config(m_home + QStringLiteral("/config/Quillhour/Quillhour.conf"));
    if (config.open(QIODevice::WriteOnly)) {
        // QSettings writes a blank in a key as %20.
        config.write(QStringLiteral("[Settings]\nDatabase=%1\nUser=%2\nTray%20Icon=0\n"
                                    "Share%20Windows=titles\n")
                         .arg(database, user)
                         .toUtf8());
    }
}

void RealProgram::start(User user, const QStringList& wrapper) {
    // Given again on env's command line: runuser sets HOME and the like for the user it runs as.
    // Without a bus of the test's own, the program never reaches the developer's desktop (its
    // secret store above all), and keeps passwords in the home folder's ~/.pgpass.
    QStringList variables = PrivateDesktop::variables(m_home);
    variables.append(QStringLiteral("QT_QPA_PLATFORM=") +
                     (m_display.isEmpty() ? QStringLiteral("offscreen") : QStringLiteral("xcb")));
    if (!m_display.isEmpty()) {
        variables.append(QStringLiteral("DISPLAY=") + m_display);
    }
    variables += m_environment;
    m_process.setProcessEnvironment(PrivateDesktop::environment(m_home));

    QStringList command = QStringList{QStringLiteral("env")} + variables + QStringList{m_binary};
    if (user == User::WithoutRootRights && isRoot()) {
        command = QStringList{runuser(), QStringLiteral("-u"), QStringLiteral("nobody"),
                              QStringLiteral("--")} +
                  command;
    }
    command = wrapper + command;
    m_wrapped = user == User::WithoutRootRights && isRoot();
    m_output.clear();
    m_process.start(command.first(), command.mid(1));
    m_process.waitForStarted(10000);
}

bool RealProgram::waitForOutput(const QString& text, int ms) {
    return waitUntil([&] { return m_output.contains(text) || !isRunning(); }, ms) &&
           m_output.contains(text);
}

qint64 RealProgram::programPid() const {
    // runuser stays as the program's parent; env and a wrapper's shell hand their process on.
    return m_wrapped ? childOf(m_process.processId()) : m_process.processId();
}

int RealProgram::terminate(int ms, int signalNumber) {
    const qint64 pid = programPid();
    if (pid > 0) {
        ::kill(pid_t(pid), signalNumber);
    }
    if (!waitUntil([&] { return !isRunning(); }, ms)) {
        return -1;
    }
    m_output += QString::fromLocal8Bit(m_process.readAll());
    if (m_process.exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return m_process.exitCode();
}

void makeTeamDatabase(const QString& path) {
    auto db = Database::create(path);
    const qint64 ann =
        db->insert(QStringLiteral("insert into \"user\" (userName, active) values ('Ann', ?)"),
                   {false}, QStringLiteral("userId"));
    const qint64 design =
        db->insert(QStringLiteral("insert into category (category) values ('Design')"), {},
                   QStringLiteral("categoryId"));
    db->execute(QStringLiteral("insert into tallyRec (startTime, categoryId, userId) "
                               "values (?, ?, ?)"),
                {QDateTime::currentDateTime().addSecs(-300), design, ann});
}

bool userActive(const QString& location, const QString& name) {
    return Database::open(location)
        ->scalar(QStringLiteral("select active from \"user\" where userName = ?"), {name})
        .toBool();
}

CommandResult runCommand(const QString& home, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = PrivateDesktop::environment(home);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QLatin1String(name));
    }
    process.setProcessEnvironment(environment);
    process.start(RealProgram::builtBinary(), arguments);
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, 120000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
