#include "gui/document/frmNotePad.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QHash>
#include <QLocale>
#include <QMdiArea>
#include <QMenu>
#include <memory>

#include "core/files/NativePath.h"
#include "core/platform/MenuText.h"
#include "gui/document/DocumentPrinter.h"
#include "gui/document/EditCommands.h"
#include "gui/document/FontMenu.h"
#include "gui/document/ScrollingMenuStyle.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/AppState.h"
#include "gui/frame/RecentFilesMenu.h"
#include "gui/frame/Workspace.h"
#include "gui/platform/CheckableItem.h"
#include "gui/platform/DialogService.h"
#include "gui/platform/FormFont.h"
#include "gui/platform/KeyboardReturn.h"
#include "gui/platform/ReleasingMenu.h"
#include "gui/platform/SystemServices.h"
#include "gui/search/SearchCommands.h"
#include "gui/textbox/TextBox.h"

frmNotePad::frmNotePad(Workspace& workspace) : m_workspace(workspace) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(UntitledCaption);
    setWindowIcon(workspace.mainWindow().windowIcon());
    // The window has the font its text box draws with: the box, which takes it over, then lays
    // out its text in one font from the start (Qt matches every font it loads against every
    // installed font), and the title is drawn as the text is.
    const QFont formFont = TextBox::unshaped(FormFont::font());
    setFont(formFont);

    Text1 = new TextBox(this);
    Text1->setFont(formFont);
    setWidget(Text1);
    setFocusProxy(Text1);
    // A screen reader names the text box after its window.
    Text1->setAccessibleName(windowTitle());
    connect(this, &QWidget::windowTitleChanged, Text1, &QWidget::setAccessibleName);
    connect(Text1, &TextBox::Change, this, &frmNotePad::Text1_Change);
    connect(Text1, &TextBox::GotFocus, this, &frmNotePad::Text1_GotFocus);
    m_document = std::make_unique<Document>(workspace, *this, Text1->model());
    // The caption shows the document's file; the path a closed window announces ("") is none.
    connect(m_document.get(), &Document::filePathChanged, this,
            [this](const QString&, const QString& current) {
                if (!current.isEmpty()) setCaption(NativePath::readable(current).toUpper());
            });
    // A match that the Find dialog selects shows while the dialog keeps the focus.
    SearchCommands::keepSelectionShown(*Text1);

    createMenus();
}

frmNotePad::~frmNotePad() = default;

