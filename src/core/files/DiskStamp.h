#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What a file on disk is: whether it is there, its size, its times and identity, and a digest of
// its bytes. A window keeps the stamp of the file as it last read or wrote it, so that it can
// tell later whether another program has changed, replaced or removed the file. Only the digest
// is kept, never a second copy of the bytes.
class DiskStamp {
public:
    enum class Verdict {
        Unchanged,  // the same bytes (a touch, a new mode or owner, a rewrite of the same bytes)
        Changed,    // other bytes, or an unreadable file whose size or time moved
        Removed     // no file at the path any more (deleted, or renamed away)
    };

    // Nothing known: a window that holds no file yet.
    DiskStamp() = default;

    // The file at path as it is now; its bytes are read once to digest them.
    static DiskStamp ofFile(const QString& path);
    // The file at path whose bytes are known to be body followed by tail, because they were just
    // read from it or written to it: only its size, times and identity are taken from the disk.
    static DiskStamp ofContent(const QString& path, QByteArrayView body, QByteArrayView tail = {});

    // The file at path as it is now, for a window whose text was not made from it now (a copy of
    // unsaved text brought back after the program ended): later changes are told as for any
    // other stamp, but whether the text was made from these bytes cannot be known.
    static DiskStamp ofFileTakenLate(const QString& path);

    bool isKnown() const { return m_state != State::Unknown; }
    // Taken by ofFileTakenLate.
    bool takenLate() const { return m_takenLate; }
    bool exists() const { return m_state == State::Readable || m_state == State::Unreadable; }
    // The bytes are known, and so is their digest.
    bool hasDigest() const { return m_state == State::Readable; }

    // How the file stamped now differs from this one. The bytes decide; only where either side
    // could not be read do the size and the modification time decide.
    Verdict compare(const DiskStamp& now) const;
    // True while the file at path has the same size, times and identity as this stamp says, so
    // that it cannot have been written or replaced since the stamp was taken. Costs one stat. An
    // empty stamp holds for any file.
    bool stillHolds(const QString& path) const;

private:
    enum class State { Unknown, Missing, Readable, Unreadable };

    // Size, times and identity from a stat of the path; the state is Missing or Unreadable.
    static DiskStamp ofMetadata(const QString& path);

    State m_state = State::Unknown;
    qint64 m_size = -1;
    qint64 m_modifiedNs = 0;
    qint64 m_statusChangedNs = 0;
    quint64 m_device = 0;
    quint64 m_inode = 0;
    QByteArray m_digest;
    bool m_takenLate = false;
};
