#pragma once

#include <string>

#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace tvx::test {

// The link and its requests talking to a simulated vehicle on virtual time, port open and
// modules probed.
struct SimulatedVehicle {
    explicit SimulatedVehicle(const std::string& vehicle)
        : box(sim::vehicleScenario(vehicle)), port(box, clock), link(port, clock), requests(link) {
        link.OpenPort(0);
        link.ProbeModules();
    }

    link::VirtualClock clock;
    sim::Box box;
    sim::InMemoryPort port;
    link::Link link;
    link::Requests requests;
};

}  // namespace tvx::test
