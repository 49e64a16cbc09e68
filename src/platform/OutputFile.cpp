#include "platform/OutputFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

OutputFile::OutputFile(Kind kind, int descriptor, std::unique_ptr<QSaveFile> file)
    : m_kind(kind)
    , m_descriptor(descriptor)
    , m_file(std::move(file)) {
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

OutputFile::~OutputFile() {
    // A file never committed goes with m_file, and the target stays as it was.
    if (!m_committed && m_kind == Kind::Device) {
        ::close(m_descriptor);
    }
}

std::unique_ptr<OutputFile> OutputFile::standardOutput() {
    return std::unique_ptr<OutputFile>(new OutputFile(Kind::StandardOutput, STDOUT_FILENO, {}));
}

std::unique_ptr<OutputFile> OutputFile::open(const QString& path, QString& reason) {
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode) &&
        !S_ISDIR(status.st_mode)) {
        const int descriptor = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
        if (descriptor < 0) {
            reason = describe(errno);
            return {};
        }
        return std::unique_ptr<OutputFile>(new OutputFile(Kind::Device, descriptor, {}));
    }
    auto file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly)) {
        reason = file->errorString();
        return {};
    }
    const int descriptor = file->handle();
    return std::unique_ptr<OutputFile>(new OutputFile(Kind::File, descriptor, std::move(file)));
}

QString OutputFile::describe(int errorNumber) {
    switch (errorNumber) {
    case ENOSPC:
        return tr("The disk is full");
    case EDQUOT:
        return tr("The disk quota is used up");
    case EFBIG:
        return tr("The file is larger than the system allows");
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}

void OutputFile::fail(int errorNumber) {
    fail(describe(errorNumber));
}

void OutputFile::fail(const QString& reason) {
    if (!m_failed) {
        m_failed = true;
        setErrorString(reason);
    }
}

qint64 OutputFile::readData(char*, qint64) {
    return -1;
}

qint64 OutputFile::writeData(const char* data, qint64 size) {
    if (m_failed || m_committed) {
        return -1;
    }
    qint64 written = 0;
    while (written < size) {
        const auto part = std::min<qint64>(size - written, SSIZE_MAX);
        const ssize_t done = ::write(m_descriptor, data + written, size_t(part));
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(errno);
            return -1;
        }
        written += done;
    }
    return written;
}

bool OutputFile::commit() {
    if (m_committed) {
        return !m_failed;
    }
    m_committed = true;
    switch (m_kind) {
    case Kind::StandardOutput: {
        // Closing a copy of the descriptor hands over what the file system still holds back (a
        // network file system writes out at close) and keeps the standard output itself open.
        const int copy = ::dup(m_descriptor);
        if (copy >= 0 && ::close(copy) != 0 && !m_failed) {
            fail(errno);
        }
        break;
    }
    case Kind::Device:
        if (::close(m_descriptor) != 0 && !m_failed) {
            fail(errno);
        }
        break;
    case Kind::File:
        // On the disk before it takes the old file's place, so that a crash leaves one of the
        // two whole.
        if (!m_failed && ::fsync(m_descriptor) != 0) {
            fail(errno);
        }
        if (m_failed) {
            m_file->cancelWriting();
            m_file->commit(); // only removes the file beside the target
        } else if (!m_file->commit()) {
            fail(m_file->errorString());
        }
        break;
    }
    return !m_failed;
}
