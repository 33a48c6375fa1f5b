#pragma once

#include <QString>
#include <functional>

#include "core/files/LaunchArguments.h"
#include "core/files/TextFile.h"
#include "gui/files/DiskGuard.h"

class Document;
class Workspace;
class frmNotePad;

// Opening and saving text files through the file dialogs: the only place that reads or writes
// the contents of a document's file. Failures are shown to the user here, in message boxes.
class FileCommands {
public:
    // The most a file chosen in the open dialog may hold.
    static constexpr qint64 MaxOpenBytes = 65000;

    explicit FileCommands(Workspace& workspace);

    // Tells the memory available, in bytes (-1: not known), when a file is to be loaded into a
    // window: by default what the system reports (LoadBound); tests hand in their own.
    using MemorySource = std::function<qint64()>;
    void setAvailableMemory(MemorySource memory);
    // Runs at each save once the file to be replaced has been checked and is held open, just
    // before the new text is written (see TextFile::Expected); tests change the file there.
    void setAfterCheck(std::function<void()> afterCheck) { m_afterCheck = std::move(afterCheck); }

    // File, Open: asks for a file, refuses one over the size limit, reads it into a new window
    // and remembers its path in the recent-files list.
    void OpenWithDialog();
    // Opens a file chosen by other means than the open dialog (the command line, a drop) as File,
    // Open opens a chosen one; a file that names nothing on this computer is refused with a
    // message. Returns its window, or null when none opened (the user has been told why).
    frmNotePad* OpenGivenFile(const LaunchArguments::File& file);

    // A given file read before its window is made, so that what the caller handed over is held
    // even if the file goes away before the window opens. Shows nothing.
    struct ReadAhead {
        LaunchArguments::File file;
        qint64 size = -1;           // as found on disk (-1: no regular file)
        TextFile::ReadResult read;  // left unread when the file is over the size limit
    };
    static ReadAhead readAhead(const LaunchArguments::File& file);
    // Opens a file read ahead as OpenGivenFile would have opened it then, refusals included.
    // Returns its window, or null when none opened (the user has been told why).
    frmNotePad* OpenReadAhead(const ReadAhead& ahead);
    // The save dialog with initialName in the name box; the chosen path, or "" when cancelled.
    QString AskSaveFileName(const QString& initialName);
    // Reads the file at path whole into a new document window; returns the window, or null when
    // the file could not be read or its window would not fit in memory (the user has been told
    // why).
    frmNotePad* LoadFileIntoWindow(const QString& path, const ReadAhead* ahead = nullptr);
    // Writes the document's text and its line end (DocumentFormat::lineEndAfter) to path; on
    // success the document holds that file and counts as unchanged. Returns false when nothing
    // was written (the user has been told why). What another program wrote to the file during
    // the write opens in a window of its own.
    bool WriteDocumentFile(const QString& path, Document& document);

    // Reads the document's file again, in place of its text, as File, Open would read it (size
    // limit, kind, the messages for a file that cannot be read). Returns false when the document
    // kept its text (the user has been told why).
    bool ReloadDocument(Document& document);
    // Checks the document's file on disk again (see DiskGuard::recheck).
    void recheckDisk(Document& document) { m_guard.recheck(document); }

    // File, Save and File, Save As of a document.
    void mnuFSave_Click(Document& document);
    void mnuFSaveAs_Click(Document& document);

private:
    // What File, Open does with the chosen path (or with what was read of it ahead).
    frmNotePad* OpenChosenFile(const QString& path, const ReadAhead* ahead = nullptr);
    // Puts the caret of window (if any) at the start of the given line (LaunchArguments::File);
    // returns window.
    static frmNotePad* startAtLine(frmNotePad* window, int line);
    // True, after telling the user, when a file of that size is over what File, Open takes.
    bool refusedAsTooLarge(qint64 size);
    void showMessage(const QString& prompt, bool exclamation);
    void reportNoMemory(const QString& path);
    // Keeps bytes that are no longer in the file at path as a file of their own in the state
    // folder (mode 0600); the copy's path, or "" when it could not be written.
    static QString keepAside(const QString& path, const QByteArray& bytes);
    // What another program wrote to path while it was being replaced: shown in a window of its
    // own, unsaved (or kept aside where no window can take it), and the user told where.
    void keepChangedMeanwhile(const QString& path, const QByteArray& bytes);
    // A write in place failed and the old bytes could not be put back: they are kept aside and
    // the user is told where.
    void reportNotRestored(const QString& path, const TextFile::WriteResult& written);
    // Empties and closes a window whose text could not be built.
    void discardWindow(frmNotePad* window);
    // Reads a file for a window (or takes what was read ahead), within the memory bound; false
    // when it cannot be (the user has been told why).
    bool readForWindow(const QString& path, TextFile::ReadResult& read, const ReadAhead* ahead);

    Workspace& m_workspace;
    MemorySource m_memory;
    std::function<void()> m_afterCheck;
    DiskGuard m_guard;
};
