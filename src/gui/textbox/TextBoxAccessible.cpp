#include "gui/textbox/TextBoxAccessible.h"

#include <QAbstractTextDocumentLayout>
#include <QMetaMethod>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

#include "core/text/DisplayMap.h"
#include "core/text/ReadUnits.h"
#include "gui/textbox/TextBox.h"
#include "gui/textbox/WrappedRows.h"

namespace {

// How far a word or a sentence is looked for on either side of an offset: a "word" of a line
// without spaces is read in parts of this size rather than each query reading the whole line.
constexpr qsizetype kReach = 4096;
// How far back a row of a long line is laid out from at most, to start where a row of the view
// starts: across several pieces, at least one of which starts a row once it has been on screen.
constexpr int kRowReach = 4096;

}  // namespace

TextBoxAccessible::TextBoxAccessible(TextBox* box)
    : QAccessibleWidget(box, QAccessible::EditableText) {}

TextBox* TextBoxAccessible::box() const { return static_cast<TextBox*>(widget()); }

void* TextBoxAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QAccessible::State TextBoxAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.selectableText = true;
    s.readOnly = box()->isReadOnly();
    s.editable = !s.readOnly;
    return s;
}

void TextBoxAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || selectionCount() == 0) return;
    *startOffset = int(box()->readOffset(box()->displayMap().selStart()));
    *endOffset = int(box()->readOffset(box()->displayMap().selEnd()));
}

int TextBoxAccessible::selectionCount() const {
    const DisplayMap& map = box()->displayMap();
    return map.selEnd() > map.selStart() ? 1 : 0;
}

void TextBoxAccessible::addSelection(int startOffset, int endOffset) {
    // The box has one selection: a new one takes its place.
    setSelection(0, startOffset, endOffset);
}

void TextBoxAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) setCursorPosition(cursorPosition());
}

void TextBoxAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex != 0) return;
    const qsizetype start = box()->readPosition(std::min(startOffset, endOffset));
    const qsizetype end = box()->readPosition(std::max(startOffset, endOffset));
    box()->setSelStart(start);
    box()->setSelLength(end - start);
}

int TextBoxAccessible::cursorPosition() const { return int(box()->readCaret()); }

void TextBoxAccessible::setCursorPosition(int position) {
    box()->setSelStart(box()->readPosition(position));
}

QString TextBoxAccessible::text(int startOffset, int endOffset) const {
    const int count = characterCount();
    if (endOffset < 0 || endOffset > count) endOffset = count;
    startOffset = std::clamp(startOffset, 0, endOffset);
    const qsizetype from = box()->readPosition(startOffset);
    const qsizetype to = box()->readPosition(endOffset);
    return box()->displayMap().read(from, to);
}

int TextBoxAccessible::characterCount() const { return int(box()->readLength()); }

std::pair<int, int> TextBoxAccessible::rowAt(int offset) const {
    const TextBox* b = box();
    const QTextDocument* doc = b->document();
    const int view = b->toView(b->readPosition(offset));
    const QTextBlock block = doc->findBlock(view);
    // The view lays out only what it shows: a row elsewhere is laid out for the question.
    doc->documentLayout()->blockBoundingRect(block);
    const QTextLayout* shown = block.layout();
    const int inBlock = view - block.position();
    const auto readAtView = [b, &block](int inBlock) {
        return int(b->readOffset(b->toModel(block.position() + inBlock)));
    };
    const std::pair<int, int> wholeBlock(readAtView(0), readAtView(block.length() - 1));
    if (shown->lineCount() == 0) return wholeBlock;
    const bool pieces = b->followsSoftBreak(block) || b->followsSoftBreak(block.next());
    if (!pieces) {
        const QTextLine line = shown->lineForTextPosition(inBlock);
        if (!line.isValid()) return wholeBlock;
        return {readAtView(line.textStart()), readAtView(line.textStart() + line.textLength())};
    }
    return longLineRowAt(offset, block, wholeBlock.first, shown->lineAt(0).width());
}

