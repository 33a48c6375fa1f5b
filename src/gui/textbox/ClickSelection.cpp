#include "gui/textbox/ClickSelection.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QScrollBar>

#include "gui/textbox/TextBox.h"

ClickSelection::ClickSelection(TextBox& box) : box_(box) { tripleClick_.setSingleShot(true); }

TextBoundaries ClickSelection::boundaries() const {
    return TextBoundaries(box_.chars(), box_.format());
}

void ClickSelection::press(QMouseEvent* e) {
    const bool left = e->button() == Qt::LeftButton;
    const bool triple = left && tripleClick_.isActive() &&
                        (e->position() - doubleClickAt_).toPoint().manhattanLength() <
                            QApplication::startDragDistance();
    if (triple) tripleClick_.stop();
    // A triple-click selects the line of the caret, which the double-click put at the end of its
    // word: the view may have scrolled since.
    const qsizetype caret = box_.toModel(box_.textCursor().position());
    const int top = box_.verticalScrollBar()->value();
    box_.QPlainTextEdit::mousePressEvent(e);
    if (!left) return;
    if (triple) {
        // The widget selected the piece of the caret; the line is the text's.
        unit_ = Unit::Line;
        clicked_ = boundaries().lineAt(caret);
        box_.verticalScrollBar()->setValue(top);
        box_.selectInView(clicked_.start, clicked_.end);
    } else if (e->modifiers() & Qt::ShiftModifier && unit_ != Unit::None) {
        extendTo(e->position().toPoint());
    } else {
        unit_ = Unit::None;
    }
}

void ClickSelection::doubleClick(QMouseEvent* e) {
    box_.QPlainTextEdit::mouseDoubleClickEvent(e);
    if (e->button() != Qt::LeftButton) return;
    tripleClick_.start(QApplication::doubleClickInterval());
    doubleClickAt_ = e->position();
    // The widget selected the word of the piece under the click; the word is the text's.
    unit_ = Unit::Word;
    clicked_ = boundaries().wordAt(box_.modelAt(e->position().toPoint()));
    box_.selectInView(clicked_.start, clicked_.end);
}

void ClickSelection::move(QMouseEvent* e) {
    box_.QPlainTextEdit::mouseMoveEvent(e);
    if ((e->buttons() & Qt::LeftButton) && unit_ != Unit::None) extendTo(e->position().toPoint());
}

void ClickSelection::release(QMouseEvent* e) {
    box_.QPlainTextEdit::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || unit_ == Unit::None) return;
    // What was selected by words or lines is the primary selection, as the widget's own
    // selection by the mouse is.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && box_.textCursor().hasSelection())
        clipboard->setMimeData(box_.createMimeDataFromSelection(), QClipboard::Selection);
}

void ClickSelection::extendTo(const QPoint& point) {
    const qsizetype at = box_.modelAt(point);
    const TextBoundaries bounds = boundaries();
    const TextBoundaries::Range under = unit_ == Unit::Word ? bounds.wordAt(at) : bounds.lineAt(at);
    // The word or line clicked stays selected whole, and so does the one under the mouse.
    if (at < clicked_.start) {
        box_.selectInView(clicked_.end, under.start);
    } else if (at > clicked_.end) {
        box_.selectInView(clicked_.start, under.end);
    } else {
        box_.selectInView(clicked_.start, clicked_.end);
    }
}
