#pragma once

#include <QString>
#include <optional>

#include "files/DiskStamp.h"

class Workspace;
class frmNotePad;

// Keeps a window from writing over what another program put in its file, and tells the user
// when the file changes or goes while the window is open. Each window remembers its file as it
// last read or wrote it (frmNotePad::onDisk) and the last change of it the user was told about
// (frmNotePad::noticedOnDisk), so that no change is asked about twice. The notices that come by
// themselves are unbidden message boxes (DialogService): keys typed as one comes up reach the
// text, not the box.
class DiskGuard {
public:
    explicit DiskGuard(Workspace& workspace);

    // Before the window's text is written to path. For the window's own file, checks the file
    // on disk: a changed file is written over only when the user says so, a removed one is made
    // anew after telling the user. Returns the file as the write may replace it (an empty stamp
    // for any other file), or nothing when the user said No.
    std::optional<DiskStamp> mayWrite(frmNotePad& window, const QString& path);

    // The window became active or its file was reported changed: a file with other bytes is
    // offered for reloading (a window without unsaved changes) or reported (one with), a file
    // that is gone is reported; each change once.
    void recheck(frmNotePad& window);

    // The file at path changed again after each check (and each question) before the write could
    // begin: another program is still writing it, and nothing was saved.
    void tellKeepsChanging(frmNotePad& window, const QString& path);

private:
    // Whether a box answers the user's command or comes by itself, while the user may be typing.
    enum class Origin { Asked, Unbidden };
    void tell(frmNotePad& window, const QString& prompt, Origin origin);
    bool ask(frmNotePad& window, const QString& prompt, Origin origin);

    Workspace& m_workspace;
    bool m_busy = false;  // a question is open: checks that come meanwhile wait for the next
};
