#include "gui/frame/ToolbarButtonAccessible.h"

#include "gui/frame/ImageControl.h"

ToolbarButtonAccessible::ToolbarButtonAccessible(ImageControl* button)
    : QAccessibleWidget(button, QAccessible::Button) {}

ImageControl* ToolbarButtonAccessible::button() const {
    return static_cast<ImageControl*>(widget());
}

QStringList ToolbarButtonAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    names.prepend(pressAction());
    return names;
}

void ToolbarButtonAccessible::doAction(const QString& actionName) {
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // A hidden button cannot be clicked, so it cannot be pressed either.
    ImageControl* b = button();
    if (!b->isVisibleTo(b->window())) return;
    // Run after the screen reader's request has been answered: Open shows a modal dialog, and a
    // request that waited for it would hold the screen reader until the dialog closed.
    QMetaObject::invokeMethod(
        b, [b] { emit b->Click(); }, Qt::QueuedConnection);
}

QStringList ToolbarButtonAccessible::keyBindingsForAction(const QString&) const { return {}; }
