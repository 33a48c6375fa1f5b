#pragma once

#include <QString>
#include <QStringList>

// Runs part of a test in a new process of the same test program: a process of its own for a
// case that must start afresh, several at once, or as the unprivileged user 65534 (nobody),
// since tests run as root and root passes every permission check.
//
// The test's main() hands its arguments to caseArguments() first; when they ask for a case, it
// runs that case itself (with a QApplication of its own) and returns the report written to
// standard output.
class ChildCase {
public:
    enum class User { Same, Unprivileged };

    // Starts this program again for the case named by the first of arguments; the process runs
    // alongside until finished() is called.
    explicit ChildCase(const QStringList& arguments, User user);
    ~ChildCase();
    ChildCase(const ChildCase&) = delete;
    ChildCase& operator=(const ChildCase&) = delete;

    // Waits for the case and returns what it reported: empty when everything held, otherwise
    // what did not, or why the process did not finish well.
    QString finished();

    // Starts a case, waits for it and returns its report.
    static QString run(const QStringList& arguments, User user);

    // In the child: when argv asks for a case, drops to the unprivileged user if asked and
    // returns true with the case's arguments in *arguments; a failure to drop privileges is
    // reported as the case's result in *failure.
    static bool caseArguments(int argc, char** argv, QStringList* arguments, QString* failure);
    // In the child: hands the report to the parent.
    static int report(const QString& problems);

private:
    struct Process;
    Process* d;
};
