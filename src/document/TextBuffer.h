#pragma once

#include <QByteArray>

// The text of a text box as bytes, with its selection. A line break is the two bytes CR LF and
// positions count every byte, so a line break takes two positions. Any byte 0-255 may stand
// anywhere, lone CRs and LFs included; the buffer never converts anything.
//
// The selection is SelStart (0..length) and SelLength (never reaching past the end). Setting the
// properties may put an edge of the selection between the CR and the LF of a line break; the
// buffer keeps that exact value. A view cannot show such a position, so it shows it snapped to
// whole line breaks (see viewSelStart/viewSelEnd), and what the user does at the keyboard acts on
// the selection as shown.
class TextBuffer {
public:
    const QByteArray& text() const { return text_; }
    qsizetype length() const { return text_.size(); }
    qsizetype selStart() const { return selStart_; }
    qsizetype selLength() const { return selLength_; }
    QByteArray selText() const;

    // Replaces the whole text; the caret goes to 0 with nothing selected. Returns whether the text
    // changed.
    bool setText(const QByteArray& text);
    // Puts the caret at pos, clamped to 0..length, with nothing selected.
    void setSelStart(qsizetype pos);
    // Selects len bytes from SelStart on; negative means 0, and the selection stops at the end.
    void setSelLength(qsizetype len);
    // Replaces the selection with text; the caret ends right after it with nothing selected.
    // Returns whether the text changed (replacing a selection by the same bytes changes nothing).
    bool setSelText(const QByteArray& text);

    // What the user does at the keyboard; each acts on the selection as a view shows it and
    // returns whether the text changed. A caret that an edit leaves between the two halves of a
    // line break (a CR and an LF brought together) moves to after the line break.
    // Typed bytes replace the selection.
    bool type(const QByteArray& bytes);
    // Enter: a line break, CR LF, replaces the selection.
    bool enter();
    // Backspace: removes the selection, or else the byte before the caret, or the whole line
    // break when the caret stands right after one.
    bool backspace();

    // True when pos lies between the CR and the LF of a line break.
    bool insideLineBreak(qsizetype pos) const;
    // The selection as a view shows it: an edge inside a line break takes in the whole line
    // break; a caret (empty selection) inside a line break stands after it.
    qsizetype viewSelStart() const;
    qsizetype viewSelEnd() const;

    // For a view following an edit made in it: replace len bytes at pos with bytes (pos and len
    // clamped to the text). Returns whether the text changed; the selection is only kept within
    // the text, and left alone when nothing changed, for the view to set it.
    bool replace(qsizetype pos, qsizetype len, const QByteArray& bytes);
    // Sets the selection from its two ends in either order, clamped to the text.
    void select(qsizetype anchor, qsizetype position);

private:
    void snapSelectionToView();
    void caretOutOfLineBreak();

    QByteArray text_;
    qsizetype selStart_ = 0;
    qsizetype selLength_ = 0;
};
