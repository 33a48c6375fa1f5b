#include "gui/platform/FormFont.h"

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

// Whether fontconfig lists a font under family, under any of its names.
bool listed(FcConfig* config, const QByteArray& family) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* fonts = FcFontList(config, pattern, objects);
    const bool found = fonts && fonts->nfont > 0;
    if (fonts) FcFontSetDestroy(fonts);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

// fontconfig's entry for the stand-in's bold upright face of normal width, the face the forms
// draw with; null where it is not installed.
FcPattern* standInBold(FcConfig* config) {
    FcFontSet* fonts = FcConfigGetFonts(config, FcSetSystem);
    const QByteArray family = StandIn.toUtf8();
    for (int i = 0; fonts && i < fonts->nfont; ++i) {
        FcPattern* font = fonts->fonts[i];
        FcChar8* name = nullptr;
        int weight = 0, slant = 0, width = FC_WIDTH_NORMAL;
        if (FcPatternGetString(font, FC_FAMILY, 0, &name) != FcResultMatch ||
            family != reinterpret_cast<const char*>(name) ||
            FcPatternGetInteger(font, FC_WEIGHT, 0, &weight) != FcResultMatch ||
            weight != FC_WEIGHT_BOLD ||
            FcPatternGetInteger(font, FC_SLANT, 0, &slant) != FcResultMatch ||
            slant != FC_SLANT_ROMAN)
            continue;
        FcPatternGetInteger(font, FC_WIDTH, 0, &width);
        if (width == FC_WIDTH_NORMAL) return font;
    }
    return nullptr;
}

}  // namespace

void FormFont::prepare() {
    FcConfig* config = FcConfigGetCurrent();
    const QByteArray drawnFor = DrawnFor.toUtf8();
    if (!config || listed(config, drawnFor)) return;
    FcPattern* face = standInBold(config);
    if (!face) return;
    // The application's own fonts: the set exists once a file has been offered to it, even one
    // that is not there.
    FcFontSet* own = FcConfigGetFonts(config, FcSetApplication);
    if (!own) {
        FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>("/nonexistent/font"));
        own = FcConfigGetFonts(config, FcSetApplication);
    }
    FcPattern* alias = own ? FcPatternDuplicate(face) : nullptr;
    if (!alias) return;
    if (!FcPatternAddString(alias, FC_FAMILY,
                            reinterpret_cast<const FcChar8*>(drawnFor.constData())) ||
        !FcFontSetAdd(own, alias))
        FcPatternDestroy(alias);
}

QFont FormFont::font() {
    const bool missing = !installed(DrawnFor);
    QFont font;
    // Where the face is missing the stand-in takes its place: not named where fontconfig lists a
    // font under the face's name (the stand-in, after prepare()), named second otherwise.
    font.setFamilies(missing && listed(FcConfigGetCurrent(), DrawnFor.toUtf8())
                         ? QStringList{DrawnFor}
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
