// tarvolinex: the tester's window.
//   tarvolinex                          the serial ports of this machine (COM1..COM8 by index)
//   tarvolinex --port /dev/ttyUSB0      every port index opens that device
//   tarvolinex --simulate [diesel-van]  the simulated box and car in this process
//   tarvolinex --view-log FILE          every change of the display and controls, to FILE
#include <CLI/CLI.hpp>
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "datadir/data_directory.h"
#include "datadir/data_install.h"
#include "link/byte_trace.h"
#include "link/clock.h"
#include "link/port_info.h"
#include "link/system_port.h"
#include "session/interruptible_clock.h"
#include "session/interruptible_port.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"
#include "sim/scenario_file.h"
#include "ui/display_check.h"
#include "ui/tester_controller.h"
#include "ui/tform1.h"

namespace fs = std::filesystem;

namespace {

struct Options {
    std::optional<std::string> device;
    std::optional<fs::path> dataDir;
    std::optional<std::string> trace;
    std::optional<std::string> viewLog;
    std::optional<std::string> simulate;  // a vehicle name or a scenario file
};

// A built-in vehicle by name, else a scenario file by path.
tvx::sim::Scenario simulatedCar(const std::string& what) {
    for (const std::string& name : tvx::sim::vehicleNames())
        if (name == what)
            return tvx::sim::vehicleScenario(what);
    if (fs::is_regular_file(what))
        return tvx::sim::loadScenarioFile(what);
    std::string known;
    for (const std::string& name : tvx::sim::vehicleNames())
        known += " " + name;
    throw std::invalid_argument("--simulate: \"" + what +
                                "\" is neither a vehicle nor a scenario file (vehicles:" + known +
                                ")");
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    CLI::App cli{"Tarvolinex: vehicle diagnostic tester"};
    cli.add_option("--port", options.device,
                   "serial device of the interface box (every port index opens it)")
        ->type_name("DEVICE");
    cli.add_option("--data-dir", options.dataDir,
                   "directory of the settings file and the trouble-code catalogues")
        ->type_name("DIR");
    cli.add_option("--trace", options.trace, "write every byte on the line to FILE")
        ->type_name("FILE");
    cli.add_option("--view-log", options.viewLog,
                   "write every change of the display and the controls to FILE")
        ->type_name("FILE");
    auto* simulate = cli.add_option("--simulate", options.simulate,
                                    "run on the simulated box: petrol-car (default), "
                                    "diesel-van, or a scenario file")
                         ->expected(0, 1)
                         ->type_name("[VEHICLE|SCENARIO]");
    cli.allow_extras();  // Qt's own options (-platform, -style ...) pass through
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return cli.exit(error);
    }
    // Qt's options come as "-name" or "-name value"; any other word is a slip such as
    // "--data-dir DIR diesel-van" and would otherwise be dropped without a word.
    const std::vector<std::string> extras = cli.remaining();
    for (std::size_t i = 0; i < extras.size(); ++i) {
        if (!extras[i].starts_with('-') && (i == 0 || !extras[i - 1].starts_with('-'))) {
            std::cerr << "tarvolinex: unexpected argument \"" << extras[i]
                      << "\" (a vehicle goes after --simulate); see --help\n";
            return 2;
        }
    }
    if (simulate->count() > 0 && (!options.simulate || options.simulate->empty()))
        options.simulate = "petrol-car";
    if (options.simulate && options.device) {
        std::cerr << "tarvolinex: --simulate and --port exclude each other\n";
        return 2;
    }
    // A scenario file with a mistake is reported before anything else happens.
    std::optional<tvx::sim::Scenario> scenario;
    try {
        if (options.simulate)
            scenario = simulatedCar(*options.simulate);
    } catch (const std::exception& error) {
        std::cerr << "tarvolinex: " << error.what() << '\n';
        return 2;
    }
    const bool platformGiven = std::find(extras.begin(), extras.end(), "-platform") != extras.end();
    if (!platformGiven && !tvx::ui::haveDisplay()) {
        std::cerr << "tarvolinex: no display to open the window on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set). Start it from a desktop session, or under "
                     "xvfb-run; tarvolinex-cli is the tester for a terminal.\n";
        return 2;
    }

    QApplication app(argc, argv);
    const fs::path dataDir = tvx::session::dataDirectory(options.dataDir);
    const fs::path exeDir = QCoreApplication::applicationDirPath().toStdString();
    tvx::session::reportInstall(
        tvx::session::installDataFiles(tvx::session::shippedDataDirectories(exeDir), dataDir),
        dataDir, "tarvolinex", std::cout, std::cerr);

    tvx::session::InterruptibleClock clock;
    tvx::link::SteadyClock tickClock;
    std::unique_ptr<tvx::sim::Box> box;
    std::unique_ptr<tvx::link::SerialPort> port;
    try {
        if (scenario) {
            box = std::make_unique<tvx::sim::Box>(std::move(*scenario));
            auto simulated = std::make_unique<tvx::sim::InMemoryPort>(*box, clock);
            simulated->setPacing(true);  // bytes take as long as at 9600 baud
            port = std::move(simulated);
        } else {
            port = tvx::link::makeSystemPort(options.device);
        }
    } catch (const std::exception& error) {
        std::cerr << "tarvolinex: " << error.what() << '\n';
        return 2;
    }
    std::unique_ptr<tvx::link::ByteTrace> trace;
    if (options.trace) {
        trace = std::make_unique<tvx::link::ByteTrace>(*options.trace);
        if (!trace->isOpen()) {
            std::cerr << "tarvolinex: cannot write the trace file " << *options.trace << '\n';
            return 2;
        }
    }

    // Closing the window during a 3 s module probe must not wait the probe out.
    tvx::session::InterruptiblePort stoppablePort(*port, clock);
    tvx::ui::TForm1 form(QString::fromStdString((dataDir / "start.jpg").string()));
    tvx::ui::TesterController controller(
        form, {stoppablePort, clock, tickClock, &clock, dataDir, trace.get()});
    tvx::ui::TesterController::Diagnostics setup;
    // The port list: every COM index opens the simulated box, or the --port device, or
    // the port discovery finds behind it.
    if (box) {
        std::vector<tvx::link::PortInfo> simulated(8);
        for (int index = 0; index < 8; ++index) {
            simulated[static_cast<std::size_t>(index)].device = "simulator";
            simulated[static_cast<std::size_t>(index)].comIndex = index;
            simulated[static_cast<std::size_t>(index)].kind = tvx::link::PortKind::Simulated;
        }
        setup.portLister = [simulated] { return simulated; };
        // The simulated vehicle knows which modules it has.
        tvx::session::ModuleExpectation expected;
        for (int module = 1; module <= 5; ++module) {
            expected.present[static_cast<std::size_t>(module)] =
                box->scenario().modules[static_cast<std::size_t>(module)].protocol != 0;
        }
        expected.source = "the simulated vehicle (" + box->scenario().name + ")";
        setup.expectedModules = expected;
        setup.simulated = box->scenario().name;
    } else {
        setup.portLister = [device = options.device] { return tvx::link::indexedPorts(device); };
        setup.portDevice = options.device.value_or("");
    }
    controller.setDiagnostics(std::move(setup));
    if (options.viewLog && !controller.openViewLog(*options.viewLog)) {
        std::cerr << "tarvolinex: cannot write the view log " << *options.viewLog << '\n';
        return 2;
    }
    form.show();
    controller.start();
    const int status = app.exec();
    controller.stop();
    return status;
}
