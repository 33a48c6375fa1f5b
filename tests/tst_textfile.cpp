#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

#include "ChildCase.h"
#include "DiskFiles.h"
#include "core/files/DiskStamp.h"
#include "core/files/NativePath.h"
#include "core/files/TextFile.h"

namespace {

constexpr uid_t NobodyId = 65534;

QByteArray allBytes() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) bytes.append(static_cast<char>(b));
    return bytes;
}

mode_t modeOf(const QString& path) {
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return st.st_mode;
}

QString statusName(TextFile::ReadStatus status) {
    switch (status) {
        case TextFile::ReadStatus::Ok:
            return QStringLiteral("Ok");
        case TextFile::ReadStatus::OpenFailed:
            return QStringLiteral("OpenFailed");
        case TextFile::ReadStatus::ReadFailed:
            return QStringLiteral("ReadFailed");
    }
    return QString();
}

}  // namespace

class TestTextFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void roundTrip_data();
    void roundTrip();
    void readRegularFiles_data();
    void readRegularFiles();
    void readRefusesWhatIsNotARegularFile_data();
    void readRefusesWhatIsNotARegularFile();
    void readUnreadableFileFailsToOpen();
    void readRefusesAFileWhoseLengthIsNotItsContent_data();
    void readRefusesAFileWhoseLengthIsNotItsContent();
    void readWithoutMemoryFailsCleanly();

    void writeRefusesReadOnlyTarget();
    void writeInPlaceWhereOnlyTheFileIsWritable();
    void writeFailures_data();
    void writeFailures();
    void writeToFullDiskIsReported();
    void failedWriteLeavesOldFileAsItWas_data();
    void failedWriteLeavesOldFileAsItWas();
    void fullDiskInPlaceLeavesOldFileAsItWas();
    void writeKeepsWhatTheFileIsBesidesItsBytes_data();
    void writeKeepsWhatTheFileIsBesidesItsBytes();
    void writeHandsBackWhatAnotherProgramWroteMeanwhile_data();
    void writeHandsBackWhatAnotherProgramWroteMeanwhile();
    void writeThroughSymbolicLink_data();
    void writeThroughSymbolicLink();
    void writeKeepsPermissions_data();
    void writeKeepsPermissions();
    void writeKeepsOwner();
    void writeToNullDevice();

    void sizeOf_data();
    void sizeOf();

    void namesAreBytes_data();
    void namesAreBytes();

private:
    QString path(const QString& name) const { return dir_->filePath(name); }
    QString deviceForWriting(const QString& name, unsigned minor) const;

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestTextFile::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    // Reachable by the unprivileged user the permission cases run as.
    QVERIFY(::chmod(QFile::encodeName(dir_->path()).constData(), 0755) == 0);
}

void TestTextFile::cleanup() { dir_.reset(); }

// The memory device /dev/<name> to write to. Root could replace the system's own node should
// the code under test ever treat it as a file, so root gets a private node of the same device
// in the temporary folder; other users cannot change /dev and use it directly.
QString TestTextFile::deviceForWriting(const QString& name, unsigned minor) const {
    const QString system = "/dev/" + name;
    if (::geteuid() != 0) return S_ISCHR(modeOf(system)) ? system : QString();
    const QString own = path(name);
    if (::mknod(QFile::encodeName(own).constData(), S_IFCHR | 0666, makedev(1, minor)) != 0)
        return QString();
    return own;
}

void TestTextFile::roundTrip_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("all 256 bytes") << allBytes();
    QTest::newRow("empty text") << QByteArray();
    QTest::newRow("line ends of every kind") << QByteArray("a\r\nb\rc\nd\n\re\r\n");
    QTest::newRow("NUL bytes") << QByteArray("\0\0x\0", 4);
    QTest::newRow("already ends in CR LF") << QByteArray("last line\r\n");
    QByteArray big(200000, 'x');
    for (int i = 0; i < big.size(); i += 97) big[i] = static_cast<char>(i % 256);
    QTest::newRow("200000 bytes") << big;
}

