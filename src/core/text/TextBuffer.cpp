#include "core/text/TextBuffer.h"

#include <algorithm>

#include "core/text/DisplayMap.h"

bool TextBuffer::setChars(const QString& text) {
    const bool changed = text_ != text;
    change_ = {0, text_, text};
    text_ = text;
    selStart_ = 0;
    selLength_ = 0;
    return changed;
}

void TextBuffer::setSelStart(qsizetype pos) {
    selStart_ = std::clamp<qsizetype>(pos, 0, text_.size());
    selLength_ = 0;
}

void TextBuffer::setSelLength(qsizetype len) {
    selLength_ = std::clamp<qsizetype>(len, 0, text_.size() - selStart_);
}

bool TextBuffer::setSelChars(const QString& text) {
    const qsizetype start = selStart_;
    const bool changed = replace(start, selLength_, text);
    selStart_ = start + text.size();
    selLength_ = 0;
    return changed;
}

bool TextBuffer::type(const QString& text) {
    snapSelectionToView();
    const bool changed = setSelChars(text);
    caretOutOfShownCharacter();
    return changed;
}

bool TextBuffer::enter() { return type(format_.lineBreakChars()); }

bool TextBuffer::backspace() {
    snapSelectionToView();
    if (selLength_ == 0) {
        if (selStart_ == 0) return false;
        const bool pair = selStart_ >= 2 && insideShownCharacter(selStart_ - 1);
        const qsizetype n = pair ? 2 : 1;
        selStart_ -= n;
        selLength_ = n;
    }
    const bool changed = setSelChars(QString());
    caretOutOfShownCharacter();
    return changed;
}

bool TextBuffer::deleteForward() {
    snapSelectionToView();
    if (selLength_ == 0) {
        if (selStart_ == text_.size()) return false;
        selLength_ = insideShownCharacter(selStart_ + 1) ? 2 : 1;
    }
    const bool changed = setSelChars(QString());
    caretOutOfShownCharacter();
    return changed;
}

bool TextBuffer::insideLineBreak(qsizetype pos) const {
    return DisplayMap::insideLineBreak(text_, format_, pos);
}

bool TextBuffer::insideShownCharacter(qsizetype pos) const {
    return DisplayMap::insideShownCharacter(text_, format_, pos);
}

qsizetype TextBuffer::viewSelStart() const {
    return DisplayMap::shownSelStart(text_, format_, selStart_, selLength_);
}

qsizetype TextBuffer::viewSelEnd() const {
    return DisplayMap::shownSelEnd(text_, format_, selStart_, selLength_);
}

bool TextBuffer::replace(qsizetype pos, qsizetype len, const QString& text) {
    pos = std::clamp<qsizetype>(pos, 0, text_.size());
    len = std::clamp<qsizetype>(len, 0, text_.size() - pos);
    if (QStringView(text_).mid(pos, len) == text) return false;
    change_ = {pos, text_.mid(pos, len), text};
    text_.replace(pos, len, text);
    select(selStart_, selStart_ + selLength_);
    return true;
}

void TextBuffer::select(qsizetype anchor, qsizetype position) {
    anchor = std::clamp<qsizetype>(anchor, 0, text_.size());
    position = std::clamp<qsizetype>(position, 0, text_.size());
    selStart_ = std::min(anchor, position);
    selLength_ = std::max(anchor, position) - selStart_;
}

void TextBuffer::snapSelectionToView() { select(viewSelStart(), viewSelEnd()); }

void TextBuffer::caretOutOfShownCharacter() {
    if (selLength_ == 0 && insideShownCharacter(selStart_)) ++selStart_;
}
