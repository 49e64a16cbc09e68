#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <utility>

// What can be told about an SQLite database file from the file system alone, without the
// engine, and so without creating or changing anything beside it.
namespace SqliteFile {

// Which file a path leads to. A file deleted, or replaced by another one renamed or moved over
// it, has another identity than the one that was opened, or none.
struct Identity {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const Identity&) const = default;
};
Identity identityOf(const QString& path);

// Tells when another database was copied over the file in place, which keeps its identity. In
// WAL mode the engine writes to the database file only in a checkpoint, which copies pages from
// the log and moves its marks in the shared index beside the file (the "-shm" file) before it
// writes. A file written while the marks stayed put was written by something else.
class WriteWatch {
public:
    explicit WriteWatch(QString path)
        : m_path(std::move(path)) {}

    // Whether the file was written by something other than the engine since the last look.
    bool writtenBehindTheEngine();
    // The file's header as it stands now (its first 100 bytes), read through the engine's own
    // descriptor; empty when it cannot be read whole.
    QByteArray header();

private:
    struct Writes {
        qint64 modifiedNs = 0;
        qint64 size = -1;
        QByteArray checkpointMarks; // empty when this process has no index of the file open
        bool checkpointRunning = false;
        // A checkpoint marks how far it sets out to copy before it writes, and how far it got
        // once it has written. One that was killed part of the way leaves the two apart; the
        // next one may write the same pages again without moving either mark, so writes seen
        // while they are apart are taken for the engine's own.
        bool checkpointSettled = false;
    };
    Writes look();

    struct Marks {
        QByteArray marks; // empty when this process has no index of the file open
        bool settled = false;
        bool checkpointRunning = false;
    };
    Marks marks() const;

    QString m_path;
    Writes m_last;
    int m_index = -1; // this process's descriptor of the index, as last found
    int m_file = -1;  // and of the file
};

// The header of the database file at path as it stands on disk (its first 100 bytes), or
// nothing when it cannot be read whole.
QByteArray headerOf(const QString& path);

// What was written over the file behind the engine's back, judged from its header before and
// after. The engine writes the header only in a checkpoint, so with none in between the same
// database keeps it byte for byte: another header that still opens as a database's is another
// database (its page size, the number it was given at creation, its counts of changes); the
// same header, or one that no longer reads as a database's, is the same file whose pages were
// damaged where they lie.
enum class Overwrite { Damaged, Replaced };
Overwrite judgeOverwrite(const QByteArray& before, const QByteArray& after);

struct Facts {
    bool readable = false;
    QString unreadableReason; // when not readable
    qint64 size = 0;
    bool sqliteHeader = false; // starts with "SQLite format 3"
    int pageSize = 0;          // 0 when the header gives none that is valid
    qint64 headerPages = 0;    // the page count the header records, 0 when it is not valid
    bool walHasContent = false;
};
Facts inspect(const QString& path);

// Why the file is damaged, judged from its size against its header, or empty text. A file that
// still has changes in its write-ahead log is not judged: those pages live in the log.
QString damage(const Facts& facts);

// Why the program could not keep the database up to date at path (the file, its folder or the
// working files beside it cannot be written), or empty text when it can.
QString writeProblem(const QString& path);

// The name and connect options under which the engine reads the file without writing anything
// beside it: the working files are used when they are both there, and otherwise the file is read
// as it stands (an absent log holds no changes).
struct ReadOnlyOpen {
    QString name;
    QString options;
};
ReadOnlyOpen readOnlyOpen(const QString& path, int busyTimeoutMs);

// Whether the disk that holds path has (almost) no room left.
bool diskFull(const QString& path);

// Whether writing a file at path would write over the database at databasePath or one of the
// engine's files beside it (-wal, -shm, -journal), under whatever name: another path to the same
// file, a link to it, or one of those names whose file is not there yet.
bool isPartOfDatabase(const QString& path, const QString& databasePath);

// The program's own folder, ~/.local/share/Quillhour, where its default database lives.
QString ownFolder();

// Makes the folder of a new database file at path; false when it cannot be made. In the
// program's own folder the new file is its person's alone: made empty, readable and writable by
// its owner only (the engine gives its -wal and -shm files the same mode), in a folder only its
// owner may enter. Elsewhere the folder's own rules apply.
bool prepareNew(const QString& path);

} // namespace SqliteFile
