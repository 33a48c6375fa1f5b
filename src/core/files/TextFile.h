#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

// Reading and writing a text file as bytes. A file is read whole, exactly as it is on disk, and
// written whole with one line end (CR LF unless the caller gives another) appended; nothing is
// converted either way. Failures come back as values carrying the platform's description, so that
// the caller decides what to tell the user.
class TextFile {
public:
    enum class ReadStatus {
        Ok,
        OpenFailed,  // the file could not be opened for reading: missing, no access, ...
        ReadFailed   // not a regular file, a read error, the file changed under us, no memory
    };

    struct ReadResult {
        ReadStatus status = ReadStatus::OpenFailed;
        QByteArray bytes;     // the whole file when status is Ok, empty otherwise
        QString errorString;  // the platform's description of the failure
        bool ok() const { return status == ReadStatus::Ok; }
    };

    struct WriteResult {
        bool ok = false;
        QString errorString;  // the platform's description of the failure, when !ok
        // The file was no longer what the caller had last seen when the write began; nothing
        // was written (errorString is changedWhileWritingText()).
        bool stale = false;
        // Set on success when another program wrote to the replaced file while it was being
        // replaced: the bytes it held then, which the file at the path no longer holds.
        std::optional<QByteArray> changedMeanwhile;
        // Set on a failed write in place whose old bytes could not be put back: those bytes.
        // The file holds neither the old text nor the new one whole.
        std::optional<QByteArray> notRestored;
    };

    // What the caller knows of the file a write replaces. holds, asked once the file is held
    // open and read, tells whether it is still the file the caller checked; afterCheck runs once
    // it has said so, just before anything is written (tests change the file there).
    struct Expected {
        std::function<bool()> holds;
        std::function<void()> afterCheck;
    };

    // Reads the whole file named by path in one piece. Only regular files (after following
    // symbolic links) are read; anything else is refused before it is opened, because opening
    // a FIFO blocks and a device may never end. A file that is shorter or longer than it was
    // when its size was taken is refused rather than read in part.
    static ReadResult read(const QString& path);

    // Writes text followed by lineEnd to the file named by path, creating it if missing. A regular
    // file is replaced atomically where its folder allows it; it is rewritten in place where
    // only the file itself is writable, where it has more than one name (hard links) and where
    // its extended attributes cannot all be given to a replacement. Its permissions, extended
    // attributes (ACLs among them) and, where allowed, its owner are kept. A symbolic link is
    // written through to its target. A target that the user may not write is refused. A failed
    // write leaves the old file as it was: in place, the new size is reserved before any old
    // byte is overwritten and the old bytes are put back should the write fail all the same.
    // The replaced file is held open from the check of expected until after the last step, so
    // that what another program wrote to it meanwhile is handed back, not lost.
    static WriteResult write(const QString& path, const QByteArray& text,
                             const QByteArray& lineEnd = QByteArrayLiteral("\r\n"),
                             const Expected& expected = {});

    // What the user is told when a file changes while it is being written.
    static QString changedWhileWritingText();

    // The length of the regular file named by path in bytes, or -1 when it cannot be determined
    // (missing, not reachable, not a regular file).
    static qint64 sizeOf(const QString& path);

    // The path that writing to path really replaces: path itself, or the end of the chain of
    // symbolic links it starts (the path a dangling link points to). Empty for a chain that
    // loops or is too long.
    static QString writeTarget(const QString& path);
};
