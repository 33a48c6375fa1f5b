#include "FrameFixture.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "document/frmNotePad.h"

FrameFixture::FrameFixture()
{
    // Settings written by the frame go to the temporary folder, never to the user's own.
    m_oldConfigHome = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
    QApplication::setQuitOnLastWindowClosed(false);
    auto dialogs = std::make_unique<ScriptedDialogs>();
    m_dialogs = dialogs.get();
    m_frame = std::make_unique<frmMDI>(std::move(dialogs));
    m_frame->MDIForm_Load();
    settle();
}

FrameFixture::~FrameFixture()
{
    m_frame.reset();
    settle();
    if (m_oldConfigHome.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_oldConfigHome);
}

QList<frmNotePad*> FrameFixture::documents() const
{
    QList<frmNotePad*> result;
    for (QMdiSubWindow* w : m_frame->mdiArea()->subWindowList(QMdiArea::CreationOrder)) {
        if (auto* doc = qobject_cast<frmNotePad*>(w)) result.append(doc);
    }
    return result;
}

void FrameFixture::settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

QString FrameFixture::writeFile(const QString& name, const QByteArray& bytes) const
{
    const QString p = m_dir.filePath(name);
    QFile f(p);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return p;
}

QByteArray FrameFixture::readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
