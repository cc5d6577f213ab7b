#pragma once

#include <sys/resource.h>

namespace bench {

// The most the process has held resident so far, file pages it touched included.
inline double peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

} // namespace bench
