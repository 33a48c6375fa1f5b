#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <QList>
#include <QPair>

// What a file keeps beside its bytes that a save writing a new file in its place must give that
// file again: its extended attributes (POSIX ACLs among them), and its owner and group.
class FileAttributes {
public:
    // Reads the extended attributes of the open file; false when they cannot all be read. A
    // file system that has none gives none.
    bool read(int fd);
    // Gives the open file each attribute read that it does not already have as it is (a security
    // label its folder gave it may be one the user could not set); false when one cannot be set.
    bool give(int fd) const;

    // Gives the open file, a replacement owned by whoever saves, the owner and group of old
    // where the system lets us (root, or a group the user belongs to); where it does not, the
    // saved file simply belongs to the user who saved it.
    static void keepOwner(int fd, const struct stat& old);

private:
    QList<QPair<QByteArray, QByteArray>> attributes_;
};
