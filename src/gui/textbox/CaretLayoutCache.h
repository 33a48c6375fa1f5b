#pragma once

#include <QObject>
#include <QTextCursor>

class QPlainTextEdit;
class QTextBlock;

// Keeps the shaped glyphs of the caret's paragraph between paints of a QPlainTextEdit.
//
// The widget lays out each paragraph with a QTextLayout that, by default, throws its glyphs away
// after laying out and after each draw. Every paint that touches a paragraph then analyses and
// shapes the whole paragraph again, even to draw one line of it or the caret alone: a paragraph
// of megabytes costs its whole length on each blink of the caret, and a key press pays for it
// twice more (drawing the line and placing the caret). With the glyphs kept, a paint costs what
// it shows.
//
// Only the caret's paragraph keeps them: it is the one that blinks and the one typed into, and
// one paragraph's glyphs bound what is kept. From a change until the next paint the changed
// paragraph keeps them instead: the glyphs its layout makes for the change then also serve
// placing the caret and the first paint, which would otherwise shape it again each. What is drawn
// stays the same: the kept glyphs are those the layout computes anyway, and any change of the
// paragraph's text, font or width lays it out afresh.
class CaretLayoutCache : public QObject {
public:
    // Watches box's viewport; owned by box.
    explicit CaretLayoutCache(QPlainTextEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followCaret();
    // From now on the paragraph of block keeps its glyphs, and the one that kept them before
    // lets them go.
    void keep(const QTextBlock& block);

    QPlainTextEdit* box_;
    // A position in the paragraph that keeps its glyphs. A cursor follows the text through every
    // edit, so it never stands for a paragraph that no longer exists. It lives as long as the
    // cache, in the box's document, which the box never replaces.
    QTextCursor kept_;
};
