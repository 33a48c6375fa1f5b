#include "document/InputMethodText.h"

#include <QTextCursor>
#include <algorithm>

#include "document/TextBox.h"

namespace {

// The characters [from, to) of the box's text, moved inward at either edge rather than cut a
// line break in two.
QString slice(const TextBuffer& buf, qsizetype from, qsizetype to) {
    if (buf.insideLineBreak(from)) ++from;
    if (to > from && buf.insideLineBreak(to)) --to;
    return buf.chars().mid(from, to - from);
}

}  // namespace

QVariant InputMethodText::query(const TextBox& box, Qt::InputMethodQuery query,
                                const QVariant& argument) {
    const TextBuffer& buf = box.buffer();
    const QString& chars = buf.chars();
    // The caret is the end of the selection the user moved, as the widget shows it.
    const QTextCursor view = box.textCursor();
    const bool caretFirst = view.position() < view.anchor();
    const qsizetype caret = caretFirst ? buf.viewSelStart() : buf.viewSelEnd();
    const qsizetype anchor = caretFirst ? buf.viewSelEnd() : buf.viewSelStart();
    const qsizetype wanted =
        argument.isValid() && argument.canConvert<int>() ? std::max(0, argument.toInt()) : kReach;
    switch (query) {
        case Qt::ImSurroundingText:
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition: {
            const QString lineBreak = buf.format().lineBreakChars();
            qsizetype low = std::max<qsizetype>(0, caret - kReach);
            qsizetype high = std::min<qsizetype>(chars.size(), caret + kReach);
            if (buf.insideLineBreak(low)) ++low;
            if (buf.insideLineBreak(high)) --high;
            const qsizetype before =
                QStringView(chars).mid(low, caret - low).lastIndexOf(lineBreak);
            const qsizetype after = QStringView(chars).mid(caret, high - caret).indexOf(lineBreak);
            const qsizetype from = before < 0 ? low : low + before + lineBreak.size();
            const qsizetype to = after < 0 ? high : caret + after;
            if (query == Qt::ImSurroundingText) return chars.mid(from, to - from);
            if (query == Qt::ImCursorPosition) return int(caret - from);
            return int(std::clamp(anchor, from, to) - from);
        }
        case Qt::ImCurrentSelection:
            return slice(buf, buf.viewSelStart(), buf.viewSelEnd());
        case Qt::ImTextBeforeCursor:
            return slice(buf, std::max<qsizetype>(0, caret - wanted), caret);
        case Qt::ImTextAfterCursor:
            return slice(buf, caret, std::min<qsizetype>(chars.size(), caret + wanted));
        case Qt::ImAbsolutePosition:
            return int(caret);
        default:
            return QVariant();
    }
}
