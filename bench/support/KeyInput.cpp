#include "KeyInput.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

void KeyInput::press(QMainWindow* frame, Qt::Key key, Qt::KeyboardModifiers modifiers,
                     const QString& text) {
    QWidget* target = QApplication::focusWidget();
    if (!target) target = frame;
    QKeyEvent override(QEvent::ShortcutOverride, key, modifiers, text);
    override.setAccepted(false);
    QApplication::sendEvent(target, &override);
    if (!override.isAccepted() && triggerMenuShortcut(frame, key, modifiers)) return;
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &up);
}

bool KeyInput::triggerMenuShortcut(QMainWindow* frame, Qt::Key key,
                                   Qt::KeyboardModifiers modifiers) {
    const QKeySequence pressed(QKeyCombination(modifiers, key));
    // The commands reachable from the menu bar, as the shortcut map finds them.
    QList<QAction*> pending = frame->menuBar()->actions();
    while (!pending.isEmpty()) {
        QAction* a = pending.takeFirst();
        if (!a->isEnabled() || !a->isVisible()) continue;
        if (QMenu* sub = QMenu::menuInAction(a)) {
            pending += sub->actions();
            continue;
        }
        if (a->shortcuts().contains(pressed)) {
            a->trigger();
            return true;
        }
    }
    return false;
}
