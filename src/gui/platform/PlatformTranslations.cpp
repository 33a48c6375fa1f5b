#include "gui/platform/PlatformTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool PlatformTranslations::install(QCoreApplication& app, const QLocale& locale) {
    auto* translator = new QTranslator(&app);
    // Tries the locale's languages in the user's order of preference, each from the most
    // specific name down ("qtbase_pt_BR", then "qtbase_pt").
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder())) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

QString PlatformTranslations::folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}
