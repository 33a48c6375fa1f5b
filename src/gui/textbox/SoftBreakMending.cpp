#include "gui/textbox/SoftBreakMending.h"

#include <QTextBlock>
#include <QTimer>

#include "core/text/DisplayMap.h"
#include "gui/textbox/SoftBreaks.h"
#include "gui/textbox/TextBox.h"

SoftBreakMending::SoftBreakMending(TextBox& box, SoftBreaks& soft, const DisplayMap& map)
    : box_(box), soft_(soft), map_(map) {}

void SoftBreakMending::later() {
    due_ = true;
    if (scheduled_ || map_.softBreakCount() == 0) return;
    scheduled_ = true;
    QTimer::singleShot(0, &box_, [this] {
        scheduled_ = false;
        ifDue();
    });
}

void SoftBreakMending::ifDue() {
    // Not while the box changes the view itself: the layout follows at the end of that change.
    if (!due_ || box_.isWritingView()) return;
    if (map_.softBreakCount() == 0) {
        due_ = false;
        return;
    }
    if (!box_.isVisible() || box_.viewport()->width() <= 0) return;
    due_ = false;
    if (box_.viewport()->width() != width_ || box_.font() != font_) {
        soft_.widthChanged();
        width_ = box_.viewport()->width();
        font_ = box_.font();
    }
    const qsizetype anchor = box_.toModel(box_.textCursor().anchor());
    const qsizetype position = box_.toModel(box_.textCursor().position());
    bool moved = false;
    // A mend can change what shows below it; a few rounds reach what stays.
    for (int round = 0; round < 4; ++round) {
        const QPointF offset = box_.contentOffset();
        const int height = box_.viewport()->height();
        QTextBlock last = box_.firstVisibleBlock();
        const int first = last.blockNumber();
        while (last.next().isValid() &&
               box_.blockBoundingGeometry(last).translated(offset).bottom() < height)
            last = last.next();
        const auto quiet = box_.writingView();
        if (!soft_.mend(first, last.blockNumber() + 1)) break;
        moved = true;
    }
    // The caret stays on the same character of the text; should it not, it is put back.
    if (moved && (box_.toModel(box_.textCursor().anchor()) != anchor ||
                  box_.toModel(box_.textCursor().position()) != position))
        box_.showSelection();
}