void TestTextFile::roundTrip() {
    QFETCH(QByteArray, text);
    const QString file = path(QStringLiteral("round.txt"));
    const QByteArray expected = text + "\r\n";

    const TextFile::WriteResult written = TextFile::write(file, text);
    QVERIFY2(written.ok, qPrintable(written.errorString));
    QCOMPARE(DiskFiles::bytes(file), expected);
    QCOMPARE(TextFile::sizeOf(file), qint64(expected.size()));
    QCOMPARE(DiskFiles::entries(dir_->path()), QStringList{QStringLiteral("round.txt")});

    const TextFile::ReadResult read = TextFile::read(file);
    QCOMPARE(statusName(read.status), statusName(TextFile::ReadStatus::Ok));
    QVERIFY(read.ok());
    QCOMPARE(read.bytes, expected);

    // Saving over the file replaces it whole: the second write is not added to the first.
    const TextFile::WriteResult again = TextFile::write(file, "x");
    QVERIFY2(again.ok, qPrintable(again.errorString));
    QCOMPARE(DiskFiles::bytes(file), QByteArray("x\r\n"));
}

void TestTextFile::readRegularFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("linkName");  // read through this symbolic link, when not empty
    QTest::newRow("empty file") << "empty.txt" << QByteArray() << QString();
    QTest::newRow("all bytes, no line end added") << "bytes.bin" << allBytes() << QString();
    QTest::newRow("through a symbolic link")
        << "real.txt" << QByteArray("via link\r\n") << "link.txt";
}

void TestTextFile::readRegularFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, linkName);
    QVERIFY(DiskFiles::put(path(name), content));
    QString readPath = path(name);
    if (!linkName.isEmpty()) {
        QVERIFY(QFile::link(path(name), path(linkName)));
        readPath = path(linkName);
    }
    const TextFile::ReadResult read = TextFile::read(readPath);
    QCOMPARE(statusName(read.status), QStringLiteral("Ok"));
    QCOMPARE(read.bytes, content);
    QVERIFY(read.errorString.isEmpty());
}

void TestTextFile::readRefusesWhatIsNotARegularFile_data() {
    QTest::addColumn<QString>("target");  // a name in the temporary folder, or an absolute path
    QTest::addColumn<TextFile::ReadStatus>("status");
    QTest::addColumn<QString>("errorString");  // empty: any non-empty description
    QTest::newRow("missing file") << "missing.txt" << TextFile::ReadStatus::OpenFailed
                                  << qt_error_string(ENOENT);
    QTest::newRow("empty path") << "" << TextFile::ReadStatus::OpenFailed
                                << qt_error_string(ENOENT);
    QTest::newRow("path through a file")
        << "plain.txt/inner.txt" << TextFile::ReadStatus::OpenFailed << qt_error_string(ENOTDIR);
    QTest::newRow("dangling symbolic link")
        << "dangling" << TextFile::ReadStatus::OpenFailed << qt_error_string(ENOENT);
    QTest::newRow("symbolic link loop")
        << "loop" << TextFile::ReadStatus::OpenFailed << qt_error_string(ELOOP);
    QTest::newRow("directory") << "folder" << TextFile::ReadStatus::ReadFailed
                               << qt_error_string(EISDIR);
    QTest::newRow("symbolic link to a directory")
        << "folderlink" << TextFile::ReadStatus::ReadFailed << qt_error_string(EISDIR);
    QTest::newRow("FIFO") << "fifo" << TextFile::ReadStatus::ReadFailed << QString();
    QTest::newRow("socket") << "socket" << TextFile::ReadStatus::ReadFailed << QString();
    QTest::newRow("/dev/null") << "/dev/null" << TextFile::ReadStatus::ReadFailed << QString();
    QTest::newRow("/dev/zero, which never ends")
        << "/dev/zero" << TextFile::ReadStatus::ReadFailed << QString();
}

void TestTextFile::readRefusesWhatIsNotARegularFile() {
    QFETCH(QString, target);
    QFETCH(TextFile::ReadStatus, status);
    QFETCH(QString, errorString);

    QVERIFY(DiskFiles::put(path("plain.txt"), "plain"));
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    QVERIFY(QFile::link(path("folder"), path("folderlink")));
    QVERIFY(QFile::link(path("nowhere.txt"), path("dangling")));
    QVERIFY(QFile::link(path("loop2"), path("loop")) && QFile::link(path("loop"), path("loop2")));
    // A FIFO without a writer: opening it for reading would wait for ever.
    QVERIFY(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0644) == 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(sock >= 0);
    const auto closeSocket = qScopeGuard([sock] { ::close(sock); });
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray socketPath = QFile::encodeName(path("socket"));
    QVERIFY(socketPath.size() < int(sizeof address.sun_path));
    qstrcpy(address.sun_path, socketPath.constData());
    QVERIFY(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);

    const QString where = target.isEmpty() || target.startsWith('/') ? target : path(target);
    const TextFile::ReadResult read = TextFile::read(where);
    QCOMPARE(statusName(read.status), statusName(status));
    QVERIFY(!read.ok());
    QVERIFY(read.bytes.isEmpty());
    if (errorString.isEmpty())
        QVERIFY(!read.errorString.isEmpty());
    else
        QCOMPARE(read.errorString, errorString);
}

