#pragma once

#include <QString>
#include <array>

class DialogService;
class QAction;
class QWidget;
class SettingsStore;
struct AppState;

// The recent-files block of the File menus: the frame's own and every open document window's,
// filled from the stored list. On the frame item 0 is a separator until it carries the first
// entry and items 0 to 3 carry entries; on a document window item 0 stays the separator and items
// 1 to 4 carry them.
class RecentFilesMenu {
public:
    using Items = std::array<QAction*, 5>;

    // frameItems are the frame's five items; window is where a failure to store is reported.
    RecentFilesMenu(SettingsStore& store, AppState& state, DialogService& dialogs, QWidget& window,
                    const Items& frameItems);

    // Reads the stored list into the File menus of the frame and of every open document window.
    void LoadRecentList();
    // Puts a path at the head of the stored list; tells the user when that failed.
    void StoreRecentList(const QString& path);
    // Whether a path is one of the entries the frame's menu shows.
    bool IsInRecentList(const QString& path) const;
    // Stores a path not yet listed and refreshes the menus.
    void RememberRecentFile(const QString& path);

    // The path an item carries ("" for an item that carries none), and giving an item a path:
    // its caption shows the path as it is, and the item becomes visible.
    static QString recentEntry(const QAction* item);
    static void setRecentEntry(QAction* item, const QString& path);

private:
    SettingsStore& m_store;
    AppState& m_state;
    DialogService& m_dialogs;
    QWidget& m_window;
    Items m_frameItems;
};
