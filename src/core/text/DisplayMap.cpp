#include "core/text/DisplayMap.h"

#include <algorithm>

#include "core/text/DisplayText.h"

namespace {

// The first index in [0, n) for which below(i) is false, below being true and then false.
template <typename Below>
qsizetype firstNotBelow(qsizetype n, Below below) {
    qsizetype lo = 0;
    while (lo < n) {
        const qsizetype mid = lo + (n - lo) / 2;
        if (below(mid)) {
            lo = mid + 1;
        } else {
            n = mid;
        }
    }
    return lo;
}

}  // namespace

DisplayMap::DisplayMap(const TextBuffer& buf, int splitAt, int piece)
    : buf_(buf), splitAt_(splitAt), piece_(piece) {}

bool DisplayMap::insideLineBreak(QStringView chars, const DocumentFormat& format, qsizetype pos) {
    return !format.isLf() && pos > 0 && pos < chars.size() && chars[pos - 1] == u'\r' &&
           chars[pos] == u'\n';
}

bool DisplayMap::insideShownCharacter(QStringView chars, const DocumentFormat& format,
                                      qsizetype pos) {
    if (insideLineBreak(chars, format, pos)) return true;
    return pos > 0 && pos < chars.size() && chars[pos - 1].isHighSurrogate() &&
           chars[pos].isLowSurrogate();
}

qsizetype DisplayMap::shownSelStart(QStringView chars, const DocumentFormat& format,
                                    qsizetype start, qsizetype length) {
    if (insideShownCharacter(chars, format, start)) return length == 0 ? start + 1 : start - 1;
    return start;
}

qsizetype DisplayMap::shownSelEnd(QStringView chars, const DocumentFormat& format, qsizetype start,
                                  qsizetype length) {
    const qsizetype end = start + length;
    return insideShownCharacter(chars, format, end) ? end + 1 : end;
}

QString DisplayMap::read(QStringView chars, qsizetype from, qsizetype to,
                         const DocumentFormat& format) {
    QString out = DisplayText::render(chars, from, to, format);
    out.replace(DisplayText::kLineBreak, QLatin1Char('\n'));
    return out;
}

bool DisplayMap::insideLineBreak(qsizetype pos) const {
    return insideLineBreak(buf_.chars(), buf_.format(), pos);
}

bool DisplayMap::insideShownCharacter(qsizetype pos) const {
    return insideShownCharacter(buf_.chars(), buf_.format(), pos);
}

qsizetype DisplayMap::selStart() const {
    return shownSelStart(buf_.chars(), buf_.format(), buf_.selStart(), buf_.selLength());
}

qsizetype DisplayMap::selEnd() const {
    return shownSelEnd(buf_.chars(), buf_.format(), buf_.selStart(), buf_.selLength());
}

QString DisplayMap::read(qsizetype from, qsizetype to) const {
    return read(buf_.chars(), from, to, buf_.format());
}

DisplayMap::ViewEdit DisplayMap::reset() {
    const qsizetype viewBefore = viewLength();
    const QString& chars = buf_.chars();
    extra_ = buf_.format().isLf() ? 0 : 1;
    length_ = chars.size();
    const std::vector<qsizetype> lines = lineBreaks(0, length_);
    // The soft breaks of the lines too long to show whole, and where each stands in the text as
    // shown (within a line the view shows the text one for one, the line breaks before it as one).
    std::vector<qsizetype> soft;
    std::vector<qsizetype> shownAt;
    qsizetype start = 0;
    for (std::size_t k = 0; k <= lines.size(); ++k) {
        const qsizetype end = k < lines.size() ? lines[k] : length_;
        for (qsizetype at = start; end - at > splitAt_;) {
            at = cutAfter(at);
            soft.push_back(at);
            shownAt.push_back(at - extra_ * qsizetype(k));
        }
        start = end + extra_ + 1;
    }
    QString out = DisplayText::render(chars, buf_.format());
    if (!shownAt.empty()) {
        // The shown text with a separator at each soft break; without one it is the view as it is.
        QString split;
        split.reserve(out.size() + qsizetype(shownAt.size()));
        qsizetype from = 0;
        for (const qsizetype at : shownAt) {
            split += QStringView(out).mid(from, at - from);
            split += DisplayText::kLineBreak;
            from = at;
        }
        split += QStringView(out).mid(from);
        out = std::move(split);
    }
    lines_.assign(lines);
    mended_.assign(soft.size(), false);
    soft_.assign(std::move(soft));
    return {0, viewBefore, out, true};
}

DisplayMap::Span DisplayMap::span(const TextBuffer::Change& change) const {
    const QString& now = buf_.chars();
    const qsizetype pos = change.pos;
    const qsizetype after = pos + change.inserted.size();
    const qsizetype from = pos > 0 && now.at(pos - 1) == u'\r' ? pos - 1 : pos;
    const qsizetype lf = after < now.size() && now.at(after) == u'\n' ? 1 : 0;
    return {from, pos + change.removed.size() + lf, after + lf};
}