void TestTextFile::readUnreadableFileFailsToOpen() {
    const QString readable = path("readable.txt");
    const QString locked = path("locked.txt");
    QVERIFY(DiskFiles::put(readable, "anyone may read this"));
    QVERIFY(DiskFiles::put(locked, "no one may read this"));
    QVERIFY(::chmod(QFile::encodeName(readable).constData(), 0644) == 0);
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0200) == 0);

    const QString problem = ChildCase::fork(ChildCase::User::Unprivileged, [&]() -> QString {
        // The readable file shows that the folder itself is reachable.
        const TextFile::ReadResult control = TextFile::read(readable);
        if (!control.ok()) return "control file not read: " + control.errorString;
        const TextFile::ReadResult read = TextFile::read(locked);
        if (read.status != TextFile::ReadStatus::OpenFailed)
            return "status " + statusName(read.status) + ", expected OpenFailed";
        if (read.errorString != qt_error_string(EACCES))
            return "error text \"" + read.errorString + "\"";
        if (!read.bytes.isEmpty()) return QStringLiteral("bytes came back");
        return QString();
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestTextFile::readRefusesAFileWhoseLengthIsNotItsContent_data() {
    QTest::addColumn<QString>("file");
    // A /proc file reports a length of 0 but has content: as if it grew while being read.
    QTest::newRow("longer than its length") << "/proc/self/status";
    // A /sys file reports a length of a page but holds a few bytes: as if it shrank.
    QTest::newRow("shorter than its length") << "/sys/devices/system/cpu/online";
}

void TestTextFile::readRefusesAFileWhoseLengthIsNotItsContent() {
    QFETCH(QString, file);
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable()) QSKIP("this system does not offer the file");
    const qint64 length = TextFile::sizeOf(file);
    QFile plain(file);
    QVERIFY(plain.open(QIODevice::ReadOnly));
    if (plain.readAll().size() == length) QSKIP("here the file's length matches its content");

    const TextFile::ReadResult read = TextFile::read(file);
    QCOMPARE(statusName(read.status), QStringLiteral("ReadFailed"));
    QVERIFY(read.bytes.isEmpty());
    QVERIFY(!read.errorString.isEmpty());
}

void TestTextFile::readWithoutMemoryFailsCleanly() {
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer reserves memory that an address-space limit would break");
#endif
    // A sparse file of 2 GiB read by a process allowed 256 MiB more than it already uses.
    const QString huge = path("huge.txt");
    constexpr qint64 HugeSize = qint64(2) << 30;
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!file.resize(HugeSize)) QSKIP("this file system cannot hold a sparse file");
    }
    const QString problem = ChildCase::fork(
        ChildCase::User::Same,
        [] {
            QFile statm(QStringLiteral("/proc/self/statm"));
            if (!statm.open(QIODevice::ReadOnly)) return false;
            const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
            if (pages <= 0) return false;
            const rlim_t limit = rlim_t(pages) * ::sysconf(_SC_PAGESIZE) + (rlim_t(256) << 20);
            const rlimit addressSpace{limit, limit};
            return ::setrlimit(RLIMIT_AS, &addressSpace) == 0;
        },
        [&]() -> QString {
            const TextFile::ReadResult read = TextFile::read(huge);
            if (read.status != TextFile::ReadStatus::ReadFailed)
                return "status " + statusName(read.status) + ", expected ReadFailed";
            if (read.errorString != qt_error_string(ENOMEM))
                return "error text \"" + read.errorString + "\"";
            return QString();
        });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestTextFile::writeRefusesReadOnlyTarget() {
    const QString file = path("readonly.txt");
    const QByteArray old("keep me\r\n");
    QVERIFY(DiskFiles::put(file, old));
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0444) == 0);

    const TextFile::WriteResult written = TextFile::write(file, "replaced");
    QVERIFY(!written.ok);
    QCOMPARE(written.errorString, qt_error_string(EACCES));
    QCOMPARE(DiskFiles::bytes(file), old);
    QCOMPARE(modeOf(file) & 07777, mode_t(0444));
    QCOMPARE(DiskFiles::entries(dir_->path()), QStringList{QStringLiteral("readonly.txt")});
}

