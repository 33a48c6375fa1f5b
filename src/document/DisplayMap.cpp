#include "document/DisplayMap.h"

#include <algorithm>

#include "document/DisplayText.h"

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
    lines_.clear();
    soft_.clear();
    indexLineBreaks(0, length_, 0);
    const QString shown = DisplayText::render(chars, buf_.format());
    QString out;
    out.reserve(shown.size() + shown.size() / piece_ + 1);
    qsizetype start = 0;
    for (std::size_t k = 0; k <= lines_.size(); ++k) {
        const qsizetype end = k < lines_.size() ? lines_[k] : length_;
        // Within a line the view shows the text one for one, the line breaks before it as one.
        const qsizetype shift = extra_ * qsizetype(k);
        qsizetype at = start;
        while (end - at > splitAt_) {
            const qsizetype cut = cutAfter(at);
            out += QStringView(shown).mid(at - shift, cut - at);
            out += DisplayText::kLineBreak;
            soft_.push_back({cut, false});
            at = cut;
        }
        out += QStringView(shown).mid(at - shift, end - at);
        if (k < lines_.size()) {
            out += DisplayText::kLineBreak;
            start = end + extra_ + 1;
        }
    }
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
    const auto lo = std::lower_bound(lines_.begin(), lines_.end(), s.from);
    const auto hi = std::lower_bound(lo, lines_.end(), s.oldEnd);
    for (auto it = hi; it != lines_.end(); ++it) *it += delta;
    const std::size_t at = std::size_t(lo - lines_.begin());
    lines_.erase(lo, hi);
    indexLineBreaks(s.from, s.newEnd, at);
    // The view's new text has no soft break: those the span held are gone, at its end included.
    const auto byPos = [](qsizetype p, const Soft& e) { return p < e.pos; };
    const auto softLo = std::upper_bound(soft_.begin(), soft_.end(), s.from, byPos);
    const auto softHi = std::upper_bound(softLo, soft_.end(), s.oldEnd, byPos);
    for (auto it = softHi; it != soft_.end(); ++it) it->pos += delta;
    soft_.erase(softLo, softHi);
    // A piece's text decides where its own last row starts, and the start of the piece after a
    // soft break can decide where the row before the break ends.
    const qsizetype first = pieceStart(s.from);
    const qsizetype next = nextPieceStart(pieceStart(s.newEnd));
    const qsizetype last = next < 0 ? length_ : next;
    for (auto it = std::lower_bound(soft_.begin(), soft_.end(), first,
                                    [](const Soft&e, qsizetype p) { return e.pos < p; });
         it != soft_.end() && it->pos <= last; ++it)
        it->mended = false;
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
    return std::upper_bound(lines_.begin(), lines_.end(), pos - extra_ - 1) - lines_.begin();
}

qsizetype DisplayMap::softUpTo(qsizetype pos) const {
    return std::upper_bound(soft_.begin(), soft_.end(), pos,
                            [](qsizetype p, const Soft& e) { return p < e.pos; }) -
           soft_.begin();
}

qsizetype DisplayMap::toView(qsizetype pos) const {
    pos = std::clamp<qsizetype>(pos, 0, length_);
    return pos - extra_ * linesEndingBy(pos) + softUpTo(pos);
}

