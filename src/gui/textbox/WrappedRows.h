#pragma once

#include <QFont>
#include <QString>
#include <QTextOption>
#include <vector>

// Where the rows of a paragraph start when it is wrapped at a width, laid out as a text box lays
// a paragraph out (the font, the options of its document, the width of each row). A long line
// that the view shows in pieces is read by rows laid out with this from a place where a row
// starts, across the pieces, so that its rows end where the line wraps, between words.
class WrappedRows {
public:
    // The start of each row of text, the first being 0, in order.
    static std::vector<qsizetype> starts(const QString& text, const QFont& font,
                                         const QTextOption& option, qreal width);
};
