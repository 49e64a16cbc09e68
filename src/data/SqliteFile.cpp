#include "data/SqliteFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>
#include <QtEndian>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace SqliteFile {

namespace {

constexpr qint64 HeaderSize = 100;
constexpr qint64 NearlyFull = 64 * 1024;

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool canWrite(const QString& path) {
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// A descriptor this process already has open for reading on the file at path, or -1. Closing a
// descriptor of a file drops every lock the process holds on it, the engine's among them: with
// its shared lock gone, another program closing the database would take it for the last user,
// and checkpoint and delete the log this one still writes to. What is open is read through.
int openDescriptorOn(const QString& path) {
    struct stat wanted = {};
    if (::stat(QFile::encodeName(path).constData(), &wanted) != 0) {
        return -1;
    }
    const QStringList entries =
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString& entry : entries) {
        bool number = false;
        const int descriptor = entry.toInt(&number);
        struct stat status = {};
        if (!number || ::fstat(descriptor, &status) != 0 || status.st_dev != wanted.st_dev ||
            status.st_ino != wanted.st_ino) {
            continue;
        }
        const int flags = ::fcntl(descriptor, F_GETFL);
        if (flags != -1 && (flags & O_ACCMODE) != O_WRONLY) {
            return descriptor;
        }
    }
    return -1;
}

// The first size bytes of the file (fewer when it is shorter), read without closing a
// descriptor that may carry the engine's locks; nothing, with the reason, when it cannot be read.
std::optional<QByteArray> readHead(const QString& path, qint64 size, QString& reason) {
    if (const int descriptor = openDescriptorOn(path); descriptor != -1) {
        QByteArray head(size, Qt::Uninitialized);
        const ssize_t got = ::pread(descriptor, head.data(), size_t(size), 0);
        if (got >= 0) {
            head.truncate(got);
            return head;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return std::nullopt;
    }
    return file.read(size);
}

// The shared index of the log: two copies of its header (48 bytes each; the salts of the log at
// 32), then the checkpoint information (frames copied into the file at 96, frames a checkpoint
// set out to copy at 128). Checkpoints hold the index's checkpoint lock, the byte at 121.
constexpr qint64 IndexStart = 136;
constexpr qint64 SaltsAt = 32;
constexpr qint64 BackfilledAt = 96;
constexpr qint64 BackfillAttemptedAt = 128;
constexpr off_t CheckpointLockByte = 121;

} // namespace

Identity identityOf(const QString& path) {
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return {};
    }
    return {true, quint64(status.st_dev), quint64(status.st_ino)};
}

bool WriteWatch::writtenBehindTheEngine() {
    const Writes seen = look();
    const bool behind = !m_last.checkpointMarks.isEmpty() && !seen.checkpointRunning &&
                        seen.checkpointSettled && seen.checkpointMarks == m_last.checkpointMarks &&
                        (seen.modifiedNs != m_last.modifiedNs || seen.size != m_last.size);
    // While a checkpoint runs, the next look compares with the last one seen before it.
    if (!seen.checkpointRunning) {
        m_last = seen;
    }
    return behind;
}

QByteArray WriteWatch::header() {
    struct stat status = {};
    struct stat open = {};
    if (::stat(QFile::encodeName(m_path).constData(), &status) == 0 &&
        (m_file == -1 || ::fstat(m_file, &open) != 0 || open.st_dev != status.st_dev ||
         open.st_ino != status.st_ino)) {
        m_file = openDescriptorOn(m_path);
    }
    QByteArray head(HeaderSize, Qt::Uninitialized);
    if (m_file == -1 || ::pread(m_file, head.data(), size_t(HeaderSize), 0) != HeaderSize) {
        return headerOf(m_path);
    }
    return head;
}

