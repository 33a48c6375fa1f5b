#include "TextReference.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Windows-1252 from 0x80 to 0x9F, the unassigned bytes as the C1 controls of the same value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The words of shown text, as the widget finds them within a paragraph: a run of characters that
// are neither spaces (QChar::isSpace) nor separators, or a run of separators.
bool isSeparator(QChar c) { return QStringView(u".,?!@#$:;-<>[](){}=/+%&^*'\"`~|").contains(c); }
bool isWordChar(QChar c) { return !c.isSpace() && !isSeparator(c); }

// The shown line around view position v: from after the line break before it to the one after.
long shownLineStart(const QString& shown, long v) {
    return v == 0 ? 0 : long(shown.lastIndexOf(QChar(0x2029), v - 1) + 1);
}
long shownLineEnd(const QString& shown, long v) {
    const qsizetype end = shown.indexOf(QChar(0x2029), v);
    return long(end < 0 ? shown.size() : end);
}

// From v, past the word there (or the run of separators) within [.., end).
long pastWord(const QString& shown, long v, long end) {
    if (v < end && isSeparator(shown[v])) {
        while (v < end && isSeparator(shown[v])) ++v;
    } else {
        while (v < end && isWordChar(shown[v])) ++v;
    }
    return v;
}

// From v, back over the spaces before it and the word (or run of separators) before them.
long backOverWord(const QString& shown, long v, long start) {
    while (v > start && shown[v - 1].isSpace()) --v;
    if (v > start && isSeparator(shown[v - 1])) {
        while (v > start && isSeparator(shown[v - 1])) --v;
    } else {
        while (v > start && isWordChar(shown[v - 1])) --v;
    }
    return v;
}

}  // namespace

std::u16string TextReference::decode(const QByteArray& b) const {
    std::u16string out;
    if (utf8) {
        const QString s = QString::fromUtf8(b);
        out.assign(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size()));
    } else {
        for (const char c : b) out += char16_t(uchar(c));
    }
    return out;
}

QByteArray TextReference::encode(const std::u16string& t) const {
    if (!utf8) {
        QByteArray out;
        for (const char16_t c : t) out += char(c);
        return out;
    }
    QString s = QString::fromUtf16(t.data(), qsizetype(t.size()));
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (isHigh(s[i].unicode()) && i + 1 < s.size() && isLow(s[i + 1].unicode())) {
            ++i;
        } else if (isHigh(s[i].unicode()) || isLow(s[i].unicode())) {
            s[i] = QChar(0xFFFD);
        }
    }
    return s.toUtf8();
}

QByteArray TextReference::bytes() const { return encode(text); }

QByteArray TextReference::saved() const {
    const QByteArray body = bytes();
    if (lf) return body.endsWith('\n') ? body : body + '\n';
    return body + "\r\n";
}

QByteArray TextReference::selText() const {
    return encode(text.substr(size_t(start), size_t(length)));
}

