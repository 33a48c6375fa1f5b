#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>

#include "core/files/SnapshotStore.h"

class Document;
class Workspace;

// Keeps a snapshot of every document with unsaved changes (see SnapshotStore). A change marks
// its document as due and goes into the document's journal at once, one write of the edit
// alone; the copy waits until the text has rested for DelayMs, or at most MaxDelayMs during a
// long burst of typing, and the journal then begins again from it. The journals are made durable
// once the text has rested SyncRestMs, or at most SyncMaxMs after an edit. A save or the
// closing of the document's window removes its snapshot; snapshots of documents still open when
// the program ends stay for the next start, which offers them back in windows of their own.
class SnapshotScheduler : public QObject {
    Q_OBJECT
public:
    static constexpr int DelayMs = 1500;
    static constexpr int MaxDelayMs = 10000;
    static constexpr int SyncRestMs = 300;
    static constexpr int SyncMaxMs = 1000;

    SnapshotScheduler(Workspace& workspace, const QString& folder);
    ~SnapshotScheduler() override;

    // Follows the document's changes.
    void watch(Document& document);
    // The document's text was saved: its snapshot goes.
    void saved(Document& document);
    // The document's window is closing: its snapshot goes, and the document is no longer followed.
    void forget(Document& document);
    // The document's text was just read from its file: its journal begins from it now, so that
    // the first key costs no more than any other.
    void read(Document& document);
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

    void changed(Document& document);
    // Puts the change just made into the document's journal.
    void journal(Document& document, Entry& entry);
    void syncTimeout();
    void timeout();
    // Writes the document's copy; an empty string, or what went wrong.
    QString write(Document& document, Entry& entry);
    // Tells the user, the first time only, that a copy could not be written.
    void tellCannotWrite(const QString& failed);
    // Shows a snapshot's text in a window of its own, marked changed; returns its document, or
    // null when no window could open.
    Document* reopen(const SnapshotStore::Snapshot& snapshot);

    Workspace& m_workspace;
    SnapshotStore m_store;
    QHash<Document*, Entry> m_entries;
    QTimer m_timer;
    QTimer m_syncTimer;
    QElapsedTimer m_sinceChange;
    QElapsedTimer m_sinceDue;
    QElapsedTimer m_sinceUnsynced;
    QString m_journalFailed;  // told with the next copies
    int m_nextSerial = 1;
    bool m_toldCannotWrite = false;
};
