#pragma once

#include <QByteArray>
#include <QString>

// A file name as this system has it, a string of bytes, held in a QString without loss. Valid
// UTF-8 is decoded as Qt decodes file names; each byte that is not part of valid UTF-8 becomes
// the lone low surrogate U+DC00 + byte (U+DC80 to U+DCFF), which valid UTF-8 never yields, so
// that encoding gives the same bytes back. Qt's own conversion replaces such bytes, so every
// system call on a path goes through these bytes.
class NativePath {
public:
    // The bytes a path names on this system.
    static QByteArray encode(const QString& path);
    // The path the bytes name; encode() gives them back exactly.
    static QString decode(const QByteArray& bytes);
    // True when the path holds no escaped byte, so that Qt's classes name the same file.
    static bool isPlain(const QString& path);
    // The path to show to the user: each escaped byte as U+FFFD.
    static QString readable(const QString& path);
    // A file: URI naming the path, every byte beyond ASCII's unreserved ones percent-encoded.
    static QString toUri(const QString& path);
    // The path a file: URI's encoded path (as QUrl::FullyEncoded gives it) names.
    static QString fromEncodedPath(const QString& encodedPath);
};
