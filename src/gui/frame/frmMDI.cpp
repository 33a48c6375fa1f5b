#include "gui/frame/frmMDI.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QIcon>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "core/files/DiskWatcher.h"
#include "core/files/SnapshotStore.h"
#include "core/platform/Twips.h"
#include "gui/document/EditCommands.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/RecentFilesMenu.h"
#include "gui/frame/SnapshotScheduler.h"
#include "gui/frame/Toolbar.h"
#include "gui/platform/CheckableItem.h"
#include "gui/platform/DialogService.h"
#include "gui/platform/FormFont.h"
#include "gui/platform/GenericFont.h"
#include "gui/platform/LazyIconStyle.h"
#include "gui/platform/ScreenPicture.h"
#include "gui/platform/SystemServices.h"
#include "gui/search/SearchCommands.h"
#include "gui/textbox/TextBox.h"

void frmMDI::prepareApplication() {
    LazyIconStyle::install();
    FormFont::prepare();
    GenericFont::resolve();
}

frmMDI::frmMDI(std::unique_ptr<DialogService> dialogs, std::unique_ptr<SystemServices> services)
    : m_dialogs(std::move(dialogs)),
      m_services(std::move(services)),
      m_files(std::make_unique<FileCommands>(*this)),
      m_snapshots(std::make_unique<SnapshotScheduler>(*this, SnapshotStore::defaultFolder())) {
    setWindowTitle(Caption());
    setAcceptDrops(true);
    // The program's icon at its two drawn sizes, and at those sizes on screens of 1.5, 2 and 3
    // times the usual density; every document window takes it over.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 96})
        icon.addPixmap(ScreenPicture::read(QStringLiteral(":/icons/tavulella-%1.png").arg(size)));
    setWindowIcon(icon);
    // Also the application's: the windows that set none take it (the dialogs, and the window
    // menu a document window makes before it has its icon, which otherwise reads the style's
    // picture with no format named, and with it loads every image-format plugin).
    QApplication::setWindowIcon(icon);

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
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMDI::checkDiskSoon);
    m_typingPause.setSingleShot(true);
    connect(&m_typingPause, &QTimer::timeout, this, &frmMDI::checkDisk);
    qApp->installEventFilter(this);
    m_watcher = new DiskWatcher(this);
    connect(m_watcher, &DiskWatcher::touched, this, [this](const QString& path) {
        // Only the window the user works in is checked now; any other is when it becomes active.
        if (Document* doc = activeDocument(); doc && doc->filePath() == path) checkDiskSoon();
    });
    m_search = new SearchCommands(*this);
    connect(m_toolbar, &Toolbar::cutClicked, this, [this] { EditCommands::CutSelection(*this); });
    connect(m_toolbar, &Toolbar::copyClicked, this, [this] { EditCommands::CopySelection(*this); });
    connect(m_toolbar, &Toolbar::pasteClicked, this,
            [this] { EditCommands::PasteClipboard(*this); });

    createMenus();
    m_recent = std::make_unique<RecentFilesMenu>(m_services->settings(), m_state, *m_dialogs, *this,
                                                 mnuRecentFile);
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
    qApp->removeEventFilter(this);
    // QMdiArea announces its last deactivation from its own destructor, after ours has run.
    disconnect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMDI::updateMenuBar);
    disconnect(m_mdi, &QMdiArea::subWindowActivated, this, &frmMDI::checkDiskSoon);
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
    CheckableItem::connect(mnuOToolbar, [this] { mnuOToolbar_Click(); });
}

