#include "gui/platform/ReleasingMenu.h"

#include <QTimer>

ReleasingMenu::ReleasingMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {}

void ReleasingMenu::hideEvent(QHideEvent* e) {
    QMenu::hideEvent(e);
    // Not while hiding: the item chosen is triggered after the menu has closed, in the same
    // call, and may still need what the opening made.
    QTimer::singleShot(0, this, &ReleasingMenu::release);
}

void ReleasingMenu::release() {
    if (isVisible()) return;
    if (testAttribute(Qt::WA_WState_Created)) destroy();
    emit released();
}
