#pragma once

#include <functional>

class QAction;

// A menu item with a tick that its command sets itself. Choosing a checkable item flips its tick
// before triggered() arrives; the command is to start from the tick the menu showed, so that
// early flip is undone first.
class CheckableItem {
public:
    // Makes item checkable and runs command whenever it is chosen.
    static void connect(QAction* item, std::function<void()> command);
};