frmNotePad* frmMDI::makeDocumentWindow() {
    auto* w = new frmNotePad(*this);
    m_mdi->addSubWindow(w);
    connect(w, &frmNotePad::newRequested, this, &frmMDI::NewDocumentWindow);
    connect(w, &frmNotePad::openRequested, this, [this] { m_files->OpenWithDialog(); });
    connect(w, &frmNotePad::exitRequested, this, &QWidget::close);
    connect(w, &frmNotePad::cascadeRequested, this, &frmMDI::cascadeDocuments);
    connect(w, &frmNotePad::tileRequested, this, &frmMDI::tileDocuments);
    connect(w, &frmNotePad::recentFileChosen, this, &frmMDI::reopenRecentFile);
    connect(w, &frmNotePad::toolbarItemChosen, this, [this, w] { ToggleToolbar(w->mnuOToolbar); });
    connect(w, &frmNotePad::aboutToClose, this, [this, w] { activatePreviousDocument(w); });
    connect(w, &frmNotePad::lastDocumentClosed, this, &frmMDI::lastDocumentClosed);
    connect(&w->document(), &Document::filePathChanged, m_watcher,
            [this](const QString& previous, const QString& current) {
                m_watcher->unwatch(previous);
                m_watcher->watch(current);
            });
    // The files a file manager drags onto a window are the frame's to open, not text to insert.
    w->Text1->leaveDrags(&LaunchArguments::carriesFiles);
    m_snapshots->watch(w->document());
    connect(w, &frmNotePad::aboutToClose, m_snapshots.get(),
            [this, w] { m_snapshots->forget(w->document()); });
    return w;
}

QList<frmNotePad*> frmMDI::MDIForm_Load(const QList<LaunchArguments::File>& files,
                                        bool startWindow) {
    show();
    // Without a window manager nobody else gives the frame the keyboard.
    activateWindow();
    raise();

    QDir::setCurrent(QCoreApplication::applicationDirPath());

    m_state.slotTables.create();
    // Slot 1 is the start-up window's unless a file given to the program takes it.
    QList<frmNotePad*> opened;
    if (!files.isEmpty() || !startWindow) {
        m_state.slotTables.state(1).Free = DocumentState::True;
        for (const LaunchArguments::File& file : files)
            if (frmNotePad* w = m_files->OpenGivenFile(file)) opened << w;
    }
    if (opened.isEmpty() && !startWindow) {
        m_toolbar->setEditButtonsVisible(false);
        m_state.EditButtonsHidden = DocumentState::True;
    } else if (opened.isEmpty()) {
        m_state.slotTables.state(1).Free = DocumentState::False;
        frmNotePad* first = makeDocumentWindow();
        m_state.slotTables.window(1) = first;
        first->setTag(QStringLiteral("1"));
        showDocument(*first);
        m_state.slotTables.state(1).Changed = DocumentState::False;
    }

    m_recent->LoadRecentList();
    m_state.search.SearchDirection = 1;
    return opened;
}

frmNotePad* frmMDI::activeDocumentWindow() const {
    auto* w = qobject_cast<frmNotePad*>(m_mdi->currentSubWindow());
    if (!w || w->Tag().isEmpty()) return nullptr;
    if (m_state.slotTables.state(w->slot()).Free != DocumentState::False) return nullptr;
    return w;
}

Document* frmMDI::activeDocument() const {
    frmNotePad* w = activeDocumentWindow();
    return w ? &w->document() : nullptr;
}

frmNotePad* frmMDI::openDocumentWindow() {
    const int slot = m_state.slotTables.FindFreeSlot();
    if (slot == 0) return nullptr;
    QPointer<frmNotePad>& entry = m_state.slotTables.window(slot);
    // A closed window may still be waiting for its deletion; the slot gets a fresh one anyway.
    if (!entry || entry->isUnloaded()) entry = makeDocumentWindow();
    entry->setTag(QString::number(slot));
    return entry;
}

void frmMDI::showDocument(frmNotePad& w) {
    w.show();
    m_mdi->setActiveSubWindow(&w);
    w.widget()->setFocus();
}

void frmMDI::reportNoFreeSlot() {
    m_dialogs->messageBox(this, QStringLiteral("Nun se ponno arape' cchiu' fenestre."),
                          DialogService::Buttons::Ok, DialogService::Icon::Exclamation,
                          DialogService::MessageTitle);
}

