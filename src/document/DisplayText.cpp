#include "document/DisplayText.h"

#include "files/CodePage.h"

namespace {

constexpr char16_t kPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

}  // namespace

QChar DisplayText::charFor(uchar b) {
    if (b < 0x20 && b != '\t') return QChar(char16_t(kPictures + b));
    if (b == 0x7F) return QChar(kDeletePicture);
    return CodePage::toUnicode(b);
}

int DisplayText::byteFor(QChar c) {
    const char16_t u = c.unicode();
    if (u >= kPictures && u < kPictures + 0x20 && u != kPictures + '\t') return u - kPictures;
    if (u == kDeletePicture) return 0x7F;
    if (c == kLineBreak) return -1;
    return CodePage::fromUnicode(c);
}

QString DisplayText::render(const QByteArray& text, qsizetype from, qsizetype to) {
    QString out(to - from, Qt::Uninitialized);
    QChar* dst = out.data();
    const char* src = text.constData();
    for (qsizetype i = from; i < to; ++i) {
        if (src[i] == '\r' && i + 1 < to && src[i + 1] == '\n') {
            *dst++ = kLineBreak;
            ++i;
        } else {
            *dst++ = charFor(uchar(src[i]));
        }
    }
    out.truncate(dst - out.constData());
    return out;
}

QByteArray DisplayText::toBytes(QStringView shown) {
    QByteArray out;
    out.reserve(shown.size());
    for (const QChar c : shown) {
        if (c == kLineBreak) {
            out.append("\r\n", 2);
        } else {
            const int b = byteFor(c);
            out.append(b < 0 ? '?' : char(b));
        }
    }
    return out;
}

QString DisplayText::fromUser(QStringView text) { return render(CodePage::encode(text)); }
