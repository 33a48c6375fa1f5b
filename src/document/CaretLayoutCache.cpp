#include "document/CaretLayoutCache.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

CaretLayoutCache::CaretLayoutCache(QPlainTextEdit* box) : QObject(box), box_(box) {
    box->viewport()->installEventFilter(this);
}

bool CaretLayoutCache::eventFilter(QObject* watched, QEvent* event) {
    // Every paint goes through here before the widget draws: the paragraph that will hold the
    // caret is the one that keeps its glyphs from now on.
    if (event->type() == QEvent::Paint && watched == box_->viewport()) followCaret();
    return false;
}

void CaretLayoutCache::followCaret() {
    const QTextBlock caret = box_->textCursor().block();
    if (!caret.isValid()) return;
    if (!kept_.isNull() && kept_.document() == caret.document()) {
        // A paragraph left by the caret lets its glyphs go at its next layout or paint.
        const QTextBlock old = kept_.block();
        if (old.isValid() && old != caret) old.layout()->setCacheEnabled(false);
    }
    // Set each time: when two paragraphs join, the one that remains may be the one that kept
    // nothing.
    caret.layout()->setCacheEnabled(true);
    kept_ = QTextCursor(caret);
}
