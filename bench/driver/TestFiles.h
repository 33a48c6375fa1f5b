#pragma once

#include <QString>
#include <QtGlobal>

// The text files the benchmarks open: plain 8-bit text of 80-character lines ending in CR LF,
// exactly the size asked for (the last line shorter where the size asks for it). The other kinds
// end their lines in LF alone, and the UTF-8 kind spells some words with accents (2 bytes each),
// so that it opens as a UTF-8 document. Three lines
// before the end stands the word "Pulcinella", which occurs nowhere else in any letter case;
// "Scaramuccia" occurs nowhere at all. The words are drawn from a fixed list with a fixed seed,
// so every run opens the same bytes. A file of one line holds the same words without any line
// break (and without the two marker words).
class TestFiles {
public:
    enum class Kind { CrLf, Lf, Utf8Lf };
    // Writes the file; false when it cannot be written.
    static bool write(const QString& path, qint64 size, Kind kind = Kind::CrLf);
    static bool writeOneLine(const QString& path, qint64 size);
};
