// Wall-clock time of one parameter read end to end: the POSIX port, a pseudo-terminal and
// the simulated box pacing its reply at the 9600-baud wire rate. Shows what a live-data
// page costs per gauge: 3 request bytes with their 2 ms pauses plus 12 reply bytes.

#include <benchmark/benchmark.h>

#include "link/clock.h"
#include "link/link.h"
#include "link/posix_serial_port.h"
#include "link/requests.h"
#include "sim/pty_server.h"

namespace {

using namespace tvx;

void readOverPty(benchmark::State& state, bool pace) {
    sim::PtyServer::Options options;
    options.pace = pace;
    sim::PtyServer server(sim::vehicleScenario("petrol-car"), options);
    std::string error;
    if (!server.open(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    server.start();
    link::PosixSerialPort port(server.devicePath());
    link::SteadyClock clock;
    link::Link link(port, clock);
    link::Requests requests(link);
    link.OpenPort(0);
    link.ModuleProtocol = {0, 1, 1, 1, 1, 1};
    int failures = 0;
    for (auto _ : state) {
        requests.Decode(link::Decoder::EngineSpeed1);
        failures += link.ReplyFailed;
    }
    state.counters["failed_reads"] = failures;
}

void BM_ParameterReadPaced(benchmark::State& state) {
    readOverPty(state, true);
}
void BM_ParameterReadUnpaced(benchmark::State& state) {
    readOverPty(state, false);
}

BENCHMARK(BM_ParameterReadPaced)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_ParameterReadUnpaced)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(100);

}  // namespace

BENCHMARK_MAIN();
