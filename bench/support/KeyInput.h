#pragma once

#include <QString>
#include <Qt>

class QMainWindow;

// Key presses delivered as the window system delivers them: the focused widget is first asked
// whether it wants the key (ShortcutOverride); when it does not, a menu command with that
// shortcut gets it; otherwise the widget receives the press and the release.
class KeyInput {
public:
    static void press(QMainWindow* frame, Qt::Key key, Qt::KeyboardModifiers modifiers = {},
                      const QString& text = QString());

private:
    static bool triggerMenuShortcut(QMainWindow* frame, Qt::Key key,
                                    Qt::KeyboardModifiers modifiers);
};
