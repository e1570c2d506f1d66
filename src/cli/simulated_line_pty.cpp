// --simulate on POSIX: the simulator serves a pseudo-terminal on a thread of its own and the
// tester opens it through the system's serial port, as it would a real box.
#include "cli/line.h"
#include "link/system_port.h"
#include "sim/pty_server.h"

namespace tvx::cli {
namespace {

class PtySimulatedBox final : public SimulatedBox {
public:
    PtySimulatedBox(sim::Scenario scenario)
        : m_name(scenario.name), m_server(std::move(scenario), {}) {}
    ~PtySimulatedBox() override {
        if (m_port) {
            m_port->close();
        }
        m_server.stop();
    }

    bool start(std::string& error) {
        if (!m_server.open(error)) {
            return false;
        }
        m_server.start();
        m_port = link::makeSystemPort(m_server.devicePath());
        if (!m_port->openDevice(m_server.devicePath())) {
            error = "cannot open " + m_server.devicePath();
            return false;
        }
        return true;
    }

    link::SerialPort& port() override { return *m_port; }
    std::string description() const override {
        return "the simulated " + m_name + " on " + m_server.devicePath();
    }

private:
    std::string m_name;
    sim::PtyServer m_server;
    std::unique_ptr<link::SerialPort> m_port;
};

}  // namespace

std::unique_ptr<SimulatedBox> startSimulatedBox(sim::Scenario scenario, link::Clock& /*clock*/,
                                                std::string& error) {
    auto box = std::make_unique<PtySimulatedBox>(std::move(scenario));
    if (!box->start(error)) {
        return nullptr;
    }
    return box;
}

}  // namespace tvx::cli
