#pragma once

#include <functional>
#include <vector>

#include "core/text/DisplayMap.h"

class QTextDocument;

// Where the soft breaks of a text box's view stand in its layout.
//
// The widget lays a paragraph out whole, for a change of one character as for the first paint, so
// a line of megabytes would cost its whole length on every key. The view therefore shows a long
// line as several paragraphs (the pieces DisplayMap keeps), joined by soft breaks. A soft break
// shows nothing when it stands where the line wraps anyway: right before the first character of a
// line of the wrapped paragraph. It is put there lazily ("mended"), only where the user can see
// it: a soft break that is not yet mended may leave the line above it short, below the viewport,
// until it scrolls into view.
//
// The breaks are the map's, kept as positions of the text; this class only reads the layout and
// moves them through the map, handing the map's edits of the view to the one writer of the view.
class SoftBreaks {
public:
    using Writer = std::function<void(const std::vector<DisplayMap::ViewEdit>&)>;

    SoftBreaks(QTextDocument* doc, DisplayMap& map, Writer write);

    // The width or the font of the view changed: every soft break has to be mended again.
    void widthChanged();
    // Mends the soft breaks of the blocks first..last (numbers), from the top: each is moved to
    // the start of the last line of the paragraph before it, which then ends where the line
    // wraps anyway; after a paragraph of one line, to where that line wraps in the paragraph
    // after, or taken out when the paragraph after fits in the line. Returns whether the document
    // changed. The view must have laid the blocks out at its width.
    bool mend(int first, int last);

private:
    QTextDocument* doc_;
    DisplayMap& map_;
    Writer write_;
};
