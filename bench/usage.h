// What the bench programs measure of their own process.
#pragma once

#include <sys/resource.h>

namespace bench {

// User plus system CPU time so far, in seconds.
inline double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The peak resident set so far, in MiB (the kernel counts it in KiB).
inline double peakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

} // namespace bench
