#pragma once

#include <QByteArray>

// Reads a byte string made up by a fuzzer as a sequence of small values: operation codes,
// positions and bits of text. Past the end every value reads as 0, so any input is a script.
class ScriptReader {
public:
    explicit ScriptReader(const QByteArray& script) : m_script(script) {}

    bool atEnd() const { return m_pos >= m_script.size(); }
    quint8 byte() { return atEnd() ? 0 : quint8(m_script.at(m_pos++)); }
    // A position or length, from -8 to 247: a few values out of range, most of them inside a
    // short text.
    int position() { return int(byte()) - 8; }
    // Up to maxLength bytes of text, drawn mostly from the bytes that make line breaks, so that
    // CR, LF and CR LF meet each other often.
    QByteArray text(int maxLength);
    // Operation codes from kLongLineOps up stand for the long-line operations, which read a long
    // line or a far position; the codes below keep their meaning.
    static constexpr quint8 kLongLineOps = 240;
    // A line of 4,096 to 20,416 characters without a line break (words and spaces, as minified
    // data or a log without line ends have them), with a bit of text() at either end, so that
    // line breaks can form at its edges.
    QByteArray longLine();
    // A position or length from -8 to 65,527: anywhere in a long line.
    int farPosition() {
        const int high = byte();
        return high * 256 + int(byte()) - 8;
    }

private:
    const QByteArray m_script;
    qsizetype m_pos = 0;
};
