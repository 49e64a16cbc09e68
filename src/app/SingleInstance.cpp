#include "app/SingleInstance.h"

#include "data/Database.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray Request = QByteArrayLiteral("activate");
const QByteArray Answer = QByteArrayLiteral("ok\n");
const QByteArray Track = QByteArrayLiteral("track");
// A request is one short line; anything longer is not from Quillhour.
constexpr qint64 MaxRequest = 4096;

void say(std::FILE* stream, const QString& text) {
    std::fputs(qPrintable(QStringLiteral("quillhour: ") + text + QLatin1Char('\n')), stream);
}

// A database location as two starts compare it.
QString comparableLocation(const QString& database) {
    const QString location = database.trimmed();
    if (location.isEmpty() || Database::isServerLocation(location)) {
        return location;
    }
    const QFileInfo file(location);
    const QString canonical = file.canonicalFilePath(); // empty when it does not exist
    return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
}

// What the running instance answers, up to its line's end or until it has had its time.
QByteArray answerOf(QLocalSocket& socket) {
    QByteArray answer;
    const QDeadlineTimer deadline(SingleInstance::AnswerWaitMs);
    while (!answer.endsWith('\n') && socket.state() == QLocalSocket::ConnectedState &&
           !deadline.hasExpired()) {
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        answer += socket.readAll();
    }
    return answer + socket.readAll();
}

} // namespace

QString SingleInstance::socketPath(const QString& settingsFile, const QString& database) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(qulonglong(::getuid())));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(QFileInfo(settingsFile).absoluteFilePath().toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(comparableLocation(database).toUtf8());
    return QDir(folder).filePath(QStringLiteral("quillhour-") +
                                 QString::fromLatin1(hash.result().toHex().left(16)));
}

SingleInstance::SingleInstance(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_path(std::move(socketPath)) {}

SingleInstance::~SingleInstance() = default; // the server removes its socket file as it closes

bool SingleInstance::isListening() const {
    return !m_servers.empty() && m_servers.front()->isListening();
}

SingleInstance::Claim SingleInstance::claim(const QByteArray& startupId) {
    if (m_path.isEmpty()) {
        return Claim::First;
    }
    // Two starts at once: each looks for a listener and, finding none, becomes one. The lock
    // makes them take turns, so exactly one listens and the other reaches it.
    QLockFile turn(m_path + QStringLiteral(".lock"));
    turn.setStaleLockTime(0); // stale only when its holder is gone, however old it is
    if (!turn.tryLock(AnswerWaitMs)) {
        say(stderr, tr("could not tell whether Quillhour already runs with this "
                       "database (%1 stays locked); starting anyway.")
                        .arg(turn.fileName()));
        return Claim::First;
    }
    {
        QLocalSocket running;
        running.connectToServer(m_path);
        if (running.waitForConnected(2000)) {
            turn.unlock(); // a busy instance may take its time to answer; others need not wait
            return handOver(running, startupId);
        }
    }
    // Nobody answered: a socket file still there is what a killed instance left.
    listenAt(m_path);
    return Claim::First;
}

bool SingleInstance::listenAt(const QString& path) {
    QLocalServer::removeServer(path);
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        say(stderr, tr("a second start with this database will open a second window: "
                       "cannot listen at %1 (%2).")
                        .arg(path, server->errorString()));
        delete server;
        return false;
    }
    connect(server, &QLocalServer::newConnection, this, [this, server] { accept(*server); });
    m_servers.push_back(server);
    return true;
}

void SingleInstance::answerAlsoAt(const QString& socketPath) {
    if (m_servers.empty() || socketPath.isEmpty() || socketPath == m_path ||
        m_also.contains(socketPath)) {
        return;
    }
    QLockFile turn(socketPath + QStringLiteral(".lock"));
    turn.setStaleLockTime(0);
    if (!turn.tryLock(AnswerWaitMs)) {
        return;
    }
    QLocalSocket running;
    running.connectToServer(socketPath);
    if (running.waitForConnected(2000)) {
        return; // another window answers for that database already (started with --database)
    }
    if (listenAt(socketPath)) {
        m_also.append(socketPath);
    }
}

std::optional<QByteArray> SingleInstance::relay(const QString& socketPath,
                                                const QByteArray& request) {
    if (socketPath.isEmpty()) {
        return std::nullopt;
    }
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(2000)) {
        return std::nullopt;
    }
    socket.write(Track + ' ' + request + '\n');
    socket.waitForBytesWritten(AnswerWaitMs);
    const QByteArray answer = answerOf(socket);
    return answer.endsWith('\n') ? answer.trimmed() : QByteArray();
}

SingleInstance::Claim SingleInstance::handOver(QLocalSocket& socket, const QByteArray& startupId) {
    QByteArray request = Request;
    if (!startupId.isEmpty() && !startupId.contains('\n') && startupId.size() < MaxRequest / 2) {
        request += ' ' + startupId;
    }
    socket.write(request + '\n');
    socket.waitForBytesWritten(AnswerWaitMs);
    const QByteArray answer = answerOf(socket);
    if (answer == Answer) {
        std::puts(qPrintable(tr("Quillhour is already running with these settings and this "
                                "database; its window has been brought forward.")));
    } else {
        // The request waits in the socket; the busy instance reads it when it is free.
        say(stderr, tr("Quillhour is already running with these settings and this "
                       "database but is busy; its window comes forward when it is "
                       "free."));
    }
    return Claim::AlreadyRunning;
}

void SingleInstance::accept(QLocalServer& server) {
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto serve = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxRequest) {
                    socket->abort();
                }
                return;
            }
            const QByteArray line = socket->readLine(MaxRequest).trimmed();
            const qsizetype blank = line.indexOf(' ');
            const QByteArray verb = line.left(blank < 0 ? line.size() : blank);
            if (verb == Track && m_tracking && blank > 0) {
                socket->write(m_tracking(line.mid(blank + 1)) + '\n');
                socket->flush();
                socket->disconnectFromServer();
                return;
            }
            if (verb != Request) {
                socket->abort();
                return;
            }
            emit activationRequested(blank < 0 ? QByteArray() : line.mid(blank + 1));
            socket->write(Answer);
            socket->flush();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, serve);
        serve(); // the request may have come with the connection
    }
}
