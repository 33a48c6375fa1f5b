#include "files/FileCommands.h"

#include "document/TextBox.h"
#include "document/frmNotePad.h"
#include "files/TextFile.h"
#include "frame/frmMDI.h"
#include "frame/Toolbar.h"
#include "platform/BusyPointer.h"
#include "platform/DialogService.h"

namespace {
const QString AppTitle = QStringLiteral("MDI");
}

FileCommands::FileCommands(frmMDI& frame) : m_frame(frame) {}

void FileCommands::showMessage(const QString& prompt, bool exclamation)
{
    m_frame.dialogs().messageBox(&m_frame, prompt, DialogService::Buttons::Ok,
                                 exclamation ? DialogService::Icon::Exclamation
                                             : DialogService::Icon::None,
                                 AppTitle);
}

void FileCommands::OpenWithDialog()
{
    const auto chosen = m_frame.dialogs().openFileName(&m_frame, QString());
    if (!chosen) return;
    const QString path = *chosen;

    const qint64 size = TextFile::sizeOf(path);
    if (size > MaxOpenBytes) {
        showMessage(QStringLiteral("'O file è troppo gruosso po pute' arapì."), false);
        return;
    }
    LoadFileIntoWindow(path);
    m_frame.RememberRecentFile(path);
    m_frame.showHiddenEditButtons();
}

QString FileCommands::AskSaveFileName(const QString& initialName)
{
    return m_frame.dialogs().saveFileName(&m_frame, initialName).value_or(QString());
}

frmNotePad* FileCommands::LoadFileIntoWindow(const QString& path)
{
    // The file is read whole before any window is made, so that a file that cannot be read never
    // shows up as an empty or partial document.
    TextFile::ReadResult read;
    {
        BusyPointer busy;
        read = TextFile::read(path);
    }
    if (read.status != TextFile::ReadStatus::Ok) {
        QString prompt = QStringLiteral("Impossibile aprire il file: ") + path;
        if (read.status == TextFile::ReadStatus::ReadFailed && !read.errorString.isEmpty())
            prompt += QLatin1Char('\n') + read.errorString;
        showMessage(prompt, false);
        return nullptr;
    }

    BusyPointer busy;
    const int slot = m_frame.state().slotTables.FindFreeSlot();
    if (slot == 0) {
        m_frame.reportNoFreeSlot();
        return nullptr;
    }
    frmNotePad* window = m_frame.createWindowInSlot(slot);
    window->setFilePath(path);
    window->Text1->load(read.bytes);
    window->documentState().Changed = DocumentState::False;
    m_frame.showDocument(window);
    return window;
}

bool FileCommands::WriteDocumentFile(const QString& path, frmNotePad& window)
{
    TextFile::WriteResult written;
    {
        BusyPointer busy;
        // The window keeps the kind of document it opened with: Save As writes the same kind.
        const TextBox& box = *window.Text1;
        written = TextFile::write(path, box.Text(), box.format().lineEnd());
    }
    if (!written.ok) {
        showMessage(written.errorString, true);
        return false;
    }
    window.setFilePath(path);
    window.documentState().Changed = DocumentState::False;
    return true;
}

void FileCommands::mnuFSave_Click(frmNotePad& window)
{
    const QString name = window.isUntitled() ? AskSaveFileName(QString()) : window.filePath();
    if (!name.isEmpty()) WriteDocumentFile(name, window);
}

void FileCommands::mnuFSaveAs_Click(frmNotePad& window)
{
    // A titled window proposes its real path: the caption shows it upper-cased, which on a
    // case-sensitive file system could name another file.
    const QString name = AskSaveFileName(window.isUntitled() ? QStringLiteral("Senzatit.txt")
                                                             : window.filePath());
    if (name.isEmpty()) return;
    WriteDocumentFile(name, window);
    m_frame.RememberRecentFile(name);
}
