#include "requests.h"

namespace tvx::link {
namespace {

constexpr std::uint8_t kKwpCommand = 21;
constexpr std::uint8_t kPositiveOffset = 0x40;

}  // namespace

bool Requests::memoryRequest(std::span<const std::uint8_t> frame, std::uint8_t positive) {
    const std::uint8_t echo = m_link.Exchange(frame);
    if (echo != frame[0]) {
        return false;  // ends the request; ReplyFailed stays as it was
    }
    if (m_link.ReplyFailed != 0) {
        return false;
    }
    return m_link.ReplyBuffer[4] == positive;
}

bool Requests::StartDiagnosticMode() {
    const std::array<std::uint8_t, 3> frame{kKwpCommand, 1, 0x10};
    return memoryRequest(frame, 0x10 + kPositiveOffset);
}

bool Requests::Routine(int variant) {
    const std::uint8_t option = variant == 0 ? 0x00 : 0x10;
    const std::array<std::uint8_t, 9> frame{kKwpCommand, 7, 0xB1, 3, 0, 0x16, option, 0, 0};
    return memoryRequest(frame, 0xB1 + kPositiveOffset);
}

bool Requests::RequestDownload(const std::array<std::uint8_t, 3>& address) {
    const std::array<std::uint8_t, 9> frame{kKwpCommand, 7,          0x34,       0,         0,
                                            4,           address[0], address[1], address[2]};
    return memoryRequest(frame, 0x34 + kPositiveOffset);
}

bool Requests::TransferData(const std::array<std::uint8_t, 4>& data) {
    const std::array<std::uint8_t, 9> frame{kKwpCommand, 7,       0x36, data[0], data[1],
                                            data[2],     data[3], 0,    0};
    return memoryRequest(frame, 0x36 + kPositiveOffset);
}

bool Requests::TransferExit() {
    const std::array<std::uint8_t, 4> frame{kKwpCommand, 2, 0x37, 0};
    return memoryRequest(frame, 0x37 + kPositiveOffset);
}

bool Requests::ReadMemory(const std::array<std::uint8_t, 3>& address) {
    const std::array<std::uint8_t, 6> frame{kKwpCommand, 4,          0x23,
                                            address[0],  address[1], address[2]};
    return memoryRequest(frame, 0x23 + kPositiveOffset);
}

bool Requests::AddressQuery() {
    constexpr std::uint8_t kCommand = 22;
    const std::array<std::uint8_t, 3> frame{kCommand, 0xC9, 0x05};
    const std::uint8_t echo = m_link.Exchange(frame);
    const auto& reply = m_link.ReplyBuffer;
    if (echo == kCommand && m_link.ReplyFailed != 0) {
        return false;  // count or data time-out: the address held stays
    }
    // Taken after a wrong echo too (then zeros, the purge having cleared the buffer).
    AddressHeld = {reply[8], reply[9], reply[10]};
    return echo == kCommand && reply[4] == 0x62 && reply[5] == 0xC9 && reply[6] == 0x05;
}

}  // namespace tvx::link
