#include "files/SnapshotStore.h"

#include <zlib.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <QSysInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>

namespace {

const QByteArray Magic = QByteArrayLiteral("Tavulella snapshot 2\n");
// Copies from before the CRC-32 ended with a BLAKE2b digest; they are still read back.
const QByteArray MagicWithHash = QByteArrayLiteral("Tavulella snapshot 1\n");
const QString Suffix = QStringLiteral(".snap");
const QString LockSuffix = QStringLiteral(".lock");
constexpr auto HashKind = QCryptographicHash::Blake2b_256;
const int HashSize = QCryptographicHash::hashLength(HashKind);
constexpr int CrcSize = 4;

// Finds a damaged copy (a cut-off one also fails the length of its text). Twice as quick as
// the quickest of Qt's hashes on a long text: a copy of 10 MB costs the idle program little.
quint32 crc(quint32 running, QByteArrayView bytes) {
    return quint32(
        crc32_z(running, reinterpret_cast<const Bytef*>(bytes.data()), z_size_t(bytes.size())));
}

QByteArray crcBytes(quint32 value) {
    QByteArray bytes(CrcSize, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// "<owner>-<serial>.snap": the owner and the serial, or an empty owner for any other name.
std::pair<QString, int> splitName(const QString& name) {
    if (!name.endsWith(Suffix)) return {};
    const QString stem = name.chopped(Suffix.size());
    const qsizetype dash = stem.lastIndexOf(QLatin1Char('-'));
    bool ok = false;
    const int serial = stem.mid(dash + 1).toInt(&ok);
    if (dash <= 0 || !ok) return {};
    return {stem.left(dash), serial};
}

// A lock that says "this frame runs" for as long as its process does, whatever its age.
std::unique_ptr<QLockFile> makeLock(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    return lock;
}

}  // namespace

QString SnapshotStore::defaultFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative path is not a valid setting: it would depend on the working folder.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Tavulella");
}

SnapshotStore::SnapshotStore(const QString& folder)
    : m_folder(folder),
      m_owner(QString::number(QCoreApplication::applicationPid()) + QLatin1Char('.') +
              QString::number(QDateTime::currentMSecsSinceEpoch(), 36)) {}

SnapshotStore::~SnapshotStore() = default;

QString SnapshotStore::fileOf(int serial) const {
    return m_folder + QLatin1Char('/') + m_owner + QLatin1Char('-') + QString::number(serial) +
           Suffix;
}

QString SnapshotStore::lockPath(const QString& owner) const {
    return m_folder + QLatin1Char('/') + owner + LockSuffix;
}

QString SnapshotStore::ensureFolderAndLock() {
    if (m_lock) return QString();
    if (!QDir().mkpath(m_folder))
        return QStringLiteral("%1: %2").arg(m_folder, qt_error_string(errno));
    // Only the user reads what they typed.
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto lock = makeLock(lockPath(m_owner));
    if (!lock->tryLock(0)) {
        return QStringLiteral("%1: %2").arg(lockPath(m_owner),
                                            lock->error() == QLockFile::PermissionError
                                                ? qt_error_string(EACCES)
                                                : qt_error_string(errno));
    }
    m_lock = std::move(lock);
    return QString();
}

QString SnapshotStore::write(int serial, const Snapshot& snapshot) {
    const QString failed = ensureFolderAndLock();
    if (!failed.isEmpty()) return failed;
    QSaveFile file(fileOf(serial));
    if (!file.open(QIODevice::WriteOnly)) return file.fileName() + ": " + file.errorString();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!encodeTo(snapshot, file) || !file.commit())
        return file.fileName() + ": " + file.errorString();
    return QString();
}

void SnapshotStore::remove(int serial) { QFile::remove(fileOf(serial)); }

