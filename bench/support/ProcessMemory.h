#pragma once

#include <QtGlobal>

// This process's memory as the kernel counts it, in KiB: resident now (VmRSS) and the most it
// has been resident (VmHWM).
class ProcessMemory {
public:
    static qint64 residentKiB();
    static qint64 peakResidentKiB();

private:
    static qint64 statusField(const char* name);
};
