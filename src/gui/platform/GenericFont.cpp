#include "gui/platform/GenericFont.h"

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace {

// The face fontconfig puts first for family, as Qt asks for the substitutes of a family it has
// no file for: the family, upright, in the user's language.
QString bestFace(const QByteArray& family) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPattern* defaults = FcPatternCreate();
    FcDefaultSubstitute(defaults);
    FcChar8* language = nullptr;
    if (FcPatternGetString(defaults, FC_LANG, 0, &language) == FcResultMatch)
        FcPatternAddString(pattern, FC_LANG, language);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString face;
    FcChar8* name = nullptr;
    if (match && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        face = QString::fromUtf8(reinterpret_cast<const char*>(name));
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(defaults);
    FcPatternDestroy(pattern);
    return face;
}

}  // namespace

void GenericFont::resolve() {
    const QString generic = QStringLiteral("Sans Serif");
    QFont font = QApplication::font();
    if (font.family() != generic) return;
    // A face that Qt does not list (it leaves out some kinds of font file) is one Qt would pass
    // over for the next; the generic name is kept then.
    const QString face = bestFace(generic.toUtf8());
    // Asked for its styles, Qt looks up the one family; listing every family costs far more.
    if (face.isEmpty() || QFontDatabase::styles(face).isEmpty()) return;
    font.setFamily(face);
    QApplication::setFont(font);
}
