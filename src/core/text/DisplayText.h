#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

#include "core/files/DocumentFormat.h"

// How a text box shows the characters of its document. The document's line break (CR LF, or LF
// alone, see DocumentFormat) is a line break (a paragraph separator in the widget). Every other
// character is one character: a control character other than TAB, a lone CR and a lone LF among
// them, shows as its control picture (U+2400 + code, DEL as U+2421) so that nothing in the text
// is invisible; the rest shows as itself.
class DisplayText {
public:
    static constexpr QChar kLineBreak = QChar(char16_t(0x2029));

    // The character shown for the document character c when c is not part of a line break.
    static QChar shownFor(QChar c);
    // The control character that c is the picture of, or -1 when the box shows no character
    // as c.
    static int controlOf(QChar c);
    // Whether the box shows c in place of other characters: the line break and the control
    // pictures. A document of any kind keeps these for the display and never holds them.
    static bool isReserved(QChar c) { return c == kLineBreak || controlOf(c) >= 0; }

    // Characters [from, to) of chars as shown: each line break inside the range as one break.
    static QString render(QStringView chars, qsizetype from, qsizetype to,
                          const DocumentFormat& format);
    static QString render(QStringView chars, const DocumentFormat& format) {
        return render(chars, 0, chars.size(), format);
    }
};