std::vector<DisplayMap::ViewEdit> DisplayMap::changed(const TextBuffer::Change& change) {
    // What stands outside the span is the same before and after the change; the view shows the
    // span anew, from the view as it was.
    const Span s = span(change);
    std::vector<ViewEdit> edits;
    const qsizetype viewFrom = toView(s.from);
    edits.push_back({viewFrom, toView(s.oldEnd) - viewFrom,
                     DisplayText::render(buf_.chars(), s.from, s.newEnd, buf_.format())});
    const qsizetype delta = s.newEnd - s.oldEnd;
    length_ += delta;
    const qsizetype lo = lines_.lowerBound(s.from);
    const qsizetype hi = lines_.lowerBound(s.oldEnd);
    lines_.shiftFrom(hi, delta);
    lines_.erase(lo, hi);
    lines_.insert(lo, lineBreaks(s.from, s.newEnd));
    // The view's new text has no soft break: those the span held are gone, at its end included.
    const qsizetype softLo = soft_.upperBound(s.from);
    const qsizetype softHi = soft_.upperBound(s.oldEnd);
    soft_.shiftFrom(softHi, delta);
    soft_.erase(softLo, softHi);
    mended_.erase(mended_.begin() + softLo, mended_.begin() + softHi);
    // A piece's text decides where its own last row starts, and the start of the piece after a
    // soft break can decide where the row before the break ends.
    const qsizetype first = pieceStart(s.from);
    const qsizetype next = nextPieceStart(pieceStart(s.newEnd));
    const qsizetype last = next < 0 ? length_ : next;
    for (qsizetype i = soft_.lowerBound(first); i < soft_.size() && soft_.at(i) <= last; ++i)
        mended_[std::size_t(i)] = false;
    joinEmpty(first, last, edits);
    splitLong(s.from, s.newEnd, edits);
    return edits;
}

DisplayMap::ReadEdit DisplayMap::readChange(const TextBuffer::Change& change) const {
    const Span s = span(change);
    const QString cr = s.from < change.pos ? QStringLiteral("\r") : QString();
    const bool lf = s.newEnd > change.pos + change.inserted.size();
    const QString was = cr + change.removed + (lf ? QStringLiteral("\n") : QString());
    return {readOffset(s.from), read(was, 0, was.size(), buf_.format()), read(s.from, s.newEnd)};
}

qsizetype DisplayMap::viewLength() const {
    return length_ - extra_ * qsizetype(lines_.size()) + qsizetype(soft_.size());
}

qsizetype DisplayMap::readLength() const { return length_ - extra_ * qsizetype(lines_.size()); }

qsizetype DisplayMap::linesEndingBy(qsizetype pos) const {
    return lines_.upperBound(pos - extra_ - 1);
}

qsizetype DisplayMap::softUpTo(qsizetype pos) const { return soft_.upperBound(pos); }

qsizetype DisplayMap::toView(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, length_);
    return pos - extra_ * linesEndingBy(pos) + softUpTo(pos);
}

qsizetype DisplayMap::toText(qsizetype view) const {
    view = std::clamp<qsizetype>(view, 0, viewLength());
    // The line breaks and soft breaks whose separators stand before view.
    const qsizetype lines = firstNotBelow(qsizetype(lines_.size()), [&](qsizetype i) {
        const qsizetype s = lines_.at(i);
        return s - extra_ * i + softUpTo(s) < view;
    });
    const qsizetype soft = softBreakFrom(view);
    return view + extra_ * lines - soft;
}

qsizetype DisplayMap::readOffset(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, length_);
    return pos - extra_ * linesEndingBy(pos);
}

qsizetype DisplayMap::readPosition(qsizetype offset) const {
    offset = std::clamp<qsizetype>(offset, 0, readLength());
    const qsizetype lines = firstNotBelow(
        qsizetype(lines_.size()), [&](qsizetype i) { return lines_.at(i) - extra_ * i < offset; });
    return offset + extra_ * lines;
}

qsizetype DisplayMap::softBreakView(int i) const {
    const qsizetype pos = soft_.at(i);
    return pos - extra_ * linesEndingBy(pos) + i;
}

int DisplayMap::softBreakFrom(qsizetype view) const {
    return int(firstNotBelow(qsizetype(soft_.size()),
                             [&](qsizetype i) { return softBreakView(int(i)) < view; }));
}

int DisplayMap::softBreakAtView(qsizetype view) const {
    const int i = softBreakFrom(view);
    return i < softBreakCount() && softBreakView(i) == view ? i : -1;
}

void DisplayMap::forgetMended() { mended_.assign(mended_.size(), false); }

