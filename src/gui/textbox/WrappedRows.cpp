#include "gui/textbox/WrappedRows.h"

#include <QTextLayout>

std::vector<qsizetype> WrappedRows::starts(const QString& text, const QFont& font,
                                           const QTextOption& option, qreal width) {
    QTextLayout layout(text, font);
    layout.setTextOption(option);
    std::vector<qsizetype> out;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        out.push_back(line.textStart());
    }
    layout.endLayout();
    if (out.empty()) out.push_back(0);
    return out;
}