void TestTextFile::writeInPlaceWhereOnlyTheFileIsWritable() {
    const QString folder = path("locked");
    const QString file = folder + "/open.txt";
    const QString fresh = folder + "/fresh.txt";
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(DiskFiles::put(file, "the old content, longer than the new one"));
    QVERIFY(::chmod(QFile::encodeName(file).constData(), 0666) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    const auto unlock = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });
    const QString sticky = path("sticky");
    const QString shared = sticky + "/theirs.txt";
    QVERIFY(DiskFiles::put(shared, "root's"));
    QVERIFY(::chmod(QFile::encodeName(shared).constData(), 0666) == 0);
    QVERIFY(::chmod(QFile::encodeName(sticky).constData(), 01777) == 0);

    const QString problem = ChildCase::fork(ChildCase::User::Unprivileged, [&]() -> QString {
        // The folder takes no new file, so no temporary file either ...
        const TextFile::WriteResult refused = TextFile::write(fresh, "new file");
        if (refused.ok) return QStringLiteral("a new file was created in a read-only folder");
        if (refused.errorString != qt_error_string(EACCES))
            return "error text for the new file \"" + refused.errorString + "\"";
        // ... but the file that is there may be rewritten.
        const TextFile::WriteResult written = TextFile::write(file, "new");
        if (!written.ok) return "write failed: " + written.errorString;
        // So may another user's file that anyone may write in a sticky folder, where only its
        // owner may replace it.
        const TextFile::WriteResult theirs = TextFile::write(shared, "ours");
        if (!theirs.ok) return "write in the sticky folder failed: " + theirs.errorString;
        return QString();
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(DiskFiles::bytes(file), QByteArray("new\r\n"));
    QCOMPARE(DiskFiles::entries(folder), QStringList{QStringLiteral("open.txt")});
    QCOMPARE(DiskFiles::bytes(shared), QByteArray("ours\r\n"));
    QCOMPARE(DiskFiles::entries(sticky), QStringList{QStringLiteral("theirs.txt")});
}

void TestTextFile::writeFailures_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("errorString");
    QTest::newRow("missing folder") << "no such folder/new.txt" << qt_error_string(ENOENT);
    QTest::newRow("directory") << "folder" << qt_error_string(EISDIR);
    QTest::newRow("symbolic link to a directory") << "folderlink" << qt_error_string(EISDIR);
    QTest::newRow("path through a file") << "plain.txt/inner.txt" << qt_error_string(ENOTDIR);
    QTest::newRow("FIFO") << "fifo" << QString();
    QTest::newRow("empty path") << "" << QString();
    QTest::newRow("symbolic link loop") << "loop" << qt_error_string(ELOOP);
}

void TestTextFile::writeFailures() {
    QFETCH(QString, target);
    QFETCH(QString, errorString);
    QVERIFY(DiskFiles::put(path("plain.txt"), "plain"));
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    QVERIFY(QFile::link(path("folder"), path("folderlink")));
    QVERIFY(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0644) == 0);
    QVERIFY(QFile::link(path("loop2"), path("loop")) && QFile::link(path("loop"), path("loop2")));
    const QStringList before = DiskFiles::entries(dir_->path());

    const TextFile::WriteResult written =
        TextFile::write(target.isEmpty() ? target : path(target), "text");
    QVERIFY(!written.ok);
    if (errorString.isEmpty())
        QVERIFY(!written.errorString.isEmpty());
    else
        QCOMPARE(written.errorString, errorString);
    // Nothing was created, replaced or left behind.
    QCOMPARE(DiskFiles::entries(dir_->path()), before);
    QVERIFY(DiskFiles::entries(path("folder")).isEmpty());
    QVERIFY(QFileInfo(path("folderlink")).isSymLink());
    QVERIFY(S_ISFIFO(modeOf(path("fifo"))));
    QCOMPARE(DiskFiles::bytes(path("plain.txt")), QByteArray("plain"));
}

void TestTextFile::writeToFullDiskIsReported() {
    const QString device = deviceForWriting(QStringLiteral("full"), 7);
    if (device.isEmpty()) QSKIP("no device that is always full is available here");
    const TextFile::WriteResult written = TextFile::write(device, "no room for this");
    QVERIFY(!written.ok);
    QCOMPARE(written.errorString, qt_error_string(ENOSPC));
    // A device is written through, never replaced by a file.
    QVERIFY(S_ISCHR(modeOf(device)));
}