std::vector<DisplayMap::ViewEdit> DisplayMap::moveSoftBreak(int i, qsizetype by) {
    std::vector<ViewEdit> edits;
    edits.push_back({softBreakView(i), 1, QString()});
    soft_.set(i, soft_.at(i) + by);
    // Counted without the separator itself, as the view then stands.
    edits.push_back({softBreakView(i), 0, QString(DisplayText::kLineBreak)});
    return edits;
}

DisplayMap::ViewEdit DisplayMap::removeSoftBreak(int i) {
    const ViewEdit edit{softBreakView(i), 1, QString()};
    const qsizetype pos = soft_.at(i);
    soft_.erase(i, i + 1);
    mended_.erase(mended_.begin() + i);
    // The joined piece ends where the piece after the break ended.
    if (i < soft_.size()) {
        const qsizetype line = lines_.lowerBound(pos);
        if (line == lines_.size() || lines_.at(line) >= soft_.at(i))
            mended_[std::size_t(i)] = false;
    }
    return edit;
}

qsizetype DisplayMap::pieceStart(qsizetype pos) const {
    const qsizetype lines = linesEndingBy(pos);
    const qsizetype lineStart = lines > 0 ? lines_.at(lines - 1) + extra_ + 1 : 0;
    const qsizetype soft = softUpTo(pos);
    return std::max(lineStart, soft > 0 ? soft_.at(soft - 1) : 0);
}

qsizetype DisplayMap::pieceEnd(qsizetype start) const {
    const qsizetype line = lines_.lowerBound(start);
    const qsizetype soft = softUpTo(start);
    qsizetype end = line < lines_.size() ? lines_.at(line) : length_;
    if (soft < soft_.size()) end = std::min(end, soft_.at(soft));
    return end;
}

qsizetype DisplayMap::nextPieceStart(qsizetype start) const {
    const qsizetype line = lines_.lowerBound(start);
    const qsizetype soft = softUpTo(start);
    if (soft < soft_.size() && (line == lines_.size() || soft_.at(soft) <= lines_.at(line)))
        return soft_.at(soft);
    return line < lines_.size() ? lines_.at(line) + extra_ + 1 : -1;
}

qsizetype DisplayMap::cutAfter(qsizetype start) const {
    const qsizetype cut = start + piece_;
    return insideShownCharacter(cut) ? cut + 1 : cut;
}

std::vector<qsizetype> DisplayMap::lineBreaks(qsizetype from, qsizetype to) const {
    // Only the range is searched: past it a long line would cost its whole length per key.
    const QStringView part = QStringView(buf_.chars()).mid(from, to - from);
    std::vector<qsizetype> found;
    for (qsizetype lf = part.indexOf(u'\n'); lf >= 0; lf = part.indexOf(u'\n', lf + 1)) {
        if (extra_ == 0) {
            found.push_back(from + lf);
        } else if (lf > 0 && part[lf - 1] == u'\r') {
            found.push_back(from + lf - 1);
        }
    }
    return found;
}

void DisplayMap::joinEmpty(qsizetype from, qsizetype to, std::vector<ViewEdit>& edits) {
    // An empty piece next to a soft break would show as an empty line inside the line; a soft
    // break that an edit left between the halves of a surrogate pair would show them apart.
    for (int i = int(softUpTo(to)) - 1; i >= 0 && soft_.at(i) >= from; --i) {
        const qsizetype pos = soft_.at(i);
        const bool empty = pos == 0 || pos == length_ || lines_.contains(pos) ||
                           lines_.contains(pos - extra_ - 1) || (i > 0 && soft_.at(i - 1) == pos) ||
                           (i + 1 < softBreakCount() && soft_.at(i + 1) == pos);
        if (empty || insideShownCharacter(pos)) edits.push_back(removeSoftBreak(i));
    }
}

void DisplayMap::splitLong(qsizetype from, qsizetype to, std::vector<ViewEdit>& edits) {
    std::vector<qsizetype> starts;
    for (qsizetype start = pieceStart(from); start >= 0 && start <= to;
         start = nextPieceStart(start))
        starts.push_back(start);
    // From the last piece on, and within each from its end on, so that each view position still
    // stands where it was computed.
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
        const qsizetype start = *it;
        const qsizetype end = pieceEnd(start);
        std::vector<qsizetype> cuts;
        for (qsizetype at = start; end - at > splitAt_;) {
            at = cutAfter(at);
            cuts.push_back(at);
        }
        if (cuts.empty()) continue;
        const qsizetype viewStart = toView(start);
        for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut)
            edits.push_back(
                {viewStart + (*cut - start), 0, QString(DisplayText::kLineBreak), false});
        const qsizetype at = softUpTo(start);
        soft_.insert(at, cuts);
        mended_.insert(mended_.begin() + at, cuts.size(), false);
    }
}
