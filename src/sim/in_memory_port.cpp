#include "in_memory_port.h"

#include <algorithm>

namespace tvx::sim {
namespace {

// 10 bit times at 9600 baud: 1.0417 ms; kept as microseconds to add up without drift.
constexpr std::uint64_t kByteTimeUs = 1042;

}  // namespace

InMemoryPort::InMemoryPort(Box& box, link::Clock& clock) : m_box(box), m_clock(clock) {}

bool InMemoryPort::openIndex(int index) {
    if (index < 0 || index > 7) {
        return m_open;
    }
    return openDevice("simulator");
}

bool InMemoryPort::openDevice(const std::string& device) {
    m_open = true;
    m_device = device;
    m_incoming.clear();
    return true;
}

bool InMemoryPort::close() {
    const bool wasOpen = m_open;
    m_open = false;
    m_incoming.clear();
    return wasOpen;
}

void InMemoryPort::purge() {
    // Only what has already arrived is discarded; a late reply still comes afterwards.
    const std::uint64_t now = m_clock.nowMs();
    std::erase_if(m_incoming, [now](const Incoming& item) { return item.readyAtMs <= now; });
}

bool InMemoryPort::writeByte(std::uint8_t byte) {
    return writeAt(byte, m_clock.nowMs());
}

void InMemoryPort::writeBytes(std::span<const std::uint8_t> bytes, unsigned pauseMs,
                              link::Clock& clock) {
    std::uint64_t at = clock.nowMs();
    for (const std::uint8_t byte : bytes) {
        at += pauseMs;
        writeAt(byte, at);
    }
    clock.sleepUntilMs(at);
}

bool InMemoryPort::writeAt(std::uint8_t byte, std::uint64_t now) {
    if (!m_open || m_box.lineClosed()) {
        return false;
    }
    BoxOutput out = m_box.receive(byte, now);
    if (m_filter && !out.bytes.empty()) {
        m_filter(out);
    }
    std::uint64_t readyUs = (now + out.delayMs) * 1000;
    if (!m_incoming.empty()) {
        readyUs = std::max(readyUs, m_incoming.back().readyAtMs * 1000);
    }
    for (const std::uint8_t answer : out.bytes) {
        if (m_pacing) {
            readyUs += kByteTimeUs;
        }
        std::uint64_t readyMs = (readyUs + 999) / 1000;
        if (out.holdMs != 0) {
            readyMs = (readyMs + out.holdMs - 1) / out.holdMs * out.holdMs;  // the timer's tick
        }
        m_incoming.push_back({answer, readyMs});
    }
    return true;
}

link::ReadStatus InMemoryPort::readByte(std::uint8_t& byte, unsigned timeoutMs) {
    if (!m_open) {
        return link::ReadStatus::Error;
    }
    const std::uint64_t now = m_clock.nowMs();
    if (!m_incoming.empty() && m_incoming.front().readyAtMs <= now + timeoutMs) {
        const Incoming next = m_incoming.front();
        m_incoming.pop_front();
        m_clock.sleepUntilMs(next.readyAtMs);
        byte = next.byte;
        return link::ReadStatus::Byte;
    }
    if (m_box.lineClosed()) {
        return link::ReadStatus::Error;
    }
    m_clock.sleepMs(timeoutMs);
    return link::ReadStatus::TimedOut;
}

link::ReadStatus InMemoryPort::readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                                         std::size_t& received) {
    received = 0;
    if (!m_open) {
        return link::ReadStatus::Error;
    }
    const std::uint64_t start = m_clock.nowMs();
    std::uint64_t waitFrom = start;  // when the wait for the next byte begins
    link::ReadStatus status = link::ReadStatus::Byte;
    while (received < bytes.size()) {
        if (!m_incoming.empty() && m_incoming.front().readyAtMs <= waitFrom + timeoutMs) {
            waitFrom = std::max(waitFrom, m_incoming.front().readyAtMs);
            bytes[received++] = m_incoming.front().byte;
            m_incoming.pop_front();
            continue;
        }
        status = m_box.lineClosed() ? link::ReadStatus::Error : link::ReadStatus::TimedOut;
        break;
    }
    m_clock.sleepUntilMs(waitFrom);
    if (status == link::ReadStatus::TimedOut) {
        m_clock.sleepMs(timeoutMs);  // the whole time-out, as a single read would wait it
    }
    return status;
}

std::optional<unsigned> InMemoryPort::latencyTimerMs() const {
    const unsigned held = m_box.burstHoldMs();
    return held == 0 ? std::nullopt : std::optional<unsigned>(held);
}

}  // namespace tvx::sim
