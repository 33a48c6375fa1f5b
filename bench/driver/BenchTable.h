#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include "ChildRun.h"

// Runs every scenario in Tavulella and in the floor program, interleaved, after a warm-up run
// of each, and prints one table: each figure's median over the runs for both, their ratio, the
// target and whether it holds.
class BenchTable {
public:
    struct Programs {
        QString floor;       // the floor program, every scenario
        QString startup;     // Tavulella built as the program: start-up and opening files
        QString work;        // Tavulella with scripted dialogs: the other scenarios
        QString keyLatency;  // types into the others from outside (the typing scenarios)
    };

    // only: the names of the scenarios to run (startup, open64k, open10m, edit, find, save, new,
    // fontmenu, windows, memory, memory64k, open64k-lf, edit-lf, find-lf, open64k-utf8,
    // edit-utf8, find-utf8, openline64k, line64k, line2m, line10m, pasteline, typing, typing64k,
    // typingline64k); empty for all.
    BenchTable(const Programs& programs, const QString& workDir, int runs,
               const QStringList& only = {});

    // Runs everything and prints the table; returns 0 when every target holds.
    int run();

    // Writes the test files into dir (text-64000.txt, text-10000000.txt, and the files of one
    // line line-64000.txt, line-2000000.txt, line-10000000.txt), for a look at one scenario by
    // hand or under a profiler.
    static bool writeFiles(const QString& dir);

private:
    // FramedFloor: the floor that also draws what Tavulella's start-up frame draws (menu bar,
    // tool bar, title, scroll bar); it runs the scenarios whose job says so.
    enum class Side { Tavulella, Floor, FramedFloor };
    // P95: the 95th percentile of a run's samples.
    enum class Reduce { Median, Max, StartUp, P95 };
    // RatioToAtMost compares Tavulella with itself: its figure against the same figure of the
    // scenario named by the row's `versus`.
    enum class Target { None, RatioAtMost, FloorPlusAtMost, Below, RatioToAtMost };

    struct Job {
        QString name;
        QStringList args;
        bool tavulellaAsProgram;  // run Tavulella's side with the startup program
        bool framed = false;      // run the framed floor too
        bool typedInto = false;   // run through the key-latency program
    };
    struct Row {
        QString label;
        QString job;
        QString figure;
        Reduce reduce;
        double scale;
        Target target;
        double limit;
        QString versus = QString();
        // Compared with the framed floor rather than the bare one.
        bool framed = false;
    };

    bool prepareFiles();
    QVector<Job> jobs() const;
    static QVector<Row> rows();
    bool runJob(const Job& job, int round, bool record);
    QStringList argsFor(const Job& job, Side side) const;
    // The figure of one run (the samples of that run reduced), or a negative value when absent.
    static double reduceRun(const ChildRun& run, const Row& row);
    double median(const Row& row, Side side) const;
    QString targetText(const Row& row) const;
    int printTable() const;

    Programs m_programs;
    QString m_dir;
    int m_runs;
    QStringList m_only;
    QString m_file64k;
    QString m_file10m;
    QString m_line64k;
    QString m_line2m;
    QString m_line10m;
    QString m_lf64k;
    QString m_lf10m;
    QString m_utf864k;
    QString m_utf810m;
    // job name -> side -> one ChildRun per recorded run
    QMap<QString, QMap<int, QVector<ChildRun>>> m_results;
    QStringList m_errors;
    // Scenarios of which a recorded run failed: their figures do not count.
    QStringList m_failedJobs;
};
