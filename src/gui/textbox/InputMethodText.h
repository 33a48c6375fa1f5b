#pragma once

#include <QVariant>

class TextBox;

// What an input method reads of a text box: the text's own characters, counted as the box counts
// them, never the widget's view (a piece of a long line, control pictures, soft breaks). The
// surrounding text is the caret's line, at most kReach characters either side of the caret; the
// cursor and anchor are counted in it, and the input method's delete-surrounding ranges, which
// the box applies in the same characters, agree with it.
class InputMethodText {
public:
    static constexpr qsizetype kReach = 1024;

    // The answer to query for box, or an invalid QVariant for a query about the view (where the
    // caret shows, fonts, hints), which the widget answers.
    static QVariant query(const TextBox& box, Qt::InputMethodQuery query, const QVariant& argument);
};
