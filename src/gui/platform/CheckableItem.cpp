#include "gui/platform/CheckableItem.h"

#include <QAction>

void CheckableItem::connect(QAction* item, std::function<void()> command) {
    item->setCheckable(true);
    QObject::connect(item, &QAction::triggered, item,
                     [item, command = std::move(command)](bool checked) {
                         item->setChecked(!checked);
                         command();
                     });
}
