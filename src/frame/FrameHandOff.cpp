#include "frame/FrameHandOff.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QUrl>

#include "frame/FrameService.h"

namespace {
const QString OwnInterface = QStringLiteral("org.example.Tavulella");
const QString DesktopInterface = QStringLiteral("org.freedesktop.Application");
}  // namespace

std::optional<int> FrameHandOff::run(const LaunchArguments& launch, QVariantMap platformData) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const auto answered = [&bus](const QDBusMessage& call) {
        const QDBusMessage reply = bus.call(call, QDBus::Block, FrameService::AnswerTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage ? std::optional(reply) : std::nullopt;
    };
    // Another session of the same user may share the bus, never the frame.
    const auto session = answered(QDBusMessage::createMethodCall(
        FrameService::BusName, FrameService::ObjectPath, OwnInterface, QStringLiteral("Session")));
    if (!session || session->arguments().value(0).toString() != FrameService::sessionKey())
        return std::nullopt;

    FrameHandOff waiter;
    if (launch.wait) {
        // Listening starts before the files are handed over, so that no answer is missed; the
        // frame ending (its name going) ends the wait too.
        waiter.m_token = bus.baseService();
        platformData.insert(FrameService::WaitKey, waiter.m_token);
        bus.connect(FrameService::BusName, FrameService::ObjectPath, OwnInterface,
                    QStringLiteral("WindowsClosed"), &waiter, SLOT(windowsClosed(QString, bool)));
        auto* watcher = new QDBusServiceWatcher(
            FrameService::BusName, bus, QDBusServiceWatcher::WatchForUnregistration, &waiter);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, &waiter.m_loop,
                [&waiter] { waiter.m_loop.exit(0); });
    }

    QStringList uris;
    for (const LaunchArguments::File& file : launch.files)
        uris << (file.path.isEmpty() ? file.given
                                     : QUrl::fromLocalFile(file.path).toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(
        FrameService::BusName, FrameService::ObjectPath, DesktopInterface,
        uris.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    if (!uris.isEmpty()) call << uris;
    call << platformData;
    if (!answered(call)) return std::nullopt;
    return launch.wait ? waiter.m_loop.exec() : 0;
}

void FrameHandOff::windowsClosed(const QString& token, bool opened) {
    if (token == m_token) m_loop.exit(opened ? 0 : 1);
}
