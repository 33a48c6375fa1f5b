#pragma once

#include <QPointer>
#include <QWidget>

// Gives the keyboard back to a window and the widget in it that had it, once a dialog in front
// of them has closed. Where no window manager runs, nobody else activates that window again: its
// menu mnemonics and shortcuts would stay dead and typing would reach no widget.
class KeyboardReturn {
public:
    // Remembers the widget that has the keyboard now.
    KeyboardReturn();

    // Activates window, if it is still shown, and gives the keyboard to the widget remembered,
    // or to fallback when that one is gone or hidden.
    void giveBack(QWidget* window, QWidget* fallback = nullptr) const;

private:
    QPointer<QWidget> m_focused;
};
