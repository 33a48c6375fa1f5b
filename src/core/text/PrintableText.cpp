#include "core/text/PrintableText.h"

#include "core/files/CodePage.h"

QString PrintableText::from(const QString& chars) {
    QString text = chars;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString PrintableText::from(const QByteArray& text) { return from(CodePage::decode(text)); }
