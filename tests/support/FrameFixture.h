#pragma once

#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "ScriptedDialogs.h"
#include "TempSettings.h"
#include "gui/frame/RecentFilesMenu.h"
#include "gui/frame/frmMDI.h"
#include "gui/platform/QtSystemServices.h"

class frmNotePad;

// A frame started as the program starts it, with scripted dialogs and its settings and files in
// a temporary folder of its own. The outside services are the real ones unless a test hands in
// its own; its state folder (XDG_STATE_HOME) is its own unless a test names one that several
// frames share.
class FrameFixture {
public:
    // What the program is started with: called before the start-up, to write files and script
    // answers; returns the FILE arguments, taken relative to the temporary folder.
    using Start = std::function<QStringList(FrameFixture&)>;
    explicit FrameFixture(std::unique_ptr<SystemServices> services = nullptr,
                          const QString& stateHome = QString(), const Start& start = {});
    ~FrameFixture();

    frmMDI& frame() { return *m_frame; }
    ScriptedDialogs& dialogs() { return *m_dialogs; }
    const QTemporaryDir& dir() const { return m_dir; }
    // The frame's settings, under config/ in the temporary folder.
    const TempSettings& settings() const { return m_settings; }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The open document windows, in the order they were created.
    QList<frmNotePad*> documents() const;
    frmNotePad* active() const { return m_frame->activeDocumentWindow(); }
    // Lets queued events (deferred deletes, activation) run.
    static void settle();

    // Writes bytes to a file in the temporary folder and returns its path.
    QString writeFile(const QString& name, const QByteArray& bytes) const;
    static QByteArray readFile(const QString& path);

private:
    QTemporaryDir m_dir;
    TempSettings m_settings{m_dir.path()};
    ScriptedDialogs* m_dialogs = nullptr;
    std::unique_ptr<frmMDI> m_frame;
};
