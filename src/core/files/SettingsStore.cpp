#include "core/files/SettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/files/TextFile.h"

namespace {

// How long an exchange waits for another process to finish its own.
constexpr int LockWaitMs = 3000;
constexpr int LockPollMs = 5;

// A stored value as text; a value that is no text (a list, a binary blob) reads as "".
QString textOf(const QVariant& v) {
    if (!v.isValid() || v.metaType().id() == QMetaType::QStringList ||
        v.metaType().id() == QMetaType::QVariantList)
        return QString();
    return v.toString();
}

// Name1 < Name2 < Name10: a key's trailing number is compared as a number.
bool keyOrder(const QString& a, const QString& b) {
    auto split = [](const QString& key) {
        qsizetype i = key.size();
        while (i > 0 && key.at(i - 1).isDigit()) --i;
        return std::pair<QString, QString>(key.left(i), key.mid(i));
    };
    const auto [stemA, numberA] = split(a);
    const auto [stemB, numberB] = split(b);
    if (stemA != stemB) return stemA < stemB;
    if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
    return numberA < numberB;
}

}  // namespace

SettingsStore::SettingsStore(const QString& organization, const QString& application)
    : m_organization(organization), m_application(application) {}

SettingsStore::SettingsStore() = default;

SettingsStore::~SettingsStore() { endExchange(); }

QString SettingsStore::fileName() const {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) return QString();
    return base + QLatin1Char('/') + m_organization + QLatin1Char('/') + m_application +
           QStringLiteral(".conf");
}

QSettings* SettingsStore::reader() {
    if (m_inExchange) return m_reader.get();
    m_inExchange = true;

    const QString file = fileName();
    if (file.isEmpty()) {
        m_readStatus = Status::AccessError;
        return nullptr;
    }
    lockFolder(QFileInfo(file).absolutePath());
    QByteArray bytes;
    const QFileInfo info(file);
    if (info.exists()) {
        QFile f(file);
        if (info.isDir() || !f.open(QIODevice::ReadOnly)) {
            m_readStatus = Status::AccessError;
        } else {
            bytes = f.readAll();
            if (f.error() != QFileDevice::NoError) {
                m_readStatus = Status::AccessError;
                bytes.clear();
            }
        }
    }
    // The values are parsed from a private copy with a name of its own. QSettings keeps every
    // file it has parsed in a cache for the life of the process, keyed by the file's path, and
    // trusts it while the file's size and time stamp (in milliseconds) look the same: two writes
    // within one millisecond would go unseen. A fresh copy is always parsed from scratch.
    m_snapshot = std::make_unique<QTemporaryFile>(QDir::tempPath() + QLatin1Char('/') +
                                                  m_application + QStringLiteral("-XXXXXX.conf"));
    if (!m_snapshot->open() || m_snapshot->write(bytes) != bytes.size() || !m_snapshot->flush()) {
        m_readStatus = Status::AccessError;
        return nullptr;
    }
    m_reader = std::make_unique<QSettings>(m_snapshot->fileName(), QSettings::NativeFormat);
    if (m_reader->status() == QSettings::FormatError && m_readStatus == Status::Ok)
        m_readStatus = Status::FormatError;
    return m_reader.get();
}

QString SettingsStore::value(const QString& section, const QString& key) {
    QSettings* s = reader();
    return s ? textOf(s->value(section + QLatin1Char('/') + key)) : QString();
}

void SettingsStore::setValue(const QString& section, const QString& key, const QString& value) {
    reader();  // the exchange, and with it the lock, starts before anything is written
    m_pending.append({section + QLatin1Char('/') + key, value});
}

QList<std::pair<QString, QString>> SettingsStore::pairs(const QString& section) {
    QList<std::pair<QString, QString>> result;
    QSettings* s = reader();
    if (!s) return result;
    s->beginGroup(section);
    QStringList keys = s->childKeys();
    std::stable_sort(keys.begin(), keys.end(), keyOrder);
    for (const QString& key : std::as_const(keys)) result.append({key, textOf(s->value(key))});
    s->endGroup();
    return result;
}

SettingsStore::Status SettingsStore::sync() {
    const Status result = m_pending.isEmpty() ? m_readStatus : writePending();
    endExchange();
    return result;
}

SettingsStore::Status SettingsStore::writePending() {
    QSettings* current = reader();
    // A settings file kept elsewhere through a symbolic link (a folder of dotfiles) is written
    // there, and the link stays a link.
    const QString file = TextFile::writeTarget(fileName());
    if (file.isEmpty()) return Status::AccessError;
    const QFileInfo info(file);
    // A file that could not be read is not replaced: what it holds would be lost.
    if (m_readStatus == Status::AccessError && info.exists()) return Status::AccessError;
    if (info.exists()) {
        // A settings file the user may not change is left alone, even where the folder would
        // allow replacing it.
        QFile f(file);
        if (info.isDir() || !f.open(QIODevice::ReadWrite)) return Status::AccessError;
    }
    if (!QDir().mkpath(info.absolutePath())) return Status::AccessError;

    // The new contents go to a file of their own beside the old one, which they then replace in
    // one step: readers see the old file or the new one, never a mixture, and a write that fails
    // half-way leaves the old file as it was.
    QTemporaryFile next(file + QStringLiteral(".XXXXXX"));
    if (!next.open()) return Status::AccessError;
    next.close();
    {
        QSettings out(next.fileName(), QSettings::NativeFormat);
        // What could be read is kept; lines that did not parse are dropped.
        if (current) {
            const QStringList keys = current->allKeys();
            for (const QString& key : keys) out.setValue(key, current->value(key));
        }
        for (const auto& [key, value] : std::as_const(m_pending)) out.setValue(key, value);
        out.sync();
        if (out.status() != QSettings::NoError) return Status::AccessError;
    }
    if (std::rename(QFile::encodeName(next.fileName()).constData(),
                    QFile::encodeName(file).constData()) != 0)
        return Status::AccessError;
    return Status::Ok;
}

void SettingsStore::lockFolder(const QString& folder) {
    // The lock is the system's advisory lock on the store's folder: it costs no file of its own
    // and goes away with the process that holds it, however that process ends. The folder is
    // made first when it is missing: without it two copies of the program storing their first
    // entries at once would both go unlocked, and one of the entries would be lost. A folder
    // that cannot be made, or a file system without locks, leaves the exchange unlocked; so does
    // a process that keeps the lock too long, rather than keep the user waiting.
    QDir().mkpath(folder);
    m_lockFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_lockFd < 0) return;
    const QDeadlineTimer deadline(LockWaitMs);
    while (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
            unlockFolder();
            return;
        }
        QThread::msleep(LockPollMs);
    }
}

void SettingsStore::unlockFolder() {
    if (m_lockFd >= 0) ::close(m_lockFd);
    m_lockFd = -1;
}

void SettingsStore::endExchange() {
    m_inExchange = false;
    m_reader.reset();
    m_snapshot.reset();
    m_pending.clear();
    m_readStatus = Status::Ok;
    unlockFolder();
}
