#include "gui/frame/FrameHandOff.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdio>

#include "core/files/NativePath.h"
#include "gui/frame/FrameService.h"

extern char** environ;

namespace {
const QString OwnInterface = QStringLiteral("org.example.Tavulella");
const QString DesktopInterface = QStringLiteral("org.freedesktop.Application");
// How long a frame started for a waiting launch may take to own the name.
constexpr int FrameStartMs = 20000;

void tellFrameLost() {
    std::fputs(
        "tavulella: 'o programma s'è fermato primma ca se chiudevano 'e fenestre: 'o file "
        "nun se po' da' pe' fernuto.\n",
        stderr);
}
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
        // Listening starts before the files are handed over, so that no answer is missed. The
        // frame ending (its name going) or the bus going away before the windows have closed
        // ends the wait as a failure: the caller must not take the files as finished.
        waiter.m_token = bus.baseService();
        platformData.insert(FrameService::WaitKey, waiter.m_token);
        bus.connect(FrameService::BusName, FrameService::ObjectPath, OwnInterface,
                    QStringLiteral("WindowsClosed"), &waiter, SLOT(windowsClosed(QString, bool)));
        auto* watcher = new QDBusServiceWatcher(
            FrameService::BusName, bus, QDBusServiceWatcher::WatchForUnregistration, &waiter);
        connect(watcher, &QDBusServiceWatcher::serviceUnregistered, &waiter.m_loop,
                [&waiter] { waiter.m_loop.exit(FrameLost); });
        auto* busCheck = new QTimer(&waiter);
        connect(busCheck, &QTimer::timeout, &waiter.m_loop, [&waiter] {
            if (!QDBusConnection::sessionBus().isConnected()) waiter.m_loop.exit(FrameLost);
        });
        busCheck->start(500);
    }

    QStringList uris;
    QStringList lines;
    for (const LaunchArguments::File& file : launch.files) {
        // The path's bytes, percent-encoded, so that a name that is not UTF-8 arrives whole.
        uris << (file.path.isEmpty() ? file.given : NativePath::toUri(file.path));
        lines << QString::number(file.line);
    }
    if (std::any_of(launch.files.cbegin(), launch.files.cend(),
                    [](const LaunchArguments::File& file) { return file.line > 0; }))
        platformData.insert(FrameService::LinesKey, lines);
    QDBusMessage call = QDBusMessage::createMethodCall(
        FrameService::BusName, FrameService::ObjectPath, DesktopInterface,
        uris.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
    if (!uris.isEmpty()) call << uris;
    call << platformData;
    if (!answered(call)) return std::nullopt;
    if (!launch.wait) return 0;
    const int status = waiter.m_loop.exec();
    if (status == FrameLost) tellFrameLost();
    return status;
}

void FrameHandOff::windowsClosed(const QString& token, bool opened) {
    if (token == m_token) m_loop.exit(opened ? 0 : NoneOpened);
}

bool FrameHandOff::startFrame() {
    const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    char frameOnly[] = "--frame-only";
    char* argv[] = {const_cast<char*>(program.constData()), frameOnly, nullptr};
    // Its own session, so no signal of the launch's terminal reaches it; nothing of the
    // terminal either: a caller that reads the launch's output to its end must not wait for the
    // frame to end too.
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null",
                                         fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, program.constData(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed) return false;

    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < FrameStartMs) {
        if (bus->isServiceRegistered(FrameService::BusName)) return true;
        // A frame that ended without the name (another launch's frame took it first, or it
        // could not start) is asked once more.
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return bus->isServiceRegistered(FrameService::BusName);
        QThread::msleep(20);
    }
    return false;
}
