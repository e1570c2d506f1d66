#include "trend/stale_gauges.h"

namespace tvx::trend {

void StaleGauges::set(Gauge gauge, bool stale) {
    auto [it, added] = m_stale.try_emplace(gauge, stale);
    if (added || it->second != stale) {
        it->second = stale;
        m_changed[gauge] = stale;
    }
}

void StaleGauges::startPage(std::span<const Gauge> gauges) {
    for (const Gauge gauge : gauges) {
        set(gauge, true);
    }
}

void StaleGauges::reading(Gauge gauge, bool failed) {
    set(gauge, failed);
}

void StaleGauges::lineLost() {
    for (auto& [gauge, stale] : m_stale) {
        set(gauge, true);
    }
}

bool StaleGauges::stale(Gauge gauge) const {
    const auto it = m_stale.find(gauge);
    return it != m_stale.end() && it->second;
}

std::vector<std::pair<Gauge, bool>> StaleGauges::takeChanges() {
    std::vector<std::pair<Gauge, bool>> changes(m_changed.begin(), m_changed.end());
    m_changed.clear();
    return changes;
}

}  // namespace tvx::trend
