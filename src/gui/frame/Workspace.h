#pragma once

#include <QString>

class DialogService;
class Document;
class FileCommands;
class QWidget;
class SearchCommands;
class SystemServices;
class frmNotePad;
struct AppState;

// What the commands and the document windows know of the program around them: the dialogs, the
// outside services, the shared state, the active document and the document slots. The frame
// implements it; the commands and document windows ask for nothing else of it, so that a test of
// a command can hand in a small one of its own.
class Workspace {
public:
    virtual ~Workspace() = default;

    // The program's caption: the frame's title, and the title of the save question.
    static QString Caption() { return QStringLiteral("Tavulella"); }

    // The window the program's message boxes and file dialogs belong to.
    virtual QWidget& mainWindow() = 0;
    virtual DialogService& dialogs() = 0;
    // The About box, the printer and the settings store.
    virtual SystemServices& services() = 0;
    virtual AppState& state() = 0;
    virtual FileCommands& files() = 0;
    virtual SearchCommands& searchCommands() = 0;

    // The active document window (the one the user last activated), or null when none is open.
    virtual frmNotePad* activeDocumentWindow() const = 0;
    // The document of the active document window, or null when none is open.
    virtual Document* activeDocument() const = 0;
    // A document window for the lowest free slot, with its tag set but not yet shown; null when
    // every slot is taken (the caller then tells the user with reportNoFreeSlot).
    virtual frmNotePad* openDocumentWindow() = 0;
    // Tells the user that no more document windows can be opened.
    virtual void reportNoFreeSlot() = 0;
    // Shows a document window inside the document area and makes it the active one.
    virtual void showDocument(frmNotePad& window) = 0;
    // Puts a path that the recent-files list does not hold yet at its head and refreshes the
    // File menus.
    virtual void RememberRecentFile(const QString& path) = 0;
    // Shows Cut, Copy and Paste again after they were hidden because no document was open.
    virtual void showHiddenEditButtons() = 0;
    // The document's text has just been written to its file.
    virtual void documentSaved(Document& /*document*/) {}
    // The document's text is now exactly the bytes just read from its file (its onDisk).
    virtual void documentRead(Document& /*document*/) {}
    // True while the toolbar is shown.
    virtual bool toolbarShown() const = 0;
};
