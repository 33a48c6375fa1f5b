#include "document/SoftBreaks.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace {

constexpr QChar kSeparator = QChar(char16_t(0x2029));

// Where a piece of a paragraph that starts at start may end: kPiece characters on, but never
// between the two halves of a surrogate pair.
template <typename CharAt>
qsizetype pieceEnd(qsizetype start, CharAt charAt) {
    qsizetype cut = start + SoftBreaks::kPiece;
    if (charAt(cut - 1).isHighSurrogate()) ++cut;
    return cut;
}

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

SoftBreaks::SoftBreaks(QTextDocument* doc) : doc_(doc) {}

QString SoftBreaks::splitShown(const QString& shown) {
    pending_.clear();
    QString out;
    out.reserve(shown.size() + shown.size() / kPiece + 1);
    const auto charAt = [&shown](qsizetype i) { return shown.at(i); };
    int block = 0;
    for (qsizetype start = 0; start <= shown.size();) {
        qsizetype end = shown.indexOf(kSeparator, start);
        if (end < 0) end = shown.size();
        qsizetype at = start;
        while (end - at > kSplitAt) {
            const qsizetype cut = pieceEnd(at, charAt);
            out += QStringView(shown).mid(at, cut - at);
            out += kSeparator;
            pending_.push_back({++block, false});
            at = cut;
        }
        out += QStringView(shown).mid(at, end - at);
        if (end < shown.size()) {
            out += kSeparator;
            ++block;
        }
        start = end + 1;
    }
    return out;
}

void SoftBreaks::adopt() {
    soft_ = std::move(pending_);
    pending_.clear();
    blocks_ = doc_->blockCount();
}

std::vector<SoftBreaks::Entry>::iterator SoftBreaks::lowerBound(int block) {
    return std::lower_bound(soft_.begin(), soft_.end(), block,
                            [](const Entry& e, int b) { return e.block < b; });
}

bool SoftBreaks::follows(int block) const {
    const auto it = std::lower_bound(soft_.begin(), soft_.end(), block,
                                     [](const Entry& e, int b) { return e.block < b; });
    return it != soft_.end() && it->block == block;
}

bool SoftBreaks::followsMended(int block) const {
    const auto it = std::lower_bound(soft_.begin(), soft_.end(), block,
                                     [](const Entry& e, int b) { return e.block < b; });
    return it != soft_.end() && it->block == block && it->mended;
}

int SoftBreaks::before(int block) const {
    return int(std::upper_bound(soft_.begin(), soft_.end(), block,
                                [](int b, const Entry& e) { return b < e.block; }) -
               soft_.begin());
}

void SoftBreaks::shift(int block, int by) {
    for (auto it = lowerBound(block); it != soft_.end(); ++it) it->block += by;
}

SoftBreaks::Change SoftBreaks::replaced(int pos, int added) {
    const int viewEnd = doc_->characterCount() - 1;
    pos = std::clamp(pos, 0, viewEnd);
    Change change;
    change.first = doc_->findBlock(pos).blockNumber();
    change.last = doc_->findBlock(std::clamp(pos + added, pos, viewEnd)).blockNumber();
    const int grown = doc_->blockCount() - blocks_;
    blocks_ = doc_->blockCount();
    // The separators the change removed were those of the blocks after the first, up to as many
    // as it put in, less what the document grew by.
    const int removedSeparators = std::max(0, change.last - change.first - grown);
    const auto from = lowerBound(change.first + 1);
    const auto to = lowerBound(change.first + removedSeparators + 1);
    change.removed = int(to - from);
    soft_.erase(from, to);
    shift(change.first + 1, grown);
    return change;
}

void SoftBreaks::changed(int first, int last) {
    // A block's text decides where its own last line starts, and the start of the block after
    // a soft break can decide where the line before the break ends.
    for (auto it = lowerBound(first); it != soft_.end() && it->block <= last + 1; ++it)
        it->mended = false;
    // An empty block next to a soft break would show as an empty line inside the line.
    const int top = std::max(0, first - 1);
    for (int b = std::min(last + 1, doc_->blockCount() - 1); b >= top; --b) {
        if (doc_->findBlockByNumber(b).length() > 1) continue;
        if (follows(b)) {
            join(b);
        } else if (follows(b + 1)) {
            join(b + 1);
        }
    }
    last = std::min(last, doc_->blockCount() - 1);
    for (int b = last; b >= first; --b) splitBlock(b);
}

int SoftBreaks::splitBlock(int block) {
    const QTextBlock b = doc_->findBlockByNumber(block);
    const int length = b.length() - 1;
    if (length <= kSplitAt) return 0;
    const int start = b.position();
    const auto charAt = [this, start](qsizetype i) { return doc_->characterAt(int(start + i)); };
    std::vector<int> cuts;
    for (qsizetype at = 0; length - at > kSplitAt;) {
        at = pieceEnd(at, charAt);
        cuts.push_back(int(at));
    }
    // From the end on, so that each position still stands where it was computed. One edit
    // block: the document lays the pieces out once, when they are all made.
    QTextCursor edit(doc_);
    edit.beginEditBlock();
    for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
        edit.setPosition(start + *it);
        edit.insertText(QString(kSeparator));
    }
    edit.endEditBlock();
    const int n = int(cuts.size());
    shift(block + 1, n);
    std::vector<Entry> made;
    for (int i = 1; i <= n; ++i) made.push_back({block + i, false});
    soft_.insert(lowerBound(block + 1), made.begin(), made.end());
    blocks_ += n;
    return n;
}

void SoftBreaks::join(int block) {
    const auto it = lowerBound(block);
    if (it == soft_.end() || it->block != block) return;
    QTextCursor edit(doc_);
    edit.setPosition(doc_->findBlockByNumber(block).position() - 1);
    edit.deleteChar();
    soft_.erase(it);
    shift(block, -1);
    --blocks_;
    // The joined block ends where the block after the break ended.
    if (follows(block)) lowerBound(block)->mended = false;
}

void SoftBreaks::widthChanged() {
    for (Entry& e : soft_) e.mended = false;
}

bool SoftBreaks::mend(int first, int last) {
    bool changed = false;
    for (auto i = std::size_t(lowerBound(first) - soft_.begin());
         i < soft_.size() && soft_[i].block <= last; ++i) {
        Entry& entry = soft_[i];
        if (entry.mended) continue;
        entry.mended = true;
        const QTextBlock before = doc_->findBlockByNumber(entry.block - 1);
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
        if (lines < 2 && i > 0 && soft_[i - 1].block == entry.block - 1)
            soft_[i - 1].mended = false;
        if (to >= length + after.length() - 1) {
            join(entry.block);
            changed = true;
            --last;
            --i;
            continue;
        }
        // Each move is an edit of its own: the next one reads the layout that this one changed.
        QTextCursor edit(doc_);
        edit.beginEditBlock();
        edit.setPosition(before.position() + length);
        edit.deleteChar();
        edit.setPosition(before.position() + to);
        edit.insertText(QString(kSeparator));
        edit.endEditBlock();
        changed = true;
        if (i + 1 < soft_.size() && soft_[i + 1].block == soft_[i].block + 1)
            soft_[i + 1].mended = false;
    }
    return changed;
}
