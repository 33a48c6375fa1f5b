#include "gui/files/DiskGuard.h"

#include <sys/stat.h>

#include <QFileInfo>

#include "core/files/NativePath.h"
#include "gui/document/Document.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/Workspace.h"
#include "gui/platform/DialogService.h"

namespace {

QString changedBy(const Document& d) {
    return QStringLiteral("N'ato programma ha cagnate 'o file [") + d.filePath() +
           QStringLiteral("].") + QChar(10) + QChar(13);
}

QString goneFrom(const Document& d) {
    return QStringLiteral("'O file [") + d.filePath() + QStringLiteral("] nun ce sta cchiù.") +
           QChar(10) + QChar(13);
}

// The folder the document's file lay in is gone (removed, or renamed with the file in it).
// Looked up by its bytes: Qt's classes cannot name a folder whose name is not valid UTF-8.
bool folderGone(const Document& d) {
    struct stat st;
    const QByteArray folder = NativePath::encode(QFileInfo(d.filePath()).absolutePath());
    return ::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode);
}

QString folderGoneFrom(const Document& d) {
    return QStringLiteral("'A cartella [") + QFileInfo(d.filePath()).absolutePath() +
           QStringLiteral("] d' 'o file [") + d.filePath() + QStringLiteral("] nun ce sta cchiù.") +
           QChar(10) + QChar(13);
}

bool sameFile(const QString& a, const QString& b) {
    return a == b || QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// True when the user has already been told of the file as it is now.
bool alreadyNoticed(const Document& d, const DiskStamp& now) {
    return d.noticedOnDisk.isKnown() &&
           d.noticedOnDisk.compare(now) == DiskStamp::Verdict::Unchanged;
}

}  // namespace

DiskGuard::DiskGuard(Workspace& workspace) : m_workspace(workspace) {}

void DiskGuard::tell(Document& document, const QString& prompt, Origin origin) {
    if (origin == Origin::Unbidden)
        m_workspace.dialogs().unbiddenMessageBox(
            &document.window(), prompt, DialogService::Buttons::Ok,
            DialogService::Icon::Exclamation, DialogService::MessageTitle);
    else
        m_workspace.dialogs().messageBox(&document.window(), prompt, DialogService::Buttons::Ok,
                                         DialogService::Icon::Exclamation,
                                         DialogService::MessageTitle);
}

bool DiskGuard::ask(Document& document, const QString& prompt, Origin origin) {
    DialogService& dialogs = m_workspace.dialogs();
    const auto answer =
        origin == Origin::Unbidden
            ? dialogs.unbiddenMessageBox(&document.window(), prompt, DialogService::Buttons::YesNo,
                                         DialogService::Icon::Exclamation,
                                         DialogService::MessageTitle)
            : dialogs.messageBox(&document.window(), prompt, DialogService::Buttons::YesNo,
                                 DialogService::Icon::Exclamation, DialogService::MessageTitle);
    return answer == DialogService::Answer::Yes;
}

void DiskGuard::tellKeepsChanging(Document& document, const QString& path) {
    tell(document,
         QStringLiteral("N'ato programma cagna 'o file [") + path + QStringLiteral("] ancora mo.") +
             QChar(10) + QChar(13) +
             QStringLiteral("Nun l'aggio astipato: quanno fernesce, astipate n'ata vota."),
         Origin::Asked);
}

std::optional<DiskStamp> DiskGuard::mayWrite(Document& document, const QString& path) {
    // Another file is the save dialog's business: it asks before replacing one.
    if (!document.onDisk.isKnown() || !sameFile(path, document.filePath())) return DiskStamp();
    const DiskStamp now = DiskStamp::ofFile(path);
    switch (document.onDisk.compare(now)) {
        case DiskStamp::Verdict::Unchanged:
            if (!document.onDisk.takenLate() || !now.exists()) return now;
            // The text came back from a copy: the file may have changed while nothing held it.
            {
                document.noticedOnDisk = now;
                m_busy = true;
                const bool yes = ask(
                    document,
                    QStringLiteral("N'ato programma putesse avé cagnate 'o file [") +
                        document.filePath() + QStringLiteral("] mentre 'o prugramma era stutato.") +
                        QChar(10) + QChar(13) +
                        QStringLiteral("Astipamme 'o stesso, e chello ca ce sta "
                                       "se perde?"),
                    Origin::Asked);
                m_busy = false;
                if (!yes) return std::nullopt;
            }
            return now;
        case DiskStamp::Verdict::Removed:
            // No file can be made where there is no folder: said once more at every save.
            if (folderGone(document)) {
                document.noticedOnDisk = now;
                tell(document,
                     folderGoneFrom(document) +
                         QStringLiteral("Nun se po' astipà llà: 'o testo resta ccà, "
                                        "astipatelo cu n'ato nomme."),
                     Origin::Asked);
                return std::nullopt;
            }
            if (!alreadyNoticed(document, now)) {
                document.noticedOnDisk = now;
                tell(document, goneFrom(document) + QStringLiteral("Mo se fa n'ata vota."),
                     Origin::Asked);
            }
            return now;
        case DiskStamp::Verdict::Changed:
            break;
    }
    // Asked on every save, also after a No: each save is a new request to write over it.
    document.noticedOnDisk = now;
    m_busy = true;
    const bool yes = ask(document,
                         changedBy(document) + QStringLiteral("Astipamme 'o stesso, e chello ca ce "
                                                              "sta se perde?"),
                         Origin::Asked);
    m_busy = false;
    if (!yes) return std::nullopt;
    return now;
}

void DiskGuard::recheck(Document& document) {
    if (m_busy || !document.isOpen() || !document.onDisk.isKnown()) return;
    const DiskStamp now = DiskStamp::ofFile(document.filePath());
    const DiskStamp::Verdict verdict = document.onDisk.compare(now);
    if (verdict == DiskStamp::Verdict::Unchanged) {
        // The same bytes with new times (a touch, a rewrite): remember the times as well, so
        // that a later check of a file it cannot read compares with them.
        if (now.hasDigest()) document.onDisk = now;
        document.noticedOnDisk = DiskStamp();
        return;
    }
    if (alreadyNoticed(document, now)) return;
    // The user was told that another program writes the file and kept the text: a file that
    // goes on changing (a log) is not reported again until the document is read or written; the
    // next save asks.
    if (verdict == DiskStamp::Verdict::Changed && document.noticedOnDisk.exists()) return;
    document.noticedOnDisk = now;
    m_busy = true;
    if (verdict == DiskStamp::Verdict::Removed && folderGone(document)) {
        tell(document,
             folderGoneFrom(document) +
                 QStringLiteral("'O testo resta ccà: astipatelo cu n'ato nomme."),
             Origin::Unbidden);
    } else if (verdict == DiskStamp::Verdict::Removed) {
        tell(document,
             goneFrom(document) +
                 QStringLiteral("'O testo resta ccà: si l'astipate, 'o file se fa n'ata vota."),
             Origin::Unbidden);
    } else if (document.isChanged()) {
        tell(document,
             changedBy(document) +
                 QStringLiteral("Nun tocco niente: quanno astipate, ve spio primma."),
             Origin::Unbidden);
    } else if (ask(document, changedBy(document) + QStringLiteral("'O leggimme n'ata vota 'a ccà?"),
                   Origin::Unbidden)) {
        m_workspace.files().ReloadDocument(document);
    }
    m_busy = false;
}
