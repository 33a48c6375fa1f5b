#include "core/files/CodePage.h"

namespace {

// Characters of the bytes 0x80-0x9F; the rest of the code page is Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

QChar CodePage::toUnicode(uchar b) {
    if (b >= 0x80 && b <= 0x9F) return QChar(kHighControls[b - 0x80]);
    return QChar(char16_t(b));
}

int CodePage::fromUnicode(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == u) return 0x80 + i;
    }
    return -1;
}

QString CodePage::decode(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* dst = out.data();
    for (const char ch : bytes) *dst++ = toUnicode(uchar(ch));
    return out;
}

QByteArray CodePage::encode(QStringView text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        // Most characters are their own byte; only the rest needs the table.
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *dst++ = char(u);
            continue;
        }
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            *dst++ = '?';
            ++i;
            continue;
        }
        const int b = fromUnicode(QChar(u));
        *dst++ = b < 0 ? '?' : char(b);
    }
    out.truncate(dst - out.constData());
    return out;
}

char16_t CodePage::upper(uchar b) { return toUnicode(b).toUpper().unicode(); }
