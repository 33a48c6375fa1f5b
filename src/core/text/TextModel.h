#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "core/text/EditHistory.h"
#include "core/text/TextBuffer.h"

// A document's text as one widget-free model: the characters in the kind of the document
// (TextBuffer), its selection and its undo history (EditHistory). It is the only writer of the
// text: every edit, by the user or by the program, is one of its operations at positions of the
// text, and it reports each once, after the text and the selection are set.
//
// Positions count the text's characters (with CR LF line breaks CR and LF are one position each).
// An edge of the selection set by the program may stand inside what a view shows as one
// character; the edits the user makes act on the selection as shown (see DisplayMap).
class TextModel : public QObject {
    Q_OBJECT
public:
    explicit TextModel(QObject* parent = nullptr);

    // The whole text as the bytes a save writes (without the line end it appends).
    QByteArray Text() const { return buf_.text(); }
    // The whole text as characters, by reference: reading it copies nothing.
    const QString& chars() const { return buf_.chars(); }
    qsizetype TextLength() const { return buf_.length(); }
    // Replaces the whole text; the caret goes to 0 with nothing selected, the history is cleared.
    void setText(const QByteArray& text);
    void setChars(const QString& chars);
    // Replaces the whole text with a file's bytes, taking the kind of document they make.
    void load(const QByteArray& fileBytes);

    // The kind of the document; a new model holds CR LF in the code page.
    const DocumentFormat& format() const { return buf_.format(); }
    void setFormat(const DocumentFormat& format);

    qsizetype SelStart() const { return buf_.selStart(); }
    // Puts the caret at pos (clamped to the text), nothing selected.
    void setSelStart(qsizetype pos);
    qsizetype SelLength() const { return buf_.selLength(); }
    // Selects len characters from SelStart on (clamped to the end of the text).
    void setSelLength(qsizetype len);
    QByteArray SelText() const { return buf_.selText(); }
    QString SelChars() const { return buf_.selChars(); }
    // Replaces the selection with text; the caret ends right after it, nothing selected.
    void setSelText(const QByteArray& text);
    void setSelChars(const QString& text);
    // The selection a view shows, from its two ends: taken as it is, not reported.
    void selectShown(qsizetype anchor, qsizetype position) {
        buf_.select(anchor, position);
        caretFirst_ = position < anchor;
    }
    // Whether the caret, the end of the selection the user moves, is its start: only when the
    // user selected backwards; the program's selection and every edit leave it at the end.
    bool caretFirst() const { return caretFirst_; }

    const TextBuffer& buffer() const { return buf_; }

    bool isUndoAvailable() const { return history_.canUndo(); }
    bool isRedoAvailable() const { return history_.canRedo(); }
    const EditHistory& history() const { return history_; }
    // Undoes or redoes a step; returns whether there was one.
    bool undo();
    bool redo();

    // Makes op (an edit of the buffer at its positions, returning whether the text changed) one
    // change of the given kind: one step of undo, reported once.
    template <class Op>
    bool edit(EditHistory::Input input, Op op);
    // Replaces the characters from start to end with text as one change of the given kind, the
    // caret after the new text.
    void putText(qsizetype start, qsizetype end, const QString& text, EditHistory::Input input);
    // Replaces the characters from start to end with text that comes from outside, a screen
    // reader's edit, as one change: one step of undo, one Change. Each line break of text
    // becomes the document's, a character the document cannot hold '?'. Each edge of the
    // selection as shown keeps its place in the text; one in the replaced range or at its start
    // goes after the new text.
    void replaceFromOutside(qsizetype start, qsizetype end, const QString& text);

signals:
    // The whole text, or the kind of the document, is new: a view shows it anew.
    void reset();
    // The text changed as change says (the buffer's last change), the selection not yet set.
    void edited(const TextBuffer::Change& change);
    // The program set the selection: a view shows it.
    void selectionMoved();
    // The text changed: raised once per change, after the selection, whatever made it.
    void Change();

private:
    // Records the change just made in the buffer as a step of undo, the selection having been
    // before and being now the buffer's.
    void recordEdit(const TextBuffer::Change& change, const EditHistory::Selection& before,
                    EditHistory::Input input);
    // Puts text in place of the len characters at pos, as an undo or a redo does, and selects sel.
    void applyStep(qsizetype pos, qsizetype len, const QString& text,
                   const EditHistory::Selection& sel);

    // The program set the selection: the caret at its end, shown.
    void moved() {
        caretFirst_ = false;
        emit selectionMoved();
    }

    TextBuffer buf_;
    EditHistory history_;
    bool caretFirst_ = false;
};

template <class Op>
bool TextModel::edit(EditHistory::Input input, Op op) {
    const EditHistory::Selection before{buf_.selStart(), buf_.selLength()};
    const bool changed = op(buf_);
    if (changed) {
        emit edited(buf_.lastChange());
        recordEdit(buf_.lastChange(), before, input);
    }
    moved();
    if (changed) emit Change();
    return changed;
}
