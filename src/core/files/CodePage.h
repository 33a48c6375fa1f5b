#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringView>

// The single-byte code page of the program's text files: Windows-1252, with its five unassigned
// bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) taken as the C1 control characters of the same value.
// Every byte 0-255 therefore stands for exactly one character and comes back unchanged, so a
// file read and written again keeps all its bytes.
class CodePage {
public:
    // The character that byte b stands for.
    static QChar toUnicode(uchar b);
    // The byte that stands for c, or -1 when the code page has no byte for c.
    static int fromUnicode(QChar c);
    // One character per byte.
    static QString decode(const QByteArray& bytes);
    // One byte per character; a character the code page cannot hold becomes '?', and so does a
    // character outside the Basic Multilingual Plane (one '?' for its surrogate pair).
    static QByteArray encode(QStringView text);
    // The simple upper-case form of byte b's character (QChar::toUpper: one character to one
    // character, never a longer string), as a UTF-16 code unit that need not be in the code page.
    static char16_t upper(uchar b);
};
