#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <functional>

#include "gui/files/FileCommands.h"

class frmMDI;
class frmNotePad;

// The running frame as the session bus shows it. Later launches of the program, and the
// desktop, hand their files to it here, so that one frame per session holds every document:
// the desktop's application interface (ApplicationAdaptor) at ObjectPath, and this object's own
// interface, which tells a waiting launch when the windows opened for it have all closed.
class FrameService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.Tavulella")
public:
    // The name is the launcher entry's, as the desktop's application interface expects.
    static inline const QString BusName = QStringLiteral("org.example.Tavulella");
    static inline const QString ObjectPath = QStringLiteral("/org/example/Tavulella");
    // Keys of the platform data a launch sends beside the desktop's own.
    static inline const QString WaitKey = QStringLiteral("tavulella-wait");
    // The line each file's window starts at, as decimal texts in the order of the URIs ("0":
    // none); left out when no file names one.
    static inline const QString LinesKey = QStringLiteral("tavulella-lines");
    // How long a launch waits for the running frame's answer before it runs on its own.
    static constexpr int AnswerTimeoutMs = 5000;

    enum class Claim { Owned, Taken, NoBus };

    FrameService();
    ~FrameService() override;

    // Puts this object on the session bus and asks for the name without queueing: Owned when
    // this process is now the session's frame, Taken when another process holds the name,
    // NoBus when there is no session bus. The object is exported first, so that a call that
    // finds the name owned finds the object too (it waits until the frame is attached).
    Claim claim();
    // Gives the name and the object up again (a waiting launch that starts a frame of its own).
    void release();
    // The frame the files go to; handed-over requests wait until it is attached.
    void attach(frmMDI& frame);
    // Runs done once every one of windows has closed (at once when there are none).
    void watchWindows(const QList<frmNotePad*>& windows, std::function<void()> done);

    // What the desktop interface's Open and Activate do: each file is read before the call
    // returns, so that a file the caller removes as soon as it has its answer is still opened in
    // full; the frame is raised, then the windows open (and refusals are told) once the call has
    // been answered and no modal dialog of the frame is open. Without files, an empty window
    // opens, as File, New does. While the frame is closing (its save questions are open, or
    // it is about to end) the files are refused and false returned: they would be lost with it,
    // so the caller opens them in a frame of its own.
    bool open(const QStringList& uris, const QVariantMap& platformData);

    // The session this process belongs to (its login session and display): a launch hands its
    // files only to a frame of its own session.
    static QString sessionKey();

public slots:
    Q_SCRIPTABLE QString Session() const { return sessionKey(); }

signals:
    // Every window opened for the request that carried token in its platform data has closed;
    // opened says whether any window opened for it at all.
    Q_SCRIPTABLE void WindowsClosed(const QString& token, bool opened);

private:
    struct Request {
        QList<FileCommands::ReadAhead> files;
        QString waitToken;
    };
    // Raises and activates the frame, with the caller's activation token when it sent one.
    void raiseFrame(const QVariantMap& platformData);
    // Opens the windows of the requests taken so far, unless a modal dialog is open.
    void deliver();

    QPointer<frmMDI> m_frame;
    QList<Request> m_pending;
    bool m_deliverySoon = false;
    bool m_exported = false;
};
