#include "clock.h"

#include <chrono>

#include "precise_sleep.h"

namespace tvx::link {

void SteadyClock::sleepMs(unsigned ms) {
    sleepPreciselyMs(ms);
}

// Through the precise sleep, so a short wait lasts as long on Windows as elsewhere.
void SteadyClock::sleepUntilMs(std::uint64_t ms) {
    const std::uint64_t now = nowMs();
    if (ms > now) {
        sleepPreciselyMs(static_cast<unsigned>(ms - now));
    }
}

std::uint64_t SteadyClock::nowMs() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace tvx::link
