#include "data/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUrl>
#include <QtEndian>
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

} // namespace

Identity identityOf(const QString& path) {
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return {};
    }
    return {true, quint64(status.st_dev), quint64(status.st_ino)};
}

Facts inspect(const QString& path) {
    Facts facts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        facts.unreadableReason = file.errorString();
        return facts;
    }
    facts.readable = true;
    facts.size = file.size();
    const QByteArray header = file.read(HeaderSize);
    file.close();
    facts.sqliteHeader =
        header.size() == HeaderSize && header.startsWith(QByteArrayView("SQLite format 3\0", 16));
    if (facts.sqliteHeader) {
        const auto* bytes = reinterpret_cast<const uchar*>(header.constData());
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
        return QStringLiteral("its header gives no valid page size");
    }
    if (facts.size % facts.pageSize != 0) {
        return QStringLiteral("the file ends part of the way through a page");
    }
    if (facts.headerPages > 0 && facts.size < facts.headerPages * facts.pageSize) {
        return QStringLiteral("the file is shorter than the database it records (%1 of %2 pages; "
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
        return QStringLiteral("The database %1 is read-only, and Quillhour writes to it. Ask its "
                              "owner for write access, or choose another database.")
            .arg(shown(path));
    }
    const QString folder = info.absolutePath();
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0) {
        return QStringLiteral("The database %1 can be written, but its folder %2 is read-only. "
                              "Quillhour keeps two working files beside the database (%3-wal and "
                              "%3-shm), so it needs to write to the folder too. Ask for write "
                              "access to the folder, or choose another database.")
            .arg(shown(path), shown(folder), info.fileName());
    }
    for (const QString& suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        const QString working = path + suffix;
        if (QFileInfo::exists(working) && !canWrite(working)) {
            return QStringLiteral("The working file %1 beside the database cannot be written; "
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

} // namespace SqliteFile