frmNotePad* frmMDI::NewDocumentWindow() {
    frmNotePad* w = openDocumentWindow();
    if (!w) {
        reportNoFreeSlot();
        return nullptr;
    }
    w->setCaption(QStringLiteral("Senza nomme:") + w->Tag());
    showDocument(*w);
    m_toolbar->setEditButtonsVisible(true);
    return w;
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
    frmNotePad* doc = activeDocumentWindow();
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

void frmMDI::lastDocumentClosed() {
    m_toolbar->setEditButtonsVisible(false);
    m_state.EditButtonsHidden = DocumentState::True;
    m_recent->LoadRecentList();
    updateMenuBar();
    emit documentsAllClosed();
}

void frmMDI::documentSaved(Document& document) { m_snapshots->saved(document); }

void frmMDI::documentRead(Document& document) { m_snapshots->read(document); }

bool frmMDI::toolbarShown() const { return !m_toolbar->isHidden(); }

void frmMDI::RememberRecentFile(const QString& path) { m_recent->RememberRecentFile(path); }

void frmMDI::reopenRecentFile(const QString& path) {
    if (path.isEmpty()) return;
    m_files->LoadFileIntoWindow(path);
    m_recent->LoadRecentList();
    showHiddenEditButtons();
}

void frmMDI::ToggleToolbar(QAction* item) {
    item->setChecked(!item->isChecked());
    if (item != mnuOToolbar) mnuOToolbar->setChecked(item->isChecked());
    m_toolbar->setVisible(item->isChecked());
}

void frmMDI::mnuFNew_Click() { NewDocumentWindow(); }
void frmMDI::mnuFOpen_Click() { m_files->OpenWithDialog(); }
void frmMDI::mnuFExit_Click() { QCoreApplication::exit(0); }
void frmMDI::mnuOptions_Click() { mnuOToolbar->setChecked(toolbarShown()); }
void frmMDI::mnuOToolbar_Click() { ToggleToolbar(mnuOToolbar); }

void frmMDI::mnuRecentFile_Click(int index) {
    if (index < 0 || index >= static_cast<int>(mnuRecentFile.size())) return;
    reopenRecentFile(RecentFilesMenu::recentEntry(mnuRecentFile[index]));
}

void frmMDI::dragEnterEvent(QDragEnterEvent* e) {
    if (LaunchArguments::carriesFiles(e->mimeData())) e->acceptProposedAction();
}

void frmMDI::dragMoveEvent(QDragMoveEvent* e) {
    if (LaunchArguments::carriesFiles(e->mimeData())) e->acceptProposedAction();
}

void frmMDI::dropEvent(QDropEvent* e) {
    if (!LaunchArguments::carriesFiles(e->mimeData())) return;
    e->acceptProposedAction();
    // The files open once the drop has ended, so that the program they came from is not held
    // while a message box waits for the user.
    const QList<QUrl> urls = e->mimeData()->urls();
    QMetaObject::invokeMethod(
        this,
        [this, urls] {
            for (const QUrl& url : urls) m_files->OpenGivenFile(LaunchArguments::fromUrl(url));
        },
        Qt::QueuedConnection);
}

void frmMDI::closeEvent(QCloseEvent* e) {
    // First every document window is asked; a Cancel anywhere stops the whole closing. Files
    // handed over meanwhile are refused (FrameService): they would be lost with the frame.
    m_closing = true;
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
            m_closing = false;
            e->ignore();
            return;
        }
    }
    // Then all close, and the program ends.
    for (frmNotePad* w : std::as_const(open)) w->closeAfterQuery();
    e->accept();
    MDIForm_Unload();
}

void frmMDI::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) checkDiskSoon();
}

void frmMDI::checkDiskSoon() {
    if (m_diskCheckPending) return;
    m_diskCheckPending = true;
    QMetaObject::invokeMethod(this, &frmMDI::checkDisk, Qt::QueuedConnection);
}

bool frmMDI::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::InputMethod) m_sinceKey.start();
    return QMainWindow::eventFilter(watched, e);
}

void frmMDI::checkDisk() {
    // A notice that came while the user types would take the keys meant for the text.
    if (m_sinceKey.isValid() && m_sinceKey.elapsed() < TypingPauseMs) {
        m_typingPause.start(int(TypingPauseMs - m_sinceKey.elapsed()));
        return;
    }
    m_diskCheckPending = false;
    // While a dialog is open the user is busy with it; closing it makes the frame active again.
    if (QApplication::activeModalWidget()) return;
    if (Document* doc = activeDocument()) m_files->recheckDisk(*doc);
}

void frmMDI::MDIForm_Unload() {
    if (!m_state.slotTables.HasOpenDocuments()) QCoreApplication::exit(0);
}
