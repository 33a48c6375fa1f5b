#include "ChildCase.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <cstdio>

#include <grp.h>
#include <unistd.h>

namespace {

constexpr char SameFlag[] = "--child-case";
constexpr char NobodyFlag[] = "--child-case-unprivileged";
constexpr uid_t Nobody = 65534;
constexpr int WaitMs = 180000;

}  // namespace

struct ChildCase::Process {
    QProcess process;
};

ChildCase::ChildCase(const QStringList& arguments, User user) : d(new Process)
{
    d->process.setProgram(QCoreApplication::applicationFilePath());
    const char* flag = user == User::Unprivileged ? NobodyFlag : SameFlag;
    d->process.setArguments(QStringList{QString::fromLatin1(flag)} + arguments);
    d->process.start();
}

ChildCase::~ChildCase()
{
    if (d->process.state() != QProcess::NotRunning) {
        d->process.kill();
        d->process.waitForFinished();
    }
    delete d;
}

QString ChildCase::finished()
{
    QProcess& p = d->process;
    // A case that ended while the test was processing events has finished already.
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(WaitMs)) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("the case in a process of its own did not finish: ") + p.errorString();
    }
    const QString report = QString::fromUtf8(p.readAllStandardOutput());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("the case in a process of its own ended with status %1: %2 %3")
            .arg(p.exitCode())
            .arg(report, QString::fromLocal8Bit(p.readAllStandardError()));
    return report;
}

QString ChildCase::run(const QStringList& arguments, User user)
{
    ChildCase child(arguments, user);
    return child.finished();
}

bool ChildCase::caseArguments(int argc, char** argv, QStringList* arguments, QString* failure)
{
    if (argc < 2) return false;
    const bool same = qstrcmp(argv[1], SameFlag) == 0;
    const bool nobody = qstrcmp(argv[1], NobodyFlag) == 0;
    if (!same && !nobody) return false;
    // Dropped before anything else runs, so that the whole case runs as that user.
    if (nobody && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
         ::setresuid(Nobody, Nobody, Nobody) != 0 || ::geteuid() != Nobody)) {
        *failure = QStringLiteral("the child could not become the unprivileged user");
    }
    arguments->clear();
    for (int i = 2; i < argc; ++i) *arguments << QFile::decodeName(argv[i]);
    return true;
}

int ChildCase::report(const QString& problems)
{
    const QByteArray text = problems.toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
    return 0;
}
