#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// Qt's own texts (the buttons of message boxes, the file dialogs, a document window's system
// menu) in the user's language. The program's own captions and messages are Neapolitan in every
// locale and are never translated; only the words Qt itself supplies change.
class PlatformTranslations {
public:
    // Loads Qt's translation of its own texts for locale from Qt's translations folder and
    // installs it into app, which then owns it. Returns false, leaving Qt's English, when that
    // locale has no translation.
    static bool install(QCoreApplication& app, const QLocale& locale = QLocale());
    // The folder Qt's translations are installed in.
    static QString folder();
};
