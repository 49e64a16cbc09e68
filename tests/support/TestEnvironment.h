#pragma once

#include "FakeIdleSource.h"
#include "FixedClock.h"
#include "FixedWindowLister.h"
#include "MemoryPasswordStore.h"
#include "RecordingFolderOpener.h"
#include "ScriptedMessages.h"
#include "data/DataContext.h"
#include "data/Database.h"
#include "platform/Settings.h"

#include <QTemporaryDir>
#include <memory>

// Everything one test needs, made afresh: its own database made by the schema code, a clock fixed
// at 7 Dec 2026 10:00:00, scripted message answers, settings in a temporary file and a window
// list set by hand.
//
// The database is an SQLite file in a temporary folder, or, when QUILLHOUR_TEST_POSTGRES names a
// PostgreSQL server (a postgresql:// URL, or the path of a file holding one), a new database with
// a unique name on that server, dropped again when the test is done. CTest sets the variable for
// the "_pg" twin of every test registered with BOTH_ENGINES.
class TestEnvironment {
    // Declared first: everything below lives in this folder.
    QTemporaryDir m_folder;

public:
    static QDateTime defaultStart() { return QDateTime(QDate(2026, 12, 7), QTime(10, 0, 0)); }

    explicit TestEnvironment(const QDateTime& start = defaultStart());
    ~TestEnvironment();

    // The server the tests run against, or empty text when they run on SQLite.
    static QString postgresUrl();
    static bool usesPostgres() { return !postgresUrl().isEmpty(); }

    QString folder() const { return m_folder.path(); }
    // What Database::open takes to reach this test's database: the file path or the server URL.
    QString location() const { return m_location; }
    // The SQLite file (only meaningful on SQLite).
    QString databasePath() const { return m_folder.filePath(QStringLiteral("quillhour.db")); }
    // A place where no database is yet, for tests of creating one: a file path in the folder, or
    // a new, empty database on the server (dropped with the others).
    QString newLocation(const QString& name);
    QString settingsPath() const { return m_folder.filePath(QStringLiteral("settings.ini")); }

    Database& database() { return *m_database; }
    DataContext& context() { return *m_context; }

    FixedClock clock;
    ScriptedMessages messages;
    Settings settings;
    FixedWindowLister windows;
    RecordingFolderOpener folders;
    FakeIdleSource idle; // tells no idle time until a test sets one
    MemoryPasswordStore passwords;

    // Rows written straight into the tables, for setting up a case.
    int addUser(const QString& name, bool active = false, const QString& email = {});
    int addCategory(const QString& name, int parentId = 0, int ownerUserId = 0,
                    int minAllocation = 0, int minPeriodId = 1, int maxAllocation = 0,
                    int maxPeriodId = 1, const QDateTime& startDate = {});
    int addTime(int categoryId, int userId, const QDateTime& start, const QDateTime& end,
                int duration);
    int addOpenTime(int categoryId, int userId, const QDateTime& start);
    int addNotification(int fromUserId, int toUserId, int categoryId, int typeId,
                        const QString& subject, const QString& status = QStringLiteral("Unread"),
                        const QString& message = {}, const QDateTime& created = {});
    int count(const QString& table, const QString& where = {}, const QVariantList& params = {});
    // After rows were inserted with ids written out, makes the next generated ids follow the
    // largest one, as SQLite does by itself. The server's identity columns do not look at ids
    // written by hand.
    void syncIds();

private:
    QString m_location;
    QStringList m_serverDatabases;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<DataContext> m_context;
};

// Another connection that holds a write lock until it is released, as another program would:
// every write on SQLite (BEGIN IMMEDIATE), the rows of "user" on PostgreSQL (the rows every
// instance writes on each tick).
class LockHolder {
public:
    explicit LockHolder(const QString& location);
    ~LockHolder();
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    void release();

private:
    std::unique_ptr<Database> m_database;
    bool m_held = false;
};

// A device that is always full, as /dev/full is: made in folder when the tests run as root,
// who could replace /dev/full itself were a fault to put a file in the device's place. Empty
// when root may not make one here.
QString fullDevice(const QString& folder);

// For tests that look at what only SQLite has (PRAGMA, query plans, the file itself).
#define QUILLHOUR_SQLITE_ONLY(why)                                                                 \
    do {                                                                                           \
        if (TestEnvironment::usesPostgres())                                                       \
            QSKIP("SQLite only: " why);                                                            \
    } while (false)
