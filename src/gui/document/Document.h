#pragma once

#include <QObject>
#include <QString>

#include "core/files/DiskStamp.h"
#include "core/text/TextModel.h"

class QWidget;
class Workspace;
struct DocumentState;

// What belongs to one open document: its text, in the kind of its document, with the selection;
// the file it holds and what the program last knew of that file on disk; and whether it changed
// since it was made, read or written (its slot's DocumentState). A document window owns one and
// shows it; the commands work on it and never reach into the window's widgets.
class Document : public QObject {
    Q_OBJECT
public:
    // The document shown in window, its text held by text, the model its text box shows.
    Document(Workspace& workspace, QWidget& window, TextModel& text);

    // The text, its kind, its selection and its undo history: the model the window's text box
    // shows. A selection set through it is shown by the box, scrolled into view.
    TextModel& text() const { return m_text; }

    // The real path of the document's file, kept with its letter case; empty while untitled.
    QString filePath() const { return m_filePath; }
    // Makes the document hold the file at path (its window's caption then shows it).
    void setFilePath(const QString& path);
    // True while the document holds no file: a save asks for a name.
    bool isUntitled() const { return m_filePath.isEmpty(); }

    // The document's file as it was last read or written, and as it was when the user was last
    // told of a change to it by another program (empty when there is nothing to tell).
    DiskStamp onDisk;
    DiskStamp noticedOnDisk;

    // The slot the document is held in (0 until its window has one); the document is open from
    // then until its window has closed and freed the slot.
    int slot() const { return m_slot; }
    void setSlot(int slot) { m_slot = slot; }
    bool isOpen() const { return m_slot != 0 && !m_closed; }
    // The window has closed and freed the slot: whoever follows the file hears that the document
    // holds none now (filePathChanged to ""), though filePath() still names it.
    void close();

    // Whether the text changed since the document was made, read or written: its slot's Changed.
    bool isChanged() const;
    void setChanged(bool changed);

    // The window that shows the document: the questions and notices about it are its children.
    QWidget& window() const { return m_window; }
    // Its window's caption, which a copy of the unsaved text keeps to show it again.
    QString caption() const;

signals:
    // The document's file is now another one (current is empty once its window has closed).
    void filePathChanged(const QString& previous, const QString& current);

private:
    DocumentState& state() const;

    Workspace& m_workspace;
    QWidget& m_window;
    TextModel& m_text;
    QString m_filePath;
    int m_slot = 0;
    bool m_closed = false;
};
