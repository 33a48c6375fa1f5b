#pragma once

#include <QString>
#include <QtGlobal>

// What a benchmark program tells the driver: one line per figure on standard output,
// "figure <name> <value>", a figure measured several times giving several lines.
class BenchReport {
public:
    static void figure(const QString& name, double value);
    // Milliseconds since nsecs, a monotonic clock reading of QElapsedTimer's.
    static double msSince(qint64 startNs);
    // The monotonic clock, in nanoseconds; comparable between processes on one machine.
    static qint64 monotonicNs();
    // The memory figures <prefix>_rss_kib and <prefix>_hwm_kib of this process now.
    static void memory(const QString& prefix);
};
