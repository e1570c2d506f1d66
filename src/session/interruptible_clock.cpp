#include "session/interruptible_clock.h"

#include <chrono>

#include "link/precise_sleep.h"

namespace tvx::session {

void InterruptibleClock::sleepMs(unsigned ms) {
    // A timed wait lasts at least a system timer tick (15.6 ms on Windows), far longer than
    // the link's 2 ms pause before each byte; a pause that short is not worth cutting short.
    if (ms <= kPreciseUpToMs) {
        if (!interrupted()) {
            link::sleepPreciselyMs(ms);
        }
        return;
    }
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_interrupted; });
}

void InterruptibleClock::sleepUntilMs(std::uint64_t ms) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_until(lock, std::chrono::steady_clock::time_point(std::chrono::milliseconds(ms)),
                      [this] { return m_interrupted; });
}

std::uint64_t InterruptibleClock::nowMs() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void InterruptibleClock::interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

void InterruptibleClock::reset() {
    std::lock_guard lock(m_mutex);
    m_interrupted = false;
}

bool InterruptibleClock::interrupted() const {
    std::lock_guard lock(m_mutex);
    return m_interrupted;
}

}  // namespace tvx::session
