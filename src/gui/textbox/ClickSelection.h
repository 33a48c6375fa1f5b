#pragma once

#include <QPointF>
#include <QTimer>

#include "core/text/TextBoundaries.h"

class QMouseEvent;
class QPoint;
class TextBox;

// What the mouse selects in a text box beyond the widget's own clicks: a double-click selects the
// word of the text, a triple-click its line, and a drag that follows either, or a Shift+click
// after it, extends the selection by whole words or lines; a long line's pieces play no part in
// it. The widget handles each click first.
class ClickSelection {
public:
    explicit ClickSelection(TextBox& box);

    void press(QMouseEvent* e);
    void doubleClick(QMouseEvent* e);
    void move(QMouseEvent* e);
    void release(QMouseEvent* e);
    // The text changed: a Shift+click no longer extends what was clicked.
    void textChanged() { unit_ = Unit::None; }

private:
    // Takes in whole words or lines up to point, of the viewport.
    void extendTo(const QPoint& point);
    TextBoundaries boundaries() const;

    TextBox& box_;
    // What the mouse button held down selects by since a double- or triple-click, and what that
    // click selected. A click near the last double-click while tripleClick_ runs is a
    // triple-click, by the widget's own measure.
    enum class Unit { None, Word, Line };
    Unit unit_ = Unit::None;
    TextBoundaries::Range clicked_;
    QTimer tripleClick_;
    QPointF doubleClickAt_;
};
