#pragma once

#include <QByteArray>
#include <QString>

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
    };

    // Reads the whole file named by path in one piece. Only regular files (after following
    // symbolic links) are read; anything else is refused before it is opened, because opening
    // a FIFO blocks and a device may never end. A file that is shorter or longer than it was
    // when its size was taken is refused rather than read in part.
    static ReadResult read(const QString& path);

    // Writes text followed by lineEnd to the file named by path, creating it if missing. A regular
    // file is replaced atomically where its folder allows it and rewritten in place where only
    // the file itself is writable; its permissions and, where allowed, its owner are kept. A
    // symbolic link is written through to its target. A target that the user may not write is
    // refused; on a refusal or a failure before the final step the old file is left as it was.
    static WriteResult write(const QString& path, const QByteArray& text,
                             const QByteArray& lineEnd = QByteArrayLiteral("\r\n"));

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
