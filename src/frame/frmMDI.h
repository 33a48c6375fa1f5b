#pragma once

#include <QMainWindow>
#include <array>
#include <memory>

#include "frame/AppState.h"

class DialogService;
class FileCommands;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class SearchCommands;
class SettingsStore;
class Toolbar;
class frmNotePad;

// The program's frame: the one top-level window, whose document area holds the document windows.
// It owns the shared state, the toolbar, the dialog service and its own small menu, which is on
// the menu bar only while no document window is open.
class frmMDI : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMDI(std::unique_ptr<DialogService> dialogs);
    ~frmMDI() override;

    // The per-user settings store that keeps the recent-files list; tests hand in their own.
    SettingsStore& settingsStore() { return *m_settings; }
    void setSettingsStore(std::unique_ptr<SettingsStore> store);

    // The start-up sequence: shows the frame, creates the slot tables with the start-up window in
    // slot 1, loads the recent-files list and sets the search direction to down.
    void MDIForm_Load();

    // The frame's own caption. The window title shows more while a document window is
    // maximised; the save question is titled with this.
    static QString Caption();

    AppState& state() { return m_state; }
    DialogService& dialogs() { return *m_dialogs; }
    FileCommands& files() { return *m_files; }
    Toolbar* picToolbar() const { return m_toolbar; }
    QMdiArea* mdiArea() const { return m_mdi; }
    SearchCommands& searchCommands() { return *m_search; }

    // The active document window (the one the user last activated), or null when none is open.
    frmNotePad* activeDocument() const;

    // File, New: a new empty untitled window in the lowest free slot.
    void NewDocumentWindow();
    // A fresh document window for a slot just handed out by FindFreeSlot (tag set, not shown).
    frmNotePad* createWindowInSlot(int slot);
    // Shows a document window inside the document area and makes it the active one.
    void showDocument(frmNotePad* w);
    // Tells the user that no more document windows can be opened.
    void reportNoFreeSlot();

    // Called as a document window is about to close: when it is the active window, the document
    // window that was active before it becomes the active one. Does nothing for a window that
    // is not the active one, or when no other document window is open.
    void activatePreviousDocument(frmNotePad* closing);

    // Arranging the document windows.
    void cascadeDocuments();
    void tileDocuments();

    // Brings the menu bar in step with the active document window (or the frame's own menu).
    void updateMenuBar();

    // Recent files. LoadRecentList reads the stored list into the File menus of the frame and
    // of every open document window; StoreRecentList puts a path at the head of the stored list;
    // IsInRecentList tells whether a path is one of the entries the frame's menu shows;
    // RememberRecentFile stores a path not yet listed and refreshes the menus.
    void LoadRecentList();
    void StoreRecentList(const QString& path);
    bool IsInRecentList(const QString& path) const;
    void RememberRecentFile(const QString& path);
    // A recent file chosen in the frame's or a document window's File menu: opens it in a new
    // window, refreshes the menus and brings back hidden edit buttons.
    void reopenRecentFile(const QString& path);
    // The path a recent-file item carries ("" for an item that carries none), and giving an
    // item a path: its caption shows the path as it is, and the item becomes visible.
    static QString recentEntry(const QAction* item);
    static void setRecentEntry(QAction* item, const QString& path);

    // The toolbar item of an Options menu was chosen in window (the frame or a document window):
    // flips that item's tick, carries it over to the frame's item, and shows or hides the toolbar
    // to match.
    void ToggleToolbar(QWidget& window);

    // Shows Cut, Copy and Paste again after they were hidden because no document was open.
    void showHiddenEditButtons();

    // The frame's own menu items.
    QMenu* mnuFile = nullptr;
    QAction* mnuFNew = nullptr;
    QAction* mnuFOpen = nullptr;
    QAction* mnuFExit = nullptr;
    QAction* mnuSeparator = nullptr;
    std::array<QAction*, 5> mnuRecentFile{};
    QMenu* mnuOptions = nullptr;
    QAction* mnuOToolbar = nullptr;

public slots:
    void mnuFNew_Click();
    void mnuFOpen_Click();
    void mnuFExit_Click();
    void mnuOptions_Click();
    void mnuOToolbar_Click();
    void mnuRecentFile_Click(int index);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void createMenus();
    void MDIForm_Unload();

    AppState m_state;
    std::unique_ptr<DialogService> m_dialogs;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<FileCommands> m_files;
    QMdiArea* m_mdi = nullptr;
    Toolbar* m_toolbar = nullptr;
    SearchCommands* m_search = nullptr;  // a child: it goes after the document windows
};
