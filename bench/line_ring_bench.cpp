// What the always-on line ring costs: one live-data polling cycle of the diesel van's
// largest page with the ring off and on, in one run. The in-memory simulator on virtual
// time takes no real time per byte, so the cycle is the tester's CPU work alone and the
// ring's share is as large as it can ever be (on a real line each byte also waits 2 ms).
//   line_ring_bench [--benchmark_repetitions=5 ...]
#include <benchmark/benchmark.h>

#include <type_traits>

#include "cli/headless_tester.h"
#include "cli/vehicle_choice.h"
#include "link/clock.h"
#include "link/line_ring.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace {

template <typename R, typename C, typename A>
A cycleArgument(R (C::*)(A&));
using CycleOutput = decltype(cycleArgument(&tvx::cli::HeadlessTester::pollCycle));

void liveCycle(benchmark::State& state) {
    const bool ringOn = state.range(0) != 0;
    tvx::link::VirtualClock clock;
    tvx::sim::Box box(tvx::sim::vehicleScenario("diesel-van"));
    tvx::sim::InMemoryPort port(box, clock);
    port.openIndex(0);
    tvx::cli::HeadlessTester tester(port, clock, {}, '1');
    tvx::link::LineRing ring;
    tester.link().setRing(ringOn ? &ring : nullptr);
    if (tester.connect(tvx::cli::findVehicle("FOCUS 1.8 TDCI"), false) != tvx::cli::Outcome::Ok ||
        tester.openModule(tvx::session::Module::Pcm) != tvx::cli::Outcome::Ok ||
        tester.startLive() == nullptr) {
        state.SkipWithError("the simulated van did not start live data");
        return;
    }
    CycleOutput output;
    std::uint64_t eventsBefore = ring.total();
    for (auto _ : state) {
        if (!tester.pollCycle(output)) {
            state.SkipWithError("polling stopped");
            return;
        }
    }
    state.SetLabel(ringOn ? "ring on" : "ring off");
    state.counters["line events/cycle"] =
        static_cast<double>(ring.total() - eventsBefore) / static_cast<double>(state.iterations());
}
BENCHMARK(liveCycle)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void recordOneEvent(benchmark::State& state) {
    tvx::link::LineRing ring;
    std::uint64_t t = 0;
    for (auto _ : state) {
        ring.record({++t, tvx::link::LineEvent::Kind::Received, 0x42, 0});
    }
    benchmark::DoNotOptimize(ring.total());
}
BENCHMARK(recordOneEvent);

}  // namespace

BENCHMARK_MAIN();
