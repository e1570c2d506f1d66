#include "trend/stale_gauges.h"

namespace tvx::trend {

void StaleGauges::set(std::string_view gauge, bool stale) {
    auto [it, added] = m_stale.try_emplace(gauge, stale);
    if (added || it->second != stale) {
        it->second = stale;
        m_changed[gauge] = stale;
    }
}

void StaleGauges::startPage(std::span<const std::string_view> gauges) {
    for (const std::string_view gauge : gauges) {
        set(gauge, true);
    }
}

void StaleGauges::reading(std::string_view gauge, bool failed) {
    set(gauge, failed);
}

void StaleGauges::lineLost() {
    for (auto& [gauge, stale] : m_stale) {
        set(gauge, true);
    }
}

bool StaleGauges::stale(std::string_view gauge) const {
    const auto it = m_stale.find(gauge);
    return it != m_stale.end() && it->second;
}

std::vector<std::pair<std::string_view, bool>> StaleGauges::takeChanges() {
    std::vector<std::pair<std::string_view, bool>> changes(m_changed.begin(), m_changed.end());
    m_changed.clear();
    return changes;
}

}  // namespace tvx::trend
