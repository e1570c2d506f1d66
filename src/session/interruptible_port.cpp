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

}  // namespace tvx::session
