#include "core/files/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <new>

#include "core/files/FileAttributes.h"
#include "core/files/NativePath.h"

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

TextFile::WriteResult succeeded() {
    TextFile::WriteResult result;
    result.ok = true;
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

// Hands all of data to write, a call that writes a part of it and says how much (as write(2)
// does), until all is written or the call fails; a call that writes nothing fails with EIO.
template <typename Write>
bool writeAll(const char* data, qint64 size, Write write) {
    while (size > 0) {
        const ssize_t n = write(data, static_cast<size_t>(size));
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

bool writeFully(int fd, const char* data, qint64 size) {
    return writeAll(data, size, [fd](const char* p, size_t n) { return ::write(fd, p, n); });
}

// Follows a chain of symbolic links to the path that is really written. A dangling link gives
// the path it points to, so that saving creates the target and the link stays a link.
bool resolveLinks(const QString& path, QString* target) {
    QString current = path;
    for (int depth = 0; depth < MaxLinkDepth; ++depth) {
        const QByteArray native = NativePath::encode(current);
        struct stat st;
        if (::lstat(native.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *target = current;
            return true;
        }
        QByteArray link(qMax<qint64>(st.st_size, 4095) + 1, Qt::Uninitialized);
        const ssize_t n = ::readlink(native.constData(), link.data(), size_t(link.size()));
        if (n < 0 || n >= link.size()) return false;
        link.truncate(n);
        // A relative link is read from the folder that holds it.
        const QString next = NativePath::decode(link);
        current = QDir::cleanPath(link.startsWith('/') ? next
                                                       : QFileInfo(current).absolutePath() +
                                                             QLatin1Char('/') + next);
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
    return succeeded();
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

bool writeFullyAt(int fd, const char* data, qint64 size, qint64 offset) {
    return writeAll(data, size, [fd, &offset](const char* p, size_t n) {
        const ssize_t written = ::pwrite(fd, p, n, off_t(offset));
        if (written > 0) offset += written;
        return written;
    });
}

// The whole content of the open file, read from its start whatever its offset, in as few reads
// as its size allows; false with errno set when it cannot be read.
bool readWhole(int fd, QByteArray* bytes) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    bytes->resize(st.st_size);
    qint64 at = 0;
    for (;;) {
        // A file that grew since its size was taken is read on to its end.
        if (at == bytes->size()) bytes->resize(at + 64 * 1024);
        const ssize_t n = ::pread(fd, bytes->data() + at, size_t(bytes->size() - at), off_t(at));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        at += n;
    }
    bytes->resize(at);
    return true;
}

QString describeFailure(const QSaveFile& out) {
    return out.error() == QFileDevice::NoError ? qt_error_string(EIO) : out.errorString();
}

TextFile::WriteResult staleFailure() {
    TextFile::WriteResult result = writeFailure(TextFile::changedWhileWritingText());
    result.stale = true;
    return result;
}

// Whether a replacement may be made beside target and renamed over it, as far as permissions
// tell. In a sticky folder (/tmp) only the owner of the file or of the folder may replace it.
bool folderTakesReplacement(const QString& target, const struct stat& file) {
    const QByteArray folder = NativePath::encode(QFileInfo(target).absolutePath());
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0) return false;
    struct stat st;
    if (::stat(folder.constData(), &st) != 0) return false;
    const uid_t user = ::geteuid();
    return !(st.st_mode & S_ISVTX) || user == 0 || user == st.st_uid || user == file.st_uid;
}

// Puts the old bytes back after a failed write in place; the failure is reported either way,
// with the old bytes handed back when they could not be put back.
TextFile::WriteResult restoreAfter(int fd, const QByteArray& old, int error) {
    TextFile::WriteResult result = writeFailure(qt_error_string(error));
    if (writeFullyAt(fd, old.constData(), old.size(), 0) && ::ftruncate(fd, old.size()) == 0 &&
        ::fdatasync(fd) == 0)
        return result;
    // What failed to be put back may be what was never overwritten (the write stopped at the
    // same limit): the file is damaged only when it holds other bytes now.
    QByteArray now;
    if (!readWhole(fd, &now) || now != old) result.notRestored = old;
    return result;
}

// Rewrites the file in place: the only way where the folder takes no replacement, and the way that
// keeps every name of a file with several and whatever a replacement could not be given. held
// is the file as it was checked and old its bytes then.
TextFile::WriteResult writeInPlace(const QByteArray& nativePath, const struct stat& held,
                                   const QByteArray& old, const QByteArray& whole) {
    const int fd = ::open(nativePath.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return writeFailure(qt_error_string(errno));
    const auto closeWhenDone = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0) return writeFailure(qt_error_string(errno));
    // Anything written since the check is the caller's to ask about again.
    if (st.st_dev != held.st_dev || st.st_ino != held.st_ino || st.st_size != old.size() ||
        st.st_mtim.tv_sec != held.st_mtim.tv_sec || st.st_mtim.tv_nsec != held.st_mtim.tv_nsec)
        return staleFailure();

    const qint64 oldSize = old.size();
    const qint64 newSize = whole.size();
    if (newSize > oldSize) {
        // The room the new text needs beyond the old end is taken, and that part written and
        // flushed, before a single old byte is overwritten: a full disk or a size limit then
        // fails the save while the file is, once cut back to its old end, as it was.
        const int reserved = ::posix_fallocate(fd, off_t(oldSize), off_t(newSize - oldSize));
        int error = reserved == EOPNOTSUPP || reserved == EINVAL ? 0 : reserved;
        if (error == 0 &&
            (!writeFullyAt(fd, whole.constData() + oldSize, newSize - oldSize, oldSize) ||
             ::fdatasync(fd) != 0))
            error = errno;
        if (error != 0) {
            if (::ftruncate(fd, oldSize) != 0) return restoreAfter(fd, old, error);
            return writeFailure(qt_error_string(error));
        }
    }
    if (!writeFullyAt(fd, whole.constData(), std::min(oldSize, newSize), 0) ||
        (newSize < oldSize && ::ftruncate(fd, newSize) != 0) || ::fdatasync(fd) != 0)
        return restoreAfter(fd, old, errno);

    TextFile::WriteResult result = succeeded();
    // Look once more: bytes another program wrote during the write are in the file now.
    QByteArray now;
    if (readWhole(fd, &now) && now != whole) result.changedMeanwhile = now;
    return result;
}

// The file now at the path, opened for reading, when it is not the one checked (held, if it
// existed): another program has put it there. -1 when there is none.
int otherFileAt(const QByteArray& nativePath, bool existed, const struct stat& held) {
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        (!existed || st.st_dev != held.st_dev || st.st_ino != held.st_ino))
        return fd;
    ::close(fd);
    return -1;
}

// A name in target's folder that no file is likely to have, in a form Qt's classes can name: a
// folder whose own name is not valid UTF-8 is reached through folderFd, held open on it.
QString spareNameBeside(const QString& target, int folderFd) {
    const QString folder = folderFd >= 0
                               ? QStringLiteral("/proc/self/fd/") + QString::number(folderFd)
                               : QFileInfo(target).absolutePath();
    return folder + QStringLiteral("/.tavulella-") +
           QString::number(QRandomGenerator::global()->generate64(), 16);
}

TextFile::WriteResult writeRegular(const QString& target, const QByteArray& nativePath,
                                   bool existed, const QByteArray& text, const QByteArray& lineEnd,
                                   const TextFile::Expected& expected) {
    // The file to be replaced is held open from the check on, so that what it holds once it has
    // been replaced can be compared with what it held then. A file the user may write but not
    // read is written as before, unheld.
    int heldFd = -1;
    if (existed) {
        heldFd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (heldFd < 0 && errno != EACCES) return writeFailure(qt_error_string(errno));
    }
    const auto closeWhenDone = qScopeGuard([heldFd] {
        if (heldFd >= 0) ::close(heldFd);
    });
    struct stat held {};
    QByteArray old;
    FileAttributes attributes;
    bool attributesRead = true;
    if (heldFd >= 0) {
        if (::fstat(heldFd, &held) != 0) return writeFailure(qt_error_string(errno));
        if (!S_ISREG(held.st_mode)) return staleFailure();
        if (!readWhole(heldFd, &old)) return writeFailure(qt_error_string(errno));
        attributesRead = attributes.read(heldFd);
    } else if (existed && ::stat(nativePath.constData(), &held) != 0) {
        return writeFailure(qt_error_string(errno));
    }
    if (expected.holds && !expected.holds()) return staleFailure();
    if (expected.afterCheck) expected.afterCheck();

    const bool inPlace = heldFd >= 0 && (held.st_nlink > 1 || !attributesRead ||
                                         !folderTakesReplacement(target, held));
    if (!inPlace) {
        // QSaveFile names its file through Qt's conversion, which cannot name a file whose name
        // is not valid UTF-8: such a replacement is committed under a spare name beside it and
        // renamed from there.
        const bool plainName = NativePath::isPlain(target);
        const QString folder = QFileInfo(target).absolutePath();
        const int folderFd =
            NativePath::isPlain(folder)
                ? -1
                : ::open(NativePath::encode(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const auto closeFolder = qScopeGuard([folderFd] {
            if (folderFd >= 0) ::close(folderFd);
        });
        const QString committed = plainName ? target : spareNameBeside(target, folderFd);
        QSaveFile out(committed);
        out.setDirectWriteFallback(false);
        // Unbuffered: a buffered text that the device takes only in part would be cut short at
        // the commit, and the commit would still succeed; unbuffered, each short write is seen.
        if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            // The folder refused the replacement after all: the file is rewritten in place.
            if (heldFd < 0) return writeFailure(describeFailure(out));
        } else {
            if (existed) FileAttributes::keepOwner(out.handle(), held);
            if (attributes.give(out.handle())) {
                if (!writeFully(out, text.constData(), text.size()) ||
                    !writeFully(out, lineEnd.constData(), lineEnd.size())) {
                    const QString why = describeFailure(out);
                    out.cancelWriting();
                    return writeFailure(why);
                }
                // A file another program put at the path since the check is held as well, so
                // that its bytes outlive the rename.
                const int otherFd = otherFileAt(nativePath, existed, held);
                const auto closeOther = qScopeGuard([otherFd] {
                    if (otherFd >= 0) ::close(otherFd);
                });
                if (!out.commit()) return writeFailure(describeFailure(out));
                if (!plainName) {
                    const QByteArray spare = NativePath::encode(committed);
                    if (::rename(spare.constData(), nativePath.constData()) != 0) {
                        const int error = errno;
                        ::unlink(spare.constData());
                        return writeFailure(qt_error_string(error));
                    }
                }
                TextFile::WriteResult result = succeeded();
                // Look once more: what another program wrote to the old file since the check,
                // or put in its place, is no longer at the path.
                QByteArray now;
                if (otherFd >= 0 && readWhole(otherFd, &now))
                    result.changedMeanwhile = now;
                else if (heldFd >= 0 && readWhole(heldFd, &now) && now != old)
                    result.changedMeanwhile = now;
                return result;
            }
            // An attribute the replacement cannot take (one of another user, a security label)
            // stays only where the file itself stays.
            out.cancelWriting();
        }
    }
    return writeInPlace(nativePath, held, old, text + lineEnd);
}

}  // namespace

TextFile::ReadResult TextFile::read(const QString& path) {
    const QByteArray nativePath = NativePath::encode(path);
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
                                      const QByteArray& lineEnd, const Expected& expected) {
    const QString target = writeTarget(path);
    if (target.isEmpty()) return writeFailure(qt_error_string(ELOOP));
    const QByteArray nativePath = NativePath::encode(target);
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
    try {
        return writeRegular(target, nativePath, existed, text, lineEnd, expected);
    } catch (const std::bad_alloc&) {
        return writeFailure(qt_error_string(ENOMEM));
    }
}

QString TextFile::changedWhileWritingText() {
    return QStringLiteral("'O file s'è cagnato mentre 'o stevo astipanno.");
}

qint64 TextFile::sizeOf(const QString& path) {
    const QByteArray nativePath = NativePath::encode(path);
    struct stat st;
    if (nativePath.isEmpty() || ::stat(nativePath.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

QString TextFile::writeTarget(const QString& path) {
    QString target;
    return resolveLinks(path, &target) ? target : QString();
}