void TestTextFile::failedWriteLeavesOldFileAsItWas_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("64 KiB") << 65536;
    QTest::newRow("8000 bytes, less than a write buffer") << 8000;
}

void TestTextFile::failedWriteLeavesOldFileAsItWas() {
    QFETCH(int, size);
    const QString file = path("precious.txt");
    const QByteArray old = allBytes() + "\r\n";
    QVERIFY(DiskFiles::put(file, old));
    // The child may write at most 4 KiB to any file: the save runs out of room.
    const QString problem = ChildCase::fork(
        ChildCase::User::Same,
        [] {
            const rlimit fileSize{4096, 4096};
            return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR &&
                   ::setrlimit(RLIMIT_FSIZE, &fileSize) == 0;
        },
        [&]() -> QString {
            const TextFile::WriteResult written = TextFile::write(file, QByteArray(size, 'n'));
            if (written.ok) return QStringLiteral("the write was reported as a success");
            if (written.errorString != qt_error_string(EFBIG))
                return "error text \"" + written.errorString + "\"";
            return QString();
        });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(DiskFiles::bytes(file), old);
    QCOMPARE(DiskFiles::entries(dir_->path()), QStringList{QStringLiteral("precious.txt")});
}

// A shared file in a folder the user may not write, on a file system with no room for the new
// text: the save fails, and the file keeps every old byte.
void TestTextFile::fullDiskInPlaceLeavesOldFileAsItWas() {
    if (::geteuid() != 0) QSKIP("mounting a small file system needs root");
    const QString disk = path("disk");
    QVERIFY(QDir().mkdir(disk));
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=48k,mode=0755") !=
        0)
        QSKIP("no small file system can be mounted here");
    const auto unmount =
        qScopeGuard([&] { ::umount2(QFile::encodeName(disk).constData(), MNT_DETACH); });
    const QString folder = disk + "/locked";
    const QString file = folder + "/shared.txt";
    QByteArray old;
    for (int i = 0; old.size() < 22000; ++i) old += "line " + QByteArray::number(i) + "\r\n";
    QVERIFY(DiskFiles::put(file, old));
    QVERIFY(::chown(QFile::encodeName(file).constData(), NobodyId, NobodyId) == 0);
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);

    const QString problem = ChildCase::fork(ChildCase::User::Unprivileged, [&]() -> QString {
        const TextFile::WriteResult written = TextFile::write(file, QByteArray(40000, 'p') + old);
        if (written.ok) return QStringLiteral("the write was reported as a success");
        if (written.errorString != qt_error_string(ENOSPC))
            return "error text \"" + written.errorString + "\"";
        if (written.notRestored) return QStringLiteral("the old bytes were not put back");
        return QString();
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(DiskFiles::bytes(file), old);
    QCOMPARE(DiskFiles::entries(folder), QStringList{QStringLiteral("shared.txt")});
}

// Another name of the file (a hard link), its extended attributes and its access list all
// stay with the saved file, in a folder that would take a replacement as well as in one that
// takes none.
void TestTextFile::writeKeepsWhatTheFileIsBesidesItsBytes_data() {
    QTest::addColumn<bool>("lockedFolder");
    QTest::newRow("writable folder") << false;
    QTest::newRow("read-only folder") << true;
}

void TestTextFile::writeKeepsWhatTheFileIsBesidesItsBytes() {
    QFETCH(bool, lockedFolder);
    const QString folder = path("shared");
    const QString file = folder + "/hard1.txt";
    const QString other = folder + "/hard2.txt";
    const QString tagged = folder + "/tagged.txt";
    QVERIFY(DiskFiles::put(file, "old text\r\n"));
    QVERIFY(DiskFiles::put(tagged, "old text\r\n"));
    QVERIFY(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()) == 0);
    const QByteArray nativeTagged = QFile::encodeName(tagged);
    if (::setxattr(nativeTagged.constData(), "user.tag", "importante", 10, 0) != 0)
        QSKIP("this file system keeps no extended attributes");
    // The access list user::rw-, user:nobody:rw-, group::r--, mask::rw-, other::r--, in the
    // kernel's own form: a version, then tag, permissions and id of each entry.
    QByteArray acl;
    auto entry = [&](quint16 tag, quint16 perm, quint32 id) {
        acl.append(reinterpret_cast<const char*>(&tag), 2);
        acl.append(reinterpret_cast<const char*>(&perm), 2);
        acl.append(reinterpret_cast<const char*>(&id), 4);
    };
    const quint32 version = 2, none = quint32(-1);
    acl.append(reinterpret_cast<const char*>(&version), 4);
    entry(0x01, 6, none);
    entry(0x02, 6, NobodyId);
    entry(0x04, 4, none);
    entry(0x10, 6, none);
    entry(0x20, 4, none);
    QVERIFY2(::setxattr(nativeTagged.constData(), "system.posix_acl_access", acl.constData(),
                        size_t(acl.size()), 0) == 0,
             qPrintable(qt_error_string(errno)));
    auto attribute = [&](const char* name) {
        QByteArray value(256, Qt::Uninitialized);
        const ssize_t n = ::getxattr(nativeTagged.constData(), name, value.data(), 256);
        return n < 0 ? QByteArray("<none>") : value.left(n);
    };
    const QByteArray aclBefore = attribute("system.posix_acl_access");
    const mode_t modeBefore = modeOf(tagged);
    if (lockedFolder) QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
    const auto unlock = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });

    for (const QString& target : {file, tagged}) {
        const TextFile::WriteResult written = TextFile::write(target, "new text");
        QVERIFY2(written.ok, qPrintable(written.errorString));
    }
    QCOMPARE(DiskFiles::bytes(other), QByteArray("new text\r\n"));
    struct stat one, two;
    QVERIFY(::stat(QFile::encodeName(file).constData(), &one) == 0);
    QVERIFY(::stat(QFile::encodeName(other).constData(), &two) == 0);
    QCOMPARE(one.st_ino, two.st_ino);
    QCOMPARE(DiskFiles::bytes(tagged), QByteArray("new text\r\n"));
    QCOMPARE(attribute("user.tag"), QByteArray("importante"));
    QCOMPARE(attribute("system.posix_acl_access"), aclBefore);
    QCOMPARE(modeOf(tagged), modeBefore);
}

