#include "core/files/LoadBound.h"

#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <limits>

namespace {

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    // These files report no size; they are read until they end.
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

// Where the program's control group keeps its limit: the group named in /proc/self/cgroup
// ("0::/path") under the unified hierarchy.
QString groupFolder() {
    const QByteArray self = contentsOf(QStringLiteral("/proc/self/cgroup"));
    for (const QByteArray& line : self.split('\n')) {
        if (line.startsWith("0::"))
            return QStringLiteral("/sys/fs/cgroup") + QString::fromLocal8Bit(line.mid(3));
    }
    return QString();
}

// The memory available according to the text of /proc/meminfo, in bytes; -1 without it.
qint64 parseMemAvailable(const QByteArray& meminfo) {
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:")) continue;
        QByteArray value = line.mid(int(sizeof "MemAvailable:") - 1).trimmed();
        if (!value.endsWith(" kB")) return -1;
        value.chop(3);
        bool ok = false;
        const qint64 kb = value.trimmed().toLongLong(&ok);
        return ok && kb >= 0 ? kb * 1024 : -1;
    }
    return -1;
}

// The room left under a control group's memory.max given its memory.current, in bytes; -1
// when the group sets no limit ("max") or the texts do not parse.
qint64 parseGroupRoom(const QByteArray& max, const QByteArray& current) {
    bool ok = false;
    const qint64 limit = max.trimmed().toLongLong(&ok);
    if (!ok) return -1;
    const qint64 used = current.trimmed().toLongLong(&ok);
    if (!ok) return -1;
    return std::max<qint64>(limit - used, 0);
}

}  // namespace

qint64 LoadBound::availableMemory() {
    qint64 available = parseMemAvailable(contentsOf(QStringLiteral("/proc/meminfo")));
    if (available < 0) {
        // Without /proc: the free pages, which leave out what the cache would give back.
        const long pages = ::sysconf(_SC_AVPHYS_PAGES);
        const long pageSize = ::sysconf(_SC_PAGESIZE);
        if (pages > 0 && pageSize > 0) available = qint64(pages) * pageSize;
    }
    const QString group = groupFolder();
    if (!group.isEmpty()) {
        const qint64 room = parseGroupRoom(contentsOf(group + QStringLiteral("/memory.max")),
                                           contentsOf(group + QStringLiteral("/memory.current")));
        if (room >= 0 && (available < 0 || room < available)) available = room;
    }
    return available;
}

qint64 LoadBound::windowCost(qint64 size, qint64 lines) {
    // Saturates rather than wrap for sizes no file system holds.
    const qint64 most = std::numeric_limits<qint64>::max();
    if (size > most / (2 * BytesPerFileByte) || lines > most / (2 * BytesPerLine)) return most;
    return size * BytesPerFileByte + lines * BytesPerLine;
}

qint64 LoadBound::windowCost(const QByteArray& text) {
    return windowCost(text.size(), text.count('\n'));
}

bool LoadBound::fits(qint64 cost, qint64 available) { return available < 0 || cost <= available; }
