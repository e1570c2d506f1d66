#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "fuzz_input.h"
#include "link/clock.h"
#include "link/serial_port.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace tvx::fuzz {

// One exchange as the tester lived it: the bytes it sent after a purge, and the bytes it
// read until the next purge.
struct WireExchange {
    std::vector<std::uint8_t> sent;
    std::vector<std::uint8_t> received;
};

// The in-memory port to the simulated box, with the box's answers spoilt by the fuzzer:
// for every answer one input byte chooses to pass it, drop it, replace it with input
// bytes, change one byte, or hold it back and cut it (so it arrives late, perhaps into the
// next exchange, which a purge then may or may not catch); an open or the whole line may
// fail. Records every exchange for the rules that look at the wire.
class FuzzPort final : public link::SerialPort {
public:
    FuzzPort(sim::Box& box, link::Clock& clock, FuzzInput& input);

    // Called with every whole request the tester has sent, as it is sent.
    std::function<void(const std::vector<std::uint8_t>& request)> onRequest;

    bool openIndex(int index) override;
    bool openDevice(const std::string& device) override;
    bool isOpen() const override { return m_inner.isOpen(); }
    bool close() override { return m_inner.close(); }
    void purge() override;
    bool writeByte(std::uint8_t byte) override;
    link::ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override;
    std::string deviceName() const override { return "fuzz"; }

    const std::vector<WireExchange>& exchanges() const { return m_exchanges; }

private:
    void spoil(sim::BoxOutput& answer);
    void noteSent(std::uint8_t byte);

    sim::InMemoryPort m_inner;
    FuzzInput& m_input;
    bool m_lineFailed = false;
    std::vector<WireExchange> m_exchanges;
    bool m_newExchange = true;
    std::vector<std::uint8_t> m_request;  // the request being sent, by the box's framing
};

}  // namespace tvx::fuzz
