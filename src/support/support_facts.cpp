#include "support/support_facts.h"

namespace tvx::session {

void SupportFacts::vehicleChosen(const VehicleChoice& e) {
    std::lock_guard lock(m_mutex);
    m_vehicle = std::string(e.name);
}

void SupportFacts::vinRead(const VinReading& e) {
    std::lock_guard lock(m_mutex);
    if (e.read) {
        m_vin = e.vin;
    }
}

void SupportFacts::connectionDiagnosed(const ConnectionDiagnosis& e) {
    std::lock_guard lock(m_mutex);
    m_finding = e.finding;
}

std::string SupportFacts::vehicle() const {
    std::lock_guard lock(m_mutex);
    return m_vehicle;
}

std::optional<std::string> SupportFacts::vin() const {
    std::lock_guard lock(m_mutex);
    return m_vin;
}

std::optional<Finding> SupportFacts::finding() const {
    std::lock_guard lock(m_mutex);
    return m_finding;
}

}  // namespace tvx::session
