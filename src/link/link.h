#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "clock.h"
#include "line_ring.h"
#include "serial_port.h"

namespace tvx::link {

class ByteTrace;

// The serial link to the interface box: the port, the framed exchange and the two
// start-up probes. All link state lives here (one object per connection, no globals).
class Link {
public:
    Link(SerialPort& port, Clock& clock);

    // Byte trace of every byte sent and received; nullptr (the default) costs nothing.
    void setTrace(ByteTrace* trace) { m_trace = trace; }
    // The always-on record of the last line events (for a support file); nullptr: none.
    void setRing(LineRing* ring) { m_ring = ring; }
    LineRing* ring() const { return m_ring; }

    bool OpenPort(int index);
    bool ClosePort();
    // Empties both directions of the port, then zeroes all of ReplyBuffer. After a read that
    // timed out it first sets aside a late answer (see SetAsideLateAnswer), so that no byte
    // of an earlier request is ever read as the reply to the next.
    void PurgePort();
    // After a read that timed out the box may still answer. Listens out the rest of that
    // time-out's late window (the time-out itself, at most 1000 ms, from when it expired) and
    // throws away whatever comes in it, until the line has been quiet for 50 ms. True when
    // something came: that answer is counted in LateAnswers and never read as a reply. Costs
    // nothing when the last read did not time out or its window has passed.
    bool SetAsideLateAnswer();
    // Waits 2 ms, then writes the byte. In DemoMode nothing is written.
    void SendByte(std::uint8_t byte);
    // SendByte for each byte in turn.
    void SendBytes(std::span<const std::uint8_t> bytes);
    // One byte within timeoutMs, or 0 with ReadTimedOut = 1.
    std::uint8_t ReceiveByte(std::uint16_t timeoutMs);
    // As many ReceiveByte calls as `bytes` holds, stopping at the first time-out; the bytes
    // that came are stored from the start of `bytes`. Returns how many came.
    std::size_t ReceiveBytes(std::span<std::uint8_t> bytes, std::uint16_t timeoutMs);
    // The framed exchange: frame[0] is the command byte, the rest follows it on the line.
    // Returns the echo byte. Data bytes land in ReplyBuffer[1..n].
    std::uint8_t Exchange(std::span<const std::uint8_t> frame);
    // Presence test of the box: byte 1 out, byte 1 back within 1000 ms. The first after the
    // port opened begins once the line has been quiet a while (what arrives is thrown
    // away). When another byte comes back, what is still arriving is thrown away until the
    // line is quiet and the test is made once more; a silent box is not asked again.
    bool ProbeInterface();
    // Fills ModuleProtocol[1..5]; false only when module 5 did not answer. A module whose
    // answer came after its time-out stays at 0 and is marked in ModuleAnsweredLate.
    bool ProbeModules();

    SerialPort& port() { return m_port; }
    Clock& clock() { return m_clock; }

    std::array<std::uint8_t, 256> ReplyBuffer{};
    std::uint8_t ReadTimedOut = 0;
    std::uint8_t ReplyFailed = 0;
    // Index 1..5 = PCM, TCM, ABS, AirBag, Cluster; index 0 unused. 0 = module absent.
    std::array<std::uint8_t, 6> ModuleProtocol{};
    bool DemoMode = false;
    // Answers that came after their time-out and were set aside since the link was made.
    unsigned LateAnswers = 0;
    // Index 1..5: the last module probe's answer came late (the module counts as absent).
    std::array<bool, 6> ModuleAnsweredLate{};
    // Set when the port itself failed (box unplugged, device gone), as opposed to a
    // silent box; cleared by OpenPort. Lets the session say what the mechanic must do.
    bool LineLost = false;

private:
    SerialPort& m_port;
    Clock& m_clock;
    ByteTrace* m_trace = nullptr;
    LineRing* m_ring = nullptr;
    // End of the late window of the last read that timed out; 0 when there is none.
    std::uint64_t m_lateWindowEndMs = 0;
    // The line was listened to until quiet since the port opened (before a presence test).
    bool m_quietSinceOpen = false;

    void timedOut(std::uint16_t timeoutMs);
    // One presence test: purge, byte 1 out, one byte back within 1000 ms.
    bool presenceTest();
    // Reads and throws away what comes until the line has been quiet a while.
    void drainUntilQuiet();

    void note(LineEvent::Kind kind, std::uint8_t byte = 0, std::uint16_t timeoutMs = 0);
};

}  // namespace tvx::link