std::vector<SnapshotStore::Orphan> SnapshotStore::takeOrphans() const {
    std::vector<Orphan> orphans;
    const QDir dir(m_folder);
    if (!dir.exists()) return orphans;
    // Owners with snapshots, and owners whose lock alone was left behind.
    QMap<QString, QList<std::pair<int, QString>>> byOwner;
    for (const QString& name : dir.entryList({QStringLiteral("*") + Suffix}, QDir::Files)) {
        const auto [owner, serial] = splitName(name);
        if (!owner.isEmpty()) byOwner[owner].append({serial, dir.filePath(name)});
    }
    for (const QString& name : dir.entryList({QStringLiteral("*") + LockSuffix}, QDir::Files))
        byOwner[name.chopped(LockSuffix.size())];
    byOwner.remove(m_owner);

    for (auto it = byOwner.begin(); it != byOwner.end(); ++it) {
        auto lock = makeLock(lockPath(it.key()));
        if (!lock->tryLock(0)) {
            // A lock left by an ended process whose number this one now has looks alive.
            qint64 pid = 0;
            if (lock->error() != QLockFile::LockFailedError ||
                !lock->getLockInfo(&pid, nullptr, nullptr) ||
                pid != QCoreApplication::applicationPid() || !lock->removeStaleLockFile() ||
                !lock->tryLock(0))
                continue;
        }
        auto files = it.value();
        std::sort(files.begin(), files.end());
        Orphan orphan{std::move(lock), {}};
        for (const auto& f : std::as_const(files)) orphan.files.append(f.second);
        orphans.push_back(std::move(orphan));
    }
    return orphans;
}

std::optional<SnapshotStore::Snapshot> SnapshotStore::read(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return decode(f.readAll());
}

QString SnapshotStore::setAside(const QString& file) {
    const QString aside = file + QStringLiteral(".bad");
    QFile::remove(aside);
    return QFile::rename(file, aside) ? aside : file;
}

bool SnapshotStore::encodeTo(const Snapshot& s, QIODevice& out) {
    // The characters follow as QDataStream writes a string: their length in bytes, then the
    // UTF-16 units in little-endian order. Where the host holds them so, they go out straight
    // from the text, which a long document is spared copying once more.
    constexpr bool asHeld = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const qsizetype charBytes = s.chars.size() * qsizetype(sizeof(QChar));
    if (charBytes >= qsizetype(0xffffffffu)) return false;
    QByteArray head = Magic;
    {
        QDataStream stream(&head, QIODevice::Append);
        stream.setVersion(QDataStream::Qt_6_4);
        stream.setByteOrder(QDataStream::LittleEndian);
        stream << s.caption << s.path << quint8(s.format.lineBreak())
               << quint8(s.format.encoding());
        if (!asHeld)
            stream << s.chars;
        else if (s.chars.isNull())
            stream << quint32(0xffffffffu);
        else
            stream << quint32(charBytes);
    }
    const QByteArrayView chars =
        asHeld ? QByteArrayView(reinterpret_cast<const char*>(s.chars.utf16()), charBytes)
               : QByteArrayView();
    const quint32 sum = crc(crc(0, head), chars);
    return out.write(head) == head.size() &&
           out.write(chars.data(), chars.size()) == chars.size() &&
           out.write(crcBytes(sum)) == CrcSize;
}

QByteArray SnapshotStore::encode(const Snapshot& snapshot) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    encodeTo(snapshot, buffer);
    return bytes;
}

std::optional<SnapshotStore::Snapshot> SnapshotStore::decode(const QByteArray& bytes) {
    const bool hashed = bytes.startsWith(MagicWithHash);
    if (!hashed && !bytes.startsWith(Magic)) return std::nullopt;
    const int digestSize = hashed ? HashSize : CrcSize;
    if (bytes.size() < Magic.size() + digestSize) return std::nullopt;
    const QByteArray body = bytes.chopped(digestSize);
    const QByteArray digest =
        hashed ? QCryptographicHash::hash(body, HashKind) : crcBytes(crc(0, body));
    if (digest != bytes.right(digestSize)) return std::nullopt;
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_4);
    in.setByteOrder(QDataStream::LittleEndian);
    in.skipRawData(int(Magic.size()));
    Snapshot s;
    quint8 lineBreak = 0;
    quint8 encoding = 0;
    in >> s.caption >> s.path >> lineBreak >> encoding >> s.chars;
    if (in.status() != QDataStream::Ok || !in.atEnd() || lineBreak > 1 || encoding > 1)
        return std::nullopt;
    s.format =
        DocumentFormat(DocumentFormat::LineBreak(lineBreak), DocumentFormat::Encoding(encoding));
    return s;
}
