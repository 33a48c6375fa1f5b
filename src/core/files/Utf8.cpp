#include "core/files/Utf8.h"

std::optional<QString> Utf8::decode(const QByteArray& bytes) {
    const auto* s = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    qsizetype i = 0;
    while (i < n) {
        const uchar b = s[i];
        if (b < 0x80) {
            out.append(QChar(char16_t(b)));
            ++i;
            continue;
        }
        int more = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            c = b & 0x1F;
            least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            c = b & 0x0F;
            least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            c = b & 0x07;
            least = 0x10000;
        } else {
            return std::nullopt;  // a continuation byte, C0, C1 or F5-FF as a first byte
        }
        if (n - i <= more) return std::nullopt;
        for (int k = 1; k <= more; ++k) {
            const uchar t = s[i + k];
            if ((t & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (t & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        if (c >= 0x10000) {
            const char32_t v = c - 0x10000;
            out.append(QChar(char16_t(0xD800 + (v >> 10))));
            out.append(QChar(char16_t(0xDC00 + (v & 0x3FF))));
        } else {
            out.append(QChar(char16_t(c)));
        }
        i += more + 1;
    }
    return out;
}

QByteArray Utf8::encode(QStringView text) {
    QByteArray out(text.size() * 3, Qt::Uninitialized);
    auto* dst = reinterpret_cast<uchar*>(out.data());
    const auto* start = dst;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            *dst++ = uchar(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[i + 1].unicode());
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        // A pair of code units becomes four bytes, never more than three a unit.
        if (c < 0x800) {
            *dst++ = uchar(0xC0 | (c >> 6));
            *dst++ = uchar(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *dst++ = uchar(0xE0 | (c >> 12));
            *dst++ = uchar(0x80 | ((c >> 6) & 0x3F));
            *dst++ = uchar(0x80 | (c & 0x3F));
        } else {
            *dst++ = uchar(0xF0 | (c >> 18));
            *dst++ = uchar(0x80 | ((c >> 12) & 0x3F));
            *dst++ = uchar(0x80 | ((c >> 6) & 0x3F));
            *dst++ = uchar(0x80 | (c & 0x3F));
        }
    }
    out.truncate(dst - start);
    return out;
}
