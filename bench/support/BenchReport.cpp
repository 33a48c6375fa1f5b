#include "BenchReport.h"

#include <time.h>

#include <cstdio>

#include "ProcessMemory.h"

void BenchReport::figure(const QString& name, double value) {
    std::printf("figure %s %.3f\n", qPrintable(name), value);
    std::fflush(stdout);
}

qint64 BenchReport::monotonicNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double BenchReport::msSince(qint64 startNs) { return (monotonicNs() - startNs) / 1e6; }

void BenchReport::memory(const QString& prefix) {
    figure(prefix + QStringLiteral("_rss_kib"), double(ProcessMemory::residentKiB()));
    figure(prefix + QStringLiteral("_hwm_kib"), double(ProcessMemory::peakResidentKiB()));
}
