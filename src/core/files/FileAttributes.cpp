#include "core/files/FileAttributes.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

bool FileAttributes::read(int fd) {
    QByteArray names;
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0) return errno == ENOTSUP;
        names.resize(size);
        const ssize_t got = ::flistxattr(fd, names.data(), size_t(names.size()));
        if (got >= 0) {
            names.resize(got);
            break;
        }
        if (errno != ERANGE) return false;  // ERANGE: a name came meanwhile, list again
    }
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty()) continue;
        QByteArray value;
        for (;;) {
            const ssize_t size = ::fgetxattr(fd, name.constData(), nullptr, 0);
            if (size < 0) return false;
            value.resize(size);
            const ssize_t got = ::fgetxattr(fd, name.constData(), value.data(), size_t(size));
            if (got >= 0) {
                value.resize(got);
                break;
            }
            if (errno != ERANGE) return false;
        }
        attributes_.append({name, value});
    }
    return true;
}

bool FileAttributes::give(int fd) const {
    return std::all_of(attributes_.cbegin(), attributes_.cend(), [fd](const auto& a) {
        const size_t size = size_t(a.second.size());
        QByteArray present(a.second.size() + 1, Qt::Uninitialized);
        if (::fgetxattr(fd, a.first.constData(), present.data(), size + 1) == ssize_t(size) &&
            present.left(a.second.size()) == a.second)
            return true;
        return ::fsetxattr(fd, a.first.constData(), a.second.constData(), size, 0) == 0;
    });
}

void FileAttributes::keepOwner(int fd, const struct stat& old) {
    if (fd < 0 || (old.st_uid == ::geteuid() && old.st_gid == ::getegid())) return;
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither is allowed: the file is saved with the user's own owner and group.
    }
}
