#include "data/Database.h"
#include "data/DatabaseConnection.h"
#include "data/DatabaseInternals.h"
#include "data/EngineErrors.h"
#include "data/NetworkFileSystem.h"
#include "data/Schema.h"
#include "data/ServerAddress.h"
#include "data/SqliteFile.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <algorithm>

namespace {

constexpr int ConnectTimeoutSeconds = 10;

} // namespace

namespace DatabaseInternals {

QString nextConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("quillhour-%1").arg(++counter);
}

std::unique_ptr<QSqlDatabase> addSqlite(const QString& name, const QString& path,
                                        const QString& options) {
    auto db =
        std::make_unique<QSqlDatabase>(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name));
    db->setDatabaseName(path);
    db->setConnectOptions(options);
    return db;
}

} // namespace DatabaseInternals

using namespace DatabaseInternals;

// A read-write connection to an SQLite file, waiting the engine wait for locks. A failure to
// open is said in words where it can be, else as the fallback kind.
std::unique_ptr<Database::Impl> Database::connectSqlite(const QString& path,
                                                        DatabaseError::Kind fallback,
                                                        const QString& failurePrefix) {
    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = path;
    impl->engine = Engine::SQLite;
    auto db = addSqlite(impl->connectionName, path,
                        QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(EngineWait.count()));
    if (!db->open()) {
        // The connection goes with impl.
        throw sqliteFailure(path, db->lastError(), fallback, {}, failurePrefix);
    }
    impl->identity = SqliteFile::identityOf(path);
    if (!isNetworkFileSystem(path)) {
        impl->writeWatch.emplace(path);
        impl->header = impl->writeWatch->header();
    }
    return impl;
}

// Connects to a PostgreSQL database. Nothing is written: the driver only sets the session's
// encoding and date style.
std::unique_ptr<Database::Impl> Database::Impl::connectToServer(const QString& location,
                                                                Access access) {
    ServerAddress address;
    QString problem;
    if (!ServerAddress::parse(location, address, problem)) {
        throw DatabaseError(DatabaseError::Kind::Connection, problem);
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        throw DatabaseError(DatabaseError::Kind::Connection,
                            QCoreApplication::translate(
                                "Database", "Quillhour cannot reach %1: the PostgreSQL driver for "
                                            "Qt is not installed (Debian package "
                                            "libqt6sql6-psql).")
                                .arg(Database::displayLocation(location)));
    }
    QStringList options = address.options;
    auto hasOption = [&](const QString& keyword) {
        return std::any_of(options.begin(), options.end(), [&](const QString& option) {
            return option.startsWith(keyword + QLatin1Char('='));
        });
    };
    if (!hasOption(QStringLiteral("connect_timeout"))) {
        options.append(QStringLiteral("connect_timeout=%1").arg(ConnectTimeoutSeconds));
    }
    if (!hasOption(QStringLiteral("application_name"))) {
        options.append(QStringLiteral("application_name=Quillhour"));
    }

    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = location.trimmed();
    impl->password = address.password;
    impl->engine = Engine::PostgreSQL;
    impl->readOnly = access == Access::ReadOnly;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), impl->connectionName);
    db.setHostName(address.host);
    db.setPort(address.port);
    db.setUserName(address.user);
    db.setPassword(address.password);
    db.setDatabaseName(address.database);
    db.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        db = QSqlDatabase();
        throw impl->connectFailure(error);
    }
    impl->configureSession();
    return impl;
}

std::unique_ptr<Database> Database::open(const QString& location) {
    if (isServerLocation(location)) {
        std::unique_ptr<Database> database(new Database(Impl::connectToServer(location)));
        checkServerTables(*database);
        Schema::upgrade(*database);
        return database;
    }
    const QString path = existingSqliteFile(location);
    // Refused before the engine opens it for writing, which would make its working files.
    if (const QString problem = SqliteFile::writeProblem(path); !problem.isEmpty()) {
        throw DatabaseError(DatabaseError::Kind::ReadOnly, problem);
    }
    std::unique_ptr<Database> database(new Database(connectSqlite(
        path, DatabaseError::Kind::Connection,
        QCoreApplication::translate("Database", "The database %1 could not be opened: ")
            .arg(QDir::toNativeSeparators(path)))));
    database->execute(QStringLiteral("PRAGMA synchronous = NORMAL"));
    Schema::upgrade(*database);
    return database;
}

