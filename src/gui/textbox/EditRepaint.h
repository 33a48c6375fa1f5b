#pragma once

#include <QObject>
#include <QRectF>
#include <QString>
#include <functional>
#include <vector>

class QPlainTextEdit;
class QTextBlock;

// Narrows what a QPlainTextEdit repaints after an edit inside one paragraph to the rows that can
// look different.
//
// The widget repaints the whole paragraph an edit falls in, every row of it on screen, though
// the rows before the edit stay as they were; in a long line that is most of a key's work. For
// an edit of the view inside one paragraph, the rows laid out before the edit are noted; when
// the document's layout asks for the repaint, the rows at the top of the paragraph that end well
// before the edit and start and end where they did are left out of it, but for the last of them
// (a glyph of the row below may reach into it). A paragraph with characters written right to
// left is repainted whole: an edit there may reorder rows above it.
class EditRepaint : public QObject {
    Q_OBJECT
public:
    // The geometry of a paragraph in the coordinates of the widget's repaint requests
    // (QPlainTextEdit::blockBoundingGeometry, which the widget keeps to itself).
    using Geometry = std::function<QRectF(const QTextBlock&)>;

    // Takes over the widget's repaint requests from its document; owned by box.
    EditRepaint(QPlainTextEdit* box, Geometry geometry);

    // The view is about to replace removed characters at pos with text (in one edit block that
    // ends before done): the requests the edit causes are narrowed when it stays in a paragraph.
    void before(int pos, int removed, const QString& text);
    void done();

private slots:
    void repaint(const QRectF& rect);

private:
    QPlainTextEdit* box_;
    Geometry geometry_;
    // The paragraph edited (-1: no narrowing), where in it the edit starts, and the start of each
    // row laid out before it, with the paragraph's length after the last.
    int block_ = -1;
    int at_ = 0;
    std::vector<int> rows_;
};
