#include "gui/frame/FrameService.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <utility>

#include "gui/document/frmNotePad.h"
#include "gui/frame/ApplicationAdaptor.h"
#include "gui/frame/frmMDI.h"
#include "gui/platform/StartupNotice.h"

FrameService::FrameService() { new ApplicationAdaptor(*this); }

FrameService::~FrameService() {
    // The name goes before the rest of the program does, so that the next launch owns it.
    release();
}

void FrameService::release() {
    if (!m_exported) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(ObjectPath);
    bus.unregisterService(BusName);
    m_exported = false;
}

FrameService::Claim FrameService::claim() {
    // Where the session names no bus (neither in the environment nor at its usual place in the
    // runtime folder), the bus library is not even loaded: it would try to start a bus of its
    // own, which no other launch could find, and costs start-up time.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        !QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus")))
        return Claim::NoBus;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()) return Claim::NoBus;
    m_exported = bus.registerObject(ObjectPath, this,
                                    QDBusConnection::ExportAdaptors |
                                        QDBusConnection::ExportScriptableSlots |
                                        QDBusConnection::ExportScriptableSignals);
    if (!m_exported) return Claim::NoBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(BusName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Claim::Owned;
    bus.unregisterObject(ObjectPath);
    m_exported = false;
    return reply.isValid() ? Claim::Taken : Claim::NoBus;
}

void FrameService::attach(frmMDI& frame) {
    m_frame = &frame;
    if (!m_pending.isEmpty()) deliver();
}

QString FrameService::sessionKey() {
    // Each graphical session of a user has its own display, even where one bus serves them all.
    const QString display = qEnvironmentVariable(
        QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? "WAYLAND_DISPLAY"
                                                                             : "DISPLAY");
    return QGuiApplication::platformName() + QLatin1Char(' ') + display;
}

bool FrameService::open(const QStringList& uris, const QVariantMap& platformData) {
    if (m_frame && m_frame->isClosing()) return false;
    Request request;
    const QStringList lines = platformData.value(LinesKey).toStringList();
    for (qsizetype i = 0; i < uris.size(); ++i) {
        LaunchArguments::File file = LaunchArguments::fromUrl(QUrl(uris[i]));
        file.line = lines.value(i).toInt();
        request.files << FileCommands::readAhead(file);
    }
    request.waitToken = platformData.value(WaitKey).toString();
    m_pending << request;
    raiseFrame(platformData);
    // The caller has its answer before any window or message shows.
    if (!m_deliverySoon) {
        m_deliverySoon = true;
        QMetaObject::invokeMethod(this, &FrameService::deliver, Qt::QueuedConnection);
    }
    return true;
}

void FrameService::raiseFrame(const QVariantMap& platformData) {
    if (!m_frame) return;
    // Qt's Wayland platform hands this token to the compositor with the next activation, which
    // lets the frame come to the front for the launch the user just made.
    const QString token = platformData.value(QStringLiteral("activation-token")).toString();
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    if (m_frame->isMinimized())
        m_frame->showNormal();
    else
        m_frame->show();
    m_frame->raise();
    m_frame->activateWindow();
    StartupNotice::apply(*m_frame,
                         platformData.value(QStringLiteral("desktop-startup-id")).toString());
}

void FrameService::deliver() {
    m_deliverySoon = false;
    // While a modal dialog is open (a question, a file dialog, a message), the frame is in the
    // middle of something the new windows must not change; they open once it has closed.
    if (!m_frame || QApplication::activeModalWidget()) {
        if (m_frame && !m_pending.isEmpty()) {
            m_deliverySoon = true;
            QTimer::singleShot(250, this, &FrameService::deliver);
        }
        return;
    }
    while (!m_pending.isEmpty()) {
        const Request request = m_pending.takeFirst();
        QList<frmNotePad*> opened;
        if (request.files.isEmpty()) {
            if (frmNotePad* w = m_frame->NewDocumentWindow()) opened << w;
        }
        for (const FileCommands::ReadAhead& file : request.files)
            if (frmNotePad* w = m_frame->files().OpenReadAhead(file)) opened << w;
        if (request.waitToken.isEmpty()) continue;
        watchWindows(opened, [this, token = request.waitToken, any = !opened.isEmpty()] {
            emit WindowsClosed(token, any);
        });
    }
}

void FrameService::watchWindows(const QList<frmNotePad*>& windows, std::function<void()> done) {
    struct Watch {
        QList<QPointer<frmNotePad>> open;
        std::function<void()> done;
    };
    auto watch = std::make_shared<Watch>();
    for (frmNotePad* w : windows) watch->open << w;
    watch->done = std::move(done);
    auto check = [watch] {
        watch->open.removeIf([](const QPointer<frmNotePad>& w) { return !w || w->isUnloaded(); });
        if (watch->open.isEmpty() && watch->done) std::exchange(watch->done, nullptr)();
    };
    for (frmNotePad* w : windows) {
        connect(w, &frmNotePad::closed, this, check);
        connect(w, &QObject::destroyed, this, check);
    }
    check();
}
