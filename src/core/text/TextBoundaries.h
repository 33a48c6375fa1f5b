#pragma once

#include <QString>
#include <QStringView>

#include "core/files/DocumentFormat.h"

// Where the words and lines of a document's text begin and end, for the keys and clicks that move
// or select by word or by line. A line runs from one line break of the document to the next. The
// words are those the text box's widget finds within a paragraph, found over the whole line, so
// that a long line shown as several paragraphs has the words and the line of the text: a word is
// a run of characters that are neither spaces nor word separators (. , ? ! @ # $ : ; - < > [ ] ( )
// { } = / + % & ^ * ' " ` ~ |), or a run of word separators; spaces are the characters
// QChar::isSpace takes, TAB among them. Each character counts as what the box shows for it, so a
// lone CR or LF (shown as a picture) is part of a word.
//
// Positions count the text's characters and must not lie inside a line break. The word searches
// read only the characters they pass over, with no layout: a key in a line of megabytes costs the
// length of a word.
class TextBoundaries {
public:
    TextBoundaries(QStringView chars, const DocumentFormat& format);

    struct Range {
        qsizetype start = 0;
        qsizetype end = 0;
    };

    // The start of the line that holds pos, and its end (before its line break).
    qsizetype lineStart(qsizetype pos) const;
    qsizetype lineEnd(qsizetype pos) const;
    // Ctrl+Right: past the word at pos and the spaces after it; at the end of a line, past its
    // line break.
    qsizetype nextWord(qsizetype pos) const;
    // Ctrl+Left: back over the spaces before pos and the word before them; at the start of a
    // line, back over the line break before it.
    qsizetype previousWord(qsizetype pos) const;
    // A double-click at pos: the word (or run of separators) that holds the character at pos,
    // or, when that is a space, the one before the spaces. Empty at the end of a line whose last
    // character is a space or a separator.
    Range wordAt(qsizetype pos) const;
    // A triple-click at pos: its line with its line break.
    Range lineAt(qsizetype pos) const;

private:
    bool isSpace(qsizetype pos) const;
    bool isSeparator(qsizetype pos) const;
    bool isWordChar(qsizetype pos) const;
    // Whether a character of the line stands at pos, and before pos: neither the end of the
    // text nor a line break.
    bool inLine(qsizetype pos) const;
    bool inLineBefore(qsizetype pos) const;
    // Within the line: past the word (or the run of separators) at pos, and back over the
    // spaces before pos and the word before them.
    qsizetype wordEndFrom(qsizetype pos) const;
    qsizetype wordStartBefore(qsizetype pos) const;

    QStringView chars_;
    QString lineBreak_;
};
