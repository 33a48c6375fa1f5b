#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>

// Runs part of a test in a process of its own: for a case that must start afresh, several at
// once, under limits of its own, or as the unprivileged user 65534 (nobody), since tests run as
// root and root passes every permission check.
//
// A case that makes windows runs in a new process of the same test program (the constructor,
// run()); a check without widgets of its own may run in a forked copy of the test (fork()).
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
    // Runs check in a forked copy of this process as user, after setup (run there too; false
    // fails the case), and returns what check returned: empty when everything held. A crash or
    // an exception in the copy is reported, never carried on as a second run of the tests.
    static QString fork(User user, const std::function<bool()>& setup,
                        const std::function<QString()>& check);
    static QString fork(User user, const std::function<QString()>& check) {
        return fork(user, {}, check);
    }

    // In the child: when argv asks for a case, drops to the unprivileged user if asked and
    // returns true with the case's arguments in *arguments; a failure to drop privileges is
    // reported as the case's result in *failure.
    static bool caseArguments(int argc, char** argv, QStringList* arguments, QString* failure);
    // In the child: hands the report to the parent.
    static int report(const QString& problems);

    // The main() of a test program whose cases may run in a new process: when the arguments ask
    // for a case, runCase runs it with a QApplication of its own and its report goes to the
    // parent; otherwise the tests of Test run.
    template <class Test>
    static int main(int argc, char** argv, QString (*runCase)(const QStringList&)) {
        QStringList arguments;
        QString failure;
        if (caseArguments(argc, argv, &arguments, &failure)) {
            if (!failure.isEmpty()) return report(failure);
            QApplication app(argc, argv);
            return report(runCase(arguments));
        }
        QApplication app(argc, argv);
        Test test;
        return QTest::qExec(&test, argc, argv);
    }

private:
    struct Process;
    Process* d;
};
