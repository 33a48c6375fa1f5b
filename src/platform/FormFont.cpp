#include "platform/FormFont.h"

#include <fontconfig/fontconfig.h>

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

// Has fontconfig, for this process, put the stand-in first wherever a font asks for the
// drawn-for face; true once that holds. A font naming the drawn-for face alone then gets the
// stand-in from the list of substitutes that Qt builds for a missing family anyway. Named as the
// font's second family the stand-in is found all the same, but Qt then builds at once a list of
// substitutes for the stand-in too: another sort of every installed font, some 7 % of the
// start-up where a few hundred families are installed.
bool standInAnswersForDrawnFor() {
    static const bool told = [] {
        const QByteArray rule =
            "<?xml version=\"1.0\"?><fontconfig><match target=\"pattern\"><test name=\"family\">"
            "<string>" +
            DrawnFor.toUtf8() +
            "</string></test><edit name=\"family\" mode=\"prepend\" binding=\"strong\"><string>" +
            StandIn.toUtf8() + "</string></edit></match></fontconfig>";
        FcConfig* config = FcConfigGetCurrent();
        return config && FcConfigParseAndLoadFromMemory(
                             config, reinterpret_cast<const FcChar8*>(rule.constData()), FcFalse);
    }();
    return told;
}

}  // namespace

QFont FormFont::font() {
    const bool missing = !installed(DrawnFor);
    QFont font;
    // Where the face is missing the stand-in takes its place, named second or, where fontconfig
    // answers for the face with it, not named at all.
    font.setFamilies(missing && standInAnswersForDrawnFor() ? QStringList{DrawnFor}
                                                            : QStringList{DrawnFor, StandIn});
    font.setPointSizeF(8.25);
    font.setBold(true);
    // The stand-in's letters are wider than the original's: "Cercamme:" would lose its colon.
    // Narrowed (its condensed face where installed, drawn narrower otherwise) it takes the room
    // the layouts give.
    if (missing) font.setStretch(QFont::SemiCondensed);
    return font;
}

QFont FormFont::withFamily(QFont font, const QString& family) {
    font.setFamily(family);
    font.setStretch(QFont::AnyStretch);
    return font;
}
