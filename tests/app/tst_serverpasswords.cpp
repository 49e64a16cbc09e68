#include "MainWindowFixture.h"
#include "PrivateDesktop.h"
#include "app/SettingsPage.h"
#include "data/ServerAddress.h"

#include <QLineEdit>
#include <QProcess>
#include <QtTest>
#include <sys/stat.h>

// A database server reached with a password: the password is kept in libpq's ~/.pgpass of a
// temporary home (what Quillhour does where no secret service answers) and never in the
// settings file, in a message or on standard error.
class ServerPasswordsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void aPasswordInTheSettingsMovesOutAtStart();
    void theSettingsPageKeepsThePasswordOut();
    void aWrongPasswordIsSaidClearly();
    void aPasswordGivenForOneRunIsNotKept();

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

QTEST_MAIN(ServerPasswordsTest)
#include "tst_serverpasswords.moc"