qsizetype DisplayMap::toText(qsizetype view) const {
    view = std::clamp<qsizetype>(view, 0, viewLength());
    // The line breaks and soft breaks whose separators stand before view.
    const qsizetype lines = firstNotBelow(qsizetype(lines_.size()), [&](qsizetype i) {
        const qsizetype s = lines_[std::size_t(i)];
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
    const qsizetype lines = firstNotBelow(qsizetype(lines_.size()), [&](qsizetype i) {
        return lines_[std::size_t(i)] - extra_ * i < offset;
    });
    return offset + extra_ * lines;
}

qsizetype DisplayMap::softBreakView(int i) const {
    const qsizetype pos = soft_[std::size_t(i)].pos;
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

void DisplayMap::forgetMended() {
    for (Soft& e : soft_) e.mended = false;
}

std::vector<DisplayMap::ViewEdit> DisplayMap::moveSoftBreak(int i, qsizetype by) {
    std::vector<ViewEdit> edits;
    edits.push_back({softBreakView(i), 1, QString()});
    soft_[std::size_t(i)].pos += by;
    // Counted without the separator itself, as the view then stands.
    edits.push_back({softBreakView(i), 0, QString(DisplayText::kLineBreak)});
    return edits;
}

DisplayMap::ViewEdit DisplayMap::removeSoftBreak(int i) {
    const ViewEdit edit{softBreakView(i), 1, QString()};
    const qsizetype pos = soft_[std::size_t(i)].pos;
    soft_.erase(soft_.begin() + i);
    // The joined piece ends where the piece after the break ended.
    if (std::size_t(i) < soft_.size()) {
        const auto line = std::lower_bound(lines_.begin(), lines_.end(), pos);
        if (line == lines_.end() || *line >= soft_[std::size_t(i)].pos)
            soft_[std::size_t(i)].mended = false;
    }
    return edit;
}

qsizetype DisplayMap::pieceStart(qsizetype pos) const {
    const qsizetype lines = linesEndingBy(pos);
    const qsizetype lineStart = lines > 0 ? lines_[std::size_t(lines - 1)] + extra_ + 1 : 0;
    const qsizetype soft = softUpTo(pos);
    return std::max(lineStart, soft > 0 ? soft_[std::size_t(soft - 1)].pos : 0);
}

qsizetype DisplayMap::pieceEnd(qsizetype start) const {
    const auto line = std::lower_bound(lines_.begin(), lines_.end(), start);
    const qsizetype soft = softUpTo(start);
    qsizetype end = line != lines_.end() ? *line : length_;
    if (soft < softBreakCount()) end = std::min(end, soft_[std::size_t(soft)].pos);
    return end;
}

qsizetype DisplayMap::nextPieceStart(qsizetype start) const {
    const auto line = std::lower_bound(lines_.begin(), lines_.end(), start);
    const qsizetype soft = softUpTo(start);
    if (soft < softBreakCount() && (line == lines_.end() || soft_[std::size_t(soft)].pos <= *line))
        return soft_[std::size_t(soft)].pos;
    return line != lines_.end() ? *line + extra_ + 1 : -1;
}

qsizetype DisplayMap::cutAfter(qsizetype start) const {
    const qsizetype cut = start + piece_;
    return insideShownCharacter(cut) ? cut + 1 : cut;
}

void DisplayMap::indexLineBreaks(qsizetype from, qsizetype to, std::size_t at) {
    const QStringView chars(buf_.chars());
    std::vector<qsizetype> found;
    for (qsizetype lf = chars.indexOf(u'\n', from); lf >= 0 && lf < to;
         lf = chars.indexOf(u'\n', lf + 1)) {
        if (extra_ == 0) {
            found.push_back(lf);
        } else if (lf > from && chars[lf - 1] == u'\r') {
            found.push_back(lf - 1);
        }
    }
    lines_.insert(lines_.begin() + qsizetype(at), found.begin(), found.end());
}

void DisplayMap::joinEmpty(qsizetype from, qsizetype to, std::vector<ViewEdit>& edits) {
    // An empty piece next to a soft break would show as an empty line inside the line; a soft
    // break that an edit left between the halves of a surrogate pair would show them apart.
    const auto lineAt = [this](qsizetype p) {
        return std::binary_search(lines_.begin(), lines_.end(), p);
    };
    for (int i = int(softUpTo(to)) - 1; i >= 0 && soft_[std::size_t(i)].pos >= from; --i) {
        const qsizetype pos = soft_[std::size_t(i)].pos;
        const bool empty = pos == 0 || pos == length_ || lineAt(pos) || lineAt(pos - extra_ - 1) ||
                           (i > 0 && soft_[std::size_t(i) - 1].pos == pos) ||
                           (i + 1 < softBreakCount() && soft_[std::size_t(i) + 1].pos == pos);
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
        std::vector<Soft> cuts;
        for (qsizetype at = start; end - at > splitAt_;) {
            at = cutAfter(at);
            cuts.push_back({at, false});
        }
        if (cuts.empty()) continue;
        const qsizetype viewStart = toView(start);
        for (auto cut = cuts.rbegin(); cut != cuts.rend(); ++cut)
            edits.push_back(
                {viewStart + (cut->pos - start), 0, QString(DisplayText::kLineBreak), false});
        soft_.insert(soft_.begin() + softUpTo(start), cuts.begin(), cuts.end());
    }
}
