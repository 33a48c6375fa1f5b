#include "platform/FormFont.h"

#include <QFontDatabase>
#include <QStringList>
#include <algorithm>

namespace {

const QString DrawnFor = QStringLiteral("MS Sans Serif");
// Its lines are 13 pixels apart at this size, as the original's are, where other common sans
// faces need 15: the forms' labels have room for no more.
const QString StandIn = QStringLiteral("DejaVu Sans");

// Whether the font database holds family under exactly this name, i.e. whether a font asking
// for it first gets it. The database names a family that several foundries make
// "family [foundry]". Asked of the database rather than by loading the font (QFontInfo), which
// would cost a font engine of its own that nothing draws with.
bool installed(const QString& family) {
    const QStringList families = QFontDatabase::families();
    const QString withFoundry = family + QStringLiteral(" [");
    return std::any_of(families.cbegin(), families.cend(), [&](const QString& name) {
        return name == family || name.startsWith(withFoundry);
    });
}

}  // namespace

QFont FormFont::font() {
    QFont font;
    font.setFamilies(QStringList{DrawnFor, StandIn});
    font.setPointSizeF(8.25);
    font.setBold(true);
    // The stand-in's letters are wider than the original's: "Cercamme:" would lose its colon.
    // Narrowed (its condensed face where installed, drawn narrower otherwise) it takes the room
    // the layouts give.
    if (!installed(DrawnFor)) font.setStretch(QFont::SemiCondensed);
    return font;
}

QFont FormFont::withFamily(QFont font, const QString& family) {
    font.setFamily(family);
    font.setStretch(QFont::AnyStretch);
    return font;
}
