#pragma once

#include <optional>
#include <span>
#include <vector>

#include "session/live_pages.h"

namespace tvx::session {

// The gauges one read of a page fills: its own, or the three switch-state fields.
std::span<const Gauge> gaugesOfRead(const LiveRead& read);

// Which reads of a live page are polled: the whole page, or (fast mode) only the reads that
// fill the values the mechanic watches. The page's order and pauses stay; the other values
// are paused: not read, so neither fresh nor failed.
class LiveFocus {
public:
    LiveFocus() = default;  // the whole page

    // The reads that fill `gauges`; nullopt when one of them is not a gauge of the page or
    // none is given.
    static std::optional<LiveFocus> onGauges(const LivePage& page, std::span<const Gauge> gauges);

    bool whole() const { return m_polled.empty(); }
    bool polls(std::size_t read) const {
        return whole() || (read < m_polled.size() && m_polled[read]);
    }
    // The first read polled at or after `from`; page.reads.size() when none is.
    std::size_t nextPolled(const LivePage& page, std::size_t from) const;
    // The page's gauges in column order, those a polled read fills or the others.
    std::vector<Gauge> polledGauges(const LivePage& page) const;
    std::vector<Gauge> pausedGauges(const LivePage& page) const;

    bool operator==(const LiveFocus&) const = default;

private:
    std::vector<Gauge> gauges(const LivePage& page, bool polled) const;

    std::vector<bool> m_polled;  // by read; empty: every read
};

}  // namespace tvx::session
