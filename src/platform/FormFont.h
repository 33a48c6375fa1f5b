#pragma once

#include <QFont>
#include <QString>

// The font of the program's forms: "MS Sans Serif", 8.25 points, bold, the face their fixed
// layouts were drawn for. Where that face is missing another one stands in for it, narrowed so
// that it is no wider than the original and every caption still fits its control.
class FormFont {
public:
    static QFont font();

    // font showing the face family, chosen by the user, as it is (not narrowed).
    static QFont withFamily(QFont font, const QString& family);
};
