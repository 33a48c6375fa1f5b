#include "core/text/TextBoundaries.h"

#include <algorithm>

#include "core/text/DisplayText.h"

namespace {

constexpr QStringView kSeparators = u".,?!@#$:;-<>[](){}=/+%&^*'\"`~|";

// Letters and digits, most of any text, are told apart without a look at the list.
bool isSeparatorChar(QChar c) {
    return c.unicode() < 0x80 && !c.isLetterOrNumber() && kSeparators.contains(c);
}

}  // namespace

TextBoundaries::TextBoundaries(QStringView chars, const DocumentFormat& format)
    : chars_(chars), lineBreak_(format.lineBreakChars()) {}

bool TextBoundaries::isSpace(qsizetype pos) const {
    return DisplayText::shownFor(chars_.at(pos)).isSpace();
}

bool TextBoundaries::isSeparator(qsizetype pos) const { return isSeparatorChar(chars_.at(pos)); }

bool TextBoundaries::isWordChar(qsizetype pos) const { return !isSpace(pos) && !isSeparator(pos); }

bool TextBoundaries::inLine(qsizetype pos) const {
    return pos < chars_.size() && !chars_.mid(pos).startsWith(lineBreak_);
}

bool TextBoundaries::inLineBefore(qsizetype pos) const {
    return pos > 0 && !chars_.left(pos).endsWith(lineBreak_);
}

qsizetype TextBoundaries::lineStart(qsizetype pos) const {
    const qsizetype found = pos > 0 ? chars_.lastIndexOf(lineBreak_, pos - 1) : -1;
    return found < 0 ? 0 : found + lineBreak_.size();
}

qsizetype TextBoundaries::lineEnd(qsizetype pos) const {
    const qsizetype found = chars_.indexOf(lineBreak_, pos);
    return found < 0 ? chars_.size() : found;
}

qsizetype TextBoundaries::wordEndFrom(qsizetype pos) const {
    if (inLine(pos) && isSeparator(pos)) {
        while (inLine(pos) && isSeparator(pos)) ++pos;
    } else {
        while (inLine(pos) && isWordChar(pos)) ++pos;
    }
    return pos;
}

qsizetype TextBoundaries::wordStartBefore(qsizetype pos) const {
    while (inLineBefore(pos) && isSpace(pos - 1)) --pos;
    if (inLineBefore(pos) && isSeparator(pos - 1)) {
        while (inLineBefore(pos) && isSeparator(pos - 1)) --pos;
    } else {
        while (inLineBefore(pos) && isWordChar(pos - 1)) --pos;
    }
    return pos;
}

qsizetype TextBoundaries::nextWord(qsizetype pos) const {
    if (!inLine(pos)) return std::min(chars_.size(), pos + lineBreak_.size());
    pos = wordEndFrom(pos);
    while (inLine(pos) && isSpace(pos)) ++pos;
    return pos;
}

qsizetype TextBoundaries::previousWord(qsizetype pos) const {
    if (!inLineBefore(pos)) return std::max<qsizetype>(0, pos - lineBreak_.size());
    return wordStartBefore(pos);
}

TextBoundaries::Range TextBoundaries::wordAt(qsizetype pos) const {
    // After spaces or separators that end the line there is no word to take.
    if (!inLine(pos) && inLineBefore(pos) && !isWordChar(pos - 1)) return {pos, pos};
    // The word that holds the character at pos, or ends right before it.
    const qsizetype from = !inLineBefore(pos) ? pos : wordStartBefore(inLine(pos) ? pos + 1 : pos);
    return {from, wordEndFrom(from)};
}

TextBoundaries::Range TextBoundaries::lineAt(qsizetype pos) const {
    const qsizetype end = lineEnd(pos);
    return {lineStart(pos), std::min(chars_.size(), end + lineBreak_.size())};
}
