#pragma once

#include <QFont>
#include <QString>

// The font of the program's forms: "MS Sans Serif", 8.25 points, bold, the face their fixed
// layouts were drawn for. Where that face is missing another one stands in for it, narrowed so
// that it is no wider than the original and every caption still fits its control.
class FormFont {
public:
    // Where the face is missing, has fontconfig list the stand-in's bold face under the face's
    // name as well, for this process only. Qt's font database, read after this, then knows the
    // face as another name of the stand-in's family and finds it at once; otherwise Qt sorts
    // every installed font for the missing face the first time a form measures text (some 8 %
    // of the start-up with a few hundred families installed). Call once, before anything reads
    // Qt's font database; the font menu lists no more fonts than before.
    static void prepare();

    static QFont font();

    // font showing the face family, chosen by the user, as it is (not narrowed).
    static QFont withFamily(QFont font, const QString& family);
};
