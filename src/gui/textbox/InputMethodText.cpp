#include "gui/textbox/InputMethodText.h"

#include <algorithm>

#include "core/text/TextModel.h"
#include "gui/textbox/TextBox.h"

namespace {

// The characters [from, to) of the box's text, moved inward at either edge rather than cut a
// line break in two.
QString slice(const DisplayMap& map, const QString& chars, qsizetype from, qsizetype to) {
    if (map.insideLineBreak(from)) ++from;
    if (to > from && map.insideLineBreak(to)) --to;
    return chars.mid(from, to - from);
}

}  // namespace

QVariant InputMethodText::query(const TextBox& box, Qt::InputMethodQuery query,
                                const QVariant& argument) {
    const TextBuffer& buf = box.buffer();
    const DisplayMap& map = box.displayMap();
    const QString& chars = buf.chars();
    // The caret is the end of the selection the user moved.
    const bool caretFirst = box.model().caretFirst();
    const qsizetype caret = caretFirst ? map.selStart() : map.selEnd();
    const qsizetype anchor = caretFirst ? map.selEnd() : map.selStart();
    const qsizetype wanted =
        argument.isValid() && argument.canConvert<int>() ? std::max(0, argument.toInt()) : kReach;
    switch (query) {
        case Qt::ImSurroundingText:
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition: {
            const QString lineBreak = buf.format().lineBreakChars();
            qsizetype low = std::max<qsizetype>(0, caret - kReach);
            qsizetype high = std::min<qsizetype>(chars.size(), caret + kReach);
            if (map.insideLineBreak(low)) ++low;
            if (map.insideLineBreak(high)) --high;
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
            return slice(map, chars, map.selStart(), map.selEnd());
        case Qt::ImTextBeforeCursor:
            return slice(map, chars, std::max<qsizetype>(0, caret - wanted), caret);
        case Qt::ImTextAfterCursor:
            return slice(map, chars, caret, std::min<qsizetype>(chars.size(), caret + wanted));
        case Qt::ImAbsolutePosition:
            return int(caret);
        default:
            return QVariant();
    }
}
