#include "gui/frame/SnapshotScheduler.h"

#include <QFile>
#include <algorithm>

#include "gui/document/Document.h"
#include "gui/document/frmNotePad.h"
#include "gui/frame/Workspace.h"
#include "gui/platform/DialogService.h"

namespace {

// What a copy keeps of a document: enough to show it again as it is now.
SnapshotStore::Snapshot snapshotOf(const Document& document) {
    return {document.caption(), document.filePath(), document.text().format(),
            document.text().chars()};
}

}  // namespace

SnapshotScheduler::SnapshotScheduler(Workspace& workspace, const QString& folder)
    : m_workspace(workspace), m_store(folder) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SnapshotScheduler::timeout);
    m_syncTimer.setSingleShot(true);
    connect(&m_syncTimer, &QTimer::timeout, this, &SnapshotScheduler::syncTimeout);
}

SnapshotScheduler::~SnapshotScheduler() = default;

void SnapshotScheduler::watch(Document& document) {
    Document* doc = &document;
    connect(&doc->text(), &TextModel::Change, this, [this, doc] { changed(*doc); });
    connect(doc, &QObject::destroyed, this, [this, doc] { m_entries.remove(doc); });
}

void SnapshotScheduler::changed(Document& document) {
    Entry& entry = m_entries[&document];
    // Numbered in the order the windows first changed, which is the order they come back in.
    if (entry.serial == 0) entry.serial = m_nextSerial++;
    entry.due = true;
    m_sinceChange.start();
    journal(document, entry);
    if (!m_timer.isActive()) {
        m_sinceDue.start();
        m_timer.start(DelayMs);
    }
}

void SnapshotScheduler::journal(Document& document, Entry& entry) {
    if (entry.journalBroken || !document.isOpen()) return;
    QString failed;
    if (entry.journaled >= 0) {
        const TextBuffer::Change& change = document.text().buffer().lastChange();
        // The journal's text becomes the document's exactly; a change it could not follow begins
        // it again from the whole text.
        if (entry.journaled - change.removed.size() + change.inserted.size() ==
            document.text().TextLength())
            failed = m_store.appendEdit(entry.serial, change.pos, change.removed.size(),
                                        change.inserted);
        else
            entry.journaled = -1;
        entry.asRead = false;
    } else if (!document.text().isUndoAvailable() && !document.text().isRedoAvailable()) {
        // A whole text the program put in (a file read in, a copy brought back): the file or the
        // copy holds it.
        return;
    }
    if (entry.journaled < 0) {
        const SnapshotStore::Snapshot whole = snapshotOf(document);
        failed = m_store.startJournal(entry.serial, &whole);
    }
    if (!failed.isEmpty()) {
        entry.journaled = -1;
        entry.journalBroken = true;
        m_journalFailed = failed;
        return;
    }
    entry.journaled = document.text().TextLength();
    if (!m_syncTimer.isActive()) {
        m_sinceUnsynced.start();
        m_syncTimer.start(SyncRestMs);
    }
}

void SnapshotScheduler::syncTimeout() {
    const qint64 resting = m_sinceChange.elapsed();
    const qint64 waiting = m_sinceUnsynced.elapsed();
    if (resting < SyncRestMs && waiting < SyncMaxMs) {
        m_syncTimer.start(int(std::min(SyncRestMs - resting, SyncMaxMs - waiting)));
        return;
    }
    m_store.syncJournals();
}

void SnapshotScheduler::timeout() {
    // Typing goes on: wait until it rests, but not without end.
    const qint64 resting = m_sinceChange.elapsed();
    if (resting < DelayMs && m_sinceDue.elapsed() < MaxDelayMs) {
        m_timer.start(int(DelayMs - resting));
        return;
    }
    flush();
}

void SnapshotScheduler::flush() {
    m_timer.stop();
    QString failed = std::exchange(m_journalFailed, QString());
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (!it->due) continue;
        it->due = false;
        Document& document = *it.key();
        // A document just read from a file, or saved since, has nothing to keep; nor has one
        // whose window never got its slot.
        if (!document.isOpen() || !document.isChanged()) {
            // A journal that holds the text as read is kept for the window's first key.
            if (it->asRead) continue;
            if (it->written || it->journaled >= 0) m_store.remove(it->serial);
            it->written = false;
            it->journaled = -1;
        } else if (const QString error = write(document, *it); !error.isEmpty()) {
            failed = error;
        }
    }
    // The journals begun again from the new copies are on disk with them, so that after a power
    // cut no older journal stands beside a newer copy.
    m_store.syncJournals();
    // Told after the loop: the message box's own event loop may close windows.
    tellCannotWrite(failed);
}

