#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QAction;
class QMenu;
class QObject;

// The items of a document window's font menu: one per font family, captioned with the family's
// name as it is written (MenuText: a "&" in a name marks no mnemonic).
class FontMenu {
public:
    using Chosen = std::function<void(int index)>;

    // Makes items hold exactly one item per entry of families, in that order. items[0] is the
    // item the menu was built with and stays (captioned with the first family); the others are
    // replaced by new items of menu, whose choice calls chosen with the item's index, as long
    // as context lives. With no family at all, item 0 stays and is disabled.
    static void fill(QMenu& menu, std::vector<QAction*>& items, const QStringList& families,
                     QObject* context, const Chosen& chosen);
};
