#include "gui/textbox/CaretLayoutCache.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

CaretLayoutCache::CaretLayoutCache(QPlainTextEdit* box)
    : QObject(box), box_(box), kept_(box->document()) {
    box->viewport()->installEventFilter(this);
    // The document reports a change before its layout lays the changed paragraph out: keeping
    // that paragraph's glyphs from then on spares shaping it again to place the caret and to
    // draw it right after.
    const QTextDocument* doc = box->document();
    connect(doc, &QTextDocument::contentsChange, this,
            [this, doc](int pos, int, int) { keep(doc->findBlock(pos)); });
}

bool CaretLayoutCache::eventFilter(QObject* watched, QEvent* event) {
    // Every paint goes through here before the widget draws: the paragraph that will hold the
    // caret is the one that keeps its glyphs from now on.
    if (event->type() == QEvent::Paint && watched == box_->viewport()) followCaret();
    return false;
}

void CaretLayoutCache::followCaret() { keep(box_->textCursor().block()); }

void CaretLayoutCache::keep(const QTextBlock& block) {
    if (!block.isValid() || block.document() != kept_.document()) return;
    // A paragraph left by the caret lets its glyphs go at its next layout or paint.
    const QTextBlock old = kept_.block();
    if (old.isValid() && old != block) old.layout()->setCacheEnabled(false);
    // Set each time: when two paragraphs join, the one that remains may be the one that kept
    // nothing.
    block.layout()->setCacheEnabled(true);
    // The cursor is moved, never made anew: a change is reported also from inside the
    // document's clearing, while it cannot take new cursors.
    kept_.setPosition(block.position());
}
