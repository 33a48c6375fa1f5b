#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

#include "files/DocumentFormat.h"

// How a text box shows the characters of its document. The document's line break (CR LF, or LF
// alone, see DocumentFormat) is a line break (a paragraph separator in the widget). Every other
// character is one character: a control character other than TAB, a lone CR and a lone LF among
// them, shows as its control picture (U+2400 + code, DEL as U+2421) so that nothing in the text
// is invisible; the rest shows as itself.
//
// The functions taking bytes work on a document of the default kind (CR LF in the code page).
class DisplayText {
public:
    static constexpr QChar kLineBreak = QChar(char16_t(0x2029));

    // The character shown for byte b of the code page when b is not half of a line break.
    static QChar charFor(uchar b);
    // The character shown for the document character c when c is not part of a line break.
    static QChar shownFor(QChar c);
    // The control character that c is the picture of, or -1 when the box shows no character
    // as c.
    static int controlOf(QChar c);
    // Whether the box shows c in place of other characters: the line break and the control
    // pictures. A document of any kind keeps these for the display and never holds them.
    static bool isReserved(QChar c) { return c == kLineBreak || controlOf(c) >= 0; }
    // The byte that character c shows, or -1 when c shows no byte.
    static int byteFor(QChar c);

    // Characters [from, to) of chars as shown: each line break inside the range as one break.
    static QString render(QStringView chars, qsizetype from, qsizetype to,
                          const DocumentFormat& format);
    static QString render(QStringView chars, const DocumentFormat& format) {
        return render(chars, 0, chars.size(), format);
    }
    // The document characters behind shown characters: a line break is the document's line
    // break; a character the document cannot hold becomes '?'.
    static QString toChars(QStringView shown, const DocumentFormat& format);
    // Text coming from the user (typed, from an input method) as it will be shown: every
    // character the document cannot hold, our control pictures included, becomes '?', so that
    // what the user sees is what will be saved.
    static QString fromUser(QStringView text, const DocumentFormat& format);

    static QString render(const QByteArray& text, qsizetype from, qsizetype to);
    static QString render(const QByteArray& text) { return render(text, 0, text.size()); }
    static QByteArray toBytes(QStringView shown);
    static QString fromUser(QStringView text) { return fromUser(text, DocumentFormat()); }
};
