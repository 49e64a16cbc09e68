#include "MainWindowFixture.h"
#include "PrivateDesktop.h"
#include "PrivateSessionBus.h"
#include "PrivateXServer.h"
#include "RealProgram.h"
#include "app/SettingsPage.h"
#include "data/ServerAddress.h"
#include "platform/desktop/PgpassFile.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

// A database server reached with a password: the password is kept in libpq's ~/.pgpass of a
// temporary home (what Quillhour does where no secret service answers, or one that would ask)
// and never in the settings file, in a message or on standard error.
class ServerPasswordsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void aPasswordInTheSettingsMovesOutAtStart();
    void theSettingsPageKeepsThePasswordOut();
    void aWrongPasswordIsSaidClearly();
    void aPasswordGivenForOneRunIsNotKept();
    void aKeyringThatWouldAskNeverTakesThePassword();

private:
    // One start of the program on the settings file of the test and the password file.
    struct Start {
        // databaseOverride: what --database gave.
        Start(MainWindowFixture& f, PgpassFile& passwords, const QString& databaseOverride = {})
            : settings(f.folder() + QStringLiteral("/Quillhour.conf")) {
            window = std::make_unique<frmMain>(frmMain::Services{f.clock, messages, settings,
                                                                 windows, folders, idle, passwords,
                                                                 f.ownFolder, databaseOverride});
        }
        ~Start() {
            window->trmSystem->stop();
            window->tmrTime->stop();
        }
        bool load() {
            const bool loaded = window->Form_Load();
            window->trmSystem->stop();
            return loaded;
        }

        ScriptedMessages messages;
        Settings settings;
        FixedWindowLister windows;
        RecordingFolderOpener folders;
        FakeIdleSource idle;
        std::unique_ptr<frmMain> window;
    };

    static QString password(const QString& location) {
        ServerAddress address;
        QString problem;
        return ServerAddress::parse(location, address, problem) ? address.password : QString();
    }
    static QByteArray settingsText(MainWindowFixture& f) {
        QFile file(f.folder() + QStringLiteral("/Quillhour.conf"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static int mode(const QString& path) {
        struct stat info {};
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777)
                                                                       : -1;
    }
    static void writeSettings(MainWindowFixture& f, const QString& database) {
        Settings settings(f.folder() + QStringLiteral("/Quillhour.conf"));
        settings.setDatabase(database);
        settings.setUser(QStringLiteral("Ann"));
        settings.setValue(Settings::ShareWindowsKey, QStringLiteral("titles"));
    }
    static void noPasswordShown(const ScriptedMessages& messages, const QString& secret) {
        for (const QString& text : messages.texts()) {
            QVERIFY2(!text.contains(secret), qPrintable(text));
        }
    }

    QTemporaryDir m_home;
};

void ServerPasswordsTest::init() {
    if (!TestEnvironment::usesPostgres()) {
        QSKIP("a database server's password: the PostgreSQL twin of this test");
    }
}

void ServerPasswordsTest::aPasswordInTheSettingsMovesOutAtStart() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    const QString secret = password(f.location());
    QVERIFY(secret.size() >= 8);
    // As an earlier version left it: the whole address, password and all.
    writeSettings(f, f.location());
    QVERIFY(settingsText(f).contains(secret.toUtf8()));
    PgpassFile passwords(m_home.filePath(QStringLiteral(".pgpass")));
    {
        Start start(f, passwords);
        QVERIFY(start.load());
        QCOMPARE(start.messages.shown().size(), 0);
        QCOMPARE(start.settings.database(), ServerAddress::withoutPassword(f.location()));
    }
    QVERIFY(!settingsText(f).contains(secret.toUtf8()));
    QCOMPARE(mode(f.folder() + QStringLiteral("/Quillhour.conf")), 0600);
    QCOMPARE(mode(passwords.where()), 0600);
    ServerAddress address;
    QString problem;
    QVERIFY(ServerAddress::parse(f.location(), address, problem));
    QCOMPARE(passwords.find(address.passwordKey()), secret);

    // The next start connects with the kept password.
    Start next(f, passwords);
    QVERIFY(next.load());
    QCOMPARE(next.messages.shown().size(), 0);
    QCOMPARE(next.window->state().database->location(),
             ServerAddress::withoutPassword(f.location()));
}

