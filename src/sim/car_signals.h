#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "scenario.h"

namespace tvx::sim {

// The live values of the simulated car: plausible at idle and slowly changing with time
// (engine speed wobbles around 800 rpm, temperatures warm up, the battery charges at
// about 14 V). Each identifier answers the four data bytes A..D of a parameter reply,
// encoded the way the tester's decoder for that identifier reads them.
class CarSignals {
public:
    explicit CarSignals(const Scenario& scenario);

    // A..D for a parameter identifier at the given time since the box started, or none
    // when the car does not know the identifier.
    std::optional<std::array<std::uint8_t, 4>> read(std::uint16_t identifier,
                                                    std::uint64_t sinceStartMs) const;

    // The engineering value the car shows for an identifier of the decoder table.
    std::optional<double> value(std::uint16_t identifier, double seconds) const;

private:
    const Scenario& m_scenario;
};

}  // namespace tvx::sim
