#include <chrono>
#include <thread>

#include "precise_sleep.h"

namespace tvx::link {

// POSIX sleeps already keep to well under a millisecond.
void sleepPreciselyMs(unsigned ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace tvx::link