void ServerPasswordsTest::theSettingsPageKeepsThePasswordOut() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    writeSettings(f, f.location());
    const QString other = f.newLocation(QStringLiteral("second"));
    Database::create(other).reset();
    const QString secret = password(other);

    // A password that cannot be kept anywhere is said, and its address is not taken: the next
    // start would have no password for it. (No file can be made below a file, even by root.)
    QFile blocker(m_home.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    PgpassFile nowhere(m_home.filePath(QStringLiteral("blocker/.pgpass")));
    {
        Start start(f, nowhere);
        QVERIFY(start.load());
        auto* path = start.window->findChild<QLineEdit*>(QStringLiteral("txtDatabasePath"));
        path->setText(other);
        emit path->editingFinished();
        QCOMPARE(start.messages.shown().size(), 1);
        QVERIFY2(start.messages.last().text.contains(QStringLiteral("cannot be kept safe")),
                 qPrintable(start.messages.last().text));
        noPasswordShown(start.messages, secret);
        QCOMPARE(start.settings.database(), f.location()); // as it was, its password unmoved
    }

    PgpassFile passwords(m_home.filePath(QStringLiteral(".pgpass")));
    {
        Start start(f, passwords);
        QVERIFY(start.load());
        auto* path = start.window->findChild<QLineEdit*>(QStringLiteral("txtDatabasePath"));
        QCOMPARE(path->text(), ServerAddress::withoutPassword(f.location()));
        path->setText(other);
        emit path->editingFinished();
        QCOMPARE(start.messages.shown().size(), 0);
        QCOMPARE(path->text(), ServerAddress::withoutPassword(other));
        QCOMPARE(start.settings.database(), ServerAddress::withoutPassword(other));
    }
    QVERIFY(!settingsText(f).contains(secret.toUtf8()));
    QVERIFY(settingsText(f).contains(ServerAddress::withoutPassword(other).toUtf8()));
    QCOMPARE(mode(f.folder() + QStringLiteral("/Quillhour.conf")), 0600);

    Start next(f, passwords);
    QVERIFY(next.load());
    QCOMPARE(next.window->state().database->location(), ServerAddress::withoutPassword(other));
}

void ServerPasswordsTest::aWrongPasswordIsSaidClearly() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    const QString wrongPassword = QStringLiteral("Wr0ng-Passw0rd");
    const QString wrong = ServerAddress::withPassword(f.location(), wrongPassword);
    const QString hint = QStringLiteral("The server does not accept this user name and password");
    writeSettings(f, f.location());
    PgpassFile passwords(m_home.filePath(QStringLiteral(".pgpass")));

    // Typed on the Settings page: refused, said, and the setting stays.
    {
        Start start(f, passwords);
        QVERIFY(start.load());
        auto* path = start.window->findChild<QLineEdit*>(QStringLiteral("txtDatabasePath"));
        path->setText(wrong);
        emit path->editingFinished();
        QCOMPARE(start.messages.shown().size(), 1);
        QVERIFY2(start.messages.last().text.contains(hint), qPrintable(start.messages.last().text));
        QVERIFY(
            start.messages.last().text.contains(QStringLiteral("password authentication failed")));
        // The engine's sentence is ended before the program's own begins.
        QVERIFY2(start.messages.last().text.contains(
                     QRegularExpression(QStringLiteral("[^.!?\\s][.!?] ") + hint)),
                 qPrintable(start.messages.last().text));
        noPasswordShown(start.messages, wrongPassword);
        QCOMPARE(start.settings.database(), ServerAddress::withoutPassword(f.location()));
    }

    // Kept wrong: the start says so and ends.
    ServerAddress address;
    QString problem;
    QVERIFY(ServerAddress::parse(f.location(), address, problem));
    QVERIFY(passwords.store(address.passwordKey(), wrongPassword, problem));
    {
        Start start(f, passwords);
        QVERIFY(!start.load());
        QCOMPARE(start.messages.shown().size(), 1);
        QVERIFY2(start.messages.last().text.contains(hint), qPrintable(start.messages.last().text));
        noPasswordShown(start.messages, wrongPassword);
    }

    // On the command line, and in what the program prints.
    QProcess check;
    check.setProcessEnvironment(PrivateDesktop::environment(m_home.path()));
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral(QUILLHOUR_BINARY), {QStringLiteral("--check-database"), wrong});
    QVERIFY(check.waitForFinished(60000));
    const QString printed = QString::fromLocal8Bit(check.readAll());
    QCOMPARE(check.exitCode(), 3);
    QVERIFY2(printed.contains(hint), qPrintable(printed));
    QVERIFY2(!printed.contains(wrongPassword), qPrintable(printed));
}

