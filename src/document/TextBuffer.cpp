#include "document/TextBuffer.h"

#include <algorithm>

QByteArray TextBuffer::selText() const { return text_.mid(selStart_, selLength_); }

bool TextBuffer::setText(const QByteArray& text) {
    const bool changed = text_ != text;
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

bool TextBuffer::setSelText(const QByteArray& text) {
    const qsizetype start = selStart_;
    const bool changed = replace(start, selLength_, text);
    selStart_ = start + text.size();
    selLength_ = 0;
    return changed;
}

bool TextBuffer::type(const QByteArray& bytes) {
    snapSelectionToView();
    const bool changed = setSelText(bytes);
    caretOutOfLineBreak();
    return changed;
}

bool TextBuffer::enter() { return type(QByteArrayLiteral("\r\n")); }

bool TextBuffer::backspace() {
    snapSelectionToView();
    if (selLength_ == 0) {
        if (selStart_ == 0) return false;
        const bool afterLineBreak =
            selStart_ >= 2 && text_.at(selStart_ - 2) == '\r' && text_.at(selStart_ - 1) == '\n';
        const qsizetype n = afterLineBreak ? 2 : 1;
        selStart_ -= n;
        selLength_ = n;
    }
    const bool changed = setSelText(QByteArray());
    caretOutOfLineBreak();
    return changed;
}

bool TextBuffer::insideLineBreak(qsizetype pos) const {
    return pos > 0 && pos < text_.size() && text_.at(pos - 1) == '\r' && text_.at(pos) == '\n';
}

qsizetype TextBuffer::viewSelStart() const {
    if (insideLineBreak(selStart_)) return selLength_ == 0 ? selStart_ + 1 : selStart_ - 1;
    return selStart_;
}

qsizetype TextBuffer::viewSelEnd() const {
    const qsizetype end = selStart_ + selLength_;
    return insideLineBreak(end) ? end + 1 : end;
}

bool TextBuffer::replace(qsizetype pos, qsizetype len, const QByteArray& bytes) {
    pos = std::clamp<qsizetype>(pos, 0, text_.size());
    len = std::clamp<qsizetype>(len, 0, text_.size() - pos);
    const bool same =
        len == bytes.size() && std::equal(bytes.cbegin(), bytes.cend(), text_.cbegin() + pos);
    if (same) return false;
    text_.replace(pos, len, bytes);
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

void TextBuffer::caretOutOfLineBreak() {
    if (selLength_ == 0 && insideLineBreak(selStart_)) ++selStart_;
}
