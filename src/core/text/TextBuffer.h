#pragma once

#include <QByteArray>
#include <QString>

#include "core/files/DocumentFormat.h"

// The text of a text box, with its selection, in the kind of its document (DocumentFormat). The
// text is kept as characters; a position counts characters, so in the code page every byte is
// one position and a CR LF line break is two. Any character the document can hold may stand
// anywhere, lone CRs and LFs included; the buffer never converts anything.
//
// The selection is SelStart (0..length) and SelLength (never reaching past the end). Setting the
// properties may put an edge of the selection inside what a view shows as one character: between
// the CR and the LF of a CR LF line break, or between the two halves of a UTF-16 surrogate pair.
// The buffer keeps that exact value. A view cannot show such a position, so it shows it snapped
// to whole characters (see viewSelStart/viewSelEnd), and what the user does at the keyboard acts
// on the selection as shown.
//
// The byte functions speak the document's encoding: text() is what a save writes (without its
// line end), and bytes given to setText, setSelText and type are decoded the same way.
class TextBuffer {
public:
    const DocumentFormat& format() const { return format_; }
    // Changes the kind of the document; the text stays as it is.
    void setFormat(const DocumentFormat& format) { format_ = format; }

    const QString& chars() const { return text_; }
    QByteArray text() const { return format_.encode(text_); }
    qsizetype length() const { return text_.size(); }
    qsizetype selStart() const { return selStart_; }
    qsizetype selLength() const { return selLength_; }
    QString selChars() const { return text_.mid(selStart_, selLength_); }
    QByteArray selText() const { return format_.encode(selChars()); }

    // Replaces the whole text; the caret goes to 0 with nothing selected. Returns whether the text
    // changed.
    bool setChars(const QString& text);
    bool setText(const QByteArray& text) { return setChars(format_.decode(text)); }
    // Puts the caret at pos, clamped to 0..length, with nothing selected.
    void setSelStart(qsizetype pos);
    // Selects len characters from SelStart on; negative means 0, and the selection stops at the
    // end.
    void setSelLength(qsizetype len);
    // Replaces the selection with text; the caret ends right after it with nothing selected.
    // Returns whether the text changed (replacing a selection by the same text changes nothing).
    bool setSelChars(const QString& text);
    bool setSelText(const QByteArray& text) { return setSelChars(format_.decode(text)); }

    // What the user does at the keyboard; each acts on the selection as a view shows it and
    // returns whether the text changed. A caret that an edit leaves between the two halves of a
    // line break (a CR and an LF brought together) moves to after the line break.
    // Typed text replaces the selection.
    bool type(const QString& text);
    bool type(const QByteArray& bytes) { return type(format_.decode(bytes)); }
    // Enter: the document's line break (CR LF, or LF) replaces the selection.
    bool enter();
    // Backspace: removes the selection, or else the character before the caret, or the whole
    // line break or surrogate pair when the caret stands right after one.
    bool backspace();
    // Delete: removes the selection, or else the character after the caret, or the whole line
    // break or surrogate pair when the caret stands right before one.
    bool deleteForward();

    // The last change of the text, by any of the functions above: at pos, removed gave way to
    // inserted. A view shows the change from it after the fact.
    struct Change {
        qsizetype pos = 0;
        QString removed;
        QString inserted;
    };
    const Change& lastChange() const { return change_; }

    // The view's rules (see DisplayMap) on this text: whether pos lies between the CR and the LF
    // of a line break, or inside what a view shows as one character (a line break or a
    // surrogate pair); the selection as a view shows it.
    bool insideLineBreak(qsizetype pos) const;
    bool insideShownCharacter(qsizetype pos) const;
    qsizetype viewSelStart() const;
    qsizetype viewSelEnd() const;

    // For a view following an edit made in it: replace len characters at pos with text (pos and
    // len clamped to the text). Returns whether the text changed; the selection is only kept
    // within the text, and left alone when nothing changed, for the view to set it.
    bool replace(qsizetype pos, qsizetype len, const QString& text);
    // Sets the selection from its two ends in either order, clamped to the text.
    void select(qsizetype anchor, qsizetype position);

private:
    void snapSelectionToView();
    void caretOutOfShownCharacter();

    DocumentFormat format_;
    QString text_;
    Change change_;
    qsizetype selStart_ = 0;
    qsizetype selLength_ = 0;
};
