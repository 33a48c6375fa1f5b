#pragma once

#include <QString>
#include <QStringView>
#include <vector>

#include "core/files/DocumentFormat.h"
#include "core/text/ShiftedPositions.h"
#include "core/text/TextBuffer.h"

// How a text box shows its text, and every translation between the three ways of counting in it.
//
// - The text (a TextBuffer's characters) counts its UTF-16 code units; a CR LF line break is two.
// - The view (the widget's document) shows each character as one (see DisplayText: the
//   document's line break as a paragraph separator, a lone CR, a lone LF and the other control
//   characters as pictures), and shows a line longer than splitAt characters as pieces of about
//   piece characters, joined by soft breaks: separators that stand for no character. A soft break
//   is kept as the position of the text it stands before; it never stands at an edge of a line,
//   inside a line break or between the halves of a surrogate pair.
// - What a screen reader and an input method read: each character as shown, a line break as one
//   "\n", the soft breaks nowhere.
//
// The map follows the text through each change (changed) and hands back what the view has to do
// to show it, as edits of the view; the view applies them and nothing else. The translations cost
// O(log² n) in the number of line and soft breaks, never a walk over the text.
class DisplayMap {
public:
    // A paragraph of the view longer than this is split.
    static constexpr int kSplitAt = 512;
    // The length of the pieces it is split into. A key lays out again, and paints again, the
    // piece it falls in: at 1024 characters that was two thirds of a key's work in a long line
    // (the rows of the piece on screen, up to a window's height), at 256 less than half as much. A
    // piece shorter than a row is no harm: the soft break before it moves to where that row wraps.
    static constexpr int kPiece = 256;

    // An edit of the view: at pos, removed characters give way to text; whole: the view's whole
    // text is text.
    struct ViewEdit {
        qsizetype pos = 0;
        qsizetype removed = 0;
        QString text;
        bool whole = false;
    };
    // An edit of the text as read: at offset, removed gave way to inserted.
    struct ReadEdit {
        qsizetype offset = 0;
        QString removed;
        QString inserted;
    };

    // The map of buf's text, held by reference; empty until reset. The sizes of the pieces can
    // be made smaller (the tests do).
    explicit DisplayMap(const TextBuffer& buf, int splitAt = kSplitAt, int piece = kPiece);

    // The rules of what a view shows as one character, for any text.
    // Whether pos lies between the CR and the LF of a CR LF line break (in a CR LF document).
    static bool insideLineBreak(QStringView chars, const DocumentFormat& format, qsizetype pos);
    // Whether pos lies inside what a view shows as one character: a CR LF line break, or a
    // surrogate pair.
    static bool insideShownCharacter(QStringView chars, const DocumentFormat& format,
                                     qsizetype pos);
    // The edges of a selection as a view shows it: an edge inside a shown character takes in the
    // whole character; a caret (empty selection) inside one stands after it.
    static qsizetype shownSelStart(QStringView chars, const DocumentFormat& format, qsizetype start,
                                   qsizetype length);
    static qsizetype shownSelEnd(QStringView chars, const DocumentFormat& format, qsizetype start,
                                 qsizetype length);
    // The characters [from, to) of chars as a screen reader reads them.
    static QString read(QStringView chars, qsizetype from, qsizetype to,
                        const DocumentFormat& format);

    // The same rules on the buffer's text and selection.
    bool insideLineBreak(qsizetype pos) const;
    bool insideShownCharacter(qsizetype pos) const;
    qsizetype selStart() const;
    qsizetype selEnd() const;
    QString read(qsizetype from, qsizetype to) const;

    // The whole text (in its format) anew: the view's new text, long lines split.
    ViewEdit reset();
    // The buffer's text changed as change says: the edits that bring the view from the text
    // before to the text now, in order, soft breaks put or taken out where the change made a
    // piece too long or empty. The soft breaks at the edges of the pieces changed are no longer
    // mended.
    std::vector<ViewEdit> changed(const TextBuffer::Change& change);
    // What change, after changed, did to the text as read.
    ReadEdit readChange(const TextBuffer::Change& change) const;

    qsizetype viewLength() const;
    qsizetype readLength() const;
    // A position of the text in the view; a position inside a line break is the one after it,
    // a position where a soft break stands is after the break.
    qsizetype toView(qsizetype pos) const;
    // The position of the text shown at view position view (clamped to the view).
    qsizetype toText(qsizetype view) const;
    // The offset at which the character at pos is read; inside a line break, the one after it.
    qsizetype readOffset(qsizetype pos) const;
    // The position of the text read at offset (clamped to 0..readLength()).
    qsizetype readPosition(qsizetype offset) const;

    // The soft breaks, in order. Mended: the view found it where a row starts anyway.
    int softBreakCount() const { return int(soft_.size()); }
    qsizetype softBreakAt(int i) const { return soft_.at(i); }
    // The view position of the separator of soft break i.
    qsizetype softBreakView(int i) const;
    // The first soft break whose separator stands at view or after.
    int softBreakFrom(qsizetype view) const;
    // The soft break whose separator stands at view, or -1.
    int softBreakAtView(qsizetype view) const;
    bool isMended(int i) const { return mended_[std::size_t(i)]; }
    void setMended(int i, bool mended) { mended_[std::size_t(i)] = mended; }
    void forgetMended();
    // Moves soft break i by characters of the text (its neighbours stay on either side), or
    // takes it out: the edits of the view that do it.
    std::vector<ViewEdit> moveSoftBreak(int i, qsizetype by);
    ViewEdit removeSoftBreak(int i);

private:
    // The range of the text a change shows anew: the change widened by a CR just before it and
    // an LF just after it, so that a line break it split or joined at either edge is shown (and
    // read) as what it became, and neither end lies inside a line break.
    struct Span {
        qsizetype from;
        qsizetype oldEnd;
        qsizetype newEnd;
    };
    Span span(const TextBuffer::Change& change) const;
    // Line breaks that end at or before pos; soft breaks at or before pos.
    qsizetype linesEndingBy(qsizetype pos) const;
    qsizetype softUpTo(qsizetype pos) const;
    // The start of the piece of the view that pos is in, and the end of the piece that starts at
    // start.
    qsizetype pieceStart(qsizetype pos) const;
    qsizetype pieceEnd(qsizetype start) const;
    // The start of the piece after the one that starts at start, or -1 at the last.
    qsizetype nextPieceStart(qsizetype start) const;
    // Where a piece that starts at start may be cut: piece_ on, never inside a surrogate pair.
    qsizetype cutAfter(qsizetype start) const;
    // The line breaks of the text in [from, to).
    std::vector<qsizetype> lineBreaks(qsizetype from, qsizetype to) const;
    // Takes out the soft breaks in [from, to] that stand next to an empty piece or inside a
    // shown character.
    void joinEmpty(qsizetype from, qsizetype to, std::vector<ViewEdit>& edits);
    // Splits the pieces [from, to] reaches that are longer than splitAt_.
    void splitLong(qsizetype from, qsizetype to, std::vector<ViewEdit>& edits);

    const TextBuffer& buf_;
    int splitAt_;
    int piece_;
    // Extra positions of the text per line break: 1 for CR LF, 0 for LF, as last reset.
    int extra_ = 1;
    qsizetype length_ = 0;
    // Where each line break starts, and where each soft break stands, in order; whether each
    // soft break is mended.
    ShiftedPositions lines_;
    ShiftedPositions soft_;
    std::vector<bool> mended_;
};
