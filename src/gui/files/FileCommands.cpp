#include "gui/files/FileCommands.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>
#include <new>

#include "core/files/LoadBound.h"
#include "core/files/SnapshotStore.h"
#include "core/files/TextFile.h"
#include "gui/document/Document.h"
#include "gui/document/frmNotePad.h"
#include "gui/frame/Workspace.h"
#include "gui/platform/BusyPointer.h"
#include "gui/platform/DialogService.h"

FileCommands::FileCommands(Workspace& workspace)
    : m_workspace(workspace), m_memory(&LoadBound::availableMemory), m_guard(workspace) {}

void FileCommands::setAvailableMemory(MemorySource memory) { m_memory = std::move(memory); }

void FileCommands::reportNoMemory(const QString& path) {
    showMessage(
        QStringLiteral("'O file è troppo gruosso pe' 'a memoria ca ce sta, nun se po' arapì: ") +
            path,
        false);
}

void FileCommands::discardWindow(frmNotePad* window) {
    // Nothing of it was the user's: it closes without a question and frees its slot.
    window->document().setChanged(false);
    window->close();
}

void FileCommands::showMessage(const QString& prompt, bool exclamation) {
    m_workspace.dialogs().messageBox(
        &m_workspace.mainWindow(), prompt, DialogService::Buttons::Ok,
        exclamation ? DialogService::Icon::Exclamation : DialogService::Icon::None,
        DialogService::MessageTitle);
}

void FileCommands::OpenWithDialog() {
    const auto chosen = m_workspace.dialogs().openFileName(&m_workspace.mainWindow(), QString());
    if (chosen) OpenChosenFile(*chosen);
}

frmNotePad* FileCommands::OpenGivenFile(const LaunchArguments::File& file) {
    // A file that names nothing here is refused by OpenReadAhead, with nothing to read.
    if (file.path.isEmpty()) return OpenReadAhead(readAhead(file));
    return startAtLine(OpenChosenFile(file.path), file.line);
}

frmNotePad* FileCommands::startAtLine(frmNotePad* window, int line) {
    if (!window || line <= 1) return window;
    // Line N starts after the (N-1)th line break; a line break that ends the text starts no
    // line, so that past the end the caret stands at the start of the last line.
    Document& document = window->document();
    const QString& chars = document.text().chars();
    const QString lineBreak = document.text().format().lineBreakChars();
    qsizetype start = 0;
    for (int n = 1; n < line; ++n) {
        const qsizetype found = chars.indexOf(lineBreak, start);
        if (found < 0 || found + lineBreak.size() >= chars.size()) break;
        start = found + lineBreak.size();
    }
    document.text().setSelStart(start);
    return window;
}

FileCommands::ReadAhead FileCommands::readAhead(const LaunchArguments::File& file) {
    ReadAhead ahead{file, -1, {}};
    if (file.path.isEmpty()) return ahead;
    ahead.size = TextFile::sizeOf(file.path);
    if (ahead.size <= MaxOpenBytes) ahead.read = TextFile::read(file.path);
    return ahead;
}

frmNotePad* FileCommands::OpenReadAhead(const ReadAhead& ahead) {
    if (ahead.file.path.isEmpty()) {
        // Only a URI names no file here; it is quoted without its password, if it has one.
        const QUrl url(ahead.file.given);
        showMessage(QStringLiteral("Chisto nun è nu file 'e chistu computer, nun se po' arapì: ") +
                        (url.isValid() ? url.toDisplayString() : ahead.file.given),
                    false);
        return nullptr;
    }
    return startAtLine(OpenChosenFile(ahead.file.path, &ahead), ahead.file.line);
}

bool FileCommands::refusedAsTooLarge(qint64 size) {
    if (size <= MaxOpenBytes) return false;
    showMessage(QStringLiteral("'O file è troppo gruosso po pute' arapì."), false);
    return true;
}

frmNotePad* FileCommands::OpenChosenFile(const QString& path, const ReadAhead* ahead) {
    if (refusedAsTooLarge(ahead ? ahead->size : TextFile::sizeOf(path))) return nullptr;
    frmNotePad* window = LoadFileIntoWindow(path, ahead);
    m_workspace.RememberRecentFile(path);
    m_workspace.showHiddenEditButtons();
    return window;
}

QString FileCommands::AskSaveFileName(const QString& initialName) {
    return m_workspace.dialogs()
        .saveFileName(&m_workspace.mainWindow(), initialName)
        .value_or(QString());
}