std::unique_ptr<Database> Database::openReadOnly(const QString& location) {
    if (isServerLocation(location)) {
        std::unique_ptr<Database> database(
            new Database(Impl::connectToServer(location, Impl::Access::ReadOnly)));
        checkServerTables(*database);
        return database;
    }
    const QString path = existingSqliteFile(location);
    auto impl = std::make_unique<Impl>();
    impl->connectionName = nextConnectionName();
    impl->location = path;
    impl->engine = Engine::SQLite;
    impl->readOnly = true;
    const SqliteFile::ReadOnlyOpen how = SqliteFile::readOnlyOpen(path, int(EngineWait.count()));
    auto db = addSqlite(impl->connectionName, how.name, how.options);
    if (!db->open()) {
        throw sqliteFailure(
            path, db->lastError(), DatabaseError::Kind::Connection, {},
            QCoreApplication::translate("Database", "The database %1 could not be opened: ")
                .arg(QDir::toNativeSeparators(path)));
    }
    impl->identity = SqliteFile::identityOf(path);
    return std::unique_ptr<Database>(new Database(std::move(impl)));
}

namespace {

// Quillhour's tables in an empty server database. The check and the tables share one
// transaction: a failure half-way, or a second program creating at the same moment, leaves the
// database as it was.
void createServerTables(Database& database) {
    database.transaction([&] {
        const qint64 tables =
            database
                .scalar(QStringLiteral("select count(*) from pg_catalog.pg_tables where "
                                       "schemaname not in ('pg_catalog', "
                                       "'information_schema')"))
                .toLongLong();
        if (tables > 0) {
            throw DatabaseError(DatabaseError::Kind::AlreadyExists,
                                QCoreApplication::translate(
                                    "Database", "The database %1 already holds tables; "
                                                "Quillhour makes its tables only in an empty "
                                                "database.")
                                    .arg(database.location()));
        }
        Schema::create(database);
    });
}

// The path for a new SQLite file: given, not taken by anything, in a folder that is there.
QString newSqlitePath(const QString& location) {
    const QString path = location.trimmed();
    if (path.isEmpty()) {
        throw DatabaseError(
            DatabaseError::Kind::Missing,
            QCoreApplication::translate("Database", "No path was given for the new database."));
    }
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        throw DatabaseError(DatabaseError::Kind::AlreadyExists,
                            QCoreApplication::translate(
                                "Database", "%1 already exists; Quillhour will not overwrite it.")
                                .arg(QDir::toNativeSeparators(path)));
    }
    if (!SqliteFile::prepareNew(path)) {
        throw DatabaseError(
            DatabaseError::Kind::ReadOnly,
            QCoreApplication::translate("Database", "The folder %1 could not be created.")
                .arg(QDir::toNativeSeparators(info.absolutePath())));
    }
    return path;
}

// What a creation that failed half-way left behind: the file and the engine's files beside it.
void removeSqliteFiles(const QString& path) {
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        QFile::remove(path + suffix);
    }
}

// A new SQLite file set to write ahead in its log, with Quillhour's tables.
void createSqliteTables(Database& database) {
    const QString mode =
        database.scalar(QStringLiteral("PRAGMA journal_mode = WAL")).toString().toLower();
    if (mode != QLatin1String("wal")) {
        throw DatabaseError(DatabaseError::Kind::Statement,
                            QCoreApplication::translate(
                                "Database", "The new database could not be switched to "
                                            "write-ahead logging (the engine answered \"%1\").")
                                .arg(mode));
    }
    database.execute(QStringLiteral("PRAGMA synchronous = NORMAL"));
    // A number of its own in the header tells this database from a copy of another one put in
    // its place later, even one made the same way.
    database.execute(QStringLiteral("PRAGMA application_id = %1")
                         .arg(QRandomGenerator::global()->bounded(1, 0x7fffffff)));
    Schema::create(database);
}

} // namespace

std::unique_ptr<Database> Database::create(const QString& location) {
    if (isServerLocation(location)) {
        std::unique_ptr<Database> database(new Database(Impl::connectToServer(location)));
        createServerTables(*database);
        return database;
    }
    const QString path = newSqlitePath(location);
    std::unique_ptr<Impl> impl;
    try {
        impl = connectSqlite(
            path, DatabaseError::Kind::ReadOnly,
            QCoreApplication::translate("Database", "The database %1 could not be created: ")
                .arg(QDir::toNativeSeparators(path)));
    } catch (const DatabaseError&) {
        removeSqliteFiles(path);
        throw;
    }
    std::unique_ptr<Database> database(new Database(std::move(impl)));
    try {
        createSqliteTables(*database);
    } catch (...) {
        database.reset();
        removeSqliteFiles(path);
        throw;
    }
    return database;
}