bool TextReference::setText(const QByteArray& t) {
    const std::u16string now = decode(t);
    const bool changed = text != now;
    text = now;
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

bool TextReference::replaceSelection(const std::u16string& with) {
    const std::u16string before = text;
    text = text.substr(0, size_t(start)) + with + text.substr(size_t(start + length));
    start += long(with.size());
    length = 0;
    return text != before;
}

bool TextReference::setSelText(const QByteArray& t) { return replaceSelection(decode(t)); }

bool TextReference::inLineBreak(long pos) const {
    return !lf && pos > 0 && pos < long(text.size()) && text[size_t(pos - 1)] == u'\r' &&
           text[size_t(pos)] == u'\n';
}

bool TextReference::inShownCharacter(long pos) const {
    return inLineBreak(pos) || (pos > 0 && pos < long(text.size()) &&
                                isHigh(text[size_t(pos - 1)]) && isLow(text[size_t(pos)]));
}

long TextReference::widthAt(long pos) const { return inShownCharacter(pos + 1) ? 2 : 1; }

long TextReference::widthBefore(long pos) const {
    return pos >= 2 && inShownCharacter(pos - 1) ? 2 : 1;
}

long TextReference::viewStart() const {
    if (!inShownCharacter(start)) return start;
    return length == 0 ? start + 1 : start - 1;
}

long TextReference::viewEnd() const {
    const long end = start + length;
    return inShownCharacter(end) ? end + 1 : end;
}

void TextReference::snap() {
    const long s = viewStart();
    const long e = viewEnd();
    start = s;
    length = e - s;
}

void TextReference::leaveLineBreak() {
    if (length == 0 && inShownCharacter(start)) ++start;
}

bool TextReference::type(const QByteArray& t) {
    snap();
    const bool changed = replaceSelection(decode(t));
    leaveLineBreak();
    return changed;
}

bool TextReference::enter() { return type(lf ? "\n" : "\r\n"); }

bool TextReference::backspace() {
    snap();
    if (length == 0) {
        if (start == 0) return false;
        const long n = widthBefore(start);
        start -= n;
        length = n;
    }
    const bool changed = replaceSelection(std::u16string());
    leaveLineBreak();
    return changed;
}

bool TextReference::deleteForward() {
    snap();
    if (length == 0) {
        if (start == long(text.size())) return false;
        length = widthAt(start);
    }
    const bool changed = replaceSelection(std::u16string());
    leaveLineBreak();
    return changed;
}

void TextReference::left() {
    snap();
    if (length == 0 && start > 0) start -= widthBefore(start);
    length = 0;
}

void TextReference::right() {
    snap();
    if (length > 0) {
        start += length;
    } else if (start < long(text.size())) {
        start += widthAt(start);
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

long TextReference::textPosition(long view) const {
    long pos = 0;
    for (long v = 0; v < view; ++v) pos += inLineBreak(pos + 1) ? 2 : 1;
    return pos;
}

void TextReference::selectShown(long from, long to) {
    start = textPosition(from);
    length = textPosition(to) - start;
}

void TextReference::wordRight() {
    const QString s = shown();
    long v = viewPosition(viewEnd());
    const long end = shownLineEnd(s, v);
    if (v == end) {
        v = std::min(v + 1, long(s.size()));
    } else {
        v = pastWord(s, v, end);
        while (v < end && s[v].isSpace()) ++v;
    }
    selectShown(v, v);
}

bool TextReference::deleteWord(bool forward) {
    snap();
    if (length == 0) {
        const long from = start;
        forward ? wordRight() : wordLeft();
        const long to = start;
        start = std::min(from, to);
        length = std::abs(to - from);
    }
    const bool changed = replaceSelection(std::u16string());
    leaveLineBreak();
    return changed;
}

void TextReference::wordLeft() {
    const QString s = shown();
    long v = viewPosition(viewEnd());
    const long start = shownLineStart(s, v);
    v = v == start ? std::max(0L, v - 1) : backOverWord(s, v, start);
    selectShown(v, v);
}

void TextReference::selectWord(long pos) {
    setSelStart(pos);
    const QString s = shown();
    const long v = viewPosition(viewStart());
    const long start = shownLineStart(s, v);
    const long end = shownLineEnd(s, v);
    // At the end of a line that ends in a space or a separator there is no word.
    if (v == end && v > start && !isWordChar(s[v - 1])) return selectShown(v, v);
    const long from = v == start ? v : backOverWord(s, std::min(v + 1, end), start);
    selectShown(from, pastWord(s, from, end));
}

void TextReference::selectLine(long pos) {
    setSelStart(pos);
    const QString s = shown();
    const long v = viewPosition(viewStart());
    selectShown(shownLineStart(s, v), std::min(shownLineEnd(s, v) + 1, long(s.size())));
}

QString TextReference::shown() const {
    QString out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool lineBreak =
            lf ? c == u'\n' : c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n';
        if (lineBreak) {
            out += QChar(0x2029);
            if (!lf) ++i;
        } else if (c < 0x20 && c != u'\t') {
            out += QChar(char16_t(0x2400 + c));
        } else if (c == 0x7F) {
            out += QChar(0x2421);
        } else if (!utf8 && c >= 0x80 && c < 0xA0) {
            out += QChar(kHigh[c - 0x80]);
        } else {
            out += QChar(c);
        }
    }
    return out;
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
        if (inLineBreak(i + 1)) ++i;
        ++view;
    }
    return view;
}
