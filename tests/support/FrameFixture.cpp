#include "FrameFixture.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "DiskFiles.h"
#include "gui/document/frmNotePad.h"

FrameFixture::FrameFixture(std::unique_ptr<SystemServices> services, const QString& stateHome,
                           const Start& start) {
    if (!services) services = std::make_unique<QtSystemServices>();
    // TempSettings puts the variable back as it was.
    if (!stateHome.isEmpty()) qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome));
    QApplication::setQuitOnLastWindowClosed(false);
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_frame = std::make_unique<frmMDI>(std::move(dialogs), std::move(services));
    QList<LaunchArguments::File> files;
    if (start) {
        // As the program's command line gives them, +N before a file included.
        files = LaunchArguments::parse(QStringList{QStringLiteral("tavulella")} + start(*this),
                                       m_dir.path())
                    .files;
    }
    m_frame->MDIForm_Load(files);
    settle();
}

FrameFixture::~FrameFixture() {
    m_frame.reset();
    settle();
}

QList<frmNotePad*> FrameFixture::documents() const {
    QList<frmNotePad*> result;
    for (QMdiSubWindow* w : m_frame->mdiArea()->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* doc = qobject_cast<frmNotePad*>(w)) result.append(doc);
    }
    return result;
}

void FrameFixture::settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

QString FrameFixture::writeFile(const QString& name, const QByteArray& bytes) const {
    const QString p = m_dir.filePath(name);
    DiskFiles::put(p, bytes);
    return p;
}

QByteArray FrameFixture::readFile(const QString& path) { return DiskFiles::bytes(path); }
