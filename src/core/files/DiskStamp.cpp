#include "core/files/DiskStamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>
#include <QScopeGuard>
#include <cerrno>

#include "core/files/NativePath.h"

namespace {

// A strong digest, and the fastest of those Qt offers.
constexpr auto Algorithm = QCryptographicHash::Blake2b_256;

qint64 nanoseconds(const struct timespec& t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; }

}  // namespace

DiskStamp DiskStamp::ofMetadata(const QString& path) {
    DiskStamp stamp;
    const QByteArray nativePath = NativePath::encode(path);
    struct stat st;
    if (nativePath.isEmpty() || ::stat(nativePath.constData(), &st) != 0) {
        // A path that cannot even be looked up for another reason (a folder on the way that the
        // user may no longer enter) is not known to be gone.
        stamp.m_state = (nativePath.isEmpty() || errno == ENOENT || errno == ENOTDIR)
                            ? State::Missing
                            : State::Unreadable;
        return stamp;
    }
    stamp.m_state = State::Unreadable;
    stamp.m_size = st.st_size;
    stamp.m_modifiedNs = nanoseconds(st.st_mtim);
    stamp.m_statusChangedNs = nanoseconds(st.st_ctim);
    stamp.m_device = st.st_dev;
    stamp.m_inode = st.st_ino;
    return stamp;
}

DiskStamp DiskStamp::ofFile(const QString& path) {
    DiskStamp stamp = ofMetadata(path);
    if (stamp.m_state == State::Missing) return stamp;
    // Only a regular file has bytes to compare; opening a FIFO would wait for a writer.
    const QByteArray nativePath = NativePath::encode(path);
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return stamp;
    const auto closeWhenDone = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return stamp;

    QCryptographicHash hash(Algorithm);
    char buffer[64 * 1024];
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return stamp;
        }
        if (n == 0) break;
        hash.addData(QByteArrayView(buffer, n));
        total += n;
    }
    // What was read is the file the descriptor names; its metadata is taken from it too.
    stamp.m_state = State::Readable;
    stamp.m_size = total;
    stamp.m_modifiedNs = nanoseconds(st.st_mtim);
    stamp.m_statusChangedNs = nanoseconds(st.st_ctim);
    stamp.m_device = st.st_dev;
    stamp.m_inode = st.st_ino;
    stamp.m_digest = hash.result();
    return stamp;
}

DiskStamp DiskStamp::ofFileTakenLate(const QString& path) {
    DiskStamp stamp = ofFile(path);
    stamp.m_takenLate = true;
    return stamp;
}

DiskStamp DiskStamp::ofContent(const QString& path, QByteArrayView body, QByteArrayView tail) {
    DiskStamp stamp = ofMetadata(path);
    QCryptographicHash hash(Algorithm);
    hash.addData(body);
    hash.addData(tail);
    // The bytes are known even where the file has since gone or become unreadable: the next
    // check compares against them.
    stamp.m_state = State::Readable;
    stamp.m_size = body.size() + tail.size();
    stamp.m_digest = hash.result();
    return stamp;
}

DiskStamp::Verdict DiskStamp::compare(const DiskStamp& now) const {
    if (now.m_state == State::Missing)
        return m_state == State::Missing ? Verdict::Unchanged : Verdict::Removed;
    if (m_state == State::Missing || m_state == State::Unknown) return Verdict::Changed;
    if (m_state == State::Readable && now.m_state == State::Readable)
        return m_digest == now.m_digest ? Verdict::Unchanged : Verdict::Changed;
    return m_size == now.m_size && m_modifiedNs == now.m_modifiedNs ? Verdict::Unchanged
                                                                    : Verdict::Changed;
}

bool DiskStamp::stillHolds(const QString& path) const {
    if (m_state == State::Unknown) return true;
    const DiskStamp now = ofMetadata(path);
    if (m_state == State::Missing || now.m_state == State::Missing) return m_state == now.m_state;
    return m_size == now.m_size && m_modifiedNs == now.m_modifiedNs &&
           m_statusChangedNs == now.m_statusChangedNs && m_device == now.m_device &&
           m_inode == now.m_inode;
}
