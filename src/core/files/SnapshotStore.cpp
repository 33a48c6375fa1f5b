#include "core/files/SnapshotStore.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>
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
const QByteArray JournalMagic = QByteArrayLiteral("Tavulella journal 1\n");
const QString JournalSuffix = QStringLiteral(".jrnl");
// The kinds of journal record: the whole text, the copy continued, an edit.
constexpr char WholeRecord = 'S';
constexpr char CopyRecord = 'B';
// The whole text as read from its file.
constexpr char ReadRecord = 'R';
constexpr char EditRecord = 'E';
// An edit's record before its inserted characters: the kind, the position, the count removed.
constexpr int EditHeadSize = 1 + 8 + 8;
const QString LockSuffix = QStringLiteral(".lock");
constexpr auto HashKind = QCryptographicHash::Blake2b_256;
const int HashSize = QCryptographicHash::hashLength(HashKind);
constexpr int CrcSize = 4;

// Finds a damaged copy (a cut-off one also fails the length of its text). Twice as quick as
// the quickest of Qt's hashes on a long text: a copy of 10 MB costs the idle program little.
quint32 crc(quint32 running, QByteArrayView bytes) {
    // zlib takes a null buffer as a request for the initial value: nothing adds nothing.
    if (bytes.isEmpty()) return running;
    return quint32(
        crc32_z(running, reinterpret_cast<const Bytef*>(bytes.data()), z_size_t(bytes.size())));
}

