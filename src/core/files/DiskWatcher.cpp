#include "core/files/DiskWatcher.h"

#include <QFileInfo>
#include <algorithm>

namespace {

// How long the disk must stay quiet before a change is reported; a file that keeps changing is
// reported this long after its first change all the same.
constexpr int QuietMs = 150;
constexpr int MaxWaitMs = 2000;

QString folderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

// The folders watched for a file: its own, and the one that holds it, which alone reports the
// file's folder being renamed or removed. The root has no folder above it.
QStringList foldersOf(const QString& path) {
    const QString folder = folderOf(path);
    const QString above = folderOf(folder);
    return above == folder ? QStringList{folder} : QStringList{folder, above};
}

}  // namespace

DiskWatcher::DiskWatcher(QObject* parent) : QObject(parent) {
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(QuietMs);
    connect(&m_quiet, &QTimer::timeout, this, &DiskWatcher::report);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DiskWatcher::fileReported);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DiskWatcher::folderReported);
}

void DiskWatcher::watch(const QString& path) {
    if (path.isEmpty()) return;
    if (m_files[path]++ == 0) m_watcher.addPath(path);
    for (const QString& folder : foldersOf(path))
        if (m_folders[folder]++ == 0) m_watcher.addPath(folder);
}

void DiskWatcher::unwatch(const QString& path) {
    auto file = m_files.find(path);
    if (file == m_files.end()) return;
    if (--*file == 0) {
        m_files.erase(file);
        m_watcher.removePath(path);
        m_pending.remove(path);
    }
    for (const QString& name : foldersOf(path)) {
        auto folder = m_folders.find(name);
        if (folder != m_folders.end() && --*folder == 0) {
            m_watcher.removePath(folder.key());
            m_folders.erase(folder);
        }
    }
}

void DiskWatcher::fileReported(const QString& path) {
    const bool first = m_pending.isEmpty();
    m_pending.insert(path);
    waitForQuiet(first);
}

void DiskWatcher::folderReported(const QString& folder) {
    const bool first = m_pending.isEmpty();
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        if (foldersOf(it.key()).contains(folder)) m_pending.insert(it.key());
    waitForQuiet(first);
}

void DiskWatcher::waitForQuiet(bool first) {
    if (m_pending.isEmpty()) return;
    if (first) m_sinceFirst.start();
    const qint64 left = MaxWaitMs - m_sinceFirst.elapsed();
    m_quiet.start(int(std::clamp<qint64>(left, 0, QuietMs)));
}

void DiskWatcher::report() {
    const QSet<QString> pending = std::exchange(m_pending, {});
    for (const QString& path : pending) {
        if (!m_files.contains(path)) continue;
        // A file that was replaced or made again is a new file to the watcher, as is a folder
        // made again: watch them anew.
        if (!m_watcher.files().contains(path)) m_watcher.addPath(path);
        for (const QString& folder : foldersOf(path))
            if (!m_watcher.directories().contains(folder)) m_watcher.addPath(folder);
        emit touched(path);
    }
}