QString SnapshotScheduler::write(Document& document, Entry& entry) {
    if (entry.serial == 0) entry.serial = m_nextSerial++;
    QString failed = m_store.write(entry.serial, snapshotOf(document));
    entry.written = failed.isEmpty();
    if (!entry.written) return failed;
    // The copy holds every edit so far: the journal begins again from it.
    failed = m_store.startJournal(entry.serial);
    entry.journalBroken = !failed.isEmpty();
    entry.journaled = failed.isEmpty() ? document.text().TextLength() : -1;
    entry.asRead = false;
    return failed;
}

void SnapshotScheduler::tellCannotWrite(const QString& failed) {
    // Editing goes on; the user hears of it once, and later changes try again.
    if (failed.isEmpty() || m_toldCannotWrite) return;
    m_toldCannotWrite = true;
    m_workspace.dialogs().messageBox(
        &m_workspace.mainWindow(),
        QStringLiteral("Nun se po' scrivere 'a copia 'e chello ca nun è astipato: ") + failed +
            QChar(10) +
            QStringLiteral("Si 'o prugramma se stuta 'e botta, chello ca nun è astipato se perde."),
        DialogService::Buttons::Ok, DialogService::Icon::Exclamation, DialogService::MessageTitle);
}

void SnapshotScheduler::saved(Document& document) {
    auto it = m_entries.find(&document);
    if (it == m_entries.end()) return;
    if (it->written || it->journaled >= 0) m_store.remove(it->serial);
    it->written = false;
    it->journaled = -1;
    it->journalBroken = false;
    it->asRead = false;
    it->due = false;
}

void SnapshotScheduler::read(Document& document) {
    saved(document);
    Entry& entry = m_entries[&document];
    if (entry.serial == 0) entry.serial = m_nextSerial++;
    const SnapshotStore::Snapshot asRead = snapshotOf(document);
    // Failing, the first edit tries again, and a copy follows at rest.
    if (!m_store.startJournal(entry.serial, &asRead, true).isEmpty()) return;
    entry.journaled = document.text().TextLength();
    entry.asRead = true;
}

void SnapshotScheduler::forget(Document& document) {
    saved(document);
    m_entries.remove(&document);
}

Document* SnapshotScheduler::reopen(const SnapshotStore::Snapshot& snapshot) {
    frmNotePad* w = m_workspace.openDocumentWindow();
    if (!w) {
        m_workspace.reportNoFreeSlot();
        return nullptr;
    }
    Document& document = w->document();
    if (snapshot.path.isEmpty())
        w->setCaption(QStringLiteral("Senza nomme:") + w->Tag());
    else
        document.setFilePath(snapshot.path);
    // The file may have changed while no program held it: the first save asks.
    if (!snapshot.path.isEmpty()) document.onDisk = DiskStamp::ofFileTakenLate(snapshot.path);
    document.text().setFormat(snapshot.format);
    document.text().setChars(snapshot.chars);
    document.setChanged(true);
    m_workspace.showDocument(*w);
    return &document;
}

void SnapshotScheduler::offerRecovery() {
    std::vector<SnapshotStore::Orphan> orphans = m_store.takeOrphans();
    QStringList setAside;
    std::vector<std::pair<QString, SnapshotStore::Snapshot>> found;
    for (const auto& orphan : orphans) {
        for (const QString& file : orphan.files) {
            auto snapshot = SnapshotStore::read(file);
            // A window that held its file as read had nothing unsaved.
            if (snapshot && snapshot->asRead)
                SnapshotStore::discard(file);
            else if (snapshot)
                found.emplace_back(file, std::move(*snapshot));
            else
                setAside << SnapshotStore::setAside(file);
        }
    }
    if (!setAside.isEmpty()) {
        m_workspace.dialogs().messageBox(
            &m_workspace.mainWindow(),
            QStringLiteral("Certi ccopie 'e chello ca nun era astipato nun se ponno leggere; "
                           "l'aggio mise 'a parte:") +
                QChar(10) + setAside.join(QChar(10)),
            DialogService::Buttons::Ok, DialogService::Icon::Exclamation,
            DialogService::MessageTitle);
    }
    if (found.empty()) return;
    const auto answer = m_workspace.dialogs().messageBox(
        &m_workspace.mainWindow(),
        QStringLiteral("'O prugramma s'è stutato 'e botta primma 'e astipà tutte cose.") +
            QChar(10) + QStringLiteral("Vulimme arapì n'ata vota chello ca nun era astipato?"),
        DialogService::Buttons::YesNoDefaultYes, DialogService::Icon::Question,
        DialogService::MessageTitle);
    QString failed;
    for (const auto& [file, snapshot] : found) {
        if (answer == DialogService::Answer::Yes) {
            Document* document = reopen(snapshot);
            if (!document) continue;
            // The old copy goes only once the window's own is on disk.
            if (const QString error = write(*document, m_entries[document]); !error.isEmpty()) {
                failed = error;
                continue;
            }
        }
        SnapshotStore::discard(file);
    }
    tellCannotWrite(failed);
}
