#include "frame/frmMDI.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QIcon>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "document/EditCommands.h"
#include "document/TextBox.h"
#include "document/frmNotePad.h"
#include "files/FileCommands.h"
#include "files/RecentList.h"
#include "files/SettingsStore.h"
#include "frame/Toolbar.h"
#include "platform/DialogService.h"
#include "platform/Twips.h"
#include "search/SearchCommands.h"

frmMDI::frmMDI(std::unique_ptr<DialogService> dialogs)
    : m_dialogs(std::move(dialogs)),
      m_settings(std::make_unique<SettingsStore>(QStringLiteral("Notariello"),
                                                 QStringLiteral("Notariello"))),
      m_files(std::make_unique<FileCommands>(*this)) {
    setWindowTitle(Caption());
    // The program's icon at its two drawn sizes, and at those sizes on screens of 1.5, 2 and 3
    // times the usual density; every document window takes it over.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 96})
        icon.addFile(QStringLiteral(":/icons/tavulella-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_toolbar = new Toolbar(central);
    m_mdi = new QMdiArea(central);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_mdi, 1);
    setCentralWidget(central);

    connect(m_toolbar, &Toolbar::newClicked, this, &frmMDI::NewDocumentWindow);
    connect(m_toolbar, &Toolbar::openClicked, this, [this] { m_files->OpenWithDialog(); });
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMDI::updateMenuBar);
    m_search = new SearchCommands(*this);
    connect(m_toolbar, &Toolbar::cutClicked, this, [this] { EditCommands::CutSelection(*this); });
    connect(m_toolbar, &Toolbar::copyClicked, this, [this] { EditCommands::CopySelection(*this); });
    connect(m_toolbar, &Toolbar::pasteClicked, this,
            [this] { EditCommands::PasteClipboard(*this); });

    createMenus();
    updateMenuBar();

    // The document area starts 8115 x 4530 twips, below the menu bar; the frame is centred.
    resize(Twips::toPixels(8115), Twips::toPixels(4530) + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

frmMDI::~frmMDI() {
    // QMdiArea announces its last deactivation from its own destructor, after ours has run.
    disconnect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMDI::updateMenuBar);
}

void frmMDI::createMenus() {
    mnuFile = new QMenu(QStringLiteral("&File"), this);
    mnuFNew = mnuFile->addAction(QStringLiteral("&Nova"), this, &frmMDI::mnuFNew_Click);
    mnuFOpen = mnuFile->addAction(QStringLiteral("&Arape"), this, &frmMDI::mnuFOpen_Click);
    mnuFExit = mnuFile->addAction(QStringLiteral("J&ammuncenne"), this, &frmMDI::mnuFExit_Click);
    mnuSeparator = mnuFile->addSeparator();
    // Item 0 is the separator that opens the recent-files block until it carries an entry.
    mnuRecentFile[0] = mnuFile->addAction(QStringLiteral("-"));
    mnuRecentFile[0]->setSeparator(true);
    for (int i = 1; i <= 4; ++i)
        mnuRecentFile[i] = mnuFile->addAction(QStringLiteral("FileRecente%1").arg(i));
    for (int i = 0; i <= 4; ++i) {
        mnuRecentFile[i]->setVisible(false);
        connect(mnuRecentFile[i], &QAction::triggered, this, [this, i] { mnuRecentFile_Click(i); });
    }

    mnuOptions = new QMenu(QStringLiteral("&C'amma fa"), this);
    connect(mnuOptions, &QMenu::aboutToShow, this, &frmMDI::mnuOptions_Click);
    mnuOToolbar = mnuOptions->addAction(QStringLiteral("&'E strumente"));
    mnuOToolbar->setCheckable(true);
    // Choosing a checkable item flips its tick before triggered() arrives; ToggleToolbar flips
    // it itself, from the tick the menu showed, so the early flip is undone first.
    connect(mnuOToolbar, &QAction::triggered, this, [this](bool checked) {
        mnuOToolbar->setChecked(!checked);
        mnuOToolbar_Click();
    });
}

void frmMDI::setSettingsStore(std::unique_ptr<SettingsStore> store) {
    m_settings = std::move(store);
}

void frmMDI::MDIForm_Load() {
    show();
    // Without a window manager nobody else gives the frame the keyboard.
    activateWindow();
    raise();

    QDir::setCurrent(QCoreApplication::applicationDirPath());

    m_state.slotTables.create();
    frmNotePad* first = new frmNotePad(*this);
    m_state.slotTables.window(1) = first;
    m_mdi->addSubWindow(first);
    first->setTag(QStringLiteral("1"));
    showDocument(first);
    m_state.slotTables.state(1).Changed = DocumentState::False;

    LoadRecentList();
    m_state.search.SearchDirection = 1;
}

QString frmMDI::Caption() { return QStringLiteral("Tavulella"); }

frmNotePad* frmMDI::activeDocument() const {
    auto* w = qobject_cast<frmNotePad*>(m_mdi->currentSubWindow());
    if (!w || w->Tag().isEmpty()) return nullptr;
    if (m_state.slotTables.state(w->slot()).Free != DocumentState::False) return nullptr;
    return w;
}

frmNotePad* frmMDI::createWindowInSlot(int slot) {
    QPointer<frmNotePad>& entry = m_state.slotTables.window(slot);
    // A closed window may still be waiting for its deletion; the slot gets a fresh one anyway.
    if (!entry || entry->isUnloaded()) {
        entry = new frmNotePad(*this);
        m_mdi->addSubWindow(entry);
    }
    entry->setTag(QString::number(slot));
    return entry;
}

void frmMDI::showDocument(frmNotePad* w) {
    w->show();
    m_mdi->setActiveSubWindow(w);
    w->widget()->setFocus();
}

void frmMDI::reportNoFreeSlot() {
    m_dialogs->messageBox(this, QStringLiteral("Nun se ponno arape' cchiu' fenestre."),
                          DialogService::Buttons::Ok, DialogService::Icon::Exclamation,
                          QStringLiteral("MDI"));
}

void frmMDI::NewDocumentWindow() {
    const int slot = m_state.slotTables.FindFreeSlot();
    if (slot == 0) {
        reportNoFreeSlot();
        return;
    }
    frmNotePad* w = createWindowInSlot(slot);
    w->setCaption(QStringLiteral("Senza nomme:") + QString::number(slot));
    showDocument(w);
    m_toolbar->setEditButtonsVisible(true);
}

void frmMDI::activatePreviousDocument(frmNotePad* closing) {
    if (m_mdi->activeSubWindow() != closing) return;
    // The document area keeps the order in which its windows were last active, whatever order
    // it arranges and cycles them in; the most recent one before the closing window wins.
    const QList<QMdiSubWindow*> history = m_mdi->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = history.crbegin(); it != history.crend(); ++it) {
        auto* w = qobject_cast<frmNotePad*>(*it);
        if (!w || w == closing || w->isUnloaded() || w->isHidden()) continue;
        m_mdi->setActiveSubWindow(w);
        return;
    }
}

