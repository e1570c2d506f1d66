// tarvolinex-sim: a simulated KESTRON 7340 interface box with a car behind it, served on a
// pseudo-terminal. Prints the device to open as its first line, then answers until stopped.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "sim/pty_server.h"
#include "sim/scenario_file.h"

namespace {

std::atomic<bool> g_stop{false};

extern "C" void onStopSignal(int) {
    g_stop = true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tvx::sim;

    CLI::App app{
        "Simulated KESTRON 7340 interface box and car on a pseudo-terminal.\n"
        "Prints the device path (for example /dev/pts/4) as its first line; start the tester\n"
        "with --port <that path>. Answers the presence test, the module probe, opening bytes,\n"
        "live parameters, trouble codes (read and clear), the VIN and the injector control\n"
        "unit until stopped with Ctrl-C.",
        "tarvolinex-sim"};
    std::string vehicle = "petrol-car";
    std::string scenarioPath;
    std::vector<std::string> faultSpecs;
    PtyServer::Options options;
    bool listVehicles = false;
    app.add_option("vehicle", vehicle,
                   "Built-in vehicle: petrol-car (all modules protocol 1) or diesel-van "
                   "(protocol 2, with injector control unit)")
        ->capture_default_str();
    app.add_option("--scenario", scenarioPath,
                   "JSON scenario file (modules, protocols, codes, VIN, injector codes, faults)")
        ->check(CLI::ExistingFile);
    app.add_flag("--pace", options.pace,
                 "Send reply bytes at the 9600-baud wire rate (~1.04 ms/byte)");
    app.add_option("--trace", options.tracePath,
                   "Write every byte in and out, time-stamped, to FILE")
        ->type_name("FILE");
    app.add_option("--fault", faultSpecs,
                   "Inject a fault (repeatable): KIND[,count=N][,module=M][,identifier=ID]"
                   "[,amount=A][,injector-request=N]; injector-request=N spoils only the n-th "
                   "request the injector unit answers (1 = its first). KIND is silent-box, "
                   "silent-module, wrong-echo, count-zero, "
                   "cut-short (amount = data bytes kept), extra-delay (amount = ms), garbage "
                   "(amount = bytes), line-closed, keeps-old-code (the injector unit "
                   "confirms a write but keeps its code), late-probe (each module probe "
                   "answered amount ms late, 3500 when not given), burst-hold (reply bytes "
                   "passed on at the ticks of an amount ms adapter timer, 16 when not given) "
                   "or stale-bytes (amount bytes of an earlier reply before the reply, 3 when "
                   "not given). Example: --fault "
                   "cut-short,amount=3,count=2")
        ->type_name("SPEC")
        ->allow_extra_args(false);  // one fault per --fault, so a vehicle may follow
    app.add_flag("--list-vehicles", listVehicles, "List the built-in vehicles and exit");
    CLI11_PARSE(app, argc, argv);

    if (listVehicles) {
        for (const auto& name : vehicleNames()) {
            std::cout << name << '\n';
        }
        return 0;
    }

    Scenario scenario;
    try {
        scenario = scenarioPath.empty() ? vehicleScenario(vehicle) : loadScenarioFile(scenarioPath);
    } catch (const std::exception& error) {
        std::cerr << "tarvolinex-sim: " << error.what() << '\n';
        return 2;
    }
    for (const auto& spec : faultSpecs) {
        std::string error;
        const auto fault = parseFaultSpec(spec, error);
        if (!fault) {
            std::cerr << "tarvolinex-sim: --fault " << spec << ": " << error << '\n';
            return 2;
        }
        scenario.faults.push_back(*fault);
    }

    const std::string name = scenario.name;
    PtyServer server(std::move(scenario), options);
    std::string error;
    if (!server.open(error)) {
        std::cerr << "tarvolinex-sim: " << error << '\n';
        return 1;
    }
    std::cout << server.devicePath() << std::endl;  // first line, flushed: the device to open
    std::cerr << "tarvolinex-sim: serving \"" << name << "\" on " << server.devicePath()
              << "; stop with Ctrl-C\n";

    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    server.serve(g_stop);
    std::cerr << "tarvolinex-sim: stopped\n";
    return 0;
}
