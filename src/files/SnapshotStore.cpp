#include "files/SnapshotStore.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>

namespace {

const QByteArray Magic = QByteArrayLiteral("Tavulella snapshot 1\n");
const QString Suffix = QStringLiteral(".snap");
const QString LockSuffix = QStringLiteral(".lock");
// Finds a cut-off or damaged copy; among the hashes Qt has, the fastest on long texts.
constexpr auto HashKind = QCryptographicHash::Blake2b_256;
const int HashSize = QCryptographicHash::hashLength(HashKind);

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
    const QByteArray bytes = encode(snapshot);
    QSaveFile file(fileOf(serial));
    if (!file.open(QIODevice::WriteOnly)) return file.fileName() + ": " + file.errorString();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit())
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

QByteArray SnapshotStore::encode(const Snapshot& s) {
    QByteArray bytes = Magic;
    {
        QDataStream out(&bytes, QIODevice::Append);
        out.setVersion(QDataStream::Qt_6_4);
        // The host's order: the characters go out as they are held, without a conversion.
        out.setByteOrder(QDataStream::LittleEndian);
        out << s.caption << s.path << quint8(s.format.lineBreak()) << quint8(s.format.encoding())
            << s.chars;
    }
    bytes += QCryptographicHash::hash(bytes, HashKind);
    return bytes;
}

std::optional<SnapshotStore::Snapshot> SnapshotStore::decode(const QByteArray& bytes) {
    if (bytes.size() < Magic.size() + HashSize || !bytes.startsWith(Magic)) return std::nullopt;
    const QByteArray body = bytes.chopped(HashSize);
    if (QCryptographicHash::hash(body, HashKind) != bytes.right(HashSize)) return std::nullopt;
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
