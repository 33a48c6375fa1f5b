#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Files on disk as the tests make and inspect them, outside the program's own code.
class DiskFiles {
public:
    // Writes bytes to a new or emptied file, making its folders first; false when any step
    // failed.
    static bool put(const QString& path, const QByteArray& bytes);
    // The bytes of a file, or a marker that cannot be file content when there is no regular
    // file to read: "<no file>", "<folder>", "<FIFO>", "<device>", "<unreadable>". A FIFO or a
    // device is never opened, so the call cannot wait for a writer or read without end.
    static QByteArray bytes(const QString& path);
    // The names in a folder, hidden ones included, sorted.
    static QStringList entries(const QString& folder);
    // The same with the folder and the names as the system has them, bytes that are not UTF-8
    // included: put() writes the file of that name, nameBytes() lists the names, sorted.
    static bool put(const QByteArray& path, const QByteArray& bytes);
    static QByteArray bytes(const QByteArray& path);
    static QList<QByteArray> nameBytes(const QByteArray& folder);
    // Sets or clears the immutable flag of a file or folder (what chattr +i does); false where
    // the file system or the user's rights do not allow it.
    static bool setImmutable(const QString& path, bool on);
};
