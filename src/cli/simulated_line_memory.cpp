// --simulate where there are no pseudo-terminals: the simulator is wired to the tester in
// memory and keeps time with the tester's clock.
#include "cli/line.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace tvx::cli {
namespace {

class MemorySimulatedBox final : public SimulatedBox {
public:
    MemorySimulatedBox(sim::Scenario scenario, link::Clock& clock)
        : m_name(scenario.name), m_box(std::move(scenario)), m_port(m_box, clock) {
        m_port.openIndex(0);
    }
    link::SerialPort& port() override { return m_port; }
    std::string description() const override { return "the simulated " + m_name + " (in memory)"; }

private:
    std::string m_name;
    sim::Box m_box;
    sim::InMemoryPort m_port;
};

}  // namespace

std::unique_ptr<SimulatedBox> startSimulatedBox(sim::Scenario scenario, link::Clock& clock,
                                                std::string& /*error*/) {
    return std::make_unique<MemorySimulatedBox>(std::move(scenario), clock);
}

}  // namespace tvx::cli