// Another program appends to the file right after the write's check: replaced, the file's old
// inode still holds those bytes, and the write hands them back; in place, nothing is written and
// the caller is to check again.
void TestTextFile::writeHandsBackWhatAnotherProgramWroteMeanwhile_data() {
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<bool>("renamedOver");  // the other program puts a file of its own there
    QTest::newRow("replaced, appended to") << false << false;
    QTest::newRow("replaced, renamed over") << false << true;
    QTest::newRow("in place (a second name), appended to") << true << false;
}

void TestTextFile::writeHandsBackWhatAnotherProgramWroteMeanwhile() {
    QFETCH(bool, inPlace);
    QFETCH(bool, renamedOver);
    const QString file = path("log.txt");
    const QByteArray old("first\n");
    QVERIFY(DiskFiles::put(file, old));
    if (inPlace)
        QVERIFY(::link(QFile::encodeName(file).constData(),
                       QFile::encodeName(path("log2.txt")).constData()) == 0);
    int checks = 0;
    TextFile::Expected expected;
    expected.holds = [&] { return ++checks > 0; };
    expected.afterCheck = [&] {
        if (renamedOver) {
            QVERIFY(DiskFiles::put(path("theirs.txt"), "theirs\n"));
            QVERIFY(::rename(QFile::encodeName(path("theirs.txt")).constData(),
                             QFile::encodeName(file).constData()) == 0);
            return;
        }
        QFile appender(file);
        QVERIFY(appender.open(QIODevice::Append) && appender.write("appended\n") == 9);
    };
    const TextFile::WriteResult written = TextFile::write(file, "mine", "\n", expected);
    QCOMPARE(checks, 1);
    if (inPlace) {
        QVERIFY(!written.ok);
        QVERIFY(written.stale);
        QCOMPARE(written.errorString, TextFile::changedWhileWritingText());
        QCOMPARE(DiskFiles::bytes(file), old + "appended\n");
    } else {
        QVERIFY2(written.ok, qPrintable(written.errorString));
        QCOMPARE(DiskFiles::bytes(file), QByteArray("mine\n"));
        QVERIFY(written.changedMeanwhile);
        QCOMPARE(*written.changedMeanwhile,
                 renamedOver ? QByteArray("theirs\n") : old + "appended\n");
    }
    // A check that says no writes nothing.
    expected.holds = [] { return false; };
    expected.afterCheck = nullptr;
    const QByteArray before = DiskFiles::bytes(file);
    const TextFile::WriteResult refused = TextFile::write(file, "other", "\n", expected);
    QVERIFY(refused.stale && !refused.ok);
    QCOMPARE(DiskFiles::bytes(file), before);
}

