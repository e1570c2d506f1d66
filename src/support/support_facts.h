#pragma once

#include <mutex>
#include <optional>
#include <string>

#include "doctor/doctor.h"
#include "session/session_events.h"

namespace tvx::session {

// What a support file takes from a running session's events: the vehicle chosen, the VIN
// read, the doctor's last finding. Told on the session's thread, read on any (thread-safe).
class SupportFacts final : public SessionEvents {
public:
    void vehicleChosen(const VehicleChoice& e) override;
    void vinRead(const VinReading& e) override;
    void connectionDiagnosed(const ConnectionDiagnosis& e) override;

    std::string vehicle() const;
    std::optional<std::string> vin() const;
    std::optional<Finding> finding() const;

private:
    mutable std::mutex m_mutex;
    std::string m_vehicle;
    std::optional<std::string> m_vin;
    std::optional<Finding> m_finding;
};

}  // namespace tvx::session