void frmNotePad::createMenus() {
    // The menus belong to the window; the frame shows them on its menu bar while it is active.
    // Each menu gives its window back when it closes (see ReleasingMenu), and its items join it
    // when it first opens: a window whose menus are never opened costs that much less memory.
    // An item with a shortcut joins at once: a shortcut acts only from a menu on the menu bar.
    QHash<QMenu*, std::shared_ptr<QList<QAction*>>> pending;
    auto menuOf = [this, &pending](const QString& title, QWidget* parent) {
        auto* menu = new ReleasingMenu(title, parent);
        auto items = std::make_shared<QList<QAction*>>();
        pending.insert(menu, items);
        connect(
            menu, &QMenu::aboutToShow, this,
            [menu, items] {
                // In their order: those that joined at once move among the others.
                menu->addActions(*items);
                items->clear();
            },
            Qt::SingleShotConnection);
        return menu;
    };
    auto item = [&pending](QMenu* menu, QAction* a) {
        pending.value(menu)->append(a);
        return a;
    };
    auto command = [this, &item](QMenu* menu, const QString& caption,
                                 void (frmNotePad::*handler)()) {
        QAction* a = item(menu, new QAction(caption, menu));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    auto indexed = [this, &item](QMenu* menu, const QString& caption,
                                 void (frmNotePad::*handler)(int), int index) {
        return item(menu, indexedAction(menu, caption, handler, index));
    };
    auto separator = [&item](QMenu* menu) {
        QAction* a = item(menu, new QAction(menu));
        a->setSeparator(true);
        return a;
    };
    auto withShortcut = [](QAction* a, const QKeySequence& key) {
        a->setShortcut(key);
        static_cast<QMenu*>(a->parent())->addAction(a);
    };

    ReleasingMenu* file = menuOf(QStringLiteral("&File"), this);
    mnufile = file;
    mnuFNew = command(mnufile, QStringLiteral("&Nova"), &frmNotePad::mnuFNew_Click);
    mnuFOpen = command(mnufile, QStringLiteral("&Arape"), &frmNotePad::mnuFOpen_Click);
    mnuFClose = command(mnufile, QStringLiteral("&Chiure"), &frmNotePad::mnuFClose_Click);
    mnuFSave = command(mnufile, QStringLiteral("Astipe"), &frmNotePad::mnuFSave_Click);
    mnuFSaveAs =
        command(mnufile, QStringLiteral("As&tipa co nomme..."), &frmNotePad::mnuFSaveAs_Click);
    separator(mnufile);
    mnufprint =
        command(mnufile, QStringLiteral("'&O niro 'ncoppo 'a carta"), &frmNotePad::mnufprint_Click);
    separator(mnufile);
    mnuFExit = command(mnufile, QStringLiteral("&Jammuncenne"), &frmNotePad::mnuFExit_Click);
    mnuRecentFile[0] = separator(mnufile);
    mnuRecentFile[0]->setVisible(false);
    for (int i = 1; i <= 4; ++i) {
        mnuRecentFile[i] = indexed(mnufile, QStringLiteral("FileRecente%1").arg(i),
                                   &frmNotePad::mnuRecentFile_Click, i);
        mnuRecentFile[i]->setVisible(false);
    }
    connect(mnufile, &QMenu::aboutToShow, this, &frmNotePad::fillWindowList);
    // The window list is made anew at each opening: kept, every window would hold an item for
    // every other.
    connect(file, &ReleasingMenu::released, this, &frmNotePad::clearWindowList);

    mnuEdit = menuOf(QStringLiteral("&Cagnamme"), this);
    mnuECut = command(mnuEdit, QStringLiteral("&Taglia"), &frmNotePad::mnuECut_Click);
    withShortcut(mnuECut, QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuECopy = command(mnuEdit, QStringLiteral("&Cuopie"), &frmNotePad::mnuECopy_Click);
    withShortcut(mnuECopy, QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuEPaste = command(mnuEdit, QStringLiteral("&'Ncolla"), &frmNotePad::mnuEPaste_Click);
    withShortcut(mnuEPaste, QKeySequence(Qt::CTRL | Qt::Key_V));
    mnuEDelete = command(mnuEdit, QStringLiteral("&Levamme"), &frmNotePad::mnuEDelete_Click);
    withShortcut(mnuEDelete, QKeySequence(Qt::Key_Delete));
    separator(mnuEdit);
    mnuESelectAll =
        command(mnuEdit, QStringLiteral("&Piglia tutte cose"), &frmNotePad::mnuESelectAll_Click);
    EditCommands::installContextMenu(*Text1,
                                     {mnuECut, mnuECopy, mnuEPaste, mnuEDelete, mnuESelectAll});
    mnuETime = command(mnuEdit, QStringLiteral("&Che ore songhe e quante n'avimme ogge"),
                       &frmNotePad::mnuETime_Click);

    mnuSearch = menuOf(QStringLiteral("C&ercamme"), this);
    mnuSFind = command(mnuSearch, QStringLiteral("&Truvamme"), &frmNotePad::mnuSFind_Click);
    mnuSFindNext = command(mnuSearch, QStringLiteral("Tru&vamme, truvamme sempe"),
                           &frmNotePad::mnuSFindNext_Click);
    withShortcut(mnuSFindNext, QKeySequence(Qt::Key_F3));

    mnuOptions = menuOf(QStringLiteral("C'&amma fa?"), this);
    mnuOToolbar = item(mnuOptions, new QAction(QStringLiteral("'E Strumiente"), mnuOptions));
    CheckableItem::connect(mnuOToolbar, [this] { mnuOToolbar_Click(); });
    // The font and colour submenus, five menus with their items, are made when the menu first
    // opens, after the item above has joined it: most windows never open them.
    connect(mnuOptions, &QMenu::aboutToShow, this, &frmNotePad::createOptionsSubmenus,
            Qt::SingleShotConnection);
    connect(mnuOptions, &QMenu::aboutToShow, this, &frmNotePad::mnuOptions_Click);

    mnuWindow = menuOf(QStringLiteral("Fe&nesta"), this);
    mnuWCascade = command(mnuWindow, QStringLiteral("&'A coppa"), &frmNotePad::mnuWCascade_Click);
    mnuWTile = command(mnuWindow, QStringLiteral("&Vicine"), &frmNotePad::mnuWTile_Click);

    mnuAbout = new QAction(QStringLiteral("C&hi songh'io"), this);
    connect(mnuAbout, &QAction::triggered, this, &frmNotePad::mnuAbout_Click);
}

QList<QAction*> frmNotePad::menuBarActions() const {
    return {mnufile->menuAction(),    mnuEdit->menuAction(),   mnuSearch->menuAction(),
            mnuOptions->menuAction(), mnuWindow->menuAction(), mnuAbout};
}

void frmNotePad::clearWindowList() {
    for (QAction* a : std::as_const(m_windowListActions)) {
        mnufile->removeAction(a);
        delete a;
    }
    m_windowListActions.clear();
}

void frmNotePad::fillWindowList() {
    // The File menu ends with one item per open document window, the active one ticked.
    clearWindowList();
    QMdiArea* area = mdiArea();
    if (!area) return;
    const auto windows = area->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty()) return;
    m_windowListActions.append(mnufile->addSeparator());
    QMdiSubWindow* active = area->currentSubWindow();
    for (QMdiSubWindow* w : windows) {
        QAction* a = mnufile->addAction(MenuText::escaped(w->windowTitle()));
        a->setCheckable(true);
        a->setChecked(w == active);
        QPointer<QMdiSubWindow> target(w);
        connect(a, &QAction::triggered, this, [area, target] {
            if (target) area->setActiveSubWindow(target);
        });
        m_windowListActions.append(a);
    }
}

void frmNotePad::setTag(const QString& tag) {
    m_tag = tag;
    m_document->setSlot(slot());
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

int frmNotePad::slot() const { return m_tag.toInt(); }

DocumentState& frmNotePad::documentState() { return m_workspace.state().slotTables.state(slot()); }

void frmNotePad::Form_Load() {
    // Nothing to read or fill here: the window's menus fill themselves when they first open, so
    // that a new window comes up at once however many fonts are installed.
}

QAction* frmNotePad::indexedAction(QMenu* menu, const QString& caption,
                                   void (frmNotePad::*handler)(int), int index) {
    auto* a = new QAction(caption, menu);
    connect(a, &QAction::triggered, this, [this, handler, index] { (this->*handler)(index); });
    return a;
}

void frmNotePad::createOptionsSubmenus() {
    auto submenu = [](QMenu* menu, const QString& title) {
        auto* sub = new ReleasingMenu(title, menu);
        menu->addAction(sub->menuAction());
        return sub;
    };
    auto indexed = [this](QMenu* menu, const QString& caption, void (frmNotePad::*handler)(int),
                          int index) {
        QAction* a = indexedAction(menu, caption, handler, index);
        menu->addAction(a);
        return a;
    };

    mnuFont = submenu(mnuOptions, QStringLiteral("&'A Parola"));
    mnuFontName.push_back(
        indexed(mnuFont, QStringLiteral("NomeCarattere"), &frmNotePad::mnuFontName_Click, 0));
    // The font menu lists the installed fonts the first time it opens. With hundreds of fonts it
    // scrolls rather than spread over more columns than the screen can show.
    auto* style = new ScrollingMenuStyle;
    style->setParent(mnuFont);
    mnuFont->setStyle(style);
    connect(
        mnuFont, &QMenu::aboutToShow, this,
        [this] {
            FontMenu::fill(*mnuFont, mnuFontName, QFontDatabase::families(), this,
                           [this](int index) { mnuFontName_Click(index); });
        },
        Qt::SingleShotConnection);

    mnuSettingsItem = submenu(mnuOptions, QStringLiteral("'O culore addereta"));
    const QString backCaptions[] = {QStringLiteral("Russe"), QStringLiteral("Verdine"),
                                    QStringLiteral("Blu'")};
    for (int i = 0; i < 3; ++i) {
        mnuBackColorItem[i] =
            indexed(mnuSettingsItem, backCaptions[i], &frmNotePad::mnuBackColorItem_Click, i);
    }
    mnuColorsItem = submenu(mnuOptions, QStringLiteral("'O culore d''a parola"));
    mnuForeColorItem[0] =
        indexed(mnuColorsItem, QStringLiteral("Russe"), &frmNotePad::mnuForeColorItem_Click, 0);
    mnuForeColorItem[1] =
        indexed(mnuColorsItem, QStringLiteral("Verde"), &frmNotePad::mnuForeColorItem_Click, 1);
    mnuBlueMenu = submenu(mnuColorsItem, QStringLiteral("Blu'"));
    mnuForeColorItem[2] = mnuBlueMenu->menuAction();
    mnuBlueItem[0] =
        indexed(mnuBlueMenu, QStringLiteral("Blu' chiarine"), &frmNotePad::mnuBlueItem_Click, 0);
    mnuDarkBlueMenu = submenu(mnuBlueMenu, QStringLiteral("Blu' 'o nniro"));
    mnuBlueItem[1] = mnuDarkBlueMenu->menuAction();
    mnuDarkBlueItem[0] = indexed(mnuDarkBlueMenu, QStringLiteral("Blummare'"),
                                 &frmNotePad::mnuDarkBlueItem_Click, 0);
    mnuDarkBlueItem[1] = indexed(mnuDarkBlueMenu, QStringLiteral("Mezanotte"),
                                 &frmNotePad::mnuDarkBlueItem_Click, 1);
}

void frmNotePad::resizeEvent(QResizeEvent* e) {
    QMdiSubWindow::resizeEvent(e);
    Form_Resize();
}

void frmNotePad::Form_Resize() {
    // The sub-window's layout keeps Text1 filling the client area; a minimised window or one
    // whose client area has no height is left alone.
    if (isMinimized() || !widget() || contentsRect().height() <= 0) return;
}

void frmNotePad::Text1_Change() {
    if (m_tag.isEmpty()) return;
    documentState().Changed = DocumentState::True;
}

void frmNotePad::Text1_GotFocus() { m_workspace.searchCommands().bringFindToFront(); }

void frmNotePad::Form_QueryUnload(bool& cancel) {
    if (documentState().Changed == DocumentState::False) return;
    const QString prompt = QStringLiteral("Coccosa dinte 'a [") + Caption() +
                           QStringLiteral("] è state cagnate.") + QChar(10) + QChar(13) +
                           QStringLiteral("Astipamme chello ca e' cagnate?");
    const auto answer =
        m_workspace.dialogs().messageBox(this, prompt, DialogService::Buttons::YesNoCancel,
                                         DialogService::Icon::Exclamation, Workspace::Caption());
    switch (answer) {
        case DialogService::Answer::Cancel:
        case DialogService::Answer::Ok:
            cancel = true;
            return;
        case DialogService::Answer::No:
            cancel = false;
            return;
        case DialogService::Answer::Yes:
            break;
    }
    // Yes: save first. A save that does not happen (dialog cancelled, write failed) keeps the
    // window open and changed, so that nothing typed is lost.
    FileCommands& files = m_workspace.files();
    const QString name = m_document->isUntitled()
                             ? files.AskSaveFileName(QStringLiteral("senzatit.txt"))
                             : m_document->filePath();
    cancel = name.isEmpty() || !files.WriteDocumentFile(name, *m_document);
}

void frmNotePad::closeAfterQuery() {
    m_queried = true;
    close();
}

void frmNotePad::closeEvent(QCloseEvent* e) {
    if (!m_queried && m_loaded) {
        bool cancel = false;
        Form_QueryUnload(cancel);
        if (cancel) {
            e->ignore();
            return;
        }
    }
    m_queried = false;
    // The window used before this one takes over now; left to itself, the document area would
    // hand the activation to a window by creation order.
    emit aboutToClose();
    QMdiSubWindow::closeEvent(e);
    if (e->isAccepted()) Form_Unload();
}

void frmNotePad::Form_Unload() {
    if (!m_loaded) return;
    documentState().Free = DocumentState::True;
    m_document->close();
    if (!m_workspace.state().slotTables.HasOpenDocuments()) emit lastDocumentClosed();
    m_loaded = false;
    m_unloaded = true;
    emit closed();
}

void frmNotePad::mnuFNew_Click() { emit newRequested(); }
void frmNotePad::mnuFOpen_Click() { emit openRequested(); }
void frmNotePad::mnuFClose_Click() { close(); }
void frmNotePad::mnuFSave_Click() { m_workspace.files().mnuFSave_Click(*m_document); }
void frmNotePad::mnuFSaveAs_Click() { m_workspace.files().mnuFSaveAs_Click(*m_document); }
void frmNotePad::mnuFExit_Click() { emit exitRequested(); }
void frmNotePad::mnuWCascade_Click() { emit cascadeRequested(); }
void frmNotePad::mnuWTile_Click() { emit tileRequested(); }

// Recent files.
void frmNotePad::mnuRecentFile_Click(int index) {
    // Item 0 is the separator that opens the block; 1 to 4 carry the entries.
    if (index < 1 || index >= static_cast<int>(mnuRecentFile.size())) return;
    emit recentFileChosen(RecentFilesMenu::recentEntry(mnuRecentFile[index]));
}

// Toolbar item of the Options menu.
void frmNotePad::mnuOptions_Click() { mnuOToolbar->setChecked(m_workspace.toolbarShown()); }
void frmNotePad::mnuOToolbar_Click() { emit toolbarItemChosen(); }

// Edit commands.
void frmNotePad::mnuECut_Click() { EditCommands::CutSelection(m_workspace); }
void frmNotePad::mnuECopy_Click() { EditCommands::CopySelection(m_workspace); }
void frmNotePad::mnuEPaste_Click() { EditCommands::PasteClipboard(m_workspace); }
void frmNotePad::mnuEDelete_Click() { EditCommands::deleteSelection(*m_document); }
void frmNotePad::mnuESelectAll_Click() {
    if (Document* doc = m_workspace.activeDocument()) EditCommands::selectAll(*doc);
}
void frmNotePad::mnuETime_Click() {
    EditCommands::insertDateTime(*m_document, QDateTime::currentDateTime(), QLocale());
}

// Search.
void frmNotePad::mnuSFind_Click() { m_workspace.searchCommands().Find(*m_document); }
void frmNotePad::mnuSFindNext_Click() { m_workspace.searchCommands().FindNext(*m_document); }

// Colours and font.
namespace {

// Sets one colour of the text box's palette, in every state of the box.
void setTextBoxColor(TextBox& box, QPalette::ColorRole role, const QColor& color) {
    QPalette pal = box.palette();
    pal.setColor(role, color);
    box.setPalette(pal);
}

}  // namespace

void frmNotePad::mnuFontName_Click(int index) {
    if (index < 0 || std::size_t(index) >= mnuFontName.size()) return;
    // Only the name changes: size, weight and style stay as they are.
    Text1->setFont(FormFont::withFamily(
        Text1->font(), MenuText::unescaped(mnuFontName[std::size_t(index)]->text())));
}

void frmNotePad::mnuBackColorItem_Click(int index) {
    switch (index) {
        case 0:
            setTextBoxColor(*Text1, QPalette::Base, QColor(255, 0, 0));
            break;
        case 1:
            setTextBoxColor(*Text1, QPalette::Base, QColor(0, 255, 0));
            break;
        case 2:
            setTextBoxColor(*Text1, QPalette::Base, QColor(0, 0, 255));
            break;
        default:
            break;
    }
}

void frmNotePad::mnuForeColorItem_Click(int index) {
    // Item 2 only opens the blue submenu.
    switch (index) {
        case 0:
            setTextBoxColor(*Text1, QPalette::Text, QColor(255, 0, 0));
            break;
        case 1:
            setTextBoxColor(*Text1, QPalette::Text, QColor(0, 255, 0));
            break;
        default:
            break;
    }
}

void frmNotePad::mnuBlueItem_Click(int index) {
    // Item 1 only opens the dark-blue submenu.
    if (index == 0) setTextBoxColor(*Text1, QPalette::Text, QColor(0, 150, 255));
}

void frmNotePad::mnuDarkBlueItem_Click(int index) {
    switch (index) {
        case 0:
            setTextBoxColor(*Text1, QPalette::Text, QColor(0, 50, 175));
            break;
        case 1:
            setTextBoxColor(*Text1, QPalette::Text, QColor(0, 0, 255));
            break;
        default:
            break;
    }
}

// Printing.
void frmNotePad::mnufprint_Click() {
    const DocumentPrinter::Outcome outcome =
        m_workspace.services().print(m_document->text().chars(), Caption());
    // A job that never reached the printer is reported instead of the usual message.
    QString prompt = QStringLiteral("Da' n'uocchio si sta stampanne bbuono! ");
    DialogService::Icon icon = DialogService::Icon::None;
    switch (outcome) {
        case DocumentPrinter::Outcome::Sent:
            break;
        case DocumentPrinter::Outcome::NoPrinter:
            prompt = QStringLiteral("Nun ce sta nisciuna stampante: nun se po' stampa' niente.");
            icon = DialogService::Icon::Exclamation;
            break;
        case DocumentPrinter::Outcome::PrinterError:
            prompt =
                QStringLiteral("'A stampante nun ha pigliato 'o lavoro: nun s'è stampato niente.");
            icon = DialogService::Icon::Exclamation;
            break;
    }
    m_workspace.dialogs().messageBox(this, prompt, DialogService::Buttons::Ok, icon,
                                     DialogService::MessageTitle);
}

// About box.
void frmNotePad::mnuAbout_Click() {
    const KeyboardReturn keyboard;
    m_workspace.services().showAbout();
    keyboard.giveBack(&m_workspace.mainWindow(), Text1);
}
