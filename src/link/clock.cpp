#include "clock.h"

#include <chrono>
#include <thread>

namespace tvx::link {

void SteadyClock::sleepMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyClock::sleepUntilMs(std::uint64_t ms) {
    std::this_thread::sleep_until(
        std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms)));
}

std::uint64_t SteadyClock::nowMs() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace tvx::link
