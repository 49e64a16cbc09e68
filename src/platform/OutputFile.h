#pragma once

#include <QIODevice>
#include <QString>
#include <memory>

class QSaveFile;

// Where something written for a person goes (a timesheet, a report, what the command line
// prints): whole or not at all. Every write goes straight to the descriptor and is checked; a
// failure is kept in words a person understands ("The disk is full"), and every later write
// fails too.
//
// A file (a new one, or a regular file already there) is written beside itself and put in its
// place by commit() only once all of it is on the disk; dropped without commit(), it leaves the
// file as it was. A device or a named pipe (/dev/stdout, /dev/lp0) is written straight: there
// is nothing to put in its place, and renaming over it would replace the device itself.
class OutputFile : public QIODevice {
    Q_OBJECT

public:
    // The process's standard output, written as it comes.
    static std::unique_ptr<OutputFile> standardOutput();
    // Opens path for writing; nothing, with the reason in reason, when it cannot be.
    static std::unique_ptr<OutputFile> open(const QString& path, QString& reason);

    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Ends the writing: a file is flushed to the disk and put in place of the old one; the
    // standard output hands over what the system still holds back. False, with errorString(),
    // when this or any write before it failed; then a file is left as it was.
    bool commit();
    // Whether a write failed (errorString() says why).
    bool failed() const { return m_failed; }

    bool isSequential() const override { return true; }

    // A failed write's errno in words: the disk full, the quota used up, the file too large
    // for the system, else the system's own words.
    static QString describe(int errorNumber);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    enum class Kind { StandardOutput, Device, File };
    OutputFile(Kind kind, int descriptor, std::unique_ptr<QSaveFile> file);
    void fail(int errorNumber);
    void fail(const QString& reason);

    Kind m_kind;
    int m_descriptor;
    std::unique_ptr<QSaveFile> m_file; // Kind::File: the file beside the target
    bool m_failed = false;
    bool m_committed = false;
};
