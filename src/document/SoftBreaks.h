#pragma once

#include <QString>
#include <vector>

class QTextBlock;
class QTextDocument;

// The paragraph separators of a text box's view that stand for no character of the text.
//
// The widget lays a paragraph out whole, for a change of one character as for the first paint, so
// a line of megabytes would cost its whole length on every key. The view therefore shows a line
// longer than kSplitAt characters as several paragraphs of about kPiece characters, joined by
// soft breaks. A soft break shows nothing when it stands where the line wraps anyway: right
// before the first character of a line of the wrapped paragraph. It is put there lazily ("mended"),
// only where the user can see it: a soft break that is not yet mended may leave the line above it
// short, below the viewport, until it scrolls into view.
//
// The view's blocks are numbered as the document numbers them; a soft block is one that follows a
// soft break. The class keeps the numbers of the soft blocks, sorted, and follows every change of
// the document that it is told of; the document itself keeps no mark of which separators are
// soft, since its blocks pass their properties on unreliably when they split and join.
class SoftBreaks {
public:
    // A paragraph of the view longer than this is split.
    static constexpr int kSplitAt = 2048;
    // The length of the pieces it is split into. A key lays out again the piece it falls in: at
    // 1024 characters that is a third of the key's work, where 4096 took two thirds of four times
    // as much.
    static constexpr int kPiece = 1024;

    explicit SoftBreaks(QTextDocument* doc);

    // Puts soft breaks into the shown text of a whole document, to be set as the view's text;
    // the breaks are known from then on. Call before the document takes the text.
    QString splitShown(const QString& shown);
    // The document took the text that splitShown returned.
    void adopt();

    int count() const { return int(soft_.size()); }
    // Whether the block numbered block follows a soft break.
    bool follows(int block) const;
    // Whether the block numbered block follows a soft break that stands where the line wraps
    // anyway (mended): a row of the view starts there.
    bool followsMended(int block) const;
    // The number of soft breaks before the start of the block numbered block.
    int before(int block) const;

    // What a change of the document did to the soft breaks.
    struct Change {
        // The soft breaks among the characters it removed.
        int removed = 0;
        // The blocks (numbers) that hold what it put in.
        int first = 0;
        int last = 0;
    };
    // The document replaced some view characters at pos with added characters, all of whose
    // separators are real; the blocks before pos are as they were.
    Change replaced(int pos, int added);

    // The blocks first..last (numbers) changed: the soft breaks at their edges have to be put
    // where the line wraps again, and each of them that grew past kSplitAt is split. Soft breaks
    // that an empty block would show as an empty line are taken out. Changes the document.
    void changed(int first, int last);
    // The width or the font of the view changed: every soft break has to be mended again.
    void widthChanged();
    // Mends the soft breaks of the blocks first..last (numbers), from the top: each is moved to
    // the start of the last line of the paragraph before it, which then ends where the line
    // wraps anyway; after a paragraph of one line, to where that line wraps in the paragraph
    // after, or taken out when the paragraph after fits in the line. Returns whether the document
    // changed. The view must have laid the blocks out at its width.
    bool mend(int first, int last);

private:
    struct Entry {
        int block;
        bool mended;
    };
    std::vector<Entry>::iterator lowerBound(int block);
    // Puts soft breaks into the block numbered block, from its end on; returns how many.
    int splitBlock(int block);
    // Takes out the soft break before the block numbered block.
    void join(int block);
    // Every block from block on is numbered by more (or fewer) ones.
    void shift(int block, int by);

    QTextDocument* doc_;
    std::vector<Entry> soft_;
    std::vector<Entry> pending_;
    // The document's block count as this class last saw it.
    int blocks_ = 1;
};