std::pair<int, int> TextBoxAccessible::longLineRowAt(int offset, const QTextBlock& block,
                                                     int blockStart, qreal width) const {
    const TextBox* b = box();
    const QTextDocument* doc = b->document();
    const QString& chars = b->chars();
    const DisplayMap& map = b->displayMap();
    const auto readAt = [&](int from, int length) {
        const qsizetype pos = map.readPosition(from);
        return map.read(pos, pos + length);
    };
    // Rows laid out before still hold while the text there, the width and the font are the same.
    Rows& last = rows_;
    const bool lastHolds = last.anchor >= 0 && last.width == width &&
                           last.font == doc->defaultFont() &&
                           last.anchor + last.text.size() <= characterCount() &&
                           readAt(last.anchor, int(last.text.size())) == last.text;
    const auto lastRow = [&last](int rel) {
        const auto next = std::upper_bound(last.starts.begin(), last.starts.end(), rel);
        const qsizetype start = *(next - 1);
        const qsizetype end = next == last.starts.end() ? last.text.size() : *next;
        return std::pair<int, int>(int(last.anchor + start), int(last.anchor + end));
    };
    const int lastRowStart = lastHolds ? int(last.anchor + last.starts.back()) : -1;
    int anchor = -1;
    if (lastHolds && offset >= last.anchor &&
        (offset < lastRowStart || (last.toLineEnd && offset <= last.anchor + last.text.size()))) {
        return lastRow(offset - last.anchor);
    } else if (lastHolds && offset >= lastRowStart && offset - lastRowStart <= kRowReach) {
        // Read on from the last row laid out, as one reading row by row does.
        anchor = lastRowStart;
    } else if (b->startsRow(block)) {
        // A row of the view starts at this paragraph: the rows are those shown.
        anchor = blockStart;
    } else {
        // Back to a paragraph of the view where a row starts, not further than kRowReach; past
        // that, from the first word that starts in the paragraph reached.
        QTextBlock from = block;
        int fromStart = blockStart;
        while (!b->startsRow(from) && blockStart - fromStart < kRowReach) {
            from = from.previous();
            fromStart = int(map.readOffset(map.toText(from.position())));
        }
        anchor = fromStart;
        if (!b->startsRow(from)) {
            const QString head = readAt(fromStart, offset - fromStart);
            for (int i = 1; i < head.size(); ++i) {
                if (head.at(i - 1).isSpace() && !head.at(i).isSpace()) {
                    anchor = fromStart + i;
                    break;
                }
            }
        }
    }
    // Laid out from the anchor to past the offset by a piece, or to the end of the line; further
    // when the row holding the offset reaches that far.
    const QString lineBreak = b->format().lineBreakChars();
    const qsizetype anchorPos = map.readPosition(anchor);
    for (qsizetype ahead = DisplayMap::kPiece;; ahead *= 2) {
        const qsizetype want = offset - anchor + ahead;
        const qsizetype stop = std::min<qsizetype>(chars.size(), anchorPos + want);
        const qsizetype breakAt =
            QStringView(chars).mid(anchorPos, stop - anchorPos).indexOf(lineBreak);
        last.toLineEnd = breakAt >= 0 || stop == chars.size();
        const qsizetype length = breakAt >= 0 ? breakAt : stop - anchorPos;
        last.anchor = anchor;
        last.text = map.read(anchorPos, anchorPos + length);
        last.width = width;
        last.font = doc->defaultFont();
        last.starts = WrappedRows::starts(last.text, last.font, doc->defaultTextOption(), width);
        if (last.toLineEnd || offset - anchor < last.starts.back()) break;
    }
    return lastRow(offset - anchor);
}

