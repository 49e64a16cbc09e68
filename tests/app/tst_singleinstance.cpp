#include "app/SingleInstance.h"
#include "platform/desktop/WindowActivation.h"

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Which starts meet as one instance, and how a later start reaches the first. The runtime
// folder is a temporary one for each case.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void oneInstancePerAccountSettingsAndDatabase();
    void laterStartReachesTheFirst();
    void leftoversOfAKilledInstanceNeverBlockAStart();
    void startupTimeComesFromTheStartupId();

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
};

void SingleInstanceTest::init() {
    m_runtime = std::make_unique<QTemporaryDir>();
    QFile::setPermissions(m_runtime->path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", m_runtime->path().toLocal8Bit());
}

void SingleInstanceTest::oneInstancePerAccountSettingsAndDatabase() {
    QTemporaryDir files;
    const QString settings = files.filePath(QStringLiteral("Quillhour.conf"));
    const QString team = files.filePath(QStringLiteral("team.db"));
    QFile(team).open(QIODevice::WriteOnly);
    const QString path = SingleInstance::socketPath(settings, team);
    QVERIFY2(path.startsWith(m_runtime->path() + QLatin1Char('/')), qPrintable(path));

    // The same file however it is written.
    QVERIFY(QDir::setCurrent(files.path()));
    QCOMPARE(SingleInstance::socketPath(settings, QStringLiteral("./team.db")), path);
    QCOMPARE(SingleInstance::socketPath(settings, QStringLiteral(" team.db ")), path);
    QVERIFY(QFile::link(team, files.filePath(QStringLiteral("linked.db"))));
    QCOMPARE(SingleInstance::socketPath(settings, files.filePath(QStringLiteral("linked.db"))),
             path);

    // Another database, another settings file or no database yet: another instance.
    const QStringList others = {
        SingleInstance::socketPath(settings, files.filePath(QStringLiteral("other.db"))),
        SingleInstance::socketPath(files.filePath(QStringLiteral("other.conf")), team),
        SingleInstance::socketPath(settings, QString()),
        SingleInstance::socketPath(settings,
                                   QStringLiteral("postgresql://ann@db.example.org/quillhour")),
        SingleInstance::socketPath(settings,
                                   QStringLiteral("postgresql://ann@db.example.org/archive"))};
    QStringList all = others;
    all.append(path);
    all.removeDuplicates();
    QCOMPARE(all.size(), others.size() + 1);

    // Each takes its own place; the first of the same settings and database holds its own.
    SingleInstance first(path);
    QCOMPARE(first.claim(), SingleInstance::Claim::First);
    QVERIFY(first.isListening());
    SingleInstance elsewhere(others.first());
    QCOMPARE(elsewhere.claim(), SingleInstance::Claim::First);
    QVERIFY(elsewhere.isListening());
}

void SingleInstanceTest::laterStartReachesTheFirst() {
    const QString path =
        SingleInstance::socketPath(QStringLiteral("/settings.conf"), QStringLiteral("/team.db"));
    SingleInstance first(path);
    QCOMPARE(first.claim(), SingleInstance::Claim::First);
    QSignalSpy asked(&first, &SingleInstance::activationRequested);

    // Something else that reaches the socket is sent away and asks for nothing.
    QLocalSocket stranger;
    stranger.connectToServer(path);
    QVERIFY(stranger.waitForConnected(5000));
    stranger.write("hello\n");
    QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(asked.size(), 0);

    // The later start blocks until it is answered, so it runs beside this event loop.
    std::atomic<int> claimed{-1};
    std::atomic<bool> listening{true};
    std::thread later([&] {
        SingleInstance second(path);
        claimed = int(second.claim("host-42-quillhour_TIME1234"));
        listening = second.isListening();
    });
    QTRY_VERIFY_WITH_TIMEOUT(claimed != -1, 15000);
    later.join();
    QCOMPARE(claimed.load(), int(SingleInstance::Claim::AlreadyRunning));
    QVERIFY(!listening);
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked.first().first().toByteArray(), QByteArray("host-42-quillhour_TIME1234"));

    // Without a startup id the request comes all the same; the first still listens afterwards.
    claimed = -1;
    std::thread again([&] { claimed = int(SingleInstance(path).claim()); });
    QTRY_VERIFY_WITH_TIMEOUT(claimed != -1, 15000);
    again.join();
    QCOMPARE(claimed.load(), int(SingleInstance::Claim::AlreadyRunning));
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked.last().first().toByteArray().isEmpty());
    QVERIFY(first.isListening());
}

void SingleInstanceTest::leftoversOfAKilledInstanceNeverBlockAStart() {
    const QString path =
        SingleInstance::socketPath(QStringLiteral("/settings.conf"), QStringLiteral("/team.db"));
    const QString lockPath = path + QStringLiteral(".lock");
    // A process that took the lock and bound the socket, then died without a word, as under
    // SIGKILL: its lock file names a process that is gone, its socket refuses connections.
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        QLockFile lock(lockPath);
        lock.setStaleLockTime(0);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        const bool ok = lock.tryLock(0) &&
                        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                        ::listen(fd, 5) == 0;
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QVERIFY(QFileInfo::exists(lockPath));
    QVERIFY(QFileInfo(path).exists());

    QElapsedTimer took;
    took.start();
    SingleInstance next(path);
    QCOMPARE(next.claim(), SingleInstance::Claim::First);
    QVERIFY(next.isListening());
    QVERIFY2(took.elapsed() < SingleInstance::AnswerWaitMs / 2, "waited for a dead process");
    QVERIFY(!QFileInfo::exists(lockPath)); // taken over, and let go once listening

    // And it is now the one a later start reaches.
    QLocalSocket probe;
    probe.connectToServer(path);
    QVERIFY(probe.waitForConnected(5000));
}

void SingleInstanceTest::startupTimeComesFromTheStartupId() {
    QCOMPARE(startupTime("kde-host-1234-5678-quillhour_TIME98765"), 98765u);
    QCOMPARE(startupTime("gnome-shell/Quillhour/2211-4-host_TIME4294967295"), 4294967295u);
    QCOMPARE(startupTime("no-time-here"), 0u);
    QCOMPARE(startupTime("broken_TIMEabc"), 0u);
    QCOMPARE(startupTime(QByteArray()), 0u);
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
