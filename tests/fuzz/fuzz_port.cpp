#include "fuzz_port.h"

#include <algorithm>

namespace tvx::fuzz {
namespace {

// How many bytes a request has, by its first bytes (as the box frames them); 0 while the
// length byte has not come yet.
std::size_t requestLength(const std::vector<std::uint8_t>& request) {
    const std::uint8_t first = request[0];
    if (first == 0x14 || first == 0x0A) {
        return 2;
    }
    if (first == 0x1E || first == 22 || first == 32 || first == 12) {
        return 3;
    }
    if (first == 21 || first == 31 || first == 11) {
        return request.size() < 2 ? 0 : 2u + request[1];
    }
    return 1;
}

}  // namespace

FuzzPort::FuzzPort(sim::Box& box, link::Clock& clock, FuzzInput& input)
    : m_inner(box, clock), m_input(input) {
    m_inner.setAnswerFilter([this](sim::BoxOutput& answer) { spoil(answer); });
}

bool FuzzPort::openIndex(int index) {
    // One value in sixteen: the port is in use or gone.
    if (index >= 0 && index <= 7 && m_input.below(16) == 15) {
        return false;
    }
    m_lineFailed = false;
    return m_inner.openIndex(index);
}

bool FuzzPort::openDevice(const std::string& device) {
    m_lineFailed = false;
    return m_inner.openDevice(device);
}

void FuzzPort::purge() {
    m_inner.purge();
    m_newExchange = true;
}

void FuzzPort::noteSent(std::uint8_t byte) {
    if (m_newExchange || m_exchanges.empty()) {
        m_exchanges.emplace_back();
        m_newExchange = false;
    }
    m_exchanges.back().sent.push_back(byte);
    m_request.push_back(byte);
    const std::size_t length = requestLength(m_request);
    if (length != 0 && m_request.size() >= length) {
        if (onRequest) {
            onRequest(m_request);
        }
        m_request.clear();
    }
}

void FuzzPort::spoil(sim::BoxOutput& answer) {
    const std::uint8_t choice = m_input.byte();
    if (choice == 0xFF) {
        m_lineFailed = true;  // the line drops: every read from now on fails
        return;
    }
    auto& bytes = answer.bytes;
    switch (choice >> 5) {
        case 4:  // silence
            bytes.clear();
            break;
        case 5: {  // noise instead of the answer
            const std::string noise = m_input.text(20);
            bytes.assign(noise.begin(), noise.end());
            break;
        }
        case 6: {  // one byte changed
            const std::size_t at = m_input.below(static_cast<unsigned>(bytes.size()));
            bytes[at] = static_cast<std::uint8_t>(bytes[at] ^ (m_input.byte() | 1));
            break;
        }
        case 7:  // late, and perhaps cut short
            answer.delayMs += 8u * m_input.byte();
            bytes.resize(std::min<std::size_t>(bytes.size(), m_input.byte()));
            break;
        default:  // 0..127: the answer as the box gave it
            break;
    }
}

bool FuzzPort::writeByte(std::uint8_t byte) {
    if (m_inner.isOpen()) {
        noteSent(byte);
    }
    return m_inner.writeByte(byte);
}

link::ReadStatus FuzzPort::readByte(std::uint8_t& byte, unsigned timeoutMs) {
    if (m_lineFailed) {
        return link::ReadStatus::Error;
    }
    const link::ReadStatus status = m_inner.readByte(byte, timeoutMs);
    if (status == link::ReadStatus::Byte && !m_exchanges.empty()) {
        m_exchanges.back().received.push_back(byte);
    }
    return status;
}

}  // namespace tvx::fuzz
