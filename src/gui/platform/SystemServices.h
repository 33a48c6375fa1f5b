#pragma once

#include <QString>

#include "gui/document/DocumentPrinter.h"

class SettingsStore;

// What the program does outside its own windows, besides the dialogs: the About box, the
// printer and the per-user settings store. The frame is handed one; QtSystemServices is the
// real thing, and tests hand in their own.
class SystemServices {
public:
    virtual ~SystemServices() = default;

    // Shows the About box modally; returns once the user has closed it.
    virtual void showAbout() = 0;
    // Prints chars on the system's default printer as one job titled jobName.
    virtual DocumentPrinter::Outcome print(const QString& chars, const QString& jobName) = 0;
    // The store that keeps the recent-files list.
    virtual SettingsStore& settings() = 0;
};
