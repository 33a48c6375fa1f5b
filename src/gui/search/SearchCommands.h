#pragma once

#include <QObject>
#include <QPointer>

class Document;
class QPlainTextEdit;
class frmFind;
class Workspace;

// The Search menu's commands and the search of the active document. The frame owns the one
// instance; it keeps the Find dialog, which exists at most once and only while it is open (the
// search settings themselves live in the frame's AppState and outlive it).
class SearchCommands : public QObject {
    Q_OBJECT
public:
    explicit SearchCommands(Workspace& workspace);
    ~SearchCommands() override;

    // Searches the active document with the stored settings and selects the occurrence found,
    // which its window shows, without moving the keyboard focus; says so when there is none.
    // With no document window open it does nothing.
    void SearchActiveDocument();
    // Find: fills the Find dialog from the document's selection or the stored search text, makes
    // the next search a fresh one and shows the dialog in front.
    void Find(const Document& document);
    // Find Next: searches again with the stored text, or runs Find when there is none yet.
    void FindNext(const Document& document);

    // The Find dialog while it is open, otherwise null.
    frmFind* findDialog() const;
    // Puts a visible Find dialog in front of the program's other windows.
    void bringFindToFront();

    // Makes box show its selection also while it does not have the keyboard focus (the search
    // selects a match while the Find dialog keeps the focus).
    static void keepSelectionShown(QPlainTextEdit& box);

    // The message shown when the search finds nothing.
    static QString notFoundPrompt(const QString& searchText);

private:
    frmFind* loadFindDialog();

    Workspace& m_workspace;
    QPointer<frmFind> m_find;
};