QByteArray crcBytes(quint32 value) {
    QByteArray bytes(CrcSize, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// "<owner>-<serial><suffix>": the owner and the serial, or an empty owner for any other name.
std::pair<QString, int> splitName(const QString& name, const QString& suffix) {
    if (!name.endsWith(suffix)) return {};
    const QString stem = name.chopped(suffix.size());
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

// The fields of a snapshot after its magic, as QDataStream writes them. Where the host holds the
// characters as the file does (UTF-16, little-endian), only their length is in head and chars
// views them in the text, which a long document is spared copying once more.
struct Fields {
    QByteArray head;
    QByteArrayView chars;
};

std::optional<Fields> fieldsOf(const SnapshotStore::Snapshot& s) {
    constexpr bool asHeld = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
    const qsizetype charBytes = s.chars.size() * qsizetype(sizeof(QChar));
    if (charBytes >= qsizetype(0xffffffffu)) return std::nullopt;
    Fields f;
    QDataStream stream(&f.head, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_4);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << s.caption << s.path << quint8(s.format.lineBreak()) << quint8(s.format.encoding());
    if (!asHeld)
        stream << s.chars;
    else if (s.chars.isNull())
        stream << quint32(0xffffffffu);
    else
        stream << quint32(charBytes);
    if (asHeld) f.chars = QByteArrayView(reinterpret_cast<const char*>(s.chars.utf16()), charBytes);
    return f;
}

// The snapshot whose fields (as fieldsOf writes them) are exactly bytes.
std::optional<SnapshotStore::Snapshot> parseFields(QByteArrayView bytes) {
    const QByteArray raw = QByteArray::fromRawData(bytes.data(), bytes.size());
    QDataStream in(raw);
    in.setVersion(QDataStream::Qt_6_4);
    in.setByteOrder(QDataStream::LittleEndian);
    SnapshotStore::Snapshot s;
    quint8 lineBreak = 0;
    quint8 encoding = 0;
    in >> s.caption >> s.path >> lineBreak >> encoding >> s.chars;
    if (in.status() != QDataStream::Ok || !in.atEnd() || lineBreak > 1 || encoding > 1)
        return std::nullopt;
    s.format =
        DocumentFormat(DocumentFormat::LineBreak(lineBreak), DocumentFormat::Encoding(encoding));
    return s;
}

QByteArray littleEndian64(qint64 value) {
    QByteArray bytes(8, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// The body of an edit's record after its head: the inserted characters in UTF-16 little-endian,
// straight from the text where the host holds them so.
QByteArrayView insertedBytes(QStringView inserted, QByteArray& converted) {
    const QByteArrayView held(reinterpret_cast<const char*>(inserted.utf16()),
                              inserted.size() * qsizetype(sizeof(QChar)));
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) return held;
    converted.resize(held.size());
    qToLittleEndian<quint16>(inserted.utf16(), inserted.size(), converted.data());
    return converted;
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

SnapshotStore::~SnapshotStore() {
    // The journals stay: what they hold is the text of windows still open.
    for (const Journal& j : std::as_const(m_journals)) ::close(j.fd);
}

QString SnapshotStore::fileOf(int serial) const {
    return m_folder + QLatin1Char('/') + m_owner + QLatin1Char('-') + QString::number(serial) +
           Suffix;
}

QString SnapshotStore::journalPath(int serial) const { return journalFileOf(fileOf(serial)); }

QString SnapshotStore::journalFileOf(const QString& file) {
    return (file.endsWith(Suffix) ? file.chopped(Suffix.size()) : file) + JournalSuffix;
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
    // Unbuffered: a write the disk takes only in part then fails here, where a buffered one
    // could still be committed as a cut-off copy.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.fileName() + ": " + file.errorString();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QByteArray sum;
    if (!encodeTo(snapshot, file, &sum) || !file.commit())
        return file.fileName() + ": " + file.errorString();
    m_copyCrc.insert(serial, sum);
    return QString();
}

void SnapshotStore::remove(int serial) {
    // The journal first: one left without its copy would begin from a copy that is gone.
    closeJournal(serial);
    QFile::remove(journalPath(serial));
    QFile::remove(fileOf(serial));
    m_copyCrc.remove(serial);
}

void SnapshotStore::closeJournal(int serial) {
    const auto it = m_journals.constFind(serial);
    if (it == m_journals.cend()) return;
    ::close(it->fd);
    m_journals.erase(it);
}

QString SnapshotStore::failJournal(int serial) {
    const QString failed = journalPath(serial) + QStringLiteral(": ") + qt_error_string(errno);
    // What it holds up to the failure would be read back as the text: it goes.
    closeJournal(serial);
    QFile::remove(journalPath(serial));
    return failed;
}

bool SnapshotStore::writeRecord(int fd, std::initializer_list<QByteArrayView> pieces) {
    qint64 size = 0;
    quint32 sum = 0;
    for (QByteArrayView piece : pieces) {
        size += piece.size();
        sum = crc(sum, piece);
    }
    if (size <= 0 || size >= qint64(0xffffffffu)) {
        errno = EFBIG;
        return false;
    }
    char sizeBytes[4];
    char sumBytes[4];
    qToLittleEndian(quint32(size), sizeBytes);
    qToLittleEndian(sum, sumBytes);
    // The length, the pieces and the CRC-32 in one call: a record is whole or cut off, never
    // interleaved with another.
    iovec parts[8];
    int count = 0;
    parts[count++] = {sizeBytes, sizeof sizeBytes};
    for (QByteArrayView piece : pieces)
        parts[count++] = {const_cast<char*>(piece.data()), size_t(piece.size())};
    parts[count++] = {sumBytes, sizeof sumBytes};
    for (iovec* next = parts; count > 0;) {
        ssize_t n = ::writev(fd, next, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        while (count > 0 && size_t(n) >= next->iov_len) {
            n -= ssize_t(next->iov_len);
            ++next;
            --count;
        }
        if (count > 0) {
            next->iov_base = static_cast<char*>(next->iov_base) + n;
            next->iov_len -= size_t(n);
        }
    }
    return true;
}

QString SnapshotStore::startJournal(int serial, const Snapshot* whole, bool asRead) {
    const QString failed = ensureFolderAndLock();
    if (!failed.isEmpty()) return failed;
    closeJournal(serial);
    const QByteArray path = QFile::encodeName(journalPath(serial));
    const int fd =
        ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return journalPath(serial) + QStringLiteral(": ") + qt_error_string(errno);
    m_journals.insert(serial, {fd, true});
    m_folderUnsynced = true;
    bool ok =
        ::write(fd, JournalMagic.constData(), size_t(JournalMagic.size())) == JournalMagic.size();
    if (ok && whole) {
        const std::optional<Fields> fields = fieldsOf(*whole);
        const char kind = asRead ? ReadRecord : WholeRecord;
        if (!fields) errno = EFBIG;
        ok = fields && writeRecord(fd, {QByteArrayView(&kind, 1), fields->head, fields->chars});
    } else if (ok) {
        const QByteArray base = CopyRecord + m_copyCrc.value(serial);
        if (base.size() != 1 + CrcSize) errno = ENOENT;
        ok = base.size() == 1 + CrcSize && writeRecord(fd, {base});
    }
    return ok ? QString() : failJournal(serial);
}

QString SnapshotStore::appendEdit(int serial, qsizetype pos, qsizetype removed,
                                  QStringView inserted) {
    const auto it = m_journals.find(serial);
    if (it == m_journals.end())
        return journalPath(serial) + QStringLiteral(": ") + qt_error_string(EBADF);
    char head[EditHeadSize];
    head[0] = EditRecord;
    qToLittleEndian(qint64(pos), head + 1);
    qToLittleEndian(qint64(removed), head + 9);
    QByteArray converted;
    if (!writeRecord(it->fd,
                     {QByteArrayView(head, EditHeadSize), insertedBytes(inserted, converted)}))
        return failJournal(serial);
    it->unsynced = true;
    return QString();
}

void SnapshotStore::syncJournals() {
    for (Journal& j : m_journals) {
        if (!j.unsynced) continue;
        ::fdatasync(j.fd);
        j.unsynced = false;
    }
    // A journal just made is found after a power cut only once the folder names it on disk.
    if (!m_folderUnsynced) return;
    m_folderUnsynced = false;
    const int dir =
        ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
}

std::vector<SnapshotStore::Orphan> SnapshotStore::takeOrphans() const {
    std::vector<Orphan> orphans;
    const QDir dir(m_folder);
    if (!dir.exists()) return orphans;
    // Owners with snapshots, and owners whose lock alone was left behind.
    QMap<QString, QList<std::pair<int, QString>>> byOwner;
    // A window's copy, or its journal alone; each named by the copy's path.
    for (const QString& suffix : {Suffix, JournalSuffix}) {
        for (const QString& name : dir.entryList({QStringLiteral("*") + suffix}, QDir::Files)) {
            const auto [owner, serial] = splitName(name, suffix);
            if (owner.isEmpty()) continue;
            const std::pair<int, QString> file{
                serial, dir.filePath(owner) + QLatin1Char('-') + QString::number(serial) + Suffix};
            if (!byOwner[owner].contains(file)) byOwner[owner].append(file);
        }
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
    QFile copy(file);
    QFile journal(journalFileOf(file));
    const QByteArray copyBytes = copy.open(QIODevice::ReadOnly) ? copy.readAll() : QByteArray();
    const QByteArray journalBytes =
        journal.open(QIODevice::ReadOnly) ? journal.readAll() : QByteArray();
    return replay(copyBytes, journalBytes);
}

QString SnapshotStore::setAside(const QString& file) {
    QString result = file;
    for (const QString& name : {journalFileOf(file), file}) {
        if (!QFile::exists(name)) continue;
        const QString aside = name + QStringLiteral(".bad");
        QFile::remove(aside);
        result = QFile::rename(name, aside) ? aside : name;
    }
    return result;
}

void SnapshotStore::discard(const QString& file) {
    QFile::remove(journalFileOf(file));
    QFile::remove(file);
}

QByteArray SnapshotStore::encodeJournalStart(const Snapshot* whole, QByteArrayView copyCrc,
                                             bool asRead) {
    QByteArray body;
    if (whole) {
        const std::optional<Fields> fields = fieldsOf(*whole);
        if (!fields) return QByteArray();
        body = (asRead ? ReadRecord : WholeRecord) + fields->head + fields->chars.toByteArray();
    } else {
        body = CopyRecord + copyCrc.toByteArray();
    }
    QByteArray size(4, Qt::Uninitialized);
    qToLittleEndian(quint32(body.size()), size.data());
    return JournalMagic + size + body + crcBytes(crc(0, body));
}

QByteArray SnapshotStore::encodeEdit(qsizetype pos, qsizetype removed, QStringView inserted) {
    QByteArray converted;
    const QByteArray body = EditRecord + littleEndian64(pos) + littleEndian64(removed) +
                            insertedBytes(inserted, converted).toByteArray();
    QByteArray size(4, Qt::Uninitialized);
    qToLittleEndian(quint32(body.size()), size.data());
    return size + body + crcBytes(crc(0, body));
}

std::optional<SnapshotStore::Snapshot> SnapshotStore::replay(const QByteArray& copyBytes,
                                                             const QByteArray& journal) {
    const std::optional<Snapshot> copy = copyBytes.isEmpty() ? std::nullopt : decode(copyBytes);
    if (!journal.startsWith(JournalMagic)) return copy;
    qsizetype at = JournalMagic.size();
    // The body of the next record, when it is whole and its CRC-32 agrees.
    const auto next = [&]() -> std::optional<QByteArrayView> {
        if (journal.size() - at < 4) return std::nullopt;
        const qint64 size = qFromLittleEndian<quint32>(journal.constData() + at);
        if (size == 0 || journal.size() - at - 4 - CrcSize < size) return std::nullopt;
        const QByteArrayView body(journal.constData() + at + 4, size);
        if (crc(0, body) != qFromLittleEndian<quint32>(body.data() + size)) return std::nullopt;
        at += 4 + size + CrcSize;
        return body;
    };
    const std::optional<QByteArrayView> base = next();
    std::optional<Snapshot> text;
    const bool asRead = base && base->front() == ReadRecord;
    if (base && (base->front() == WholeRecord || asRead))
        text = parseFields(base->sliced(1));
    else if (base && base->front() == CopyRecord && copy && base->sliced(1) == copyBytes.right(4))
        text = copy;
    // A journal that continues another copy is older than this one, which holds its edits.
    if (!text) return copy;
    text->asRead = asRead;
    while (const std::optional<QByteArrayView> body = next()) {
        if (body->front() != EditRecord || body->size() < EditHeadSize ||
            (body->size() - EditHeadSize) % 2 != 0)
            break;
        const qint64 pos = qFromLittleEndian<qint64>(body->data() + 1);
        const qint64 removed = qFromLittleEndian<qint64>(body->data() + 9);
        if (pos < 0 || removed < 0 || pos > text->chars.size() ||
            removed > text->chars.size() - pos)
            break;
        const qsizetype units = (body->size() - EditHeadSize) / 2;
        QString inserted(units, Qt::Uninitialized);
        qFromLittleEndian<quint16>(body->data() + EditHeadSize, units, inserted.data());
        text->chars.replace(pos, removed, inserted);
        text->asRead = false;
    }
    return text;
}

bool SnapshotStore::encodeTo(const Snapshot& s, QIODevice& out, QByteArray* crcOut) {
    // The characters follow as QDataStream writes a string: their length in bytes, then the
    // UTF-16 units in little-endian order.
    const std::optional<Fields> fields = fieldsOf(s);
    if (!fields) return false;
    const QByteArray head = Magic + fields->head;
    const QByteArray sum = crcBytes(crc(crc(0, head), fields->chars));
    if (crcOut) *crcOut = sum;
    return out.write(head) == head.size() &&
           out.write(fields->chars.data(), fields->chars.size()) == fields->chars.size() &&
           out.write(sum) == CrcSize;
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
    return parseFields(QByteArrayView(body).sliced(Magic.size()));
}
