#include "ChildCase.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>

namespace {

constexpr char SameFlag[] = "--child-case";
constexpr char NobodyFlag[] = "--child-case-unprivileged";
constexpr uid_t Nobody = 65534;
constexpr int WaitMs = 180000;

// Root becomes the unprivileged user, with no supplementary groups left; any other user is
// unprivileged already. False when root could not drop its rights.
bool becomeUnprivileged() {
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setresgid(Nobody, Nobody, Nobody) == 0 &&
           ::setresuid(Nobody, Nobody, Nobody) == 0 && ::geteuid() == Nobody;
}

}  // namespace

struct ChildCase::Process {
    QProcess process;
};

ChildCase::ChildCase(const QStringList& arguments, User user) : d(new Process) {
    d->process.setProgram(QCoreApplication::applicationFilePath());
    const char* flag = user == User::Unprivileged ? NobodyFlag : SameFlag;
    d->process.setArguments(QStringList{QString::fromLatin1(flag)} + arguments);
    d->process.start();
}

ChildCase::~ChildCase() {
    if (d->process.state() != QProcess::NotRunning) {
        d->process.kill();
        d->process.waitForFinished();
    }
    delete d;
}

QString ChildCase::finished() {
    QProcess& p = d->process;
    // A case that ended while the test was processing events has finished already.
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(WaitMs)) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("the case in a process of its own did not finish: ") +
               p.errorString();
    }
    const QString report = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("the case in a process of its own ended with status %1: %2 %3")
            .arg(p.exitCode())
            .arg(report, QString::fromLocal8Bit(p.readAllStandardError()));
    return report;
}

QString ChildCase::run(const QStringList& arguments, User user) {
    ChildCase child(arguments, user);
    return child.finished();
}

QString ChildCase::fork(User user, const std::function<bool()>& setup,
                        const std::function<QString()>& check) {
    int channel[2];
    if (::pipe(channel) != 0) return QStringLiteral("pipe() failed");
    const pid_t pid = ::fork();
    if (pid < 0) return QStringLiteral("fork() failed");
    if (pid == 0) {
        ::close(channel[0]);
        // A crash in the copy must end it at once: the test framework's crash handler would
        // start a debugger and wait for it.
        for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL}) ::signal(sig, SIG_DFL);
        // Nothing may leave the copy but through _exit(): an exception reaching the test
        // framework there would carry on as a second copy of the test run.
        QByteArray report;
        try {
            if (user == User::Unprivileged && !becomeUnprivileged())
                report = "the child could not become the unprivileged user";
            else if (setup && !setup())
                report = "child setup failed";
            else
                report = check().toUtf8();
        } catch (const std::exception& e) {
            report = QByteArray("exception in the child: ") + e.what();
        } catch (...) {
            report = "exception in the child";
        }
        const bool written = ::write(channel[1], report.constData(), size_t(report.size())) ==
                             ssize_t(report.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray report;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        report.append(buffer, n);
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) != pid) {
        if (errno != EINTR) return QStringLiteral("waitpid() failed");
    }
    if (!WIFEXITED(status)) return QStringLiteral("the child process died (status %1)").arg(status);
    if (WEXITSTATUS(status) != 0) return QStringLiteral("the child could not report");
    return QString::fromUtf8(report);
}

bool ChildCase::caseArguments(int argc, char** argv, QStringList* arguments, QString* failure) {
    if (argc < 2) return false;
    const bool same = qstrcmp(argv[1], SameFlag) == 0;
    const bool nobody = qstrcmp(argv[1], NobodyFlag) == 0;
    if (!same && !nobody) return false;
    // Dropped before anything else runs, so that the whole case runs as that user.
    if (nobody && !becomeUnprivileged())
        *failure = QStringLiteral("the child could not become the unprivileged user");
    arguments->clear();
    for (int i = 2; i < argc; ++i) *arguments << QFile::decodeName(argv[i]);
    return true;
}

int ChildCase::report(const QString& problems) {
    const QByteArray text = problems.toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    return 0;
}
