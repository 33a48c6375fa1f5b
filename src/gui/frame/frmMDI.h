#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>

#include "core/files/LaunchArguments.h"
#include "gui/frame/AppState.h"
#include "gui/frame/Workspace.h"

class DialogService;
class DiskWatcher;
class FileCommands;
class QAction;
class QMdiArea;
class QMenu;
class RecentFilesMenu;
class SearchCommands;
class SnapshotScheduler;
class SystemServices;
class Toolbar;
class frmNotePad;

// The program's frame: the one top-level window, whose document area holds the document windows.
// It owns the shared state, the toolbar, the dialog and outside services and its own small menu,
// which is on the menu bar only while no document window is open. It is the one place that
// connects the document windows' requests to the commands.
class frmMDI : public QMainWindow, public Workspace {
    Q_OBJECT
public:
    frmMDI(std::unique_ptr<DialogService> dialogs, std::unique_ptr<SystemServices> services);
    ~frmMDI() override;

    // Readies the application for the frame: its style, and the fonts the forms and the menus
    // draw with. Call once the application object exists, before the frame is made.
    static void prepareApplication();

    // The start-up sequence: shows the frame, creates the slot tables, opens the files given to
    // the program (as File, Open does), puts the start-up window in slot 1 when none of them
    // opened, loads the recent-files list and sets the search direction to down. Returns the
    // windows opened for the files. Without a start-up window (startWindow false) the frame
    // opens only the files.
    QList<frmNotePad*> MDIForm_Load(const QList<LaunchArguments::File>& files = {},
                                    bool startWindow = true);

    // What the commands and document windows see of the frame.
    QWidget& mainWindow() override { return *this; }
    DialogService& dialogs() override { return *m_dialogs; }
    SystemServices& services() override { return *m_services; }
    AppState& state() override { return m_state; }
    FileCommands& files() override { return *m_files; }
    SearchCommands& searchCommands() override { return *m_search; }
    frmNotePad* activeDocumentWindow() const override;
    Document* activeDocument() const override;
    frmNotePad* openDocumentWindow() override;
    void reportNoFreeSlot() override;
    void showDocument(frmNotePad& w) override;
    void RememberRecentFile(const QString& path) override;
    void showHiddenEditButtons() override;
    bool toolbarShown() const override;
    void documentSaved(Document& document) override;
    void documentRead(Document& document) override;

    Toolbar* picToolbar() const { return m_toolbar; }
    QMdiArea* mdiArea() const { return m_mdi; }
    RecentFilesMenu& recentFiles() { return *m_recent; }
    // The copies of unsaved documents: written as the user types, offered back at start-up.
    SnapshotScheduler& snapshots() { return *m_snapshots; }

    // From the moment the frame is asked to close until the closing is cancelled (a Cancel in a
    // save question) or the program ends.
    bool isClosing() const { return m_closing; }

    // File, New: a new empty untitled window in the lowest free slot; null when none is free
    // (the user has been told).
    frmNotePad* NewDocumentWindow();

    // The frame's own menu items.
    QMenu* mnuFile = nullptr;
    QAction* mnuFNew = nullptr;
    QAction* mnuFOpen = nullptr;
    QAction* mnuFExit = nullptr;
    QAction* mnuSeparator = nullptr;
    std::array<QAction*, 5> mnuRecentFile{};
    QMenu* mnuOptions = nullptr;
    QAction* mnuOToolbar = nullptr;

signals:
    // The last open document window has closed.
    void documentsAllClosed();

public slots:
    void mnuFNew_Click();
    void mnuFOpen_Click();
    void mnuFExit_Click();
    void mnuOptions_Click();
    void mnuOToolbar_Click();
    void mnuRecentFile_Click(int index);

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    // Files dragged from a file manager and dropped anywhere on the frame open as File, Open
    // opens them; the text boxes leave such drags to the frame.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    // Notes when the user last pressed a key anywhere in the program.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createMenus();
    void MDIForm_Unload();
    // A new document window inside the document area, its requests connected to the frame.
    frmNotePad* makeDocumentWindow();
    // Called as a document window is about to close: when it is the active window, the document
    // window that was active before it becomes the active one. Does nothing for a window that
    // is not the active one, or when no other document window is open.
    void activatePreviousDocument(frmNotePad* closing);
    // After the last document window has closed: the edit buttons go, the frame's menu comes.
    void lastDocumentClosed();
    // Arranging the document windows.
    void cascadeDocuments();
    void tileDocuments();
    // Brings the menu bar in step with the active document window (or the frame's own menu).
    void updateMenuBar();
    // A recent file chosen in the frame's or a document window's File menu: opens it in a new
    // window, refreshes the menus and brings back hidden edit buttons.
    void reopenRecentFile(const QString& path);
    // The toolbar item of an Options menu was chosen: item is the frame's or a document
    // window's. Flips that item's tick, carries it over to the frame's item, and shows or hides
    // the toolbar to match.
    void ToggleToolbar(QAction* item);
    // Has the active document window check its file on disk once the current event is done;
    // several reasons at one moment (the frame and a window becoming active) give one check. The
    // check, which may bring up a notice, waits until the user has paused TypingPauseMs in typing.
    void checkDiskSoon();
    void checkDisk();
    static constexpr int TypingPauseMs = 1000;

    AppState m_state;
    std::unique_ptr<DialogService> m_dialogs;
    std::unique_ptr<SystemServices> m_services;
    std::unique_ptr<FileCommands> m_files;
    std::unique_ptr<RecentFilesMenu> m_recent;
    std::unique_ptr<SnapshotScheduler> m_snapshots;
    QMdiArea* m_mdi = nullptr;
    Toolbar* m_toolbar = nullptr;
    SearchCommands* m_search = nullptr;  // a child: it goes after the document windows
    DiskWatcher* m_watcher = nullptr;
    bool m_diskCheckPending = false;
    bool m_closing = false;
    QElapsedTimer m_sinceKey;  // since the last key pressed
    QTimer m_typingPause;      // a check waits for the typing to pause
};
