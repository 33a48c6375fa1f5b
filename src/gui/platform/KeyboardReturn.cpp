#include "gui/platform/KeyboardReturn.h"

#include <QApplication>

KeyboardReturn::KeyboardReturn() : m_focused(QApplication::focusWidget()) {}

void KeyboardReturn::giveBack(QWidget* window, QWidget* fallback) const {
    if (window && window->window()->isVisible()) window->window()->activateWindow();
    QWidget* target = m_focused && m_focused->isVisible() ? m_focused.data() : fallback;
    if (target && target->isVisible()) target->setFocus();
}
