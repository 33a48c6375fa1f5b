#include "TextReference.h"

#include <algorithm>

namespace {

// Windows-1252 from 0x80 to 0x9F, the unassigned bytes as the C1 controls of the same value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string toStd(const QByteArray& b) { return std::string(b.constData(), size_t(b.size())); }

}  // namespace

QByteArray TextReference::selText() const {
    const std::string s = text.substr(size_t(start), size_t(length));
    return QByteArray(s.data(), qsizetype(s.size()));
}

bool TextReference::setText(const QByteArray& t) {
    const bool changed = text != toStd(t);
    text = toStd(t);
    start = 0;
    length = 0;
    return changed;
}

void TextReference::setSelStart(long pos) {
    start = std::clamp(pos, 0L, long(text.size()));
    length = 0;
}

void TextReference::setSelLength(long len) {
    length = std::clamp(len, 0L, long(text.size()) - start);
}

bool TextReference::replaceSelection(const std::string& with) {
    const std::string before = text;
    text = text.substr(0, size_t(start)) + with + text.substr(size_t(start + length));
    start += long(with.size());
    length = 0;
    return text != before;
}

bool TextReference::setSelText(const QByteArray& t) { return replaceSelection(toStd(t)); }

bool TextReference::inLineBreak(long pos) const {
    return pos > 0 && pos < long(text.size()) && text[size_t(pos - 1)] == '\r' &&
           text[size_t(pos)] == '\n';
}

long TextReference::viewStart() const {
    if (!inLineBreak(start)) return start;
    return length == 0 ? start + 1 : start - 1;
}

long TextReference::viewEnd() const {
    const long end = start + length;
    return inLineBreak(end) ? end + 1 : end;
}

void TextReference::snap() {
    const long s = viewStart();
    const long e = viewEnd();
    start = s;
    length = e - s;
}

void TextReference::leaveLineBreak() {
    if (length == 0 && inLineBreak(start)) ++start;
}

bool TextReference::type(const QByteArray& t) {
    snap();
    const bool changed = replaceSelection(toStd(t));
    leaveLineBreak();
    return changed;
}

bool TextReference::enter() { return type("\r\n"); }

bool TextReference::backspace() {
    snap();
    if (length == 0) {
        if (start == 0) return false;
        const long n = start >= 2 && text.compare(size_t(start - 2), 2, "\r\n") == 0 ? 2 : 1;
        start -= n;
        length = n;
    }
    const bool changed = replaceSelection(std::string());
    leaveLineBreak();
    return changed;
}

bool TextReference::deleteForward() {
    snap();
    if (length == 0) {
        if (start == long(text.size())) return false;
        length = text.compare(size_t(start), 2, "\r\n") == 0 ? 2 : 1;
    }
    const bool changed = replaceSelection(std::string());
    leaveLineBreak();
    return changed;
}

void TextReference::left() {
    snap();
    if (length == 0 && start > 0) {
        start -= start >= 2 && text.compare(size_t(start - 2), 2, "\r\n") == 0 ? 2 : 1;
    }
    length = 0;
}

void TextReference::right() {
    snap();
    if (length > 0) {
        start += length;
    } else if (start < long(text.size())) {
        start += text.compare(size_t(start), 2, "\r\n") == 0 ? 2 : 1;
    }
    length = 0;
}

void TextReference::toStart() {
    start = 0;
    length = 0;
}

void TextReference::toEnd() {
    start = long(text.size());
    length = 0;
}

QString TextReference::display(const QByteArray& bytes) {
    QString out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        if (b == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            out += QChar(0x2029);
            ++i;
        } else if (b < 0x20 && b != '\t') {
            out += QChar(char16_t(0x2400 + b));
        } else if (b == 0x7F) {
            out += QChar(0x2421);
        } else if (b >= 0x80 && b < 0xA0) {
            out += QChar(kHigh[b - 0x80]);
        } else {
            out += QChar(char16_t(b));
        }
    }
    return out;
}

long TextReference::viewPosition(long pos) const {
    long view = 0;
    for (long i = 0; i < pos; ++i) {
        if (text[size_t(i)] == '\r' && i + 1 < long(text.size()) && text[size_t(i + 1)] == '\n') {
            ++i;
        }
        ++view;
    }
    return view;
}
