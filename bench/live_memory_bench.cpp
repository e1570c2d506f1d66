// Memory of a long live-data run of the command-line tester: the resident set size after
// every 2,000 polling cycles of the diesel van's largest page, on the in-memory simulator
// without pacing (virtual time, so 20,000 cycles take seconds, not hours).
//   live_memory_bench [CYCLES]      default 20000
// Prints one line per sample: cycles, RSS in KiB, growth since the first sample.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

#include "cli/headless_tester.h"
#include "cli/vehicle_choice.h"
#include "link/clock.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "sim/scenario.h"

namespace {

long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * 4;  // 4 KiB pages
}

// The type pollCycle fills, whatever this version of the tester calls it.
template <typename R, typename C, typename A>
A cycleArgument(R (C::*)(A&));
using CycleOutput = decltype(cycleArgument(&tvx::cli::HeadlessTester::pollCycle));

}  // namespace

int main(int argc, char** argv) {
    const long cycles = argc > 1 ? std::atol(argv[1]) : 20000;
    tvx::link::VirtualClock clock;
    tvx::sim::Box box(tvx::sim::vehicleScenario("diesel-van"));
    tvx::sim::InMemoryPort port(box, clock);
    port.openIndex(0);
    tvx::cli::HeadlessTester tester(port, clock, {}, '1');
    const auto vehicle = tvx::cli::findVehicle("FOCUS 1.8 TDCI");
    if (tester.connect(vehicle, false) != tvx::cli::Outcome::Ok ||
        tester.openModule(tvx::session::Module::Pcm) != tvx::cli::Outcome::Ok ||
        tester.startLive() == nullptr) {
        std::fprintf(stderr, "live_memory_bench: the simulated van did not start live data\n");
        return 1;
    }
    CycleOutput output;
    long first = -1;
    std::printf("%10s %10s %10s\n", "cycles", "RSS KiB", "growth");
    for (long cycle = 1; cycle <= cycles; ++cycle) {
        if (!tester.pollCycle(output)) {
            std::fprintf(stderr, "live_memory_bench: polling stopped at cycle %ld\n", cycle);
            return 1;
        }
        // The simulator remembers every request it answered; that is the test rig's
        // memory, not the tester's.
        if (cycle % 100 == 0) {
            box.clearRequestLog();
        }
        if (cycle % 2000 == 0) {
            const long rss = residentKiB();
            if (first < 0) {
                first = rss;
            }
            std::printf("%10ld %10ld %+10ld\n", cycle, rss, rss - first);
            std::fflush(stdout);
        }
    }
    return 0;
}
