#pragma once

// What the benchmarks time with: this thread's CPU time, so that other work on the machine
// counts as little as possible.

#include <ctime>

namespace kaleidra::bench
{
// This thread's CPU time in seconds.
inline double cpuSeconds()
{
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec now{};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double> (now.tv_sec) + 1.0e-9 * static_cast<double> (now.tv_nsec);
#else
    return static_cast<double> (std::clock()) / CLOCKS_PER_SEC;
#endif
}
} // namespace kaleidra::bench
