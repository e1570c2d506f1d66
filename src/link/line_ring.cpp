#include "line_ring.h"

namespace tvx::link {

const char* lineEventName(LineEvent::Kind kind) {
    switch (kind) {
        case LineEvent::Kind::Sent:
            return "TX";
        case LineEvent::Kind::Received:
            return "RX";
        case LineEvent::Kind::TimedOut:
            return "timeout";
        case LineEvent::Kind::LineFailed:
            return "line failed";
        case LineEvent::Kind::Purged:
            return "purge";
        case LineEvent::Kind::Opened:
            return "opened";
        case LineEvent::Kind::OpenFailed:
            return "open failed";
        case LineEvent::Kind::Closed:
            return "closed";
        case LineEvent::Kind::Late:
            return "RX late";
    }
    return "?";
}

LineRing::LineRing() : m_events(kCapacity) {}

void LineRing::record(const LineEvent& event) {
    std::lock_guard lock(m_mutex);
    m_events[m_total % kCapacity] = event;
    ++m_total;
}

std::vector<LineEvent> LineRing::snapshot() const {
    std::lock_guard lock(m_mutex);
    std::vector<LineEvent> events;
    const std::uint64_t kept = m_total < kCapacity ? m_total : kCapacity;
    events.reserve(kept);
    for (std::uint64_t i = m_total - kept; i < m_total; ++i) {
        events.push_back(m_events[i % kCapacity]);
    }
    return events;
}

std::uint64_t LineRing::total() const {
    std::lock_guard lock(m_mutex);
    return m_total;
}

void LineRing::clear() {
    std::lock_guard lock(m_mutex);
    m_total = 0;
}

}  // namespace tvx::link