WriteWatch::Writes WriteWatch::look() {
    Writes writes;
    const QString indexPath = m_path + QStringLiteral("-shm");
    struct stat index = {};
    struct stat open = {};
    if (::stat(QFile::encodeName(indexPath).constData(), &index) == 0 &&
        (m_index == -1 || ::fstat(m_index, &open) != 0 || open.st_dev != index.st_dev ||
         open.st_ino != index.st_ino)) {
        m_index = openDescriptorOn(indexPath);
    }
    // The index is read before and after the file: a checkpoint that wrote to the file while it
    // was looked at held its lock at the first reading or the second, or moved its marks in
    // between. Either way the file was seen part of the way through, and the look counts as one
    // taken while a checkpoint ran.
    const Marks before = marks();
    struct stat status = {};
    if (::stat(QFile::encodeName(m_path).constData(), &status) != 0) {
        return writes;
    }
    writes.modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    writes.size = qint64(status.st_size);
    const Marks after = marks();
    writes.checkpointMarks = after.marks;
    writes.checkpointSettled = after.settled;
    writes.checkpointRunning =
        before.checkpointRunning || after.checkpointRunning || before.marks != after.marks;
    return writes;
}

WriteWatch::Marks WriteWatch::marks() const {
    Marks seen;
    if (m_index == -1) {
        return seen;
    }
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = CheckpointLockByte;
    probe.l_len = 1;
    seen.checkpointRunning = ::fcntl(m_index, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    QByteArray start(IndexStart, Qt::Uninitialized);
    if (::pread(m_index, start.data(), size_t(IndexStart), 0) == ssize_t(IndexStart)) {
        seen.marks =
            start.mid(SaltsAt, 8) + start.mid(BackfilledAt, 4) + start.mid(BackfillAttemptedAt, 4);
        seen.settled = start.mid(BackfilledAt, 4) == start.mid(BackfillAttemptedAt, 4);
    }
    return seen;
}

QByteArray headerOf(const QString& path) {
    QString reason;
    const std::optional<QByteArray> head = readHead(path, HeaderSize, reason);
    return head && head->size() == HeaderSize ? *head : QByteArray();
}

Overwrite judgeOverwrite(const QByteArray& before, const QByteArray& after) {
    const QByteArrayView magic("SQLite format 3\0", 16);
    if (before.size() != HeaderSize || after.size() != HeaderSize || before == after ||
        !after.startsWith(magic)) {
        return Overwrite::Damaged;
    }
    return Overwrite::Replaced;
}

Facts inspect(const QString& path) {
    Facts facts;
    const std::optional<QByteArray> header = readHead(path, HeaderSize, facts.unreadableReason);
    if (!header) {
        return facts;
    }
    facts.readable = true;
    facts.size = QFileInfo(path).size();
    facts.sqliteHeader =
        header->size() == HeaderSize && header->startsWith(QByteArrayView("SQLite format 3\0", 16));
    if (facts.sqliteHeader) {
        const auto* bytes = reinterpret_cast<const uchar*>(header->constData());
        const int size = qFromBigEndian<quint16>(bytes + 16);
        const int pageSize = size == 1 ? 65536 : size;
        if (pageSize >= 512 && (pageSize & (pageSize - 1)) == 0) {
            facts.pageSize = pageSize;
        }
        // The page count is valid when the change counter it was written with is current.
        const quint32 changeCounter = qFromBigEndian<quint32>(bytes + 24);
        const quint32 validFor = qFromBigEndian<quint32>(bytes + 92);
        if (changeCounter == validFor) {
            facts.headerPages = qFromBigEndian<quint32>(bytes + 28);
        }
    }
    const QFileInfo log(path + QStringLiteral("-wal"));
    facts.walHasContent = log.exists() && log.size() > 0;
    return facts;
}

QString damage(const Facts& facts) {
    if (!facts.sqliteHeader || facts.walHasContent) {
        return {};
    }
    if (facts.pageSize == 0) {
        return QCoreApplication::translate("SqliteFile", "its header gives no valid page size");
    }
    if (facts.size % facts.pageSize != 0) {
        return QCoreApplication::translate("SqliteFile",
                                           "the file ends part of the way through a page");
    }
    if (facts.headerPages > 0 && facts.size < facts.headerPages * facts.pageSize) {
        return QCoreApplication::translate(
                   "SqliteFile",
                   "the file is shorter than the database it records (%1 of %2 pages; "
                   "it may have been cut off while it was copied)")
            .arg(facts.size / facts.pageSize)
            .arg(facts.headerPages);
    }
    return {};
}

QString writeProblem(const QString& path) {
    const QFileInfo info(path);
    // A file whose mode grants no write at all is read-only even to an administrator, who could
    // write it anyway: the owner marked it so on purpose.
    const bool writeBits =
        (info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) != 0;
    if (!writeBits || !canWrite(path)) {
        return QCoreApplication::translate(
                   "SqliteFile",
                   "The database %1 is read-only, and Quillhour writes to it. Ask its "
                   "owner for write access, or choose another database.")
            .arg(shown(path));
    }
    const QString folder = info.absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        return QCoreApplication::translate(
                   "SqliteFile",
                   "The database %1 can be written, but its folder %2 is read-only. "
                   "Quillhour keeps two working files beside the database (%3-wal and "
                   "%3-shm), so it needs to write to the folder too. Ask for write "
                   "access to the folder, or choose another database.")
            .arg(shown(path), shown(folder), info.fileName());
    }
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        const QString working = path + suffix;
        if (QFileInfo::exists(working) && !canWrite(working)) {
            return QCoreApplication::translate(
                       "SqliteFile", "The working file %1 beside the database cannot be written; "
                                     "another user's program probably left it there. Once no "
                                     "program has the database open, its owner can delete it.")
                .arg(shown(working));
        }
    }
    return {};
}