std::pair<int, int> TextBoxAccessible::segmentAt(int offset,
                                                 QAccessible::TextBoundaryType boundaryType) const {
    // The line holding offset, within reach: no line break inside, so offsets and positions of
    // the text go one for one in it.
    const QString& chars = box()->chars();
    const QString lineBreak = box()->format().lineBreakChars();
    const qsizetype pos = box()->readPosition(offset);
    const DisplayMap& map = box()->displayMap();
    qsizetype low = std::max<qsizetype>(0, pos - kReach);
    qsizetype high = std::min<qsizetype>(chars.size(), pos + kReach);
    // Never half a line break at either edge.
    if (map.insideLineBreak(low)) ++low;
    if (map.insideLineBreak(high)) --high;
    // The last line break in [low, pos), looked for from its last place on: a search that
    // starts at the end of the part would also find one that ends past it.
    const qsizetype before = pos - low < lineBreak.size()
                                 ? -1
                                 : QStringView(chars)
                                       .mid(low, pos - low)
                                       .lastIndexOf(lineBreak, pos - low - lineBreak.size());
    const qsizetype after = QStringView(chars).mid(pos, high - pos).indexOf(lineBreak);
    const qsizetype from = before < 0 ? low : low + before + lineBreak.size();
    const qsizetype to = after < 0 ? high : pos + after;
    const QString line = map.read(from, to);
    const ReadUnits::Window window{line, before < 0 && low > 0, after < 0 && high < chars.size()};
    const int at = int(pos - from);
    const ReadUnits::Range unit = boundaryType == QAccessible::WordBoundary
                                      ? ReadUnits::word(window, at)
                                      : ReadUnits::sentence(window, at);
    // Inside the line each character of the text is one character read.
    const qsizetype lineOffset = map.readOffset(from);
    return {int(lineOffset + unit.start), int(lineOffset + unit.end)};
}

std::pair<int, int> TextBoxAccessible::unitAt(int offset,
                                              QAccessible::TextBoundaryType boundaryType) const {
    const int count = characterCount();
    offset = std::clamp(offset, 0, count);
    switch (boundaryType) {
        case QAccessible::CharBoundary: {
            if (offset == count) return {offset, offset};
            const QString two = text(offset, offset + 2);
            const bool pair =
                two.size() == 2 && two[0].isHighSurrogate() && two[1].isLowSurrogate();
            return {offset, offset + (pair ? 2 : 1)};
        }
        case QAccessible::WordBoundary:
        case QAccessible::SentenceBoundary:
            return segmentAt(offset, boundaryType);
        case QAccessible::LineBoundary:
            return rowAt(offset);
        case QAccessible::ParagraphBoundary: {
            // The text's line, however long: that is what the question asks for.
            const QString& chars = box()->chars();
            const QString lineBreak = box()->format().lineBreakChars();
            const qsizetype pos = box()->readPosition(offset);
            const qsizetype before = pos > 0 ? chars.lastIndexOf(lineBreak, pos - 1) : -1;
            qsizetype after = chars.indexOf(lineBreak, pos);
            if (after < 0) after = chars.size();
            const qsizetype from = before < 0 ? 0 : before + lineBreak.size();
            return {int(box()->readOffset(from)), int(box()->readOffset(after))};
        }
        case QAccessible::NoBoundary:
            break;
    }
    return {0, count};
}

QString TextBoxAccessible::unitText(std::pair<int, int> unit, int* startOffset,
                                    int* endOffset) const {
    *startOffset = unit.first;
    *endOffset = unit.second;
    return text(unit.first, unit.second);
}

QString TextBoxAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                        int* startOffset, int* endOffset) const {
    return unitText(unitAt(offset, boundaryType), startOffset, endOffset);
}

QString TextBoxAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    const std::pair<int, int> at = unitAt(offset, boundaryType);
    if (at.first <= 0) return unitText({0, 0}, startOffset, endOffset);
    return unitText(unitAt(at.first - 1, boundaryType), startOffset, endOffset);
}

QString TextBoxAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int* startOffset, int* endOffset) const {
    const int count = characterCount();
    const std::pair<int, int> at = unitAt(offset, boundaryType);
    std::pair<int, int> next = at.second < count ? unitAt(at.second, boundaryType) : at;
    // A row or a line ends where the next one starts, or before the line break that ends it.
    if (next.second <= at.second && at.second < count) next = unitAt(at.second + 1, boundaryType);
    if (next.second <= at.second) return unitText({count, count}, startOffset, endOffset);
    return unitText(next, startOffset, endOffset);
}

