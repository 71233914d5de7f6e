#pragma once

#include <QtGlobal>
#include <ctime>

// The CPU time the process has used so far, in seconds: with the wall time
// it says how busy a benchmark kept a core.
inline double cpuSeconds()
{
#ifdef Q_OS_UNIX
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
#else
    return double(std::clock()) / CLOCKS_PER_SEC;
#endif
}
