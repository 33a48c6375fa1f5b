#pragma once

#include <QMdiSubWindow>
#include <QString>
#include <array>
#include <memory>
#include <vector>

#include "gui/document/Document.h"

class QAction;
class QMenu;
class TextBox;
class Workspace;
struct DocumentState;

// A document window: one text box, Text1, that always fills the window, and the menu through
// which the user works on it. The window finds its slot's state through its tag; its menus stand
// on the frame's menu bar while it is the active window. What it cannot do itself (a new window,
// opening a file, arranging the windows, the toolbar, a recent file, ending the program) it asks
// for with a signal that the frame connects.
class frmNotePad : public QMdiSubWindow {
    Q_OBJECT
public:
    static inline const QString UntitledCaption = QStringLiteral("Senza nomme");

    explicit frmNotePad(Workspace& workspace);
    ~frmNotePad() override;

    // The tag holds the slot number as decimal text. Setting it the first time loads the window.
    QString Tag() const { return m_tag; }
    void setTag(const QString& tag);
    int slot() const;
    DocumentState& documentState();

    // The caption shown in the title bar and in the window list. Once the document holds a
    // file, it shows the file's path in upper case.
    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    // The document the window shows: its text, file and state, which the commands work on.
    Document& document() { return *m_document; }
    const Document& document() const { return *m_document; }

    TextBox* Text1 = nullptr;

    // Menu tree; the top-level menus go on the frame's menu bar while this window is active.
    QMenu* mnufile = nullptr;
    QAction* mnuFNew = nullptr;
    QAction* mnuFOpen = nullptr;
    QAction* mnuFClose = nullptr;
    QAction* mnuFSave = nullptr;
    QAction* mnuFSaveAs = nullptr;
    QAction* mnufprint = nullptr;
    QAction* mnuFExit = nullptr;
    std::array<QAction*, 5> mnuRecentFile{};
    QMenu* mnuEdit = nullptr;
    QAction* mnuECut = nullptr;
    QAction* mnuECopy = nullptr;
    QAction* mnuEPaste = nullptr;
    QAction* mnuEDelete = nullptr;
    QAction* mnuESelectAll = nullptr;
    QAction* mnuETime = nullptr;
    QMenu* mnuSearch = nullptr;
    QAction* mnuSFind = nullptr;
    QAction* mnuSFindNext = nullptr;
    QMenu* mnuOptions = nullptr;
    QAction* mnuOToolbar = nullptr;
    // The font and colour submenus and their items exist once the Options menu has opened.
    QMenu* mnuFont = nullptr;
    std::vector<QAction*> mnuFontName;
    QMenu* mnuSettingsItem = nullptr;
    std::array<QAction*, 3> mnuBackColorItem{};
    QMenu* mnuColorsItem = nullptr;
    std::array<QAction*, 3> mnuForeColorItem{};
    QMenu* mnuBlueMenu = nullptr;
    std::array<QAction*, 2> mnuBlueItem{};
    QMenu* mnuDarkBlueMenu = nullptr;
    std::array<QAction*, 2> mnuDarkBlueItem{};
    QMenu* mnuWindow = nullptr;
    QAction* mnuWCascade = nullptr;
    QAction* mnuWTile = nullptr;
    QAction* mnuAbout = nullptr;

    // The menus and commands the frame puts on its menu bar, in order.
    QList<QAction*> menuBarActions() const;

    // The save question. Sets cancel to true to keep the window open.
    void Form_QueryUnload(bool& cancel);
    // Closes the window without the save question: the caller has already asked it.
    void closeAfterQuery();
    // True once the window has closed and freed its slot (it is then only waiting to be deleted).
    bool isUnloaded() const { return m_unloaded; }

signals:
    void newRequested();
    void openRequested();
    void exitRequested();
    void cascadeRequested();
    void tileRequested();
    // The toolbar item of the Options menu was chosen; its tick is still the one the menu showed.
    void toolbarItemChosen();
    void recentFileChosen(const QString& path);
    // The window is closing (after the save question), while it is still the active one.
    void aboutToClose();
    // The window has closed and freed its slot, and no other document window is open.
    void lastDocumentClosed();
    // The window has closed for good (its slot is free).
    void closed();

public slots:
    void mnuFNew_Click();
    void mnuFOpen_Click();
    void mnuFClose_Click();
    void mnuFSave_Click();
    void mnuFSaveAs_Click();
    void mnufprint_Click();
    void mnuFExit_Click();
    void mnuRecentFile_Click(int index);
    void mnuECut_Click();
    void mnuECopy_Click();
    void mnuEPaste_Click();
    void mnuEDelete_Click();
    void mnuESelectAll_Click();
    void mnuETime_Click();
    void mnuSFind_Click();
    void mnuSFindNext_Click();
    void mnuOptions_Click();
    void mnuOToolbar_Click();
    void mnuFontName_Click(int index);
    void mnuBackColorItem_Click(int index);
    void mnuForeColorItem_Click(int index);
    void mnuBlueItem_Click(int index);
    void mnuDarkBlueItem_Click(int index);
    void mnuWCascade_Click();
    void mnuWTile_Click();
    void mnuAbout_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
    void Text1_Change();
    void Text1_GotFocus();
    void createMenus();
    void createOptionsSubmenus();
    // An item of menu that calls handler with index when chosen; the caller puts it in the menu.
    QAction* indexedAction(QMenu* menu, const QString& caption, void (frmNotePad::*handler)(int),
                           int index);
    void fillWindowList();
    void clearWindowList();

    Workspace& m_workspace;
    std::unique_ptr<Document> m_document;
    QString m_tag;
    bool m_loaded = false;
    bool m_queried = false;
    bool m_unloaded = false;
    QList<QAction*> m_windowListActions;
};