void TestTextFile::writeThroughSymbolicLink_data() {
    QTest::addColumn<QString>("linkTarget");  // what the link points to, as stored in the link
    QTest::addColumn<bool>("chained");        // reach the link through a second link
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("absolute link") << "ABSOLUTE" << false << true;
    QTest::newRow("relative link") << "sub/target.txt" << false << true;
    QTest::newRow("chain of links") << "sub/target.txt" << true << true;
    QTest::newRow("dangling link creates its target") << "sub/target.txt" << false << false;
}

void TestTextFile::writeThroughSymbolicLink() {
    QFETCH(QString, linkTarget);
    QFETCH(bool, chained);
    QFETCH(bool, targetExists);
    const QString target = path("sub/target.txt");
    QVERIFY(QDir(dir_->path()).mkdir("sub"));
    if (targetExists) QVERIFY(DiskFiles::put(target, "old target content"));
    const QString stored = linkTarget == "ABSOLUTE" ? target : linkTarget;
    const QString link = path("link.txt");
    QVERIFY(::symlink(QFile::encodeName(stored).constData(), QFile::encodeName(link).constData()) ==
            0);
    QString writePath = link;
    if (chained) {
        writePath = path("outer.txt");
        QVERIFY(::symlink("link.txt", QFile::encodeName(writePath).constData()) == 0);
    }

    const TextFile::WriteResult written = TextFile::write(writePath, "through the link");
    QVERIFY2(written.ok, qPrintable(written.errorString));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFile::symLinkTarget(link), target);
    if (chained) QVERIFY(QFileInfo(writePath).isSymLink());
    QCOMPARE(DiskFiles::bytes(target), QByteArray("through the link\r\n"));
    QCOMPARE(DiskFiles::entries(path("sub")), QStringList{QStringLiteral("target.txt")});
}

void TestTextFile::writeKeepsPermissions_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("0640") << 0640;
    QTest::newRow("0600") << 0600;
    QTest::newRow("0664") << 0664;
    QTest::newRow("0604") << 0604;
    QTest::newRow("0755") << 0755;
}

void TestTextFile::writeKeepsPermissions() {
    QFETCH(int, mode);
    const QString file = path("modes.txt");
    QVERIFY(DiskFiles::put(file, "old"));
    QVERIFY(::chmod(QFile::encodeName(file).constData(), mode_t(mode)) == 0);
    const TextFile::WriteResult written = TextFile::write(file, "new");
    QVERIFY2(written.ok, qPrintable(written.errorString));
    QCOMPARE(DiskFiles::bytes(file), QByteArray("new\r\n"));
    QCOMPARE(int(modeOf(file) & 07777), mode);
}

void TestTextFile::writeKeepsOwner() {
    if (::geteuid() != 0) QSKIP("giving a file to another user needs root");
    const QString file = path("owned.txt");
    QVERIFY(DiskFiles::put(file, "old"));
    QVERIFY(::chown(QFile::encodeName(file).constData(), NobodyId, NobodyId) == 0);
    const TextFile::WriteResult written = TextFile::write(file, "new");
    QVERIFY2(written.ok, qPrintable(written.errorString));
    QCOMPARE(DiskFiles::bytes(file), QByteArray("new\r\n"));
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(file).constData(), &st) == 0);
    QCOMPARE(st.st_uid, NobodyId);
    QCOMPARE(st.st_gid, gid_t(NobodyId));
}

void TestTextFile::writeToNullDevice() {
    const QString device = deviceForWriting(QStringLiteral("null"), 3);
    if (device.isEmpty()) QSKIP("no null device is available here");
    const TextFile::WriteResult written = TextFile::write(device, "discarded");
    QVERIFY2(written.ok, qPrintable(written.errorString));
    QVERIFY(S_ISCHR(modeOf(device)));
}

void TestTextFile::sizeOf_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<qint64>("size");
    QTest::newRow("regular file") << "five.txt" << qint64(5);
    QTest::newRow("empty file") << "empty.txt" << qint64(0);
    QTest::newRow("65001 bytes") << "big.txt" << qint64(65001);
    QTest::newRow("symbolic link to a file") << "link.txt" << qint64(5);
    QTest::newRow("missing file") << "missing.txt" << qint64(-1);
    QTest::newRow("directory") << "folder" << qint64(-1);
    QTest::newRow("empty path") << "" << qint64(-1);
    QTest::newRow("/dev/zero") << "/dev/zero" << qint64(-1);
}

