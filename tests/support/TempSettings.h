#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

#include "core/files/SettingsStore.h"

class QTemporaryDir;

// A configuration folder of a test's own: while the object lives, XDG_CONFIG_HOME names
// <folder>/config and XDG_STATE_HOME <folder>/state, so the program's settings store (and any
// other) and its copies of unsaved documents are kept there, never in the user's own. The
// variables' old values come back when the object goes.
class TempSettings {
public:
    // The program's own store (the one the frame keeps the recent-files list in), opened on
    // whatever folder XDG_CONFIG_HOME names when it is used.
    class Store : public SettingsStore {
    public:
        Store();
    };

    // In a temporary folder of its own, removed with the object.
    TempSettings();
    // In parent, which the caller owns.
    explicit TempSettings(const QString& parent);
    ~TempSettings();
    TempSettings(const TempSettings&) = delete;
    TempSettings& operator=(const TempSettings&) = delete;

    // The folder that holds the configuration folder, free for the test's other files.
    QString parent() const { return m_parent; }
    // The configuration folder (XDG_CONFIG_HOME).
    QString home() const;
    // The state folder (XDG_STATE_HOME).
    QString state() const;
    // The program's store: its folder and its file.
    QString folder() const;
    QString file() const;
    // Puts bytes into the store's file, making its folders first.
    bool write(const QByteArray& bytes) const;

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_parent;
    QByteArray m_oldHome;
    QByteArray m_oldState;
};
