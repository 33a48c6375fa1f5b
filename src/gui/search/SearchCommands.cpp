#include "gui/search/SearchCommands.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

#include "core/search/TextSearch.h"
#include "gui/document/Document.h"
#include "gui/frame/AppState.h"
#include "gui/frame/Workspace.h"
#include "gui/platform/DialogService.h"
#include "gui/platform/KeyboardReturn.h"
#include "gui/search/frmFind.h"

SearchCommands::SearchCommands(Workspace& workspace)
    : QObject(&workspace.mainWindow()), m_workspace(workspace) {}

SearchCommands::~SearchCommands() {
    // The dialog has no owner window; it goes with the frame.
    delete m_find;
}

QString SearchCommands::notFoundPrompt(const QString& searchText) {
    return QStringLiteral("Comme faccio a lo truva? Nun ce sta. ") + QLatin1Char('"') + searchText +
           QLatin1Char('"');
}

void SearchCommands::SearchActiveDocument() {
    // The Find dialog can stay open after the last document window has closed.
    Document* doc = m_workspace.activeDocument();
    if (!doc) return;
    SearchSettings& settings = m_workspace.state().search;

    // The characters of the document, whatever its kind: in the code page each is one byte's.
    const std::optional<qsizetype> found =
        TextSearch::searchChars(doc->text().chars(), doc->text().SelStart(), settings);
    if (found) {
        // Selecting moves no focus: after a click on "Truove" the dialog keeps it.
        doc->text().setSelStart(*found);
        doc->text().setSelLength(settings.SearchText.size());
        return;
    }
    QWidget* parent = m_find && m_find->isActiveWindow() ? static_cast<QWidget*>(m_find)
                                                         : &m_workspace.mainWindow();
    m_workspace.dialogs().messageBox(parent, notFoundPrompt(settings.SearchText),
                                     DialogService::Buttons::Ok, DialogService::Icon::None,
                                     DialogService::MessageTitle);
}

void SearchCommands::keepSelectionShown(QPlainTextEdit& box) {
    // An unfocused text box paints its selection in the inactive colours, which many styles
    // leave equal to the background.
    QPalette palette = box.palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setBrush(QPalette::Inactive, role, palette.brush(QPalette::Active, role));
    }
    box.setPalette(palette);
}

frmFind* SearchCommands::loadFindDialog() {
    if (m_find) return m_find;
    m_find = new frmFind(m_workspace.state().search);
    connect(m_find, &frmFind::searchRequested, this, &SearchCommands::SearchActiveDocument);
    // The dialog has no owner window that would take the keyboard back when it closes.
    connect(m_find, &QDialog::finished, this, [this] {
        QWidget* active = QApplication::activeWindow();
        if (active && active != m_find) return;
        // The document's window hands the keyboard to its text box, its focus proxy.
        const Document* doc = m_workspace.activeDocument();
        KeyboardReturn().giveBack(&m_workspace.mainWindow(),
                                  doc ? doc->window().focusProxy() : nullptr);
    });
    // First shown over the middle of the frame.
    QRect r = m_find->frameGeometry();
    r.moveCenter(m_workspace.mainWindow().frameGeometry().center());
    m_find->move(r.topLeft());
    return m_find;
}

void SearchCommands::Find(const Document& document) {
    SearchSettings& settings = m_workspace.state().search;
    const QString text =
        document.text().SelLength() > 0 ? document.text().SelChars() : settings.SearchText;
    frmFind* dialog = loadFindDialog();
    dialog->Text1->setText(text);
    settings.SearchIsNew = true;
    if (settings.SearchMatchCase != 0) dialog->chkCase->setChecked(true);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void SearchCommands::FindNext(const Document& document) {
    if (m_workspace.state().search.SearchText.size() > 0) {
        SearchActiveDocument();
    } else {
        Find(document);
    }
}

frmFind* SearchCommands::findDialog() const { return m_find; }

void SearchCommands::bringFindToFront() {
    if (m_find && m_find->isVisible()) m_find->raise();
}