void frmMDI::cascadeDocuments() {
    // In creation order, each window one title bar down and to the right of the one before, so
    // that every title bar stays readable; the active window takes the last place, on top, and
    // stays active.
    QMdiSubWindow* active = m_mdi->activeSubWindow();
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (w->isMaximized()) w->showNormal();
        if (w != active && w->isVisible() && !w->isMinimized()) windows.append(w);
    }
    if (active && active->isVisible() && !active->isMinimized()) windows.append(active);
    if (windows.isEmpty()) return;

    const QRect area = m_mdi->viewport()->rect();
    // The title bar is the part of a window above its contents.
    const QMargins frame = windows.first()->contentsMargins();
    const int step = std::max(frame.top(), 1);
    // The smallest window keeps its title bar and a line or two of its text.
    const QSize least(windows.first()->minimumSizeHint().width(), 2 * step + frame.bottom());
    // As many as fit one below the other with the smallest window at the foot; the rest start
    // again at the top, further right. The last one still ends at the right edge.
    const int count = static_cast<int>(windows.size());
    const int perColumn = std::clamp((area.height() - least.height()) / step + 1, 1, count);
    const int width = std::max(area.width() - (count - 1) * step, least.width());
    const int height = std::max(area.height() - (perColumn - 1) * step, least.height());
    for (int i = 0; i < count; ++i) {
        const int row = i % perColumn;
        const int column = i / perColumn;
        windows[i]->setGeometry((row + column * perColumn) * step, row * step, width, height);
        windows[i]->raise();
    }
    if (active) m_mdi->setActiveSubWindow(active);
}

void frmMDI::tileDocuments() {
    // Full-width bands stacked top to bottom in creation order, together filling the area.
    QList<QMdiSubWindow*> bands;
    for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (w->isMaximized()) w->showNormal();
        if (w->isVisible() && !w->isMinimized()) bands.append(w);
    }
    if (bands.isEmpty()) return;
    const QRect area = m_mdi->viewport()->rect();
    const int height = area.height() / static_cast<int>(bands.size());
    int top = 0;
    for (int i = 0; i < bands.size(); ++i) {
        const bool last = i == bands.size() - 1;
        const int h = last ? area.height() - top : height;
        bands[i]->setGeometry(0, top, area.width(), h);
        top += h;
    }
}

void frmMDI::updateMenuBar() {
    frmNotePad* doc = activeDocument();
    if (!doc && m_state.slotTables.upperBound() > 0 && m_state.slotTables.HasOpenDocuments()) {
        // Between two windows (one closing, the next not yet active): keep what is shown.
        if (!menuBar()->actions().isEmpty()) return;
    }
    menuBar()->clear();
    if (doc) {
        menuBar()->addActions(doc->menuBarActions());
    } else {
        menuBar()->addMenu(mnuFile);
        menuBar()->addMenu(mnuOptions);
    }
}

