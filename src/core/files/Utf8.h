#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

// Strict UTF-8 as files hold it: the shortest form of each character, nothing above U+10FFFF and
// no encoded surrogates. Decoding and encoding again gives back every byte of a valid file, a
// byte-order mark included (it stays in the text as the character U+FEFF).
class Utf8 {
public:
    // The characters of bytes, or nothing when bytes are not valid UTF-8 (a stray continuation
    // byte, a sequence cut short, an overlong form, an encoded surrogate, a value past U+10FFFF).
    static std::optional<QString> decode(const QByteArray& bytes);
    // The UTF-8 form of text. A lone half of a surrogate pair is no character and is written as
    // U+FFFD, so that the output is always valid UTF-8.
    static QByteArray encode(QStringView text);
};
