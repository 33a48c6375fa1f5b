#pragma once

#include <QByteArray>
#include <QString>

// A document's text as it is laid out on paper: each line end (CR LF, or a lone CR or LF)
// starts a new line (LF); every other character is printed as it is.
class PrintableText {
public:
    static QString from(const QString& chars);
    // The same for the bytes of a document in the code page.
    static QString from(const QByteArray& text);
};