bool FileCommands::readForWindow(const QString& path, TextFile::ReadResult& read,
                                 const ReadAhead* ahead) {
    // A file whose window would not fit in memory is refused before anything of it is read, as
    // far as its size tells, and again once its lines are known.
    const qint64 available = m_memory();
    const qint64 size = ahead ? ahead->size : TextFile::sizeOf(path);
    if (!LoadBound::fits(LoadBound::windowCost(size, 0), available)) {
        reportNoMemory(path);
        return false;
    }

    // The file is read whole before its window is touched, so that a file that cannot be read
    // never shows up as an empty or partial document.
    if (ahead) {
        read = ahead->read;
    } else {
        BusyPointer busy;
        read = TextFile::read(path);
    }
    if (read.status != TextFile::ReadStatus::Ok) {
        QString prompt = QStringLiteral("Impossibile aprire il file: ") + path;
        if (read.status == TextFile::ReadStatus::ReadFailed && !read.errorString.isEmpty())
            prompt += QLatin1Char('\n') + read.errorString;
        showMessage(prompt, false);
        return false;
    }
    if (!LoadBound::fits(LoadBound::windowCost(read.bytes), available)) {
        reportNoMemory(path);
        return false;
    }
    return true;
}

frmNotePad* FileCommands::LoadFileIntoWindow(const QString& path, const ReadAhead* ahead) {
    TextFile::ReadResult read;
    if (!readForWindow(path, read, ahead)) return nullptr;

    BusyPointer busy;
    frmNotePad* window = m_workspace.openDocumentWindow();
    if (!window) {
        busy.restore();
        m_workspace.reportNoFreeSlot();
        return nullptr;
    }
    Document& document = window->document();
    try {
        document.setFilePath(path);
        document.onDisk = DiskStamp::ofContent(path, read.bytes);
        // Shown first, the text box has its width before the text comes in, and lays out only
        // the lines it shows; a width that changes with the text in would make a layout for
        // every line (some 300 bytes each, kept). Nothing is drawn before the text is in.
        m_workspace.showDocument(*window);
        document.text().load(read.bytes);
    } catch (const std::bad_alloc&) {
        // The bound leaves room to spare, but other programs take memory too. What was built
        // goes, and the other windows stay as they were.
        read.bytes = QByteArray();
        discardWindow(window);
        busy.restore();
        reportNoMemory(path);
        return nullptr;
    }
    document.setChanged(false);
    m_workspace.documentRead(document);
    return window;
}

bool FileCommands::ReloadDocument(Document& document) {
    const QString path = document.filePath();
    if (refusedAsTooLarge(TextFile::sizeOf(path))) return false;
    TextFile::ReadResult read;
    if (!readForWindow(path, read, nullptr)) return false;
    const QByteArray before = document.text().Text();
    const DocumentFormat kind = document.text().format();
    try {
        BusyPointer busy;
        document.text().load(read.bytes);
    } catch (const std::bad_alloc&) {
        // The text it had is put back, in its own kind; if even that fails, there is nothing
        // left to save.
        document.text().setFormat(kind);
        document.text().setText(before);
        reportNoMemory(path);
        return false;
    }
    document.onDisk = DiskStamp::ofContent(path, read.bytes);
    document.noticedOnDisk = DiskStamp();
    document.setChanged(false);
    m_workspace.documentRead(document);
    return true;
}

QString FileCommands::keepAside(const QString& path, const QByteArray& bytes) {
    const QString folder = SnapshotStore::defaultFolder();
    if (!QDir().mkpath(folder)) return QString();
    const QString stem = folder + QLatin1Char('/') + QFileInfo(path).fileName() + QLatin1Char('.') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString name = stem;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QLatin1Char('-') + QString::number(n);
    QSaveFile out(name);
    // Unbuffered, so that a copy the disk takes only in part is seen to fail (see TextFile).
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return QString();
    out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (out.write(bytes) != bytes.size() || !out.commit()) return QString();
    return name;
}

