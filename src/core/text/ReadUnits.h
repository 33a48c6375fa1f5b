#pragma once

#include <QStringView>

// The words and sentences of a line of text as a screen reader reads them: the units Qt's text
// boundaries (QTextBoundaryFinder) find in the line, a sentence ending after ". ", "! " or "? "
// and at the line's end. A line of megabytes is read in a window of it around the offset asked
// about; where the window cuts the line, a sentence that reaches the cut ends (or starts) at the
// last (or first) place between words inside the window instead, so that what is read never
// starts or ends inside a word there. The offset always lies inside what is returned, or at its
// end when it is the line's end.
class ReadUnits {
public:
    struct Range {
        qsizetype start = 0;
        qsizetype end = 0;
        bool operator==(const Range& o) const { return start == o.start && end == o.end; }
    };
    // What a window of a line is: its characters, and whether the line goes on before its first
    // character and after its last.
    struct Window {
        QStringView chars;
        bool cutBefore = false;
        bool cutAfter = false;
    };

    // The word (or the run of spaces or punctuation) that holds at. At the line's end it is the
    // word that ends there, empty after a space or punctuation: the word a caret at a line break
    // stands after.
    static Range word(const Window& window, qsizetype at);
    // The sentence that holds at; at the line's end, the one that ends there.
    static Range sentence(const Window& window, qsizetype at);
};
