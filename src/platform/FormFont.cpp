#include "platform/FormFont.h"

#include <QFontInfo>
#include <QStringList>

namespace {

const QString DrawnFor = QStringLiteral("MS Sans Serif");
// Its lines are 13 pixels apart at this size, as the original's are, where other common sans
// faces need 15: the forms' labels have room for no more.
const QString StandIn = QStringLiteral("DejaVu Sans");

}  // namespace

QFont FormFont::font() {
    QFont font;
    font.setFamilies(QStringList{DrawnFor, StandIn});
    font.setPointSizeF(8.25);
    font.setBold(true);
    // The stand-in's letters are wider than the original's: "Cercamme:" would lose its colon.
    // Narrowed (its condensed face where installed, drawn narrower otherwise) it takes the room
    // the layouts give.
    if (QFontInfo(font).family() != DrawnFor) font.setStretch(QFont::SemiCondensed);
    return font;
}

QFont FormFont::withFamily(QFont font, const QString& family) {
    font.setFamily(family);
    font.setStretch(QFont::AnyStretch);
    return font;
}
