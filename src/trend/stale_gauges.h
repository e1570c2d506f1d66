#pragma once

#include <map>
#include <span>
#include <utility>
#include <vector>

#include "session/gauge.h"

namespace tvx::trend {

using session::Gauge;

// Which gauges of a live page show a value that is not fresh, so the window can dim them: a
// gauge is stale from the moment its page starts until it is first read, whenever its last
// read failed, and every gauge is once the line is lost. Live data and a replay alike.
class StaleGauges {
public:
    // The page's gauges, every one stale until read.
    void startPage(std::span<const Gauge> gauges);
    void reading(Gauge gauge, bool failed);
    void lineLost();

    bool stale(Gauge gauge) const;
    // Every gauge seen, with its state.
    const std::map<Gauge, bool>& all() const { return m_stale; }
    // Gauges whose state changed since the last call, with their state now.
    std::vector<std::pair<Gauge, bool>> takeChanges();

private:
    void set(Gauge gauge, bool stale);

    std::map<Gauge, bool> m_stale;
    std::map<Gauge, bool> m_changed;
};

}  // namespace tvx::trend
