#include "core/text/DisplayText.h"

namespace {

constexpr char16_t kPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

}  // namespace

QChar DisplayText::shownFor(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x20 && u != '\t') return QChar(char16_t(kPictures + u));
    if (u == 0x7F) return QChar(kDeletePicture);
    return c;
}

int DisplayText::controlOf(QChar c) {
    const char16_t u = c.unicode();
    if (u < kPictures || u > kDeletePicture) return -1;
    const char16_t control = u == kDeletePicture ? 0x7F : char16_t(u - kPictures);
    return shownFor(QChar(control)) == c ? control : -1;
}

QString DisplayText::render(QStringView chars, qsizetype from, qsizetype to,
                            const DocumentFormat& format) {
    QString out(to - from, Qt::Uninitialized);
    QChar* dst = out.data();
    const QChar* src = chars.data();
    const bool lf = format.isLf();
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = src[i];
        if (lf ? c == u'\n' : c == u'\r' && i + 1 < to && src[i + 1] == u'\n') {
            *dst++ = kLineBreak;
            if (!lf) ++i;
        } else {
            *dst++ = shownFor(c);
        }
    }
    out.truncate(dst - out.constData());
    return out;
}
