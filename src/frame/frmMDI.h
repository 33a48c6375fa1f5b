#pragma once

#include <array>
#include <memory>

#include <QMainWindow>

#include "frame/AppState.h"

class DialogService;
class FileCommands;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class SearchCommands;
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

    // The start-up sequence: shows the frame, creates the slot tables with the start-up window in
    // slot 1, loads the recent-files list and sets the search direction to down.
    void MDIForm_Load();

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

    // Arranging the document windows.
    void cascadeDocuments();
    void tileDocuments();

    // Brings the menu bar in step with the active document window (or the frame's own menu).
    void updateMenuBar();

    // Recent files: reads the stored list into the File menus / remembers a path.
    void LoadRecentList();
    void RememberRecentFile(const QString& path);

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
    std::unique_ptr<FileCommands> m_files;
    QMdiArea* m_mdi = nullptr;
    Toolbar* m_toolbar = nullptr;
    SearchCommands* m_search = nullptr;  // a child: it goes after the document windows
};
