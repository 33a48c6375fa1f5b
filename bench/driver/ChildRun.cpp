#include "ChildRun.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QList>
#include <vector>

extern char** environ;

namespace {

qint64 monotonicNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

ChildRun ChildRun::run(const QString& program, const QStringList& args, int timeoutMs) {
    ChildRun result;
    // Every run starts as a user with nothing to recover: a run that ends with unsaved text
    // leaves copies of it in the state folder (the script's own), which the next start would
    // offer back with a question instead of becoming idle.
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.isEmpty()) QDir(state + QStringLiteral("/Tavulella")).removeRecursively();
    int out[2];
    if (pipe(out) != 0) {
        result.m_error = QStringLiteral("pipe failed");
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);

    QList<QByteArray> storage;
    storage.append(program.toLocal8Bit());
    for (const QString& a : args) storage.append(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    result.m_startNs = monotonicNs();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        result.m_error = QStringLiteral("cannot start %1").arg(program);
        return result;
    }

    QByteArray output;
    const qint64 deadline = result.m_startNs + qint64(timeoutMs) * 1000000;
    bool timedOut = false;
    for (;;) {
        const qint64 left = (deadline - monotonicNs()) / 1000000;
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        output.append(buffer, n);
    }
    ::close(out[0]);
    if (timedOut) ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);

    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() == 3 && parts[0] == "figure") {
            result.m_figures[QString::fromLatin1(parts[1])].append(parts[2].toDouble());
        }
    }
    if (timedOut) {
        result.m_error = QStringLiteral("%1 %2: no end after %3 s")
                             .arg(program, args.join(QLatin1Char(' ')))
                             .arg(timeoutMs / 1000);
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        result.m_error = QStringLiteral("%1 %2: failed (status %3)")
                             .arg(program, args.join(QLatin1Char(' ')))
                             .arg(status);
    } else {
        result.m_ok = true;
    }
    return result;
}
