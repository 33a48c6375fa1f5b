#include "ProcessMemory.h"

#include <QByteArray>
#include <QFile>
#include <QList>

qint64 ProcessMemory::residentKiB() { return statusField("VmRSS:"); }

qint64 ProcessMemory::peakResidentKiB() { return statusField("VmHWM:"); }

qint64 ProcessMemory::statusField(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    // A /proc file reports no size: readAll() reads it to its end all the same.
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith(name)) {
            return line.mid(qstrlen(name)).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}