QRect TextBoxAccessible::characterRect(int offset) const {
    QTextCursor at(box()->document());
    at.setPosition(box()->toView(box()->readPosition(offset)));
    QRect r = box()->cursorRect(at);
    QTextCursor next = at;
    // The character spans from its caret position to the next one on the same row.
    if (next.movePosition(QTextCursor::NextCharacter)) {
        const QRect n = box()->cursorRect(next);
        if (n.top() == r.top() && n.left() > r.left()) r.setRight(n.left());
    }
    return QRect(box()->viewport()->mapToGlobal(r.topLeft()), r.size());
}

int TextBoxAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint local = box()->viewport()->mapFromGlobal(point);
    if (!box()->viewport()->rect().contains(local)) return -1;
    return int(box()->readOffset(box()->toModel(box()->cursorForPosition(local).position())));
}

void TextBoxAccessible::scrollToSubstring(int startIndex, int endIndex) {
    // As the widget's own: the view is not scrolled for a screen reader, which moves the caret
    // to have text shown.
    Q_UNUSED(startIndex);
    Q_UNUSED(endIndex);
}

QString TextBoxAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // Plain text: one run without attributes.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void TextBoxAccessible::edit(int startOffset, int endOffset, const QString& text) {
    if (box()->isReadOnly()) return;
    const int count = characterCount();
    const int from = std::clamp(std::min(startOffset, endOffset), 0, count);
    const int to = std::clamp(std::max(startOffset, endOffset), 0, count);
    box()->replaceFromOutside(box()->readPosition(from), box()->readPosition(to), text);
}

void TextBoxAccessible::deleteText(int startOffset, int endOffset) {
    edit(startOffset, endOffset, QString());
}

void TextBoxAccessible::insertText(int offset, const QString& text) { edit(offset, offset, text); }

void TextBoxAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    edit(startOffset, endOffset, text);
}

QAccessibleInterface* TextBoxAccessible::factory(const QString& className, QObject* object) {
    // Called for every class from the object's own up to QObject: answering for TextBox comes
    // before the widget's own interface, which reads the view.
    if (className != QLatin1String(TextBox::staticMetaObject.className())) return nullptr;
    if (auto* box = qobject_cast<TextBox*>(object)) return new TextBoxAccessible(box);
    return nullptr;
}

void TextBoxAccessible::textChanged(TextBox* box, qsizetype offset, QStringView removed,
                                    QStringView inserted) {
    qsizetype same = 0;
    const qsizetype shorter = std::min(removed.size(), inserted.size());
    while (same < shorter && removed[same] == inserted[same]) ++same;
    qsizetype tail = 0;
    while (tail < shorter - same &&
           removed[removed.size() - 1 - tail] == inserted[inserted.size() - 1 - tail])
        ++tail;
    const int at = int(offset + same);
    const QString gone = removed.mid(same, removed.size() - same - tail).toString();
    const QString put = inserted.mid(same, inserted.size() - same - tail).toString();
    if (gone.isEmpty() && put.isEmpty()) return;
    if (gone.isEmpty()) {
        QAccessibleTextInsertEvent e(box, at, put);
        QAccessible::updateAccessibility(&e);
    } else if (put.isEmpty()) {
        QAccessibleTextRemoveEvent e(box, at, gone);
        QAccessible::updateAccessibility(&e);
    } else {
        QAccessibleTextUpdateEvent e(box, at, gone, put);
        QAccessible::updateAccessibility(&e);
    }
}

void TextBoxAccessible::quietWidget(QPlainTextEdit* widget) {
    // The widget's editing part owns its document and is the one that reports its changes.
    QTextDocument* doc = widget->document();
    QObject* control = doc->parent();
    if (!control || control == widget) return;
    QObject::disconnect(doc, QMetaMethod::fromSignal(&QTextDocument::contentsChange), control,
                        QMetaMethod());
}
