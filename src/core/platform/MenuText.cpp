#include "core/platform/MenuText.h"

QString MenuText::escaped(const QString& text) {
    QString caption = text;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString MenuText::unescaped(const QString& caption) {
    // Left to right, each "&&" is one doubled "&"; a lone "&" marks a mnemonic and is dropped.
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&')) {
                text += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        text += caption.at(i);
    }
    return text;
}
