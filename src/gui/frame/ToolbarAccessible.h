#pragma once

#include <QAccessibleWidget>

class Toolbar;

// What a screen reader learns of the toolbar: a tool bar whose children are its five picture
// buttons (the hidden picture stores are no controls and are left out). ToolbarButtonAccessible
// speaks for each button.
class ToolbarAccessible : public QAccessibleWidget {
public:
    explicit ToolbarAccessible(Toolbar* toolbar);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    // Hands out the accessible interfaces of the toolbar and of its buttons; installed with
    // QAccessible::installFactory. Returns null for every other object.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

private:
    Toolbar* toolbar() const;
};