ReadOnlyOpen readOnlyOpen(const QString& path, int busyTimeoutMs) {
    const QString timeout = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
    if (QFileInfo::exists(path + QStringLiteral("-wal")) &&
        QFileInfo::exists(path + QStringLiteral("-shm"))) {
        return {path, QStringLiteral("QSQLITE_OPEN_READONLY;") + timeout};
    }
    // Read as an unchanging file: no lock, no working files.
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(QStringLiteral("immutable=1"));
    return {url.toString(QUrl::FullyEncoded),
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;") + timeout};
}

bool diskFull(const QString& path) {
    const QStorageInfo storage(QFileInfo(path).absolutePath());
    return storage.isValid() && storage.bytesAvailable() < NearlyFull;
}

namespace {

// Where a file is, or would be made: its folder with every link in it resolved, and its name.
// A link at the path itself leads on to what it points at, even when that is not there yet.
QString placeOf(QString path) {
    for (int links = 0; links < 40 && QFileInfo(path).isSymLink(); ++links) {
        path = QFileInfo(path).symLinkTarget();
    }
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

bool isPartOfDatabase(const QString& path, const QString& databasePath) {
    const Identity target = identityOf(path);
    const QString place = placeOf(path);
    // The engine keeps its files beside the file a link leads to.
    for (const QString& database : {databasePath, placeOf(databasePath)}) {
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"),
                                      QStringLiteral("-journal")}) {
            const QString part = database + suffix;
            if ((target.exists && target == identityOf(part)) || place == placeOf(part)) {
                return true;
            }
        }
    }
    return false;
}

QString ownFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Quillhour"));
}

bool prepareNew(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        return false;
    }
    if (QFileInfo(folder).canonicalFilePath() != QFileInfo(ownFolder()).canonicalFilePath()) {
        return true;
    }
    ::chmod(QFile::encodeName(folder).constData(), S_IRWXU);
    // Made here with its mode rather than by the engine, which would let the umask decide. An
    // empty file is an empty database to the engine.
    const int made = ::open(QFile::encodeName(path).constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (made >= 0) {
        ::close(made);
    }
    return true;
}

} // namespace SqliteFile
