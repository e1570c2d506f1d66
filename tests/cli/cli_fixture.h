#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "link/clock.h"
#include "sim/scenario.h"
#ifndef _WIN32
#include "sim/pty_server.h"
#endif

namespace tvx::cli::testing {

// A data directory of its own with the shipped catalogues, removed afterwards.
class DataDir {
public:
    explicit DataDir(bool withCatalogues = true) {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() /
                 ("tvx-cli-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
        if (withCatalogues) {
            for (const char* name : {"DTC5820EN.txt", "DTC5820TR.txt"}) {
                std::filesystem::copy_file(std::filesystem::path(TVX_CATALOGUE_DIR) / name,
                                           m_path / name);
            }
        }
    }
    ~DataDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string path() const { return m_path.string(); }
    std::filesystem::path file(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

#ifndef _WIN32
// The simulated box and car on a pseudo-terminal of their own, served on a thread (POSIX).
class SimulatedCar {
public:
    explicit SimulatedCar(const std::string& vehicle = "petrol-car")
        : SimulatedCar(sim::vehicleScenario(vehicle)) {}
    explicit SimulatedCar(sim::Scenario scenario)
        : m_trace(std::filesystem::temp_directory_path() /
                  ("tvx-cli-sim-" + std::to_string(std::random_device{}()) + ".log")),
          m_server(std::move(scenario), {false, m_trace.string()}) {
        std::string error;
        if (!m_server.open(error)) {
            ADD_FAILURE() << "pseudo-terminal: " << error;
        }
        m_server.start();
    }
    ~SimulatedCar() {
        m_server.stop();
        std::error_code ignored;
        std::filesystem::remove(m_trace, ignored);
    }

    const std::string& device() const { return m_server.devicePath(); }
    void addFault(const sim::Fault& fault) {
        m_server.withBox([&](sim::Box& box) { box.addFault(fault); });
    }
    std::size_t requestCount() {
        return m_server.withBox([](sim::Box& box) { return box.requests().size(); });
    }
    // Every byte the box received, complete request or not, from the simulator's trace.
    std::size_t bytesReceived() const {
        std::ifstream in(m_trace);
        std::size_t count = 0;
        for (std::string line; std::getline(in, line);) {
            count += line.find(" RX ") != std::string::npos ? 1 : 0;
        }
        return count;
    }
    std::vector<std::uint16_t> storedCodes(int module) {
        return m_server.withBox([&](sim::Box& box) { return box.storedCodes(module); });
    }
    std::array<std::uint8_t, 8> injectorCode(int slot) {
        return m_server.withBox([&](sim::Box& box) { return box.injectorCode(slot); });
    }
    // Requests the injector control unit has answered since the simulator started.
    int injectorRequests() {
        return m_server.withBox([](sim::Box& box) { return box.injectorRequests(); });
    }

private:
    std::filesystem::path m_trace;
    sim::PtyServer m_server;
};
#endif

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the command-line tester in-process with the real POSIX port. Pauses run on virtual
// time (a 30 s countdown costs nothing); serial reads still wait on the real line.
// `environment` as given but for its clock.
inline CliResult runCli(const std::vector<std::string>& args, std::istream& in,
                        Environment environment = {}) {
    std::ostringstream out;
    std::ostringstream err;
    Console console{in, out, err, false};
    link::VirtualClock clock;
    environment.clock = &clock;
    CliResult result;
    result.code = run(args, console, environment);
    result.out = out.str();
    result.err = err.str();
    return result;
}

inline CliResult runCli(const std::vector<std::string>& args, const std::string& input = "") {
    std::istringstream in(input);
    return runCli(args, in);
}

#ifndef _WIN32
// The common options that reach the simulated car, followed by the command's own.
inline std::vector<std::string> onCar(const SimulatedCar& car, const DataDir& data,
                                      std::vector<std::string> command) {
    std::vector<std::string> args{"--port", car.device(), "--data-dir", data.path()};
    args.insert(args.end(), command.begin(), command.end());
    return args;
}
#endif

}  // namespace tvx::cli::testing
