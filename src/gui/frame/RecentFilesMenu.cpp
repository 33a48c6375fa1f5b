#include "gui/frame/RecentFilesMenu.h"

#include <QAction>
#include <algorithm>

#include "core/files/NativePath.h"
#include "core/files/RecentList.h"
#include "core/platform/MenuText.h"
#include "gui/document/frmNotePad.h"
#include "gui/frame/AppState.h"
#include "gui/platform/DialogService.h"

RecentFilesMenu::RecentFilesMenu(SettingsStore& store, AppState& state, DialogService& dialogs,
                                 QWidget& window, const Items& frameItems)
    : m_store(store),
      m_state(state),
      m_dialogs(dialogs),
      m_window(window),
      m_frameItems(frameItems) {}

QString RecentFilesMenu::recentEntry(const QAction* item) { return item->data().toString(); }

void RecentFilesMenu::setRecentEntry(QAction* item, const QString& path) {
    // The caption is the path as it is: "&" marks no mnemonic here, and a tab would start the
    // shortcut column.
    QString caption = MenuText::escaped(NativePath::readable(path));
    caption.replace(QLatin1Char('\t'), QLatin1Char(' '));
    item->setSeparator(false);
    item->setText(caption);
    item->setData(path);
    item->setVisible(true);
}

void RecentFilesMenu::LoadRecentList() {
    const QStringList entries = RecentList(m_store).entries();
    const int count = std::min(static_cast<int>(entries.size()), RecentList::Capacity);
    for (int position = 1; position <= count; ++position) {
        const QString& path = entries.at(position - 1);
        // The frame's own separator already opens the block, so the entry of position p goes
        // into item p - 1: the first one into the item that is a separator on a document window.
        m_frameItems[0]->setVisible(true);
        setRecentEntry(m_frameItems[position - 1], path);
        for (int slot = 1; slot <= m_state.slotTables.upperBound(); ++slot) {
            if (m_state.slotTables.state(slot).Free != DocumentState::False) continue;
            frmNotePad* w = m_state.slotTables.window(slot);
            if (!w) continue;
            w->mnuRecentFile[0]->setVisible(true);
            setRecentEntry(w->mnuRecentFile[position], path);
        }
    }
}

void RecentFilesMenu::StoreRecentList(const QString& path) {
    if (RecentList(m_store).store(path)) return;
    const QString prompt =
        QStringLiteral("'A lista d''e file arapute urdeme nun s'è pututa astipa'.");
    m_dialogs.messageBox(&m_window, prompt, DialogService::Buttons::Ok,
                         DialogService::Icon::Exclamation, DialogService::MessageTitle);
}

bool RecentFilesMenu::IsInRecentList(const QString& path) const {
    // The items that carry entries on the frame: 0 to 3 (item 4 never gets one).
    for (int i = 0; i < RecentList::Capacity; ++i) {
        if (recentEntry(m_frameItems[i]) == path) return true;
    }
    return false;
}

void RecentFilesMenu::RememberRecentFile(const QString& path) {
    if (path.isEmpty()) return;
    // Another running copy of the program may have changed the stored list since the menus
    // were last filled; the menus are what IsInRecentList looks at.
    LoadRecentList();
    if (!IsInRecentList(path)) StoreRecentList(path);
    LoadRecentList();
}
