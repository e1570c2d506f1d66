#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "link/clock.h"

namespace tvx::session {

// Wall-clock time whose pauses can be cut short from another thread: after interrupt()
// every pause returns at once until reset(). Lets a runner stop during a 3000 ms pause.
class InterruptibleClock final : public link::Clock {
public:
    // Pauses up to this long are slept precisely and not interrupted.
    static constexpr unsigned kPreciseUpToMs = 20;

    void sleepMs(unsigned ms) override;
    std::uint64_t nowMs() const override;
    void sleepUntilMs(std::uint64_t ms) override;
    void interrupt();
    void reset();
    bool interrupted() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_interrupted = false;
};

}  // namespace tvx::session
