#include "files/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <cerrno>
#include <new>

namespace {

// As deep as the kernel itself follows a chain of symbolic links.
constexpr int MaxLinkDepth = 40;

// The program's own descriptions of what went wrong; the system's own come from the platform.
QString notRegularText() { return QStringLiteral("Chisto nun è nu file normale."); }

QString changedWhileReadingText() {
    return QStringLiteral("'O file s'è cagnato mentre 'o stevo leggenno.");
}

TextFile::ReadResult readFailure(TextFile::ReadStatus status, const QString& why) {
    TextFile::ReadResult result;
    result.status = status;
    result.errorString = why;
    return result;
}

TextFile::WriteResult writeFailure(const QString& why) {
    TextFile::WriteResult result;
    result.errorString = why;
    return result;
}

// Reads up to size bytes into data; returns the count read (short only at end of file), or -1
// with errno set.
qint64 readFully(int fd, char* data, qint64 size) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        done += n;
    }
    return done;
}

bool writeFully(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Follows a chain of symbolic links to the path that is really written. A dangling link gives
// the path it points to, so that saving creates the target and the link stays a link.
bool resolveLinks(const QString& path, QString* target) {
    QString current = path;
    for (int depth = 0; depth < MaxLinkDepth; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink()) {
            *target = current;
            return true;
        }
        current = info.symLinkTarget();
    }
    return false;
}

// Whether this process may replace the file's content. Root passes every permission check,
// so for root a file without any write permission bit counts as read-only all the same: the
// user made it so on purpose, and saving must not quietly replace it.
bool mayWrite(const QByteArray& nativePath, const struct stat& st, int* error) {
    if (::faccessat(AT_FDCWD, nativePath.constData(), W_OK, AT_EACCESS) != 0) {
        *error = errno;
        return false;
    }
    if (::geteuid() == 0 && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        *error = EACCES;
        return false;
    }
    return true;
}

// A character device (a terminal, /dev/null, /dev/full) cannot be replaced by a new file, so
// it is written straight through. It is never created and never truncated.
TextFile::WriteResult writeDevice(const QByteArray& nativePath, const QByteArray& text,
                                  const QByteArray& lineEnd) {
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return writeFailure(qt_error_string(errno));
    auto closeOnFailure = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0) return writeFailure(qt_error_string(errno));
    if (!S_ISCHR(st.st_mode)) return writeFailure(TextFile::changedWhileWritingText());
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return writeFailure(qt_error_string(errno));
    if (!writeFully(fd, text.constData(), text.size()) ||
        !writeFully(fd, lineEnd.constData(), lineEnd.size()))
        return writeFailure(qt_error_string(errno));
    // close() can report a write error of its own.
    closeOnFailure.dismiss();
    if (::close(fd) != 0) return writeFailure(qt_error_string(errno));
    return TextFile::WriteResult{true, QString()};
}

// The replacement is a new file owned by whoever saves. Give it the old file's owner and group
// back where the system lets us (root, or a group the user belongs to); where it does not, the
// saved file simply belongs to the user who saved it.
void keepOwner(int fd, const struct stat& old) {
    if (fd < 0 || (old.st_uid == ::geteuid() && old.st_gid == ::getegid())) return;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither is allowed: the file is saved with the user's own owner and group.
    }
}

// Writes all of data. A write that stops short is not yet an error on the device (the error
// text would still say "Unknown error"), so the rest is written until the device either takes it
// or reports why it cannot.
bool writeFully(QSaveFile& out, const char* data, qint64 size) {
    while (size > 0) {
        const qint64 n = out.write(data, size);
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

QString describeFailure(const QSaveFile& out) {
    return out.error() == QFileDevice::NoError ? qt_error_string(EIO) : out.errorString();
}

TextFile::WriteResult writeRegular(const QString& target, bool existed, const struct stat& old,
                                   const QByteArray& text, const QByteArray& lineEnd) {
    QSaveFile out(target);
    // Where the folder refuses the temporary file but the file itself is writable, rewrite the
    // file in place rather than refuse to save.
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly)) return writeFailure(describeFailure(out));
    if (existed) keepOwner(out.handle(), old);
    if (!writeFully(out, text.constData(), text.size()) ||
        !writeFully(out, lineEnd.constData(), lineEnd.size())) {
        const QString why = describeFailure(out);
        out.cancelWriting();
        return writeFailure(why);
    }
    if (!out.commit()) return writeFailure(describeFailure(out));
    return TextFile::WriteResult{true, QString()};
}

}  // namespace

