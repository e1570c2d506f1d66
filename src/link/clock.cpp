#include "clock.h"

#include <chrono>

#include "precise_sleep.h"

namespace tvx::link {

void SteadyClock::sleepMs(unsigned ms) {
    sleepPreciselyMs(ms);
}

std::uint64_t SteadyClock::nowMs() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace tvx::link
