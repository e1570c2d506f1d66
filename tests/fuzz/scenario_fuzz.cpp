// Scenario files, any text. Rules: a scenario is either read or refused with a
// ScenarioError that says what is wrong (never another exception, never a crash); what is
// read stays within the ranges the simulator relies on.
#include <cstdint>
#include <string_view>

#include "checks.h"
#include "sim/scenario_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using tvx::fuzz::require;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const tvx::sim::Scenario scenario = tvx::sim::parseScenario(text);
        for (int module = tvx::sim::kPcm; module <= tvx::sim::kCluster; ++module) {
            require(scenario.modules[static_cast<std::size_t>(module)].protocol <= 3,
                    "protocols are 0..3");
        }
        require(scenario.vin.size() == 17, "a VIN has 17 characters");
        require(scenario.odometerKm >= 0 && scenario.odometerKm <= 1.0e6,
                "the odometer is in range");
        require(scenario.injectorEndAddress >= 32 && scenario.injectorEndAddress <= 0xFFFFFF,
                "the code area lies in the unit's 24-bit memory");
        for (const tvx::sim::Fault& fault : scenario.faults) {
            require(fault.count == -1 || fault.count > 0, "a fault spoils at least one answer");
            require(fault.kind != tvx::sim::FaultKind::SilentModule || fault.module != 0,
                    "a silent module is named");
        }
    } catch (const tvx::sim::ScenarioError& error) {
        require(std::string_view(error.what()).size() > 0, "a refusal says why");
    }
    return 0;
}
