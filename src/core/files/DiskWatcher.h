#pragma once

#include <QElapsedTimer>
#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

// Watches the files the document windows hold, the folders they lie in and the folders above
// those: a file replaced by a rename (the way most programs save) drops out of a watch on the
// file itself, but its folder still reports it, and a folder renamed or removed is reported by
// the one that held it. Reports come a moment after the last change, so that a file being written
// is looked at once it is complete, and once however many changes made it; a file that never
// rests (a log written line by line) is reported a few seconds after it began to change.
class DiskWatcher : public QObject {
    Q_OBJECT
public:
    explicit DiskWatcher(QObject* parent = nullptr);

    // Each watch of a path is ended by one unwatch of it; several windows may hold one file.
    void watch(const QString& path);
    void unwatch(const QString& path);

signals:
    // Something changed at a watched path, or in its folder.
    void touched(const QString& path);

private:
    void fileReported(const QString& path);
    void folderReported(const QString& folder);
    void report();
    // (Re)starts the wait for quiet; first: the change is the first not yet reported.
    void waitForQuiet(bool first);

    QFileSystemWatcher m_watcher;
    QHash<QString, int> m_files;    // watched path -> how many windows hold it
    QHash<QString, int> m_folders;  // folder -> how many watched paths lie in it or below it
    QSet<QString> m_pending;
    QTimer m_quiet;
    QElapsedTimer m_sinceFirst;  // since the first change not yet reported
};
