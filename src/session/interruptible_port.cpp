#include "session/interruptible_port.h"

#include <algorithm>

namespace tvx::session {

link::ReadStatus InterruptiblePort::readByte(std::uint8_t& byte, unsigned timeoutMs) {
    unsigned left = timeoutMs;
    for (;;) {
        if (m_clock.interrupted()) {
            return link::ReadStatus::TimedOut;
        }
        const unsigned slice = std::min(left, kSliceMs);
        const link::ReadStatus status = m_inner.readByte(byte, slice);
        left -= slice;
        if (status != link::ReadStatus::TimedOut || left == 0) {
            return status;
        }
    }
}

link::ReadStatus InterruptiblePort::readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                                              std::size_t& received) {
    if (timeoutMs > kSliceMs) {
        return SerialPort::readBytes(bytes, timeoutMs, received);
    }
    received = 0;
    if (m_clock.interrupted()) {
        return link::ReadStatus::TimedOut;
    }
    return m_inner.readBytes(bytes, timeoutMs, received);
}

}  // namespace tvx::session
