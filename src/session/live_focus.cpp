#include "session/live_focus.h"

#include <algorithm>

#include "session/session_controls.h"

namespace tvx::session {

std::span<const Gauge> gaugesOfRead(const LiveRead& read) {
    if (read.kind == LiveRead::Kind::SwitchStates) {
        return controls::kSwitchStateGauges;
    }
    return {&read.gauge, 1};
}

std::optional<LiveFocus> LiveFocus::onGauges(const LivePage& page, std::span<const Gauge> gauges) {
    if (gauges.empty()) {
        return std::nullopt;
    }
    LiveFocus focus;
    focus.m_polled.assign(page.reads.size(), false);
    for (const Gauge gauge : gauges) {
        bool found = false;
        for (std::size_t i = 0; i < page.reads.size(); ++i) {
            const auto filled = gaugesOfRead(page.reads[i]);
            if (std::find(filled.begin(), filled.end(), gauge) != filled.end()) {
                focus.m_polled[i] = true;  // every read of it: the petrol speed is read twice
                found = true;
            }
        }
        if (!found) {
            return std::nullopt;
        }
    }
    return focus;
}

std::size_t LiveFocus::nextPolled(const LivePage& page, std::size_t from) const {
    while (from < page.reads.size() && !polls(from)) {
        ++from;
    }
    return from;
}

std::vector<Gauge> LiveFocus::gauges(const LivePage& page, bool polled) const {
    // Every gauge once, in the order first written (the columns' order); a gauge is polled
    // when any read that fills it is.
    std::vector<Gauge> all;
    std::vector<bool> read;
    for (std::size_t i = 0; i < page.reads.size(); ++i) {
        for (const Gauge gauge : gaugesOfRead(page.reads[i])) {
            const auto at = std::find(all.begin(), all.end(), gauge);
            if (at == all.end()) {
                all.push_back(gauge);
                read.push_back(polls(i));
            } else if (polls(i)) {
                read[static_cast<std::size_t>(at - all.begin())] = true;
            }
        }
    }
    std::vector<Gauge> chosen;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (read[i] == polled) {
            chosen.push_back(all[i]);
        }
    }
    return chosen;
}

std::vector<Gauge> LiveFocus::polledGauges(const LivePage& page) const {
    return gauges(page, true);
}

std::vector<Gauge> LiveFocus::pausedGauges(const LivePage& page) const {
    return gauges(page, false);
}

}  // namespace tvx::session
