#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class TextBox;
class TextReference;

// Runs a script (any byte string, in the language of TextScript) on a real text box and on
// TextReference, side by side: set the text, set SelStart and SelLength, write SelText, type
// characters (those beyond ASCII in turn as an input method's commit and as a screen reader's
// edit), Enter, Backspace, Delete, the caret keys and Ctrl+Left and Ctrl+Right, the keys going in
// as key events, double- and triple-click, and set one long line or SelStart anywhere in it.
// After every step the box's text and selection must be the reference's, the widget and a screen
// reader must show exactly the reference's text with the selection at the same place, no change
// of the widget's document may come from anything but the box, and the box must have raised its
// change notification exactly when the text changed. Needs a QApplication.
class TextBoxScript {
public:
    // An empty string when the two agreed throughout, otherwise the first disagreement and the
    // steps that led to it.
    static QString run(const QByteArray& script);
    // What the box holds after each step of script, one line a step: the step, the bytes, the
    // selection, how often the change notification came and the undo and redo depths. Two
    // builds of the box replay a script alike when their traces are equal.
    static QStringList trace(const QByteArray& script);

    // A double-click (clicks 2) or a triple-click (3) where the caret at pos shows. Returns the
    // position the click lands on: pos, or another one shown at the same place.
    static int clickAt(TextBox& box, int pos, int clicks);

    // What the widget of box shows, block by block: a line break as U+2029, a soft break (the
    // box shows a long line as several paragraphs) left out.
    static QString shownText(const TextBox& box);
    // An empty string when the widget of box and a screen reader show exactly ref's text, with
    // the selection at the same place, and its document never reported a change the box did not
    // make; otherwise what differs.
    static QString viewMismatch(const TextBox& box, const TextReference& ref);
};
