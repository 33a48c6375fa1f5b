#include "CodePageProperties.h"

#include <QStringDecoder>
#include <algorithm>

#include "core/files/CodePage.h"
#include "core/files/DocumentFormat.h"
#include "core/files/Utf8.h"
#include "core/text/DisplayText.h"

namespace {

QString hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.left(64).toHex(' ')) + (bytes.size() > 64 ? "..." : "");
}

QString units(QStringView text) {
    QString out;
    for (const QChar c : text.left(32)) out += QString::number(c.unicode(), 16) + QLatin1Char(' ');
    return out.trimmed() + (text.size() > 32 ? "..." : "");
}

}  // namespace

QString CodePageProperties::checkBytes(const QByteArray& bytes) {
    for (int b = 0; b < 256; ++b) {
        const QChar c = CodePage::toUnicode(uchar(b));
        if (CodePage::fromUnicode(c) != b)
            return QStringLiteral("byte %1 comes back as %2").arg(b).arg(CodePage::fromUnicode(c));
        // The box shows the reserved characters in place of others: no byte may read as one.
        if (DisplayText::isReserved(c))
            return QStringLiteral("byte %1 reads as U+%2, which the box shows in place of others")
                .arg(b)
                .arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    const QString text = CodePage::decode(bytes);
    if (text.size() != bytes.size())
        return QStringLiteral("%1 bytes decode to %2 characters")
            .arg(bytes.size())
            .arg(text.size());
    const QByteArray back = CodePage::encode(text);
    if (back != bytes)
        return QStringLiteral("decode and encode changed [%1] into [%2]")
            .arg(hex(bytes), hex(back));
    const QString shown = DisplayText::render(text, DocumentFormat());
    // A line break is one character of the display, every other byte one character.
    const qsizetype lineBreaks = bytes.count("\r\n");
    if (shown.size() != bytes.size() - lineBreaks)
        return QStringLiteral("[%1] is shown as %2 characters").arg(hex(bytes)).arg(shown.size());
    return QString();
}

QString CodePageProperties::checkText(QStringView text) {
    qsizetype characters = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++characters) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    }
    const QByteArray bytes = CodePage::encode(text);
    if (bytes.size() != characters)
        return QStringLiteral("text of %1 characters [%2] encodes to %3 bytes")
            .arg(characters)
            .arg(units(text))
            .arg(bytes.size());
    if (CodePage::encode(CodePage::decode(bytes)) != bytes)
        return QStringLiteral("the encoding of [%1] does not come back").arg(units(text));
    return QString();
}

QString CodePageProperties::checkDocument(const QByteArray& bytes) {
    QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                      QStringConverter::Flag::ConvertInitialBom);
    const QString qtChars = strict.decode(bytes);
    const bool valid = !strict.hasError();
    const std::optional<QString> chars = Utf8::decode(bytes);
    if (chars.has_value() != valid)
        return QStringLiteral("[%1] is %2 UTF-8 to Qt but not to us")
            .arg(hex(bytes), valid ? "valid" : "invalid");
    if (chars && *chars != qtChars)
        return QStringLiteral("UTF-8 [%1] decodes to [%2], Qt reads [%3]")
            .arg(hex(bytes), units(*chars), units(qtChars));
    if (chars && Utf8::encode(*chars) != bytes)
        return QStringLiteral("UTF-8 [%1] decodes and encodes to [%2]")
            .arg(hex(bytes), hex(Utf8::encode(*chars)));

    bool reserved = false;
    bool high = false;
    if (chars) {
        for (const QChar c : *chars) {
            const char16_t u = c.unicode();
            // The line break, and the pictures of the controls the box shows, TAB's (U+2409)
            // not among them: a TAB shows as itself.
            reserved |= u == 0x2029 || (u >= 0x2400 && u <= 0x241F && u != 0x2409) || u == 0x2421;
        }
    }
    for (const char b : bytes) high |= uchar(b) >= 0x80;
    // CR LF only when both a CR and an LF are there; plain ASCII (and an empty file) is UTF-8
    // only when the session is and the file is LF.
    const bool lf = !(bytes.contains('\r') && bytes.contains('\n'));
    for (const bool session : {false, true}) {
        const DocumentFormat kind = DocumentFormat::detect(bytes, session);
        if (kind.isLf() != lf)
            return QStringLiteral("[%1] opens with the wrong line break").arg(hex(bytes));
        if (kind.isUtf8() != (chars && !reserved && (high || (session && lf))))
            return QStringLiteral("[%1] opens in the wrong encoding (UTF-8 session: %2)")
                .arg(hex(bytes))
                .arg(session);
        // Opened and saved at once: an LF file that ends with its line break stays as it is,
        // any other gets the document's line end.
        const QByteArray tail = kind.lineEndAfter(bytes);
        const QByteArray expected = lf && bytes.endsWith('\n') ? QByteArray()
                                    : lf                       ? QByteArray("\n")
                                                               : QByteArray("\r\n");
        if (tail != expected)
            return QStringLiteral("[%1] saved at once gets [%2] appended")
                .arg(hex(bytes), hex(tail));
    }
    const DocumentFormat format = DocumentFormat::detect(bytes, true);
    const QString text = format.decode(bytes);
    if (format.encode(text) != bytes)
        return QStringLiteral("[%1] opened and saved is [%2]")
            .arg(hex(bytes), hex(format.encode(text)));
    // Every character of the document shows as itself or as a picture of its own: the text
    // holds none of the characters the box shows in place of others.
    if (std::any_of(text.cbegin(), text.cend(), DisplayText::isReserved))
        return QStringLiteral("[%1] opens holding a character the box shows in place of others")
            .arg(hex(bytes));
    return QString();
}

QString CodePageProperties::check(const QByteArray& input) {
    QString problem = checkBytes(input);
    if (problem.isEmpty()) problem = checkDocument(input);
    if (!problem.isEmpty()) return problem;
    QString text(input.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        text[i] = QChar(char16_t(uchar(input[2 * i]) | uchar(input[2 * i + 1]) << 8));
    }
    return checkText(text);
}