void TestTextFile::sizeOf() {
    QFETCH(QString, target);
    QFETCH(qint64, size);
    QVERIFY(DiskFiles::put(path("five.txt"), "12345"));
    QVERIFY(DiskFiles::put(path("empty.txt"), QByteArray()));
    QVERIFY(DiskFiles::put(path("big.txt"), QByteArray(65001, 'b')));
    QVERIFY(QFile::link(path("five.txt"), path("link.txt")));
    QVERIFY(QDir(dir_->path()).mkdir("folder"));
    const QString where = target.isEmpty() || target.startsWith('/') ? target : path(target);
    QCOMPARE(TextFile::sizeOf(where), size);
}

// A file name is bytes: one that is not valid UTF-8 is read, looked at and saved back under
// the same bytes, a new one made under them, through a link too; valid UTF-8 is as before.
void TestTextFile::namesAreBytes_data() {
    QTest::addColumn<QByteArray>("name");        // the name the program is given
    QTest::addColumn<QByteArray>("linkTarget");  // when not empty, name is a link to this name
    QTest::addColumn<bool>("exists");
    QTest::newRow("byte E8, existing file") << QByteArray("caff\xe8.txt") << QByteArray() << true;
    QTest::newRow("byte E8, new file") << QByteArray("caff\xe8.txt") << QByteArray() << false;
    QTest::newRow("bytes never in UTF-8, an overlong form, a surrogate")
        << QByteArray("\xff\xfe \xc0\xaf \xed\xa0\x80") << QByteArray() << true;
    QTest::newRow("valid UTF-8") << QByteArray("caff\xc3\xa8 \xf0\x9f\x98\x80.txt") << QByteArray()
                                 << true;
    QTest::newRow("a link to a name that is not UTF-8")
        << QByteArray("link.txt") << QByteArray("caff\xe8.txt") << true;
    QTest::newRow("a new file in a folder whose name is not UTF-8")
        << QByteArray("d\xe8/caff\xe8.txt") << QByteArray() << false;
    QTest::newRow("a file in a folder whose name is not UTF-8")
        << QByteArray("d\xe8/caff\xe8.txt") << QByteArray() << true;
    QTest::newRow("a link whose name is not UTF-8, to a new file")
        << QByteArray("l\xe8") << QByteArray("caff\xe8.txt") << false;
}

void TestTextFile::namesAreBytes() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, linkTarget);
    QFETCH(bool, exists);
    const QByteArray top = QFile::encodeName(dir_->path());
    // The folder the names are in: a subfolder when the name has one.
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? top : top + '/' + name.left(slash);
    name = name.mid(slash + 1);
    if (slash >= 0) QVERIFY(::mkdir(folder.constData(), 0755) == 0);
    // QTemporaryDir removes files through Qt's names, which cannot name these.
    const auto removeNames = qScopeGuard([top, folder] {
        for (const QByteArray& n : DiskFiles::nameBytes(folder)) ::unlink(folder + '/' + n);
        if (folder != top) ::rmdir(folder.constData());
    });
    const QByteArray holder = folder + '/' + (linkTarget.isEmpty() ? name : linkTarget);
    QList<QByteArray> names{name};
    if (!linkTarget.isEmpty()) {
        QVERIFY(::symlink(linkTarget.constData(), (folder + '/' + name).constData()) == 0);
        names << linkTarget;
    }
    std::sort(names.begin(), names.end());
    if (exists) QVERIFY(DiskFiles::put(holder, "old"));
    const QString given = NativePath::decode(folder + '/' + name);

    if (exists) {
        const TextFile::ReadResult read = TextFile::read(given);
        QCOMPARE(statusName(read.status), QStringLiteral("Ok"));
        QCOMPARE(read.bytes, QByteArray("old"));
        QCOMPARE(TextFile::sizeOf(given), qint64(3));
        QVERIFY(DiskStamp::ofFile(given).hasDigest());
    }
    const TextFile::WriteResult written = TextFile::write(given, "new");
    QVERIFY2(written.ok, qPrintable(written.errorString));
    QCOMPARE(DiskFiles::bytes(holder), QByteArray("new\r\n"));
    QCOMPARE(DiskFiles::nameBytes(folder), names);
    QCOMPARE(TextFile::read(given).bytes, QByteArray("new\r\n"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "tst_textfile.moc"
