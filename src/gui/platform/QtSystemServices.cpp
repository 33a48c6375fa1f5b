#include "gui/platform/QtSystemServices.h"

#include <QLabel>

#include "core/files/SettingsStore.h"
#include "gui/about/frmAbout.h"

QtSystemServices::QtSystemServices()
    : m_settings(std::make_unique<SettingsStore>(QStringLiteral("Notariello"),
                                                 QStringLiteral("Notariello"))) {}

QtSystemServices::~QtSystemServices() = default;

void QtSystemServices::showAbout() {
    frmAbout about;
    about.lblAbout->setText(frmAbout::AboutText());
    about.exec();
}

DocumentPrinter::Outcome QtSystemServices::print(const QString& chars, const QString& jobName) {
    return DocumentPrinter::printOnDefaultPrinter(chars, jobName);
}
