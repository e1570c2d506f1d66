#include "cli/line.h"

#include <stdexcept>

#include "datadir/settings.h"
#include "doctor/port_hint.h"
#include "link/system_port.h"
#include "sim/scenario_file.h"

namespace tvx::cli {

sim::Scenario simulatedScenario(const std::string& value) {
    if (value.empty()) {
        return sim::vehicleScenario("petrol-car");
    }
    std::error_code ignored;
    const std::filesystem::path path(value);
    if (std::filesystem::is_regular_file(path, ignored) || path.extension() == ".json") {
        return sim::loadScenarioFile(path);
    }
    return sim::vehicleScenario(value);
}

BoxLine::Opened BoxLine::open(const CommonOptions& options,
                              const std::filesystem::path& dataDirectory, link::Clock& clock) {
    std::unique_ptr<BoxLine> line(new BoxLine);
    if (options.demo) {
        // Nothing is sent in demonstration mode; the port is never opened.
        line->m_demo = true;
        line->m_port = link::makeSystemPort();
        line->m_description = "demonstration mode";
        return {std::move(line), ExitCode::Ok, {}};
    }
    if (options.simulate) {
        sim::Scenario scenario;
        try {
            scenario = simulatedScenario(*options.simulate);
        } catch (const std::exception& error) {
            return {nullptr, ExitCode::BadInput, std::string("--simulate: ") + error.what()};
        }
        std::string error;
        line->m_sim = startSimulatedBox(std::move(scenario), clock, error);
        if (!line->m_sim) {
            return {nullptr, ExitCode::PortFailed, "the simulator could not start: " + error};
        }
        line->m_description = line->m_sim->description();
        return {std::move(line), ExitCode::Ok, {}};
    }
    if (options.portDevice) {
        line->m_port = link::makeSystemPort(*options.portDevice);
        if (!line->m_port->openDevice(*options.portDevice)) {
            return {nullptr, ExitCode::PortFailed,
                    "cannot open the serial port " + *options.portDevice + ". " +
                        session::portOpenHint(line->m_port->lastOpenError(), '1')};
        }
        line->m_description = *options.portDevice;
        return {std::move(line), ExitCode::Ok, {}};
    }
    // --com N, else the port the window last used.
    const int index =
        options.comNumber
            ? *options.comNumber - 1
            : session::readSettings(session::settingsPath(dataDirectory)).settings.comPortIndex;
    const std::string comName = "COM" + std::to_string(index + 1);
    line->m_port = link::makeSystemPort();
    if (!line->m_port->openIndex(index)) {
        return {nullptr, ExitCode::PortFailed,
                "cannot open " + comName + ". " +
                    session::portOpenHint(line->m_port->lastOpenError(), '1') +
                    " Name the device with --port."};
    }
    const std::string device = line->m_port->deviceName();
    line->m_description =
        device.empty() || device == comName ? comName : comName + " (" + device + ")";
    return {std::move(line), ExitCode::Ok, {}};
}

}  // namespace tvx::cli
