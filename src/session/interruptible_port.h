#pragma once

#include <cstdint>
#include <string>

#include "link/serial_port.h"
#include "session/interruptible_clock.h"

namespace tvx::session {

// A serial port whose waits for a byte end once the clock is interrupted: a read is waited
// for in short slices, and after interrupt() it reports a time-out at once. Without it a
// runner stopping during the module probe would wait out five 3000 ms reads.
class InterruptiblePort final : public link::SerialPort {
public:
    static constexpr unsigned kSliceMs = 50;

    InterruptiblePort(link::SerialPort& inner, const InterruptibleClock& clock)
        : m_inner(inner), m_clock(clock) {}

    bool openIndex(int index) override { return m_inner.openIndex(index); }
    bool openDevice(const std::string& device) override { return m_inner.openDevice(device); }
    bool isOpen() const override { return m_inner.isOpen(); }
    bool close() override { return m_inner.close(); }
    void purge() override { m_inner.purge(); }
    bool writeByte(std::uint8_t byte) override { return m_inner.writeByte(byte); }
    void writeBytes(std::span<const std::uint8_t> bytes, unsigned pauseMs,
                    link::Clock& clock) override {
        m_inner.writeBytes(bytes, pauseMs, clock);
    }
    link::ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override;
    // Several bytes at once when each is waited for no longer than a slice; else one by one.
    link::ReadStatus readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                               std::size_t& received) override;
    std::string deviceName() const override { return m_inner.deviceName(); }
    link::OpenError lastOpenError() const override { return m_inner.lastOpenError(); }

private:
    link::SerialPort& m_inner;
    const InterruptibleClock& m_clock;
};

}  // namespace tvx::session
