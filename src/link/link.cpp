#include "link.h"

#include <algorithm>

#include "box_protocol.h"
#include "byte_trace.h"

namespace tvx::link {
namespace {

constexpr unsigned kPauseBeforeByteMs = 2;
constexpr std::uint16_t kEchoTimeoutMs = 500;
constexpr std::uint16_t kCountTimeoutMs = 100;
constexpr std::uint16_t kDataTimeoutMs = 50;
constexpr std::uint16_t kPresenceTimeoutMs = 1000;
constexpr std::uint16_t kModuleProbeTimeoutMs = 3000;
// How long after a time-out an answer still counts as late (it never counts as a reply).
constexpr std::uint16_t kLateWindowMs = 1000;
// A box spewing bytes cannot hold the link: at most this many are set aside at once.
constexpr std::size_t kMostLateBytes = 512;
// Quiet that ends the rest of an earlier exchange: longer than the box waits for the next
// byte of a request (100 ms), so a request another program left cut off is given up too.
constexpr unsigned kStaleQuietMs = 150;

}  // namespace

Link::Link(SerialPort& port, Clock& clock) : m_port(port), m_clock(clock) {}

void Link::note(LineEvent::Kind kind, std::uint8_t byte, std::uint16_t timeoutMs) {
    if (m_ring != nullptr) {
        m_ring->record({m_clock.nowMs(), kind, byte, timeoutMs});
    }
}

bool Link::OpenPort(int index) {
    LineLost = false;
    m_quietSinceOpen = false;
    const bool opened = m_port.openIndex(index);
    note(opened ? LineEvent::Kind::Opened : LineEvent::Kind::OpenFailed,
         static_cast<std::uint8_t>(index));
    return opened;
}

bool Link::ClosePort() {
    const bool closed = m_port.close();
    if (closed) {
        note(LineEvent::Kind::Closed);
    }
    return closed;
}

void Link::timedOut(std::uint16_t timeoutMs) {
    const std::uint64_t end = m_clock.nowMs() + std::min(timeoutMs, kLateWindowMs);
    m_lateWindowEndMs = std::max(m_lateWindowEndMs, end);
}

bool Link::SetAsideLateAnswer() {
    std::uint64_t end = m_lateWindowEndMs;
    m_lateWindowEndMs = 0;
    if (end == 0 || DemoMode || !m_port.isOpen()) {
        return false;
    }
    bool came = false;
    for (std::size_t kept = 0; kept < kMostLateBytes; ++kept) {
        const std::uint64_t now = m_clock.nowMs();
        if (now >= end) {
            break;
        }
        std::uint8_t byte = 0;
        if (m_port.readByte(byte, static_cast<unsigned>(end - now)) != ReadStatus::Byte) {
            break;  // quiet to the end (a failing line shows at the next read)
        }
        came = true;
        const std::uint64_t at = m_clock.nowMs();
        note(LineEvent::Kind::Late, byte);
        if (m_trace != nullptr) {
            m_trace->late(byte, at);
        }
        end = at + kDataTimeoutMs;  // the rest of its frame goes too, then the line is quiet
    }
    LateAnswers += came ? 1 : 0;
    return came;
}

void Link::PurgePort() {
    SetAsideLateAnswer();
    if (m_port.isOpen()) {
        m_port.purge();
        note(LineEvent::Kind::Purged);
    }
    ReplyBuffer.fill(0);
}

void Link::SendByte(std::uint8_t byte) {
    if (DemoMode) {
        return;
    }
    m_clock.sleepMs(kPauseBeforeByteMs);
    // A failed write is not examined here: a missing box shows up as a read time-out.
    m_port.writeByte(byte);
    note(LineEvent::Kind::Sent, byte);
    if (m_trace != nullptr) {
        m_trace->sent(byte, m_clock.nowMs());
    }
}

void Link::SendBytes(std::span<const std::uint8_t> bytes) {
    if (DemoMode) {
        return;
    }
    if (m_trace != nullptr) {
        for (const std::uint8_t byte : bytes) {
            SendByte(byte);  // each byte stamped with the time it went
        }
        return;
    }
    m_port.writeBytes(bytes, kPauseBeforeByteMs, m_clock);
}

std::uint8_t Link::ReceiveByte(std::uint16_t timeoutMs) {
    if (DemoMode) {
        ReadTimedOut = 1;
        return 0;
    }
    std::uint8_t byte = 0;
    const ReadStatus status = m_port.readByte(byte, timeoutMs);
    if (status == ReadStatus::Byte) {
        ReadTimedOut = 0;
        note(LineEvent::Kind::Received, byte);
        if (m_trace != nullptr) {
            m_trace->received(byte, m_clock.nowMs());
        }
        return byte;
    }
    ReadTimedOut = 1;
    if (status == ReadStatus::Error) {
        LineLost = true;
        note(LineEvent::Kind::LineFailed, 0, timeoutMs);
        if (m_trace != nullptr) {
            m_trace->lineFailed(m_clock.nowMs());
        }
    } else {
        timedOut(timeoutMs);
        note(LineEvent::Kind::TimedOut, 0, timeoutMs);
        if (m_trace != nullptr) {
            m_trace->timedOut(timeoutMs, m_clock.nowMs());
        }
    }
    return 0;
}

std::size_t Link::ReceiveBytes(std::span<std::uint8_t> bytes, std::uint16_t timeoutMs) {
    if (DemoMode || m_trace != nullptr) {
        // A trace stamps each byte with the time it came, so it is read on its own.
        std::size_t received = 0;
        for (std::uint8_t& byte : bytes) {
            const std::uint8_t next = ReceiveByte(timeoutMs);
            if (ReadTimedOut != 0) {
                break;
            }
            byte = next;
            ++received;
        }
        return received;
    }
    std::size_t received = 0;
    const ReadStatus status = m_port.readBytes(bytes, timeoutMs, received);
    ReadTimedOut = status == ReadStatus::Byte ? 0 : 1;
    if (status == ReadStatus::Error) {
        LineLost = true;
    } else if (status == ReadStatus::TimedOut) {
        timedOut(timeoutMs);
    }
    return received;
}

std::uint8_t Link::Exchange(std::span<const std::uint8_t> frame) {
    PurgePort();
    if (frame.empty()) {
        ReplyFailed = 1;
        return 0;
    }
    SendBytes(frame);
    const std::uint8_t echo = ReceiveByte(kEchoTimeoutMs);
    ReplyBuffer[0] = echo;
    if (ReadTimedOut != 0 || echo != frame[0]) {
        // Whether this counts as a failure is the request's decision.
        return echo;
    }
    const std::uint8_t count = ReceiveByte(kCountTimeoutMs);
    if (ReadTimedOut != 0 || count == 0) {
        ReplyFailed = 1;
        return echo;
    }
    if (ReceiveBytes(std::span(ReplyBuffer).subspan(1, count), kDataTimeoutMs) < count) {
        ReplyFailed = 1;
        return echo;
    }
    ReplyFailed = 0;
    return echo;
}

bool Link::presenceTest() {
    PurgePort();
    SendByte(kPresenceByte);
    ReplyBuffer[0] = ReceiveByte(kPresenceTimeoutMs);
    return ReadTimedOut == 0 && ReplyBuffer[0] == kPresenceByte;
}

void Link::drainUntilQuiet() {
    if (DemoMode || !m_port.isOpen()) {
        return;
    }
    std::uint8_t byte = 0;
    for (std::size_t drained = 0; drained < kMostLateBytes; ++drained) {
        if (m_port.readByte(byte, kStaleQuietMs) != ReadStatus::Byte) {
            return;  // quiet (a failing line shows at the next read)
        }
        note(LineEvent::Kind::Late, byte);
        if (m_trace != nullptr) {
            m_trace->late(byte, m_clock.nowMs());
        }
    }
}

bool Link::ProbeInterface() {
    if (!m_quietSinceOpen) {
        // A program before this one (killed mid-request) may have left the box inside a
        // request, or still answering one: once the line is quiet, the box has given up
        // that request and the presence byte starts a new one.
        drainUntilQuiet();
        m_quietSinceOpen = true;
    }
    if (presenceTest() || ReadTimedOut != 0) {
        return ReadTimedOut == 0;
    }
    // Another byte than the answer: most likely the rest of an exchange a program that
    // ended (or was killed) left on the line. Once it has passed, the test is made again.
    drainUntilQuiet();
    return presenceTest();
}

bool Link::ProbeModules() {
    ModuleProtocol.fill(0);
    ModuleAnsweredLate.fill(false);
    if (DemoMode) {
        for (int module = 1; module <= 5; ++module) {
            ModuleProtocol[static_cast<std::size_t>(module)] = 1;
        }
        return true;
    }
    bool lastAnswered = false;
    for (int module = 1; module <= 5; ++module) {
        PurgePort();
        SendByte(static_cast<std::uint8_t>(kFirstModuleProbeByte + module - 1));
        ReplyBuffer[0] = ReceiveByte(kModuleProbeTimeoutMs);
        lastAnswered = ReadTimedOut == 0;
        if (lastAnswered) {
            ModuleProtocol[static_cast<std::size_t>(module)] = ReplyBuffer[0];
        } else {
            // Listened out now (not at the next purge) so the late one is known by name.
            ModuleAnsweredLate[static_cast<std::size_t>(module)] = SetAsideLateAnswer();
        }
    }
    return lastAnswered;
}

}  // namespace tvx::link