void frmMDI::showHiddenEditButtons() {
    if (m_state.EditButtonsHidden == DocumentState::False) return;
    m_toolbar->setEditButtonsVisible(true);
    m_state.EditButtonsHidden = DocumentState::False;
}

QString frmMDI::recentEntry(const QAction* item) { return item->data().toString(); }

void frmMDI::setRecentEntry(QAction* item, const QString& path) {
    // The caption is the path as it is: "&" marks no mnemonic here, and a tab would start the
    // shortcut column.
    QString caption = path;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    caption.replace(QLatin1Char('\t'), QLatin1Char(' '));
    item->setSeparator(false);
    item->setText(caption);
    item->setData(path);
    item->setVisible(true);
}

void frmMDI::LoadRecentList() {
    const QStringList entries = RecentList(*m_settings).entries();
    const int count = std::min(static_cast<int>(entries.size()), RecentList::Capacity);
    for (int position = 1; position <= count; ++position) {
        const QString& path = entries.at(position - 1);
        // The frame's own separator already opens the block, so the entry of position p goes
        // into item p - 1: the first one into the item that is a separator on a document window.
        mnuRecentFile[0]->setVisible(true);
        setRecentEntry(mnuRecentFile[position - 1], path);
        for (int slot = 1; slot <= m_state.slotTables.upperBound(); ++slot) {
            if (m_state.slotTables.state(slot).Free != DocumentState::False) continue;
            frmNotePad* w = m_state.slotTables.window(slot);
            if (!w) continue;
            w->mnuRecentFile[0]->setVisible(true);
            setRecentEntry(w->mnuRecentFile[position], path);
        }
    }
}

void frmMDI::StoreRecentList(const QString& path) {
    if (RecentList(*m_settings).store(path)) return;
    const QString prompt =
        QStringLiteral("'A lista d''e file arapute urdeme nun s'è pututa astipa'.");
    m_dialogs->messageBox(this, prompt, DialogService::Buttons::Ok,
                          DialogService::Icon::Exclamation, QStringLiteral("MDI"));
}

bool frmMDI::IsInRecentList(const QString& path) const {
    // The items that carry entries on the frame: 0 to 3 (item 4 never gets one).
    for (int i = 0; i < RecentList::Capacity; ++i) {
        if (recentEntry(mnuRecentFile[i]) == path) return true;
    }
    return false;
}

void frmMDI::RememberRecentFile(const QString& path) {
    if (path.isEmpty()) return;
    // Another running copy of the program may have changed the stored list since the menus
    // were last filled; the menus are what IsInRecentList looks at.
    LoadRecentList();
    if (!IsInRecentList(path)) StoreRecentList(path);
    LoadRecentList();
}

void frmMDI::reopenRecentFile(const QString& path) {
    if (path.isEmpty()) return;
    m_files->LoadFileIntoWindow(path);
    LoadRecentList();
    showHiddenEditButtons();
}

void frmMDI::ToggleToolbar(QWidget& window) {
    QAction* item = nullptr;
    if (&window == this) {
        item = mnuOToolbar;
    } else if (auto* doc = qobject_cast<frmNotePad*>(&window)) {
        item = doc->mnuOToolbar;
    }
    if (!item) return;
    item->setChecked(!item->isChecked());
    if (item != mnuOToolbar) mnuOToolbar->setChecked(item->isChecked());
    m_toolbar->setVisible(item->isChecked());
}

void frmMDI::mnuFNew_Click() { NewDocumentWindow(); }
void frmMDI::mnuFOpen_Click() { m_files->OpenWithDialog(); }
void frmMDI::mnuFExit_Click() { QCoreApplication::exit(0); }
void frmMDI::mnuOptions_Click() { mnuOToolbar->setChecked(!m_toolbar->isHidden()); }
void frmMDI::mnuOToolbar_Click() { ToggleToolbar(*this); }

void frmMDI::mnuRecentFile_Click(int index) {
    if (index < 0 || index >= static_cast<int>(mnuRecentFile.size())) return;
    reopenRecentFile(recentEntry(mnuRecentFile[index]));
}

void frmMDI::closeEvent(QCloseEvent* e) {
    // First every document window is asked; a Cancel anywhere stops the whole closing.
    QList<frmNotePad*> open;
    for (QMdiSubWindow* sw : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        auto* w = qobject_cast<frmNotePad*>(sw);
        if (!w || w->Tag().isEmpty()) continue;
        if (m_state.slotTables.state(w->slot()).Free != DocumentState::False) continue;
        open.append(w);
    }
    for (frmNotePad* w : std::as_const(open)) {
        bool cancel = false;
        w->Form_QueryUnload(cancel);
        if (cancel) {
            e->ignore();
            return;
        }
    }
    // Then all close, and the program ends.
    for (frmNotePad* w : std::as_const(open)) w->closeAfterQuery();
    e->accept();
    MDIForm_Unload();
}

void frmMDI::MDIForm_Unload() {
    if (!m_state.slotTables.HasOpenDocuments()) QCoreApplication::exit(0);
}
