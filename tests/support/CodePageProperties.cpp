#include "CodePageProperties.h"

#include "document/DisplayText.h"
#include "files/CodePage.h"

namespace {

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.left(64).toHex(' ')) + (bytes.size() > 64 ? "..." : "");
}

QString units(QStringView text)
{
    QString out;
    for (const QChar c : text.left(32)) out += QString::number(c.unicode(), 16) + QLatin1Char(' ');
    return out.trimmed() + (text.size() > 32 ? "..." : "");
}

}  // namespace

QString CodePageProperties::checkBytes(const QByteArray& bytes)
{
    for (int b = 0; b < 256; ++b) {
        const QChar c = CodePage::toUnicode(uchar(b));
        if (CodePage::fromUnicode(c) != b)
            return QStringLiteral("byte %1 comes back as %2").arg(b).arg(CodePage::fromUnicode(c));
        if (DisplayText::byteFor(DisplayText::charFor(uchar(b))) != b)
            return QStringLiteral("byte %1 is shown as a character that reads back as %2")
                .arg(b)
                .arg(DisplayText::byteFor(DisplayText::charFor(uchar(b))));
    }
    const QString text = CodePage::decode(bytes);
    if (text.size() != bytes.size())
        return QStringLiteral("%1 bytes decode to %2 characters").arg(bytes.size()).arg(text.size());
    const QByteArray back = CodePage::encode(text);
    if (back != bytes)
        return QStringLiteral("decode and encode changed [%1] into [%2]").arg(hex(bytes), hex(back));
    const QString shown = DisplayText::render(bytes);
    const QByteArray read = DisplayText::toBytes(shown);
    if (read != bytes)
        return QStringLiteral("[%1] shown and read back is [%2]").arg(hex(bytes), hex(read));
    // A line break is one character of the display, every other byte one character.
    const qsizetype lineBreaks = bytes.count("\r\n");
    if (shown.size() != bytes.size() - lineBreaks)
        return QStringLiteral("[%1] is shown as %2 characters").arg(hex(bytes)).arg(shown.size());
    return QString();
}

QString CodePageProperties::checkText(QStringView text)
{
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
    const QString shown = DisplayText::fromUser(text);
    const QByteArray saved = DisplayText::toBytes(shown);
    if (saved != bytes)
        return QStringLiteral("[%1] from the user shows as [%2], saved as [%3] instead of [%4]")
            .arg(units(text), units(shown), hex(saved), hex(bytes));
    return QString();
}

QString CodePageProperties::check(const QByteArray& input)
{
    const QString problem = checkBytes(input);
    if (!problem.isEmpty()) return problem;
    QString text(input.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        text[i] = QChar(char16_t(uchar(input[2 * i]) | uchar(input[2 * i + 1]) << 8));
    }
    return checkText(text);
}
