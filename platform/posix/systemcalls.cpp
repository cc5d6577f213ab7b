#include "support/systemcalls.h"

#include <chrono>

namespace systemcalls {

int64_t queryPerformanceCounter() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

int64_t queryPerformanceFrequency() {
    using Period = std::chrono::steady_clock::period;
    return Period::den / Period::num;
}

} // namespace systemcalls
