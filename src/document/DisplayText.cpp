#include "document/DisplayText.h"

#include "files/CodePage.h"

namespace {

constexpr char16_t kPictures = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

}  // namespace

QChar DisplayText::charFor(uchar b) { return shownFor(CodePage::toUnicode(b)); }

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

int DisplayText::byteFor(QChar c) {
    const int control = controlOf(c);
    if (control >= 0) return control;
    if (c == kLineBreak) return -1;
    return CodePage::fromUnicode(c);
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

QString DisplayText::toChars(QStringView shown, const DocumentFormat& format) {
    const QString lineBreak = format.lineBreakChars();
    QString out;
    out.reserve(shown.size());
    for (const QChar c : shown) {
        const int control = controlOf(c);
        if (c == kLineBreak) {
            out += lineBreak;
        } else if (control >= 0) {
            out += QChar(char16_t(control));
        } else {
            out += c;
        }
    }
    return format.holdable(out);
}

QString DisplayText::fromUser(QStringView text, const DocumentFormat& format) {
    return render(format.holdable(text), format);
}

QString DisplayText::render(const QByteArray& text, qsizetype from, qsizetype to) {
    return render(CodePage::decode(text), from, to, DocumentFormat());
}

QByteArray DisplayText::toBytes(QStringView shown) {
    return CodePage::encode(toChars(shown, DocumentFormat()));
}
