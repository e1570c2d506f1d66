#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "box.h"
#include "link/clock.h"
#include "link/serial_port.h"

namespace tvx::sim {

// A serial port wired straight to a simulated box. All waiting goes through the clock:
// with a VirtualClock no real time passes (a read that times out moves the clock on by
// its time-out), with a SteadyClock the port behaves in real time.
class InMemoryPort final : public link::SerialPort {
public:
    InMemoryPort(Box& box, link::Clock& clock);

    // Byte pacing at the wire rate of 9600 baud (about 1.04 ms per byte); off by default.
    void setPacing(bool on) { m_pacing = on; }
    // Sees, and may change, every answer of the box before it travels: how the fuzz
    // harness spoils answers. None by default.
    void setAnswerFilter(std::function<void(BoxOutput&)> filter) { m_filter = std::move(filter); }

    bool openIndex(int index) override;
    bool openDevice(const std::string& device) override;
    bool isOpen() const override { return m_open; }
    bool close() override;
    void purge() override;
    bool writeByte(std::uint8_t byte) override;
    // The box gets each byte at the time its pause ends; the caller sleeps once, to the end
    // of the last pause.
    void writeBytes(std::span<const std::uint8_t> bytes, unsigned pauseMs,
                    link::Clock& clock) override;
    link::ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override;
    // Works out when each byte comes and sleeps once, until the last of them has come (and
    // then for the time-out when a byte does not come): the same time passes as with one
    // readByte after another.
    link::ReadStatus readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                               std::size_t& received) override;
    std::string deviceName() const override { return m_device; }
    std::optional<unsigned> latencyTimerMs() const override;

    Box& box() { return m_box; }
    // Bytes the box has sent that were not read or purged yet.
    std::size_t pendingBytes() const { return m_incoming.size(); }

private:
    bool writeAt(std::uint8_t byte, std::uint64_t nowMs);

    struct Incoming {
        std::uint8_t byte;
        std::uint64_t readyAtMs;
    };

    Box& m_box;
    link::Clock& m_clock;
    bool m_open = false;
    bool m_pacing = false;
    std::string m_device;
    std::deque<Incoming> m_incoming;
    std::function<void(BoxOutput&)> m_filter;
};

}  // namespace tvx::sim
