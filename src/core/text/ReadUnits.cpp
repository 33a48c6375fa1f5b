#include "core/text/ReadUnits.h"

#include <QTextBoundaryFinder>

namespace {

using Range = ReadUnits::Range;

// The unit of the given kind that holds at, or at the end of chars the one that ends there.
Range unitAt(QTextBoundaryFinder::BoundaryType type, QStringView chars, qsizetype at) {
    QTextBoundaryFinder finder(type, chars.constData(), int(chars.size()));
    finder.setPosition(int(at));
    if (at == chars.size()) {
        if (type == QTextBoundaryFinder::Word &&
            !(finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem))
            return {at, at};
        const qsizetype start = finder.toPreviousBoundary();
        return {start < 0 ? 0 : start, at};
    }
    qsizetype start = finder.isAtBoundary() ? at : finder.toPreviousBoundary();
    finder.setPosition(int(at));
    qsizetype end = finder.toNextBoundary();
    if (start < 0) start = 0;
    if (end < 0) end = chars.size();
    return {start, end};
}

bool isSpace(QStringView chars, qsizetype i) { return chars.at(i).isSpace(); }

}  // namespace

Range ReadUnits::word(const Window& window, qsizetype at) {
    return unitAt(QTextBoundaryFinder::Word, window.chars, at);
}

Range ReadUnits::sentence(const Window& window, qsizetype at) {
    const QStringView chars = window.chars;
    Range r = unitAt(QTextBoundaryFinder::Sentence, chars, at);
    // Cut by the window: from the first word that starts in it, up to the last one that ends
    // in it, as long as that keeps at.
    if (r.start == 0 && window.cutBefore) {
        qsizetype i = 1;
        while (i <= at && i < chars.size() && !(isSpace(chars, i - 1) && !isSpace(chars, i))) ++i;
        if (i <= at && i < chars.size()) r.start = i;
    }
    if (r.end == chars.size() && window.cutAfter) {
        qsizetype i = chars.size() - 1;
        while (i > at && !(!isSpace(chars, i - 1) && isSpace(chars, i))) --i;
        if (i > at) r.end = i;
    }
    return r;
}
