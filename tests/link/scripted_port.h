#pragma once

#include <deque>
#include <vector>

#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "link/serial_port.h"

namespace tvx::test {

// A port whose next reply bytes a test writes by hand, for replies the simulator never
// makes on its own (identifier mismatch, odd headers). Records every byte written.
class ScriptedPort final : public link::SerialPort {
public:
    explicit ScriptedPort(link::VirtualClock& clock) : m_clock(clock) {}

    void reply(std::vector<std::uint8_t> bytes) {
        m_next.insert(m_next.end(), bytes.begin(), bytes.end());
    }
    // Bytes that have already arrived, unasked (a late answer to an earlier request).
    void arrived(std::vector<std::uint8_t> bytes) {
        m_ready.insert(m_ready.end(), bytes.begin(), bytes.end());
    }
    // Queued bytes are handed out only after the next write, as a box answers a request.
    const std::vector<std::uint8_t>& written() const { return m_written; }
    bool purged() const { return m_purges > 0; }

    bool openIndex(int index) override {
        return index >= 0 && index <= 7 ? (m_open = true) : m_open;
    }
    bool openDevice(const std::string&) override { return m_open = true; }
    bool isOpen() const override { return m_open; }
    bool close() override { return !(m_open = false); }
    void purge() override {
        ++m_purges;
        m_ready.clear();
    }
    bool writeByte(std::uint8_t byte) override {
        m_written.push_back(byte);
        m_ready.insert(m_ready.end(), m_next.begin(), m_next.end());
        m_next.clear();
        return true;
    }
    link::ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override {
        if (m_ready.empty()) {
            m_clock.sleepMs(timeoutMs);
            return link::ReadStatus::TimedOut;
        }
        byte = m_ready.front();
        m_ready.pop_front();
        return link::ReadStatus::Byte;
    }
    std::string deviceName() const override { return "scripted"; }

private:
    link::VirtualClock& m_clock;
    bool m_open = false;
    int m_purges = 0;
    std::deque<std::uint8_t> m_next;
    std::deque<std::uint8_t> m_ready;
    std::vector<std::uint8_t> m_written;
};

// A link on a scripted port, opened, with all five modules answering one protocol.
struct ScriptedLink {
    explicit ScriptedLink(std::uint8_t protocol = 1)
        : port(clock), link(port, clock), requests(link) {
        link.OpenPort(0);
        link.ModuleProtocol = {0, protocol, protocol, protocol, protocol, protocol};
    }

    link::VirtualClock clock;
    ScriptedPort port;
    link::Link link;
    link::Requests requests;
};

}  // namespace tvx::test