TextFile::ReadResult TextFile::read(const QString& path) {
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat st;
    if (nativePath.isEmpty() || ::stat(nativePath.constData(), &st) != 0)
        return readFailure(ReadStatus::OpenFailed,
                           qt_error_string(nativePath.isEmpty() ? ENOENT : errno));
    // Refused before opening: opening a FIFO waits for a writer, and a device may never end.
    if (S_ISDIR(st.st_mode)) return readFailure(ReadStatus::ReadFailed, qt_error_string(EISDIR));
    if (!S_ISREG(st.st_mode)) return readFailure(ReadStatus::ReadFailed, notRegularText());

    // O_NONBLOCK keeps the open from hanging should the path turn into a FIFO after the check.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return readFailure(ReadStatus::OpenFailed, qt_error_string(errno));
    const auto closeWhenDone = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &st) != 0) return readFailure(ReadStatus::ReadFailed, qt_error_string(errno));
    if (!S_ISREG(st.st_mode)) return readFailure(ReadStatus::ReadFailed, notRegularText());

    const qint64 size = st.st_size;
    QByteArray bytes;
    try {
        bytes = QByteArray(size, Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        return readFailure(ReadStatus::ReadFailed, qt_error_string(ENOMEM));
    }
    const qint64 got = readFully(fd, bytes.data(), size);
    if (got < 0) return readFailure(ReadStatus::ReadFailed, qt_error_string(errno));
    if (got < size) return readFailure(ReadStatus::ReadFailed, changedWhileReadingText());
    // Anything after the length taken above means the file grew while being read.
    char extra;
    const qint64 more = readFully(fd, &extra, 1);
    if (more < 0) return readFailure(ReadStatus::ReadFailed, qt_error_string(errno));
    if (more > 0) return readFailure(ReadStatus::ReadFailed, changedWhileReadingText());

    ReadResult result;
    result.status = ReadStatus::Ok;
    result.bytes = bytes;
    return result;
}

TextFile::WriteResult TextFile::write(const QString& path, const QByteArray& text,
                                      const QByteArray& lineEnd) {
    const QString target = writeTarget(path);
    if (target.isEmpty()) return writeFailure(qt_error_string(ELOOP));
    const QByteArray nativePath = QFile::encodeName(target);
    if (nativePath.isEmpty()) return writeFailure(qt_error_string(ENOENT));

    struct stat st;
    const bool existed = ::stat(nativePath.constData(), &st) == 0;
    if (existed) {
        if (S_ISDIR(st.st_mode)) return writeFailure(qt_error_string(EISDIR));
        int error = 0;
        if (!mayWrite(nativePath, st, &error)) return writeFailure(qt_error_string(error));
        if (S_ISCHR(st.st_mode)) return writeDevice(nativePath, text, lineEnd);
        // Replacing a FIFO, a socket or a block device with a text file is never what was meant.
        if (!S_ISREG(st.st_mode)) return writeFailure(notRegularText());
    } else if (errno != ENOENT) {
        return writeFailure(qt_error_string(errno));
    }
    return writeRegular(target, existed, st, text, lineEnd);
}

QString TextFile::changedWhileWritingText() {
    return QStringLiteral("'O file s'è cagnato mentre 'o stevo astipanno.");
}

qint64 TextFile::sizeOf(const QString& path) {
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat st;
    if (nativePath.isEmpty() || ::stat(nativePath.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

QString TextFile::writeTarget(const QString& path) {
    QString target;
    return resolveLinks(path, &target) ? target : QString();
}
