#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "cli/exit_code.h"
#include "cli/options.h"
#include "link/clock.h"
#include "link/serial_port.h"
#include "sim/scenario.h"

namespace tvx::cli {

// A simulated box and car with the port the tester talks to it through.
class SimulatedBox {
public:
    virtual ~SimulatedBox() = default;
    virtual link::SerialPort& port() = 0;
    virtual std::string description() const = 0;
};

// Starts the simulator: on a pseudo-terminal opened through the system's serial port where
// the platform has them, else wired in memory (pauses through `clock`). nullptr with
// `error` set when it cannot start.
std::unique_ptr<SimulatedBox> startSimulatedBox(sim::Scenario scenario, link::Clock& clock,
                                                std::string& error);

// The scenario --simulate names: "" for petrol-car, a built-in vehicle, or a JSON file.
// Throws std::invalid_argument or sim::ScenarioError with a message for the operator.
sim::Scenario simulatedScenario(const std::string& value);

// The line to the box that the common options choose: --port, --com, --simulate, --demo,
// or the COM port of the settings file.
class BoxLine {
public:
    struct Opened {
        std::unique_ptr<BoxLine> line;  // nullptr on failure
        ExitCode failure = ExitCode::Ok;
        std::string error;
    };
    static Opened open(const CommonOptions& options, const std::filesystem::path& dataDirectory,
                       link::Clock& clock);

    link::SerialPort& port() { return m_sim ? m_sim->port() : *m_port; }
    bool demo() const { return m_demo; }
    // What the tester talks to, for progress lines ("/dev/ttyUSB0").
    const std::string& description() const { return m_description; }

private:
    BoxLine() = default;
    std::unique_ptr<SimulatedBox> m_sim;
    std::unique_ptr<link::SerialPort> m_port;
    bool m_demo = false;
    std::string m_description;
};

}  // namespace tvx::cli
