#include "gui/frame/ToolbarAccessible.h"

#include "gui/frame/ImageControl.h"
#include "gui/frame/Toolbar.h"
#include "gui/frame/ToolbarButtonAccessible.h"

ToolbarAccessible::ToolbarAccessible(Toolbar* toolbar)
    : QAccessibleWidget(toolbar, QAccessible::ToolBar) {}

Toolbar* ToolbarAccessible::toolbar() const { return static_cast<Toolbar*>(widget()); }

int ToolbarAccessible::childCount() const { return static_cast<int>(toolbar()->buttons().size()); }

QAccessibleInterface* ToolbarAccessible::child(int index) const {
    const QList<ImageControl*> buttons = toolbar()->buttons();
    if (index < 0 || index >= buttons.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(buttons.at(index));
}

int ToolbarAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child) return -1;
    const QList<ImageControl*> buttons = toolbar()->buttons();
    for (int i = 0; i < buttons.size(); ++i) {
        if (child->object() == buttons.at(i)) return i;
    }
    return -1;
}

QAccessibleInterface* ToolbarAccessible::factory(const QString& className, QObject* object) {
    // Called once for every class from the object's own up to QObject; answer for the object's
    // own class only.
    if (!object || className != QLatin1String(object->metaObject()->className())) return nullptr;
    if (auto* toolbar = qobject_cast<Toolbar*>(object)) return new ToolbarAccessible(toolbar);
    if (auto* button = qobject_cast<ImageControl*>(object)) {
        auto* toolbar = qobject_cast<Toolbar*>(button->parentWidget());
        if (toolbar && toolbar->buttons().contains(button))
            return new ToolbarButtonAccessible(button);
    }
    return nullptr;
}
