#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include "files/SnapshotStore.h"

class Workspace;
class frmNotePad;

// Keeps a snapshot of every document window with unsaved changes (see SnapshotStore). A change
// marks its window as due and goes into the window's journal at once, one write of the edit
// alone; the copy waits until the text has rested for DelayMs, or at most MaxDelayMs during a
// long burst of typing, and the journal then begins again from it. The journals are made durable
// once the text has rested SyncRestMs, or at most SyncMaxMs after an edit. A save or the
// window's closing removes its snapshot; snapshots of windows still open when the program ends
// stay for the next start, which offers them back.
class SnapshotScheduler : public QObject {
    Q_OBJECT
public:
    static constexpr int DelayMs = 1500;
    static constexpr int MaxDelayMs = 10000;
    static constexpr int SyncRestMs = 300;
    static constexpr int SyncMaxMs = 1000;

    SnapshotScheduler(Workspace& workspace, const QString& folder);
    ~SnapshotScheduler() override;

    // Follows the window's changes and its closing.
    void watch(frmNotePad* window);
    // The window's text was saved: its snapshot goes.
    void saved(frmNotePad* window);
    // The window's text was just read from its file: its journal begins from it now, so that the
    // first key costs no more than any other.
    void read(frmNotePad* window);
    // Writes every due snapshot now.
    void flush();
    // Offers back the snapshots of frames that ended without closing their windows, with one
    // question: Yes opens each in a window marked changed, No discards them. A snapshot that
    // cannot be read is set aside and the user is told.
    void offerRecovery();

    const SnapshotStore& store() const { return m_store; }

private:
    struct Entry {
        int serial = 0;
        bool due = false;
        bool written = false;
        // The length of the text the journal gives, -1 while there is no journal.
        qsizetype journaled = -1;
        // The journal could not be written: none until the next copy begins it again.
        bool journalBroken = false;
        // The journal holds the text as read from its file and no edit.
        bool asRead = false;
    };

    void changed(frmNotePad* window);
    // Puts the change just made into the window's journal.
    void journal(frmNotePad* window, Entry& entry);
    void syncTimeout();
    void timeout();
    // Writes the window's copy; an empty string, or what went wrong.
    QString write(frmNotePad* window, Entry& entry);
    // Tells the user, the first time only, that a copy could not be written.
    void tellCannotWrite(const QString& failed);
    void forget(frmNotePad* window);
    frmNotePad* reopen(const SnapshotStore::Snapshot& snapshot);

    Workspace& m_workspace;
    SnapshotStore m_store;
    QHash<frmNotePad*, Entry> m_entries;
    QTimer m_timer;
    QTimer m_syncTimer;
    QElapsedTimer m_sinceChange;
    QElapsedTimer m_sinceDue;
    QElapsedTimer m_sinceUnsynced;
    QString m_journalFailed;  // told with the next copies
    int m_nextSerial = 1;
    bool m_toldCannotWrite = false;
};
