// The plan of a programming run on the diesel van that a test leaves begun and never ended
// in the injector code journal, as a kill between the first write and the run's end does.
#pragma once

#include <string>

#include "datadir/code_journal.h"
#include "link/injector_codes.h"
#include "sim/scenario.h"

namespace tvx::test {

inline session::ProgrammingPlan killedRunPlan(int slot, const std::string& newCode,
                                              const std::string& vin) {
    const sim::Scenario van = sim::vehicleScenario("diesel-van");
    session::ProgrammingPlan plan;
    plan.injector = slot;
    for (int s = 1; s <= 4; ++s) {
        plan.codesRead[static_cast<std::size_t>(s)] =
            session::injectorCodeText(van.injectorCodes[static_cast<std::size_t>(s - 1)]);
    }
    plan.oldCode = plan.codesRead[static_cast<std::size_t>(slot)];
    plan.newCode = newCode;
    plan.vin = vin;
    return plan;
}

}  // namespace tvx::test
