#include "gui/platform/QuitSignals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace {

// The one place a signal handler can reach: the writing end of the socket pair. It is set once
// before the handlers are installed and cleared after they are removed.
volatile sig_atomic_t writeFd = -1;

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (writeFd >= 0) {
        // A full socket already holds a wake-up; nothing else can be done here about a failure.
        const ssize_t written = ::write(writeFd, &byte, 1);
        static_cast<void>(written);
    }
    errno = saved;
}

void install(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // Every signal whose default is to end the program quietly: the session ending or a service
    // manager stopping it (TERM, HUP), a terminal's Ctrl+C and Ctrl+\ (INT, QUIT).
    for (const int signal : {SIGTERM, SIGHUP, SIGINT, SIGQUIT})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_fds) != 0) return;
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::drain);
    writeFd = m_fds[0];
    install(onSignal);
}

QuitSignals::~QuitSignals() {
    if (m_fds[0] < 0) return;
    install(SIG_DFL);
    writeFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void QuitSignals::drain() {
    char buffer[16];
    while (::read(m_fds[1], buffer, sizeof buffer) > 0) {
    }
    emit received();
}