void FileCommands::keepChangedMeanwhile(const QString& path, const QByteArray& bytes) {
    QString where;
    if (frmNotePad* w = m_workspace.openDocumentWindow()) {
        try {
            w->setCaption(QStringLiteral("Senza nomme:") + w->Tag());
            w->document().text().load(bytes);
            // Nothing of it is saved anywhere: closing it asks, and its copy is kept meanwhile.
            w->document().setChanged(true);
            m_workspace.showDocument(*w);
            where = QStringLiteral("dint' 'a fenesta [") + w->Caption() + QStringLiteral("].");
        } catch (const std::bad_alloc&) {
            discardWindow(w);
        }
    }
    if (where.isEmpty()) {
        const QString copy = keepAside(path, bytes);
        where = copy.isEmpty() ? QString()
                               : QStringLiteral("dint' 'o file [") + copy + QStringLiteral("].");
    }
    showMessage(QStringLiteral("N'ato programma ha scritto dint' 'o file [") + path +
                    QStringLiteral("] mentre 'o stevo astipanno.") + QChar(10) + QChar(13) +
                    (where.isEmpty()
                         ? QStringLiteral("Chello ca ce steva primma nun s'è pututo tené.")
                         : QStringLiteral("Chello ca ce steva primma, cu chello ca ce scrivette "
                                          "ll'ato programma, sta mo ") +
                               where),
                true);
}

void FileCommands::reportNotRestored(const QString& path, const TextFile::WriteResult& written) {
    const QString copy = keepAside(path, *written.notRestored);
    showMessage(
        written.errorString + QChar(10) + QChar(13) + QStringLiteral("'O file [") + path +
            QStringLiteral("] nun se po' rimettere comm'era: mo è guasto.") + QChar(10) +
            QChar(13) +
            (copy.isEmpty() ? QStringLiteral("Chello ca teneva primma nun s'è pututo mettere 'a "
                                             "parte; 'o testo d' 'a fenesta resta ccà.")
                            : QStringLiteral("Chello ca teneva primma sta dint' 'o file [") + copy +
                                  QStringLiteral("].")),
        true);
}

bool FileCommands::WriteDocumentFile(const QString& path, Document& document) {
    // The document keeps the kind it opened with: Save As writes the same kind. An LF text that
    // already ends with its line break is written as it is.
    const QByteArray text = document.text().Text();
    const QByteArray lineEnd = document.text().format().lineEndAfter(text);

    // The file must still be what the check saw (or what the user agreed to write over) once the
    // write holds it open; a change while a question was open is checked, and asked about,
    // again. A file that keeps changing under the check is not written.
    constexpr int MaxChecks = 3;
    TextFile::WriteResult written;
    for (int check = 1;; ++check) {
        const std::optional<DiskStamp> agreed = m_guard.mayWrite(document, path);
        if (!agreed) return false;
        TextFile::Expected expected;
        expected.holds = [&] { return agreed->stillHolds(path); };
        expected.afterCheck = m_afterCheck;
        {
            BusyPointer busy;
            written = TextFile::write(path, text, lineEnd, expected);
        }
        if (!written.stale) break;
        if (check == MaxChecks) {
            // Nothing was being written yet: the other program is still at work on the file.
            m_guard.tellKeepsChanging(document, path);
            return false;
        }
    }
    if (!written.ok) {
        if (written.notRestored) {
            // What the file holds now is the program's own doing, not another program's.
            document.onDisk = DiskStamp::ofFile(path);
            document.noticedOnDisk = DiskStamp();
            reportNotRestored(path, written);
        } else {
            showMessage(written.errorString, true);
        }
        return false;
    }
    document.setFilePath(path);
    document.onDisk = DiskStamp::ofContent(path, text, lineEnd);
    document.noticedOnDisk = DiskStamp();
    document.setChanged(false);
    m_workspace.documentSaved(document);
    if (written.changedMeanwhile) {
        // Told here: the file, if it still holds bytes other than the document's, is not told of
        // again.
        document.noticedOnDisk = DiskStamp::ofFile(path);
        keepChangedMeanwhile(path, *written.changedMeanwhile);
    }
    return true;
}

void FileCommands::mnuFSave_Click(Document& document) {
    const QString name = document.isUntitled() ? AskSaveFileName(QString()) : document.filePath();
    if (!name.isEmpty()) WriteDocumentFile(name, document);
}

void FileCommands::mnuFSaveAs_Click(Document& document) {
    // A titled document proposes its real path: the caption shows it upper-cased, which on a
    // case-sensitive file system could name another file.
    const QString name = AskSaveFileName(document.isUntitled() ? QStringLiteral("Senzatit.txt")
                                                               : document.filePath());
    if (name.isEmpty()) return;
    WriteDocumentFile(name, document);
    m_workspace.RememberRecentFile(name);
}
