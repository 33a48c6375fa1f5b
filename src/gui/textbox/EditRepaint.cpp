#include "gui/textbox/EditRepaint.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace {

// How far before an edit its characters may change how others are shaped (joined letters,
// ligatures, clusters): a row that ends this far before the edit looks as it did.
constexpr int kShapingReach = 8;

// Whether every character of text is laid out left to right whatever stands around it: then a
// row's glyphs and their order depend on the row's own characters only.
bool leftToRight(const QString& text) {
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        switch (c.direction()) {
            case QChar::DirL:
            case QChar::DirEN:
            case QChar::DirES:
            case QChar::DirET:
            case QChar::DirCS:
            case QChar::DirB:
            case QChar::DirS:
            case QChar::DirWS:
            case QChar::DirON:
            case QChar::DirNSM:
            case QChar::DirBN:
                return true;
            default:
                return false;
        }
    });
}

}  // namespace

EditRepaint::EditRepaint(QPlainTextEdit* box, Geometry geometry)
    : QObject(box), box_(box), geometry_(std::move(geometry)) {
    // The widget's editing part is a private class: its signal and the widget's slot go by name.
    QObject* control = box->document()->parent();
    disconnect(control, SIGNAL(updateRequest(QRectF)), box, SLOT(_q_repaintContents(QRectF)));
    connect(control, SIGNAL(updateRequest(QRectF)), this, SLOT(repaint(QRectF)));
}

void EditRepaint::before(int pos, int removed, const QString& text) {
    block_ = -1;
    const QTextBlock block = box_->document()->findBlock(pos);
    const QTextLayout* layout = block.layout();
    const int at = pos - block.position();
    if (!block.isValid() || layout->lineCount() < 2 || at + removed >= block.length() ||
        text.contains(QChar::ParagraphSeparator) || !leftToRight(block.text()) ||
        !leftToRight(text))
        return;
    rows_.clear();
    for (int i = 0; i < layout->lineCount(); ++i) rows_.push_back(layout->lineAt(i).textStart());
    rows_.push_back(block.length() - 1);
    block_ = block.blockNumber();
    at_ = at;
}

void EditRepaint::done() { block_ = -1; }

void EditRepaint::repaint(const QRectF& rect) {
    QRectF narrowed = rect;
    const QTextBlock block =
        block_ >= 0 ? box_->document()->findBlockByNumber(block_) : QTextBlock();
    const QTextLayout* layout = block.isValid() ? block.layout() : nullptr;
    if (layout && layout->lineCount() > 0) {
        // The rows that stayed: laid out from the same characters to the same ends, and ending
        // before the edit could reach them.
        int kept = 0;
        while (kept + 1 < int(rows_.size()) && kept + 1 < layout->lineCount()) {
            const QTextLine row = layout->lineAt(kept);
            const int end = row.textStart() + row.textLength();
            if (row.textStart() != rows_[std::size_t(kept)] ||
                end != rows_[std::size_t(kept) + 1] || end > at_ - kShapingReach)
                break;
            ++kept;
        }
        if (kept >= 2) {
            const qreal top = geometry_(block).top() + layout->lineAt(kept - 1).y();
            if (narrowed.bottom() <= top) return;
            narrowed.setTop(std::max(narrowed.top(), top));
        }
    }
    QMetaObject::invokeMethod(box_, "_q_repaintContents", Qt::DirectConnection,
                              Q_ARG(QRectF, narrowed));
}
