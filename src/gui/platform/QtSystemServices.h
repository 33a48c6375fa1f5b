#pragma once

#include <memory>

#include "gui/platform/SystemServices.h"

// The real About box, the default printer and the user's own settings store.
class QtSystemServices : public SystemServices {
public:
    QtSystemServices();
    ~QtSystemServices() override;

    void showAbout() override;
    DocumentPrinter::Outcome print(const QString& chars, const QString& jobName) override;
    SettingsStore& settings() override { return *m_settings; }

private:
    std::unique_ptr<SettingsStore> m_settings;
};