void ServerPasswordsTest::aPasswordGivenForOneRunIsNotKept() {
    MainWindowFixture f;
    f.addUser(QStringLiteral("Ann"));
    f.addCategory(QStringLiteral("Design"));
    const QString mine = QStringLiteral("/nowhere/mine.db");
    writeSettings(f, mine);
    PgpassFile passwords(m_home.filePath(QStringLiteral("once.pgpass")));
    {
        Start start(f, passwords, f.location()); // quillhour --database postgresql://...:pw@...
        QVERIFY(start.load());
        QCOMPARE(start.messages.shown().size(), 0);
        QCOMPARE(start.window->state().database->location(),
                 ServerAddress::withoutPassword(f.location()));
        QCOMPARE(start.window->findChild<QLineEdit*>(QStringLiteral("txtDatabasePath"))->text(),
                 ServerAddress::withoutPassword(f.location()));
    }
    QCOMPARE(Settings(f.folder() + QStringLiteral("/Quillhour.conf")).database(), mine);
    QVERIFY(!settingsText(f).contains(password(f.location()).toUtf8()));
    QVERIFY(!QFile::exists(passwords.where()));
}

void ServerPasswordsTest::aKeyringThatWouldAskNeverTakesThePassword() {
    // A desktop whose GNOME Keyring has no keyring yet: it starts on the program's first request
    // and, asked to keep a password, shows its prompt for a new keyring on the screen and waits.
    // Nobody answers it here. The password, left in the settings by an earlier version, has to
    // reach the server at this start and the next one all the same.
    TestEnvironment env;
    env.addUser(QStringLiteral("Ann"));
    env.addCategory(QStringLiteral("Design"));
    PrivateXServer x;
    QString why;
    QVERIFY2(x.start(why), qPrintable(why));
    QTemporaryDir home;
    QProcessEnvironment desktop = PrivateDesktop::environment(home.path());
    desktop.insert(QStringLiteral("DISPLAY"), x.displayName());
    PrivateSessionBus bus;
    const QString address = bus.start(home.path(), why, desktop);
    QVERIFY2(!address.isEmpty(), qPrintable(why));

    RealProgram program(home.path());
    program.writeSettings(env.location(), QStringLiteral("Ann"));
    program.setEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
    for (int start = 1; start <= 2; ++start) {
        program.start();
        QVERIFY2(waitUntil([&] { return userActive(env.location(), QStringLiteral("Ann")); },
                           PrivateXServer::WaitMs),
                 qPrintable(QStringLiteral("start %1: %2").arg(start).arg(program.output())));
        QCOMPARE(program.terminate(), 0);
    }
    // The keyring was there to be asked: the bus started it for the program.
    const QDBusConnection onBus =
        QDBusConnection::connectToBus(address, QStringLiteral("keyring-check"));
    QVERIFY(onBus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")));
    QDBusConnection::disconnectFromBus(QStringLiteral("keyring-check"));

    const QString secret = password(env.location());
    QFile settings(home.filePath(QStringLiteral("config/Quillhour/Quillhour.conf")));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QVERIFY(!settings.readAll().contains(secret.toUtf8()));
    const QString pgpass = home.filePath(QStringLiteral(".pgpass"));
    QCOMPARE(mode(pgpass), 0600);
    ServerAddress server;
    QVERIFY(ServerAddress::parse(env.location(), server, why));
    QCOMPARE(PgpassFile(pgpass).find(server.passwordKey()), secret);
}

QTEST_MAIN(ServerPasswordsTest)
#include "tst_serverpasswords.moc"
