#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "files/DocumentFormat.h"

// Copies of unsaved documents kept in the user's state folder, so that their text survives a
// program that ends without closing its windows (killed, its display gone, a power cut).
//
// Each frame owns the snapshots whose names begin with its owner name, "<pid>.<start time>",
// and holds the lock "<owner>.lock" while it runs. A snapshot is "<owner>-<serial>.snap". Only
// snapshots whose owner's lock can be taken, because that frame no longer runs, are ever read
// back or removed by another frame.
class SnapshotStore {
public:
    // What a snapshot holds: enough to rebuild the window and to save exactly what it would have.
    struct Snapshot {
        QString caption;
        QString path;  // empty for an untitled window
        DocumentFormat format;
        QString chars;
        bool operator==(const Snapshot& o) const {
            return caption == o.caption && path == o.path && format == o.format && chars == o.chars;
        }
    };

    // The snapshots of a frame that has ended, locked for the caller until the object goes (its
    // lock file goes with it).
    struct Orphan {
        std::unique_ptr<QLockFile> lock;
        QStringList files;  // full paths, in the order their windows first changed
    };

    // $XDG_STATE_HOME/Tavulella, or ~/.local/state/Tavulella when the variable is unset, empty or
    // not an absolute path.
    static QString defaultFolder();

    // A store in folder for a new owner, unique to this process and this moment. Nothing is
    // made on disk until the first write.
    explicit SnapshotStore(const QString& folder);
    ~SnapshotStore();
    SnapshotStore(const SnapshotStore&) = delete;
    SnapshotStore& operator=(const SnapshotStore&) = delete;

    QString folder() const { return m_folder; }
    QString owner() const { return m_owner; }
    QString fileOf(int serial) const;

    // Writes the snapshot of serial atomically (mode 0600), making the folder (mode 0700) and
    // taking the owner's lock first. An empty string on success, else what went wrong.
    QString write(int serial, const Snapshot& snapshot);
    void remove(int serial);

    // The snapshots of every other owner whose frame no longer runs, each owner's lock taken.
    std::vector<Orphan> takeOrphans() const;

    // The file's snapshot; nothing when it cannot be read or is cut off or corrupt.
    static std::optional<Snapshot> read(const QString& file);
    // Keeps a snapshot that could not be read out of the way, as "<name>.bad"; the path it now
    // has.
    static QString setAside(const QString& file);

    // The bytes of a snapshot file and back. decode refuses anything that encode did not make.
    // encodeTo writes them to out; false when out fails or the text is too long for the file.
    static bool encodeTo(const Snapshot& snapshot, QIODevice& out);
    static QByteArray encode(const Snapshot& snapshot);
    static std::optional<Snapshot> decode(const QByteArray& bytes);

private:
    QString lockPath(const QString& owner) const;
    QString ensureFolderAndLock();

    QString m_folder;
    QString m_owner;
    std::unique_ptr<QLockFile> m_lock;
};
