#include "TavulellaSubject.h"

#include <QMdiArea>
#include <QMenu>

#include "IdleWait.h"
#include "KeyInput.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/SnapshotScheduler.h"
#include "gui/frame/frmMDI.h"
#include "gui/platform/DialogService.h"
#include "gui/platform/QtSystemServices.h"
#include "gui/textbox/TextBox.h"

TavulellaSubject::TavulellaSubject(std::unique_ptr<DialogService> dialogs,
                                   std::function<void()> expectMessage)
    : m_dialogs(std::move(dialogs)), m_expectMessage(std::move(expectMessage)) {}

TavulellaSubject::~TavulellaSubject() = default;

void TavulellaSubject::start() {
    m_frame = std::make_unique<frmMDI>(std::move(m_dialogs), std::make_unique<QtSystemServices>());
    m_frame->MDIForm_Load();
    // As the program does: with no copies left by an earlier run, nothing is asked.
    m_frame->snapshots().offerRecovery();
}

QMainWindow* TavulellaSubject::frame() { return m_frame.get(); }

frmNotePad* TavulellaSubject::active() { return m_frame->activeDocumentWindow(); }

QPlainTextEdit* TavulellaSubject::editor() {
    frmNotePad* doc = active();
    return doc ? doc->Text1 : nullptr;
}

int TavulellaSubject::shownLength() {
    const TextBox* box = active()->Text1;
    return box->document()->characterCount() - box->softBreakCount();
}

int TavulellaSubject::lineCount() {
    const TextBox* box = active()->Text1;
    return box->document()->blockCount() - box->softBreakCount();
}

void TavulellaSubject::open(const QString& path) { m_frame->files().LoadFileIntoWindow(path); }

bool TavulellaSubject::findNext(const QString& text, bool matchCase) {
    frmNotePad* doc = active();
    if (!doc) return false;
    // What the Find dialog leaves behind; then Find Next, by its key.
    SearchSettings& settings = m_frame->state().search;
    settings.SearchText = text;
    settings.SearchMatchCase = matchCase ? -1 : 0;
    settings.SearchDirection = 1;
    settings.SearchIsNew = true;
    if (m_expectMessage) m_expectMessage();
    KeyInput::press(m_frame.get(), Qt::Key_F3);
    return doc->Text1->SelLength() > 0;
}

void TavulellaSubject::save(const QString& path) {
    if (frmNotePad* doc = active()) m_frame->files().WriteDocumentFile(path, doc->document());
}

void TavulellaSubject::newWindow() {
    active() ? active()->mnuFNew_Click() : m_frame->mnuFNew_Click();
}

void TavulellaSubject::newWindowFromMenu() {
    frmNotePad* doc = active();
    if (!doc) return newWindow();
    doc->mnufile->popup(m_frame->mapToGlobal(QPoint(0, 0)));
    IdleWait::untilIdle();
    doc->mnufile->hide();
    doc->mnuFNew->trigger();
}

void TavulellaSubject::openFontMenu() {
    frmNotePad* doc = active();
    if (!doc) return;
    // The way the user reaches it: through the Options menu, which makes its submenus when it
    // first opens.
    doc->mnuOptions->popup(m_frame->mapToGlobal(QPoint(0, 0)));
    doc->mnuFont->popup(m_frame->mapToGlobal(QPoint(0, 0)));
}

void TavulellaSubject::closeFontMenu() {
    if (frmNotePad* doc = active()) {
        doc->mnuFont->hide();
        doc->mnuOptions->hide();
    }
}

void TavulellaSubject::tile() {
    if (frmNotePad* doc = active()) doc->mnuWTile_Click();
}

void TavulellaSubject::cascade() {
    if (frmNotePad* doc = active()) doc->mnuWCascade_Click();
}

void TavulellaSubject::closeActiveWindow() {
    if (frmNotePad* doc = active()) doc->mnuFClose_Click();
}

int TavulellaSubject::windowCount() { return int(m_frame->mdiArea()->subWindowList().size()); }
