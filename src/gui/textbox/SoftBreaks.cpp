#include "gui/textbox/SoftBreaks.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace {

// Where the last line of before would wrap if the paragraph after went on in the same line:
// the length of before's text up to there. Before ends where its line wraps anyway when that
// is its whole length.
int wrapOfLastLine(const QTextBlock& before, const QTextBlock& after) {
    const QTextLayout* layout = before.layout();
    const QTextLine last = layout->lineAt(layout->lineCount() - 1);
    // More than fits in a line: the first line of the paragraph is full.
    const int more = 2 * layout->lineAt(0).textLength() + 64;
    QTextLayout probe(before.text().mid(last.textStart()) + after.text().left(more),
                      before.document()->defaultFont());
    probe.setTextOption(layout->textOption());
    probe.beginLayout();
    QTextLine line = probe.createLine();
    line.setLineWidth(last.width());
    probe.endLayout();
    return last.textStart() + line.textLength();
}

}  // namespace

SoftBreaks::SoftBreaks(QTextDocument* doc, DisplayMap& map, Writer write)
    : doc_(doc), map_(map), write_(std::move(write)) {}

void SoftBreaks::widthChanged() { map_.forgetMended(); }

bool SoftBreaks::mend(int first, int last) {
    // The soft breaks before the blocks first..last: their separators end the blocks before.
    const auto separatorBefore = [this](int block) {
        return block < doc_->blockCount() ? doc_->findBlockByNumber(block).position() - 1
                                          : qsizetype(doc_->characterCount());
    };
    qsizetype bottom = separatorBefore(last);
    bool changed = false;
    for (int i = map_.softBreakFrom(separatorBefore(first));
         i < map_.softBreakCount() && map_.softBreakView(i) <= bottom; ++i) {
        if (map_.isMended(i)) continue;
        map_.setMended(i, true);
        const QTextBlock before = doc_->findBlock(int(map_.softBreakView(i)));
        const QTextBlock after = before.next();
        // The view lays out only what it shows; the paragraph before may be above it.
        doc_->documentLayout()->blockBoundingRect(before);
        const QTextLayout* layout = before.layout();
        const int lines = layout->lineCount();
        const int length = before.length() - 1;
        const int wrap = wrapOfLastLine(before, after);
        // A paragraph that ends where the line wraps anyway stays as it is.
        if (wrap == length) continue;
        // The break goes to the start of the paragraph's last line. A paragraph of one line has
        // no earlier line to end with: the break goes on to where that line wraps, into the
        // paragraph after, and goes altogether when the paragraph after fits in the line.
        const int to = lines < 2 ? wrap : layout->lineAt(lines - 1).textStart();
        // The paragraph before then starts the line with other text: the break before it, where
        // that line starts, is looked at again.
        if (lines < 2 && i > 0 && map_.softBreakView(i - 1) == before.position() - 1)
            map_.setMended(i - 1, false);
        if (to >= length + after.length() - 1) {
            write_({map_.removeSoftBreak(i)});
            changed = true;
            --bottom;
            --i;
            continue;
        }
        // Each move is an edit of its own: the next one reads the layout that this one changed.
        write_(map_.moveSoftBreak(i, to - length));
        changed = true;
        // The paragraph after the break now starts elsewhere: the break that ends it is looked
        // at again.
        const QTextBlock moved = doc_->findBlock(int(map_.softBreakView(i)) + 1);
        if (i + 1 < map_.softBreakCount() &&
            map_.softBreakView(i + 1) == moved.position() + moved.length() - 1)
            map_.setMended(i + 1, false);
    }
    return changed;
}
