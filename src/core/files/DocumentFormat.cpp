#include "core/files/DocumentFormat.h"

#include <algorithm>

#include "core/files/CodePage.h"
#include "core/files/Utf8.h"
#include "core/text/DisplayText.h"

DocumentFormat DocumentFormat::detect(const QByteArray& fileBytes, bool utf8Session) {
    const bool lf = !fileBytes.contains('\r') || !fileBytes.contains('\n');
    const bool multiByte =
        std::any_of(fileBytes.cbegin(), fileBytes.cend(), [](char b) { return uchar(b) >= 0x80; });
    bool utf8 = false;
    if (multiByte || (utf8Session && lf)) {
        const std::optional<QString> chars = Utf8::decode(fileBytes);
        utf8 = chars && std::none_of(chars->cbegin(), chars->cend(), DisplayText::isReserved);
    }
    return DocumentFormat(lf ? LineBreak::Lf : LineBreak::CrLf,
                          utf8 ? Encoding::Utf8 : Encoding::CodePage);
}

bool DocumentFormat::sessionIsUtf8() {
    QByteArray locale;
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        locale = qgetenv(name);
        if (!locale.isEmpty()) break;
    }
    // language_TERRITORY.codeset@modifier; the codeset is written UTF-8, utf8, ...
    const qsizetype dot = locale.indexOf('.');
    if (dot < 0) return false;
    QByteArray codeset = locale.mid(dot + 1);
    codeset.truncate(codeset.indexOf('@') < 0 ? codeset.size() : codeset.indexOf('@'));
    codeset = codeset.toLower().replace('-', QByteArray());
    return codeset == "utf8";
}

QString DocumentFormat::decode(const QByteArray& bytes) const {
    if (!isUtf8()) return CodePage::decode(bytes);
    if (std::optional<QString> chars = Utf8::decode(bytes)) return *chars;
    return QString::fromUtf8(bytes);
}

QByteArray DocumentFormat::encode(QStringView chars) const {
    return isUtf8() ? Utf8::encode(chars) : CodePage::encode(chars);
}

QString DocumentFormat::lineBreakChars() const {
    return isLf() ? QStringLiteral("\n") : QStringLiteral("\r\n");
}

QByteArray DocumentFormat::lineEnd() const {
    return isLf() ? QByteArrayLiteral("\n") : QByteArrayLiteral("\r\n");
}

QByteArray DocumentFormat::lineEndAfter(const QByteArray& text) const {
    return isLf() && text.endsWith('\n') ? QByteArray() : lineEnd();
}

QString DocumentFormat::holdable(QStringView text) const {
    if (!isUtf8()) return CodePage::decode(CodePage::encode(text));
    QString out = text.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out[i];
        if (c.isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate() || DisplayText::isReserved(c)) {
            out[i] = QLatin1Char('?');
        }
    }
    return out;
}

QString DocumentFormat::fromForeign(QStringView text) const {
    const QString own = lineBreakChars();
    QString lines;
    lines.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            lines += own;
        } else if (c == QLatin1Char('\n')) {
            lines += own;
        } else {
            lines += c;
        }
    }
    return holdable(lines);
}
