#pragma once

#include <QAccessibleWidget>

class ImageControl;

// A toolbar picture button as a screen reader sees it: a push button named like its menu
// command, whose press action runs the same handler as a click with the mouse. The pictures and
// the mouse handling of the button are not touched.
class ToolbarButtonAccessible : public QAccessibleWidget {
public:
    explicit ToolbarButtonAccessible(ImageControl* button);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    ImageControl* button() const;
};
