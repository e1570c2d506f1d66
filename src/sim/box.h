#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "car_signals.h"
#include "scenario.h"

namespace tvx::sim {

// What the box sends back after a byte from the tester.
struct BoxOutput {
    std::vector<std::uint8_t> bytes;
    unsigned delayMs = 0;    // extra time before the first byte leaves the box
    unsigned holdMs = 0;     // the adapter passes bytes on only at multiples of this (0: at once)
    bool closeLine = false;  // the line drops
};

// The simulated interface box with the car behind it, byte by byte.
//
// Requests it understands (first byte decides the length):
//   1                       presence test, answers 1
//   40..44                  protocol probe of module 1..5, answers the protocol byte
//   0x14 x, 0x0A x          opening bytes of a module, answer one byte and select it
//   0x1E 0x07 x             the same for protocol-2 modules
//   22/32/12 hi lo          parameter read of the selected module (22 0xC9 0x05: address
//                           query of the injector control unit)
//   21/31/11 n s1..sn       service request: 0x13 / 0x18 read codes, 0x14 clear codes,
//                           0x10 session, 0xB1 routine, 0x23 read memory, 0x34 request
//                           download, 0x36 transfer data, 0x37 transfer exit
// Framed replies are: echo (the command byte), count n, then n data bytes whose first
// three are a header (the third is the answering module's address) and whose fourth is
// the service's answer (service + 0x40, or 0x7F service reason when refused).
// Bytes of a request must follow each other within 100 ms; a longer gap starts over.
class Box {
public:
    explicit Box(Scenario scenario);

    // One byte from the tester, arriving at nowMs (any clock, only differences count).
    BoxOutput receive(std::uint8_t byte, std::uint64_t nowMs);

    void addFault(const Fault& fault);
    void clearFaults();
    const std::vector<Fault>& faults() const { return m_faults; }

    const Scenario& scenario() const { return m_scenario; }
    // Module the last opening bytes selected (1..5); the PCM at power-up.
    int selectedModule() const { return m_selected; }
    const std::vector<std::uint16_t>& storedCodes(int module) const;
    // The 8 bytes of injector 1..4 as held in the unit's memory.
    std::array<std::uint8_t, 8> injectorCode(int injector) const;
    // The complete requests received, in order: all of them up to kRequestLogLimit, then
    // the more recent ones (the oldest half goes each time the log is full).
    static constexpr std::size_t kRequestLogLimit = 1 << 16;
    const std::vector<std::vector<std::uint8_t>>& requests() const { return m_requests; }
    void clearRequestLog() { m_requests.clear(); }
    bool lineClosed() const { return m_lineClosed; }
    // The latency timer of the simulated adapter (a burst-hold fault), 0 when none holds bytes.
    unsigned burstHoldMs() const;
    // How many requests the injector control unit has answered so far.
    int injectorRequests() const { return m_injectorRequests; }

private:
    struct Answer {
        std::vector<std::uint8_t> bytes;
        bool framed = false;
        int module = 0;  // who answered (1..6), for faults
    };

    std::size_t expectedLength() const;
    BoxOutput finishRequest(std::uint64_t nowMs);
    Answer answer(const std::vector<std::uint8_t>& request, std::uint64_t nowMs);
    Answer openModule(int module, std::uint8_t replyByte);
    // A start-up dialogue's request (0x14, 0x0A or 0x1E first): the module it opens answers.
    Answer openingAnswer(const std::vector<std::uint8_t>& request);
    Answer parameterRead(std::uint8_t command, std::uint16_t identifier, std::uint64_t nowMs);
    Answer service(std::uint8_t command, const std::vector<std::uint8_t>& service);
    Answer troubleCodes(std::uint8_t command, std::uint8_t serviceId);
    Answer injectorService(std::uint8_t command, const std::vector<std::uint8_t>& service);
    Answer framed(std::uint8_t command, int module, std::vector<std::uint8_t> payload) const;
    Answer refused(std::uint8_t command, int module, std::uint8_t serviceId,
                   std::uint8_t reason) const;
    BoxOutput applyFaults(const std::vector<std::uint8_t>& request, Answer answer);
    // Whether FAULT acts on this answer to the request (the parameter read's identifier).
    bool faultActs(const Fault& fault, const std::vector<std::uint8_t>& request,
                   const Answer& answer, std::optional<std::uint16_t> identifier) const;
    // Changes the output by FAULT; true when nothing more can change it (silence, a closed line).
    bool applyFault(const Fault& fault, BoxOutput& out);
    // `count` bytes of repeatable line noise.
    std::vector<std::uint8_t> noise(unsigned count);
    bool keepsOldCode();
    bool moduleAbsent(int module) const;
    std::uint8_t* injectorByte(std::uint32_t address);

    Scenario m_scenario;
    CarSignals m_signals;
    std::vector<Fault> m_faults;
    std::array<std::vector<std::uint16_t>, 6> m_codes{};
    std::array<std::uint8_t, 32> m_injectorMemory{};
    std::vector<std::uint8_t> m_frame;
    std::uint64_t m_lastByteMs = 0;
    bool m_started = false;
    std::uint64_t m_startMs = 0;
    int m_selected = kPcm;
    std::optional<std::uint32_t> m_downloadAddress;
    std::optional<std::array<std::uint8_t, 4>> m_downloadData;
    std::vector<std::vector<std::uint8_t>> m_requests;
    bool m_lineClosed = false;
    int m_injectorRequests = 0;
    std::uint32_t m_noise = 0x2545F491;
};

}  // namespace tvx::sim
