#pragma once

#include <QList>

class Document;
class QAction;
class QDateTime;
class QLocale;
class TextBox;
class Workspace;

// The Edit menu's commands on a document's text. Cut, Copy and Paste act on the frame's
// active document window, so that the toolbar can call them too; with no document window open
// they do nothing. Text crosses the clipboard as ClipboardText describes: other programs get plain
// text with LF line ends, another window of this program gets the characters exactly, and text
// from other programs comes in with the document's own line breaks, a character the document
// cannot hold becoming '?'.
class EditCommands {
public:
    static void CutSelection(Workspace& workspace);
    static void CopySelection(Workspace& workspace);
    static void PasteClipboard(Workspace& workspace);

    // The same, on a given document.
    static void cut(Document& document);
    static void copy(const Document& document);
    static void paste(Document& document);

    // Delete: removes the selection, or else the character after the caret, or a whole line
    // break (CR and the character after it) when a CR follows the caret in a document whose line
    // break is CR LF, or both halves of a character beyond U+FFFF.
    static void deleteSelection(Document& document);
    static void selectAll(Document& document);
    // Replaces the selection with the date and time now, as the locale writes them (DateTimeText).
    static void insertDateTime(Document& document, const QDateTime& now, const QLocale& locale);

    // Gives box its context menu in place of the widget's: Undo and Redo first, in the
    // platform's words, acting on the box's history, then commands (Cut, Copy, Paste, Delete and
    // Select All, in this order: the Edit menu's).
    static void installContextMenu(TextBox& box, const QList<QAction*>& commands);
};
