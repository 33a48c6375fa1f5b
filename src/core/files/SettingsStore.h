#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <utility>

class QSettings;
class QTemporaryFile;

// The per-user settings store: text values addressed by section and key, kept in the file
// <organization>/<application>.conf of the user's configuration folder (XDG_CONFIG_HOME,
// looked up afresh at every use).
//
// Every use of the store is one exchange: it starts with the first call after sync() and ends
// with sync(). While an exchange lasts, other processes using the same store wait for it (up to
// a few seconds), so that reading values and writing them back changed is one step for
// everybody else. Reads show
// the store as it was when the exchange began; writes are kept until sync() replaces the file
// in one go, so that a reader never sees half of them and a failed write leaves the file as it
// was.
//
// The operations are virtual so that tests can stand in a store of their own.
class SettingsStore {
public:
    enum class Status {
        Ok,
        AccessError,  // the store could not be read, or the values could not be saved
        FormatError,  // the store held something that is not settings; only what parses is read
    };

    SettingsStore(const QString& organization, const QString& application);
    virtual ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The value under section and key; "" when the key is missing or its value is no text.
    virtual QString value(const QString& section, const QString& key);
    // Sets the value under section and key, creating the key if needed (saved by sync()).
    virtual void setValue(const QString& section, const QString& key, const QString& value);
    // Every (key, value) pair of section. Keys that differ only in a trailing number come in
    // the order of that number, so keys created as Name1, Name2, ... come in creation order.
    virtual QList<std::pair<QString, QString>> pairs(const QString& section);
    // Saves what setValue gave and ends the exchange. With writes, tells whether they were
    // saved (anything but Ok: nothing was); without, tells how reading went.
    virtual Status sync();

    // Where the store keeps its values.
    QString fileName() const;

protected:
    // For stand-ins that keep their values elsewhere.
    SettingsStore();

private:
    // Starts the exchange if none is under way; the settings as read, or null when nothing
    // could be read.
    QSettings* reader();
    void lockFolder(const QString& folder);
    void unlockFolder();
    void endExchange();
    Status writePending();

    QString m_organization;
    QString m_application;
    bool m_inExchange = false;
    int m_lockFd = -1;  // the store's folder, locked while an exchange lasts
    std::unique_ptr<QTemporaryFile> m_snapshot;  // what the exchange reads, copied at its start
    std::unique_ptr<QSettings> m_reader;
    Status m_readStatus = Status::Ok;
    QList<std::pair<QString, QString>> m_pending;  // full key ("section/key"), value
};
