#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

// How a text box shows its bytes. A CR LF pair is a line break (a paragraph separator in the
// widget). Every other byte is one character: a control byte other than TAB, a lone CR and a lone
// LF among them, shows as its control picture (U+2400 + byte, DEL as U+2421) so that nothing in
// the text is invisible; the rest is the code page's character.
class DisplayText {
public:
    static constexpr QChar kLineBreak = QChar(char16_t(0x2029));

    // The character shown for byte b when b is not half of a line break.
    static QChar charFor(uchar b);
    // The byte that character c shows, or -1 when c shows no byte.
    static int byteFor(QChar c);
    // Bytes [from, to) of text as shown: each CR LF inside the range as one line break.
    static QString render(const QByteArray& text, qsizetype from, qsizetype to);
    static QString render(const QByteArray& text) { return render(text, 0, text.size()); }
    // The bytes behind shown characters: a line break is CR LF, a character that shows no byte is
    // '?'.
    static QByteArray toBytes(QStringView shown);
    // Text coming from the user (typed, pasted, dropped, from an input method) as it will be
    // shown: every character the code page cannot hold, our control pictures included, becomes
    // '?', so that what the user sees is what will be saved.
    static QString fromUser(QStringView text);
};
