#pragma once

#include <QString>
#include <optional>

#include "core/files/DiskStamp.h"

class Document;
class Workspace;

// Keeps a document from being written over what another program put in its file, and tells the
// user when the file changes or goes while the document is open. Each document remembers its
// file as it last read or wrote it (Document::onDisk) and the last change of it the user was told
// about (Document::noticedOnDisk), so that no change is asked about twice. The questions and
// notices belong to the document's window; those that come by themselves are unbidden message
// boxes (DialogService): keys typed as one comes up reach the text, not the box.
class DiskGuard {
public:
    explicit DiskGuard(Workspace& workspace);

    // Before the document's text is written to path. For the document's own file, checks the
    // file on disk: a changed file is written over only when the user says so, a removed one is
    // made anew after telling the user. Returns the file as the write may replace it (an empty
    // stamp for any other file), or nothing when the user said No.
    std::optional<DiskStamp> mayWrite(Document& document, const QString& path);

    // The document's window became active or its file was reported changed: a file with other
    // bytes is offered for reloading (a document without unsaved changes) or reported (one
    // with), a file that is gone is reported; each change once.
    void recheck(Document& document);

    // The file at path changed again after each check (and each question) before the write could
    // begin: another program is still writing it, and nothing was saved.
    void tellKeepsChanging(Document& document, const QString& path);

private:
    // Whether a box answers the user's command or comes by itself, while the user may be typing.
    enum class Origin { Asked, Unbidden };
    void tell(Document& document, const QString& prompt, Origin origin);
    bool ask(Document& document, const QString& prompt, Origin origin);

    Workspace& m_workspace;
    bool m_busy = false;  // a question is open: checks that come meanwhile wait for the next
};
