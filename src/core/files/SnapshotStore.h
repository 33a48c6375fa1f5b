#pragma once

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "core/files/DocumentFormat.h"

// Copies of unsaved documents kept in the user's state folder, so that their text survives a
// program that ends without closing its windows (killed, its display gone, a power cut).
//
// Each frame owns the snapshots whose names begin with its owner name, "<pid>.<start time>",
// and holds the lock "<owner>.lock" while it runs. A snapshot is "<owner>-<serial>.snap". Only
// snapshots whose owner's lock can be taken, because that frame no longer runs, are ever read
// back or removed by another frame.
//
// Beside a snapshot, "<owner>-<serial>.jrnl" is the journal of the edits made since: the copy
// waits for the typing to rest, the journal takes each edit as it is made, with one write, so
// that the kernel holds it before the next key is handled. A journal begins with its base,
// either the whole text (no copy holds it yet) or the CRC-32 of the copy it continues, then one
// record per edit; each record carries its own CRC-32, and reading stops at the first record
// that is cut off or damaged (the program ended in the middle of writing it). A journal whose
// base is a copy other than the one beside it is older than that copy and is not applied.
class SnapshotStore {
public:
    // What a snapshot holds: enough to rebuild the window and to save exactly what it would have.
    struct Snapshot {
        QString caption;
        QString path;  // empty for an untitled window
        DocumentFormat format;
        QString chars;
        // Read back from a journal that holds the text as read from its file and no edit: nothing
        // of it is unsaved.
        bool asRead = false;
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
    // Removes the snapshot of serial and its journal.
    void remove(int serial);

    // Begins the journal of serial anew: from the whole snapshot given (asRead: the text just
    // read from its file, which holds nothing unsaved until an edit follows), or, without one,
    // from the copy of serial just written. appendEdit adds that at pos, removed characters gave
    // way to inserted. Each returns an empty string on success, else what went wrong; the journal
    // is then closed and removed (the copy keeps the text until the journal begins again).
    QString startJournal(int serial, const Snapshot* whole = nullptr, bool asRead = false);
    QString appendEdit(int serial, qsizetype pos, qsizetype removed, QStringView inserted);
    bool hasJournal(int serial) const { return m_journals.contains(serial); }
    // Makes what the journals received since the last call durable (fdatasync), and the folder
    // that names them.
    void syncJournals();

    // The snapshots of every other owner whose frame no longer runs, each owner's lock taken.
    std::vector<Orphan> takeOrphans() const;

    // The snapshot of a file named by takeOrphans, with the edits of its journal applied; the
    // copy itself may be missing while its journal holds the whole text. Nothing when neither
    // gives a text (missing, cut off or corrupt).
    static std::optional<Snapshot> read(const QString& file);
    // Keeps a snapshot and its journal that could not be read out of the way, as
    // "<name>.bad"; the path the snapshot (or else the journal) now has.
    static QString setAside(const QString& file);
    // Removes a snapshot named by takeOrphans and its journal.
    static void discard(const QString& file);
    static QString journalFileOf(const QString& file);

    // A journal's bytes: its start from a whole snapshot or from a copy's CRC-32 (the last four
    // bytes of its file), and one edit's record.
    static QByteArray encodeJournalStart(const Snapshot* whole, QByteArrayView copyCrc = {},
                                         bool asRead = false);
    static QByteArray encodeEdit(qsizetype pos, qsizetype removed, QStringView inserted);
    // The text that copy (the bytes of a snapshot file, empty when there is none) and journal
    // give together: the journal's base and its edits up to the first record that is not sound;
    // the copy alone when the journal does not continue it.
    static std::optional<Snapshot> replay(const QByteArray& copy, const QByteArray& journal);

    // The bytes of a snapshot file and back. decode refuses anything that encode did not make.
    // encodeTo writes them to out; false when out fails or the text is too long for the file.
    // crcOut, when given, receives the CRC-32 that ends the file.
    static bool encodeTo(const Snapshot& snapshot, QIODevice& out, QByteArray* crcOut = nullptr);
    static QByteArray encode(const Snapshot& snapshot);
    static std::optional<Snapshot> decode(const QByteArray& bytes);

private:
    struct Journal {
        int fd = -1;
        bool unsynced = false;
    };

    QString lockPath(const QString& owner) const;
    QString ensureFolderAndLock();
    QString journalPath(int serial) const;
    // Writes the pieces as one record at the journal's end; false (errno set) on failure.
    static bool writeRecord(int fd, std::initializer_list<QByteArrayView> pieces);
    QString failJournal(int serial);
    void closeJournal(int serial);

    QString m_folder;
    QString m_owner;
    std::unique_ptr<QLockFile> m_lock;
    QHash<int, Journal> m_journals;
    QHash<int, QByteArray> m_copyCrc;  // serial -> the CRC-32 ending its copy on disk
    bool m_folderUnsynced = false;     // a journal was made since the folder was last synced
};
