#pragma once

#include <QString>

class QWidget;

// A launch's startup notification on X11 (the DESKTOP_STARTUP_ID its launcher gave it), applied
// to a window that is already on the screen: the window is marked as that launch's, activated
// with the launch's own time (the window manager lets the user's latest launch come to the
// front), and the launcher is told that the launch is over, so that its busy feedback ends.
class StartupNotice {
public:
    // Does nothing on other platforms, or when id is empty.
    static void apply(QWidget& window, const QString& id);
};
