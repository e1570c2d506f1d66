#pragma once

#include <cstdint>

namespace tvx::link {

// Every pause of the link and the session goes through a Clock, so tests run on virtual
// time and a 3000 ms pause costs nothing.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(unsigned ms) = 0;
    virtual std::uint64_t nowMs() const = 0;
    // Sleeps until nowMs() reaches `ms` (at once when it has). A clock on real time waits
    // for that moment itself, which a sleep of the milliseconds left, counted from a nowMs()
    // up to a millisecond old, would overshoot.
    virtual void sleepUntilMs(std::uint64_t ms) {
        const std::uint64_t now = nowMs();
        if (ms > now) {
            sleepMs(static_cast<unsigned>(ms - now));
        }
    }
};

// Wall-clock time: sleeps for real.
class SteadyClock final : public Clock {
public:
    void sleepMs(unsigned ms) override;
    std::uint64_t nowMs() const override;
    void sleepUntilMs(std::uint64_t ms) override;
};

// Virtual time: sleeping only moves the clock on. Single-threaded use.
class VirtualClock final : public Clock {
public:
    void sleepMs(unsigned ms) override { m_now += ms; }
    std::uint64_t nowMs() const override { return m_now; }
    void advance(std::uint64_t ms) { m_now += ms; }

private:
    std::uint64_t m_now = 0;
};

}  // namespace tvx::link
