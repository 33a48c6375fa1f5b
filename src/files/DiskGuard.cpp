#include "files/DiskGuard.h"

#include <sys/stat.h>

#include <QFileInfo>

#include "document/frmNotePad.h"
#include "files/FileCommands.h"
#include "files/NativePath.h"
#include "frame/DocumentState.h"
#include "frame/Workspace.h"
#include "platform/DialogService.h"

namespace {

QString changedBy(const frmNotePad& w) {
    return QStringLiteral("N'ato programma ha cagnate 'o file [") + w.filePath() +
           QStringLiteral("].") + QChar(10) + QChar(13);
}

QString goneFrom(const frmNotePad& w) {
    return QStringLiteral("'O file [") + w.filePath() + QStringLiteral("] nun ce sta cchiù.") +
           QChar(10) + QChar(13);
}

// The folder the window's file lay in is gone (removed, or renamed with the file in it).
// Looked up by its bytes: Qt's classes cannot name a folder whose name is not valid UTF-8.
bool folderGone(const frmNotePad& w) {
    struct stat st;
    const QByteArray folder = NativePath::encode(QFileInfo(w.filePath()).absolutePath());
    return ::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode);
}

QString folderGoneFrom(const frmNotePad& w) {
    return QStringLiteral("'A cartella [") + QFileInfo(w.filePath()).absolutePath() +
           QStringLiteral("] d' 'o file [") + w.filePath() + QStringLiteral("] nun ce sta cchiù.") +
           QChar(10) + QChar(13);
}

bool sameFile(const QString& a, const QString& b) {
    return a == b || QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

// True when the user has already been told of the file as it is now.
bool alreadyNoticed(const frmNotePad& w, const DiskStamp& now) {
    return w.noticedOnDisk.isKnown() &&
           w.noticedOnDisk.compare(now) == DiskStamp::Verdict::Unchanged;
}

}  // namespace

DiskGuard::DiskGuard(Workspace& workspace) : m_workspace(workspace) {}

void DiskGuard::tell(frmNotePad& window, const QString& prompt, Origin origin) {
    if (origin == Origin::Unbidden)
        m_workspace.dialogs().unbiddenMessageBox(&window, prompt, DialogService::Buttons::Ok,
                                                 DialogService::Icon::Exclamation,
                                                 DialogService::MessageTitle);
    else
        m_workspace.dialogs().messageBox(&window, prompt, DialogService::Buttons::Ok,
                                         DialogService::Icon::Exclamation,
                                         DialogService::MessageTitle);
}

bool DiskGuard::ask(frmNotePad& window, const QString& prompt, Origin origin) {
    DialogService& dialogs = m_workspace.dialogs();
    const auto answer =
        origin == Origin::Unbidden
            ? dialogs.unbiddenMessageBox(&window, prompt, DialogService::Buttons::YesNo,
                                         DialogService::Icon::Exclamation,
                                         DialogService::MessageTitle)
            : dialogs.messageBox(&window, prompt, DialogService::Buttons::YesNo,
                                 DialogService::Icon::Exclamation, DialogService::MessageTitle);
    return answer == DialogService::Answer::Yes;
}

void DiskGuard::tellKeepsChanging(frmNotePad& window, const QString& path) {
    tell(window,
         QStringLiteral("N'ato programma cagna 'o file [") + path + QStringLiteral("] ancora mo.") +
             QChar(10) + QChar(13) +
             QStringLiteral("Nun l'aggio astipato: quanno fernesce, astipate n'ata vota."),
         Origin::Asked);
}

std::optional<DiskStamp> DiskGuard::mayWrite(frmNotePad& window, const QString& path) {
    // Another file is the save dialog's business: it asks before replacing one.
    if (!window.onDisk.isKnown() || !sameFile(path, window.filePath())) return DiskStamp();
    const DiskStamp now = DiskStamp::ofFile(path);
    switch (window.onDisk.compare(now)) {
        case DiskStamp::Verdict::Unchanged:
            if (!window.onDisk.takenLate() || !now.exists()) return now;
            // The text came back from a copy: the file may have changed while nothing held it.
            {
                window.noticedOnDisk = now;
                m_busy = true;
                const bool yes = ask(
                    window,
                    QStringLiteral("N'ato programma putesse avé cagnate 'o file [") +
                        window.filePath() + QStringLiteral("] mentre 'o prugramma era stutato.") +
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
            if (folderGone(window)) {
                window.noticedOnDisk = now;
                tell(window,
                     folderGoneFrom(window) +
                         QStringLiteral("Nun se po' astipà llà: 'o testo resta ccà, "
                                        "astipatelo cu n'ato nomme."),
                     Origin::Asked);
                return std::nullopt;
            }
            if (!alreadyNoticed(window, now)) {
                window.noticedOnDisk = now;
                tell(window, goneFrom(window) + QStringLiteral("Mo se fa n'ata vota."),
                     Origin::Asked);
            }
            return now;
        case DiskStamp::Verdict::Changed:
            break;
    }
    // Asked on every save, also after a No: each save is a new request to write over it.
    window.noticedOnDisk = now;
    m_busy = true;
    const bool yes = ask(window,
                         changedBy(window) + QStringLiteral("Astipamme 'o stesso, e chello ca ce "
                                                            "sta se perde?"),
                         Origin::Asked);
    m_busy = false;
    if (!yes) return std::nullopt;
    return now;
}

void DiskGuard::recheck(frmNotePad& window) {
    if (m_busy || window.isUnloaded() || !window.onDisk.isKnown()) return;
    const DiskStamp now = DiskStamp::ofFile(window.filePath());
    const DiskStamp::Verdict verdict = window.onDisk.compare(now);
    if (verdict == DiskStamp::Verdict::Unchanged) {
        // The same bytes with new times (a touch, a rewrite): remember the times as well, so
        // that a later check of a file it cannot read compares with them.
        if (now.hasDigest()) window.onDisk = now;
        window.noticedOnDisk = DiskStamp();
        return;
    }
    if (alreadyNoticed(window, now)) return;
    // The user was told that another program writes the file and kept the text: a file that
    // goes on changing (a log) is not reported again until the window reads or writes it; the
    // next save asks.
    if (verdict == DiskStamp::Verdict::Changed && window.noticedOnDisk.exists()) return;
    window.noticedOnDisk = now;
    m_busy = true;
    if (verdict == DiskStamp::Verdict::Removed && folderGone(window)) {
        tell(window,
             folderGoneFrom(window) +
                 QStringLiteral("'O testo resta ccà: astipatelo cu n'ato nomme."),
             Origin::Unbidden);
    } else if (verdict == DiskStamp::Verdict::Removed) {
        tell(window,
             goneFrom(window) +
                 QStringLiteral("'O testo resta ccà: si l'astipate, 'o file se fa n'ata vota."),
             Origin::Unbidden);
    } else if (window.documentState().Changed != DocumentState::False) {
        tell(window,
             changedBy(window) +
                 QStringLiteral("Nun tocco niente: quanno astipate, ve spio primma."),
             Origin::Unbidden);
    } else if (ask(window, changedBy(window) + QStringLiteral("'O leggimme n'ata vota 'a ccà?"),
                   Origin::Unbidden)) {
        m_workspace.files().ReloadWindow(window);
    }
    m_busy = false;
}
