#include <fstream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/injector_runs.h"
#include "datadir/settings.h"
#include "doctor/doctor_run.h"
#include "doctor/printable_text.h"
#include "link/line_ring.h"
#include "link/port_info.h"
#include "link/system_name.h"
#include "link/system_port.h"
#include "support/support_file.h"

namespace tvx::cli {
namespace {

struct StageCode {
    session::DoctorStage stage;
    ExitCode code;
};

constexpr StageCode kStageCodes[] = {
    {session::DoctorStage::AllGood, ExitCode::Ok},
    {session::DoctorStage::PortMissing, ExitCode::DoctorPortMissing},
    {session::DoctorStage::CannotOpen, ExitCode::DoctorCannotOpen},
    {session::DoctorStage::LineLost, ExitCode::DoctorLineLost},
    {session::DoctorStage::BoxSilent, ExitCode::DoctorBoxSilent},
    {session::DoctorStage::NotTheBox, ExitCode::DoctorNotTheBox},
    {session::DoctorStage::NoModule, ExitCode::DoctorNoModule},
    {session::DoctorStage::ModulesAbsent, ExitCode::DoctorModulesAbsent},
    {session::DoctorStage::ModuleSilent, ExitCode::DoctorNoModule},
    {session::DoctorStage::BoxLate, ExitCode::DoctorBoxLate},
};

ExitCode exitCodeOf(session::DoctorStage stage) {
    for (const StageCode& row : kStageCodes) {
        if (row.stage == stage) {
            return row.code;
        }
    }
    return ExitCode::Unexpected;
}

// What the presence test and the probe saw, one line each, for the mechanic and scripts.
void printObservations(const session::DoctorObservations& seen, std::ostream& out) {
    out << "port     " << session::printableText(seen.port) << '\n';
    out << "open     " << (seen.opened ? "ok" : "failed") << '\n';
    if (!seen.opened) {
        return;
    }
    if (seen.latencyTimerMs) {
        out << "adapter  latency timer " << *seen.latencyTimerMs << " ms\n";
    }
    switch (seen.presence) {
        case session::PresenceResult::Answered:
            out << "box      answered\n";
            break;
        case session::PresenceResult::Silent:
            out << (seen.presenceLate ? "box      answered late\n" : "box      silent\n");
            break;
        case session::PresenceResult::WrongByte:
        case session::PresenceResult::ExtraBytes:
            out << "box      not the box's answer\n";
            break;
        case session::PresenceResult::LineFailed:
            out << "box      line lost\n";
            break;
        case session::PresenceResult::NotRun:
            break;
    }
    if (!seen.probeRun) {
        return;
    }
    out << "modules ";
    for (int module = 1; module <= 5; ++module) {
        const int protocol = seen.protocols[static_cast<std::size_t>(module)];
        out << ' ' << session::doctorModuleName(module) << ' '
            << (seen.late[static_cast<std::size_t>(module)] ? std::string("late")
                : protocol == 0                             ? std::string("absent")
                                                            : std::to_string(protocol))
            << (module < 5 ? "," : "\n");
    }
}

// The simulated vehicle knows which modules it has.
std::optional<session::ModuleExpectation> expectationOf(const sim::Scenario& scenario) {
    session::ModuleExpectation expected;
    for (int module = 1; module <= 5; ++module) {
        expected.present[static_cast<std::size_t>(module)] =
            scenario.modules[static_cast<std::size_t>(module)].protocol != 0;
    }
    expected.source = "the simulated vehicle (" + scenario.name + ")";
    return expected;
}

// Refuses a support file that cannot be written before anything is sent.
bool canWrite(const std::string& path) {
    const std::filesystem::path probe = std::filesystem::path(path).string() + ".part";
    const bool writable = static_cast<bool>(std::ofstream(probe, std::ios::app));
    std::error_code ignored;
    std::filesystem::remove(probe, ignored);
    return writable;
}

// The port the doctor examines: the simulator's or the system's.
struct DoctorLine {
    session::DoctorTarget target;
    std::unique_ptr<SimulatedBox> simulated;
    std::unique_ptr<link::SerialPort> systemPort;
    link::SerialPort* port = nullptr;
    std::optional<session::ModuleExpectation> expected;  // the simulated car's modules
    std::string simulatedName;
};

// Starts the simulator behind --simulate, or takes the system's port as given or as set;
// Ok, or the failure (said on stderr).
ExitCode openDoctorLine(const CommonOptions& common, const session::Settings& settings,
                        link::Clock& clock, Console& console, DoctorLine& line) {
    if (!common.simulate) {
        line.systemPort = link::makeSystemPort();
        line.port = line.systemPort.get();
        if (common.portDevice) {
            line.target.device = *common.portDevice;
        } else {
            line.target.index = common.comNumber ? *common.comNumber - 1 : settings.comPortIndex;
        }
        return ExitCode::Ok;
    }
    sim::Scenario scenario;
    try {
        scenario = simulatedScenario(*common.simulate);
    } catch (const std::exception& error) {
        console.err << "tarvolinex-cli: --simulate: " << error.what() << '\n';
        return ExitCode::BadInput;
    }
    line.expected = expectationOf(scenario);
    line.simulatedName = scenario.name;
    std::string error;
    line.simulated = startSimulatedBox(std::move(scenario), clock, error);
    if (!line.simulated) {
        console.err << "tarvolinex-cli: the simulator could not start: " << error << '\n';
        return ExitCode::PortFailed;
    }
    line.port = &line.simulated->port();
    line.target.device = line.port->deviceName();
    return ExitCode::Ok;
}

// doctor --save: what was found, with the system, ports, settings and the line's last events.
ExitCode saveSupportFile(const Invocation& invocation, const session::Settings& settings,
                         char language, const DoctorLine& line,
                         const session::DoctorObservations& seen, const link::LineRing& ring,
                         const session::Finding& finding, std::uint64_t nowMs, Console& console) {
    session::SupportReport report;
    report.program = "tarvolinex-cli";
    report.version = session::programVersion();
    report.operatingSystem = link::operatingSystemName();
    report.ports = seen.present;
    report.comPortIndex = line.target.device ? settings.comPortIndex : line.target.index;
    report.languageCode = language;
    report.portDevice = invocation.common.portDevice.value_or("");
    report.simulated = line.simulatedName;
    report.line = ring.snapshot();
    report.lineEventsTotal = ring.total();
    // The command-line tester has no display: its "screen" is the doctor's.
    report.screens.push_back({nowMs, finding.failed() ? 255u : 65280u, finding.screen(language)});
    report.finding = finding;
    std::string error;
    if (!session::writeSupportFile(*invocation.supportFile, report, error)) {
        console.err << "tarvolinex-cli: " << error << '\n';
        return ExitCode::Unexpected;
    }
    console.progress("Support file written: " + session::printableText(*invocation.supportFile));
    return ExitCode::Ok;
}

}  // namespace

ExitCode runDoctor(const Invocation& invocation, Console& console, link::Clock& clock) {
    const CommonOptions& common = invocation.common;
    if (common.demo) {
        console.err << "tarvolinex-cli: demonstration mode sends nothing, so there is no "
                       "connection to examine; nothing was sent\n";
        return ExitCode::BadInput;
    }
    if (invocation.supportFile && !canWrite(*invocation.supportFile)) {
        console.err << "tarvolinex-cli: cannot write the support file "
                    << session::printableText(*invocation.supportFile) << "; nothing was sent\n";
        return ExitCode::BadInput;
    }
    const std::filesystem::path dataDirectory = commandDataDirectory(invocation);
    const char language = languageCode(invocation, dataDirectory);
    const session::Settings settings =
        session::readSettings(session::settingsPath(dataDirectory)).settings;

    DoctorLine line;
    if (const ExitCode failed = openDoctorLine(common, settings, clock, console, line);
        failed != ExitCode::Ok) {
        return failed;
    }
    const session::DoctorTarget& target = line.target;

    const std::string what =
        target.device ? session::printableText(*target.device) : link::comName(target.index);
    console.progress("Examining " + what +
                     ": the port, the box's presence test and the module probe (at most 23 s) ...");
    link::LineRing ring;
    session::DoctorObservations seen =
        session::examineConnection(*line.port, clock, target, link::discoverPorts(), &ring);
    seen.expected = line.expected;
    const session::Finding finding = session::diagnose(seen);

    printObservations(seen, console.out);
    console.out << "finding  " << session::doctorStageName(finding.stage) << '\n'
                << finding.text(language) << '\n';
    if (finding.latency) {
        console.out << "warning  " << finding.latency->text(language) << '\n';
    }
    // The doctor reads no VIN: a run left unfinished on any car is named with its car.
    tellUnfinishedRuns(dataDirectory, std::nullopt, nullptr, language, console);

    if (invocation.supportFile) {
        if (const ExitCode failed = saveSupportFile(invocation, settings, language, line, seen,
                                                    ring, finding, clock.nowMs(), console);
            failed != ExitCode::Ok) {
            return failed;
        }
    }
    return exitCodeOf(finding.stage);
}

}  // namespace tvx::cli
