#include "gui/document/FontMenu.h"

#include <QAction>
#include <QMenu>

#include "core/platform/MenuText.h"

void FontMenu::fill(QMenu& menu, std::vector<QAction*>& items, const QStringList& families,
                    QObject* context, const Chosen& chosen) {
    if (items.empty()) return;
    for (std::size_t i = 1; i < items.size(); ++i) delete items[i];
    items.resize(1);
    if (families.isEmpty()) {
        // Nothing to choose from: the item's caption is no font's name.
        items[0]->setEnabled(false);
        return;
    }
    items[0]->setText(MenuText::escaped(families.first()));
    items[0]->setEnabled(true);
    items.reserve(std::size_t(families.size()));
    // Adding them in one go lays the menu out once, not once per item.
    QList<QAction*> added;
    added.reserve(families.size() - 1);
    for (int i = 1; i < families.size(); ++i) {
        auto* a = new QAction(MenuText::escaped(families.at(i)), &menu);
        QObject::connect(a, &QAction::triggered, context, [chosen, i] { chosen(i); });
        added.append(a);
        items.push_back(a);
    }
    menu.addActions(added);
}
