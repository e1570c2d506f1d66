#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tvx::link {

// One thing that happened on the line.
struct LineEvent {
    enum class Kind : std::uint8_t {
        Sent,        // `byte` went to the box
        Received,    // `byte` came from the box
        TimedOut,    // no byte within `timeoutMs`
        LineFailed,  // the port failed (device gone)
        Purged,      // both directions emptied: an exchange begins
        Opened,      // the port was opened
        OpenFailed,  // an open failed
        Closed,
        Late,  // `byte` came after its read had timed out: set aside, never read as a reply
    };
    std::uint64_t timeMs = 0;  // on the link's clock
    Kind kind = Kind::Sent;
    std::uint8_t byte = 0;
    std::uint16_t timeoutMs = 0;
};

const char* lineEventName(LineEvent::Kind kind);  // "TX", "RX", "timeout", ...

// The last 20,000 events of the line, always kept so that a support file can show what
// happened before a failure. Recording is a copy into a fixed buffer under a lock nobody
// else holds while the session runs: no allocation, no I/O. Thread-safe: the session's
// worker records, the window takes a snapshot.
class LineRing {
public:
    static constexpr std::size_t kCapacity = 20000;

    LineRing();

    void record(const LineEvent& event);
    // The events kept, oldest first.
    std::vector<LineEvent> snapshot() const;
    // Every event recorded since the start, kept or overwritten.
    std::uint64_t total() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    std::vector<LineEvent> m_events;  // kCapacity slots, written round
    std::uint64_t m_total = 0;
};

}  // namespace tvx::link
