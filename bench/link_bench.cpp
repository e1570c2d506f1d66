// CPU cost of the link's own work on virtual time: decoding, formatting, the simulated box.

#include <benchmark/benchmark.h>

#include "link/decoder_table.h"
#include "link/requests.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"

namespace {

using namespace tvx;

void BM_FormatValue(benchmark::State& state) {
    double value = -40.0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(link::FormatValue(value, 4, 2));
        value += 0.37;
    }
}
BENCHMARK(BM_FormatValue);

// One parameter read and decode through the in-memory box: framing, box parsing and reply,
// decoding and formatting, with no time spent waiting.
void BM_DecodeEveryRow(benchmark::State& state) {
    link::VirtualClock clock;
    sim::Box box(sim::vehicleScenario("petrol-car"));
    sim::InMemoryPort port(box, clock);
    link::Link link(port, clock);
    link::Requests requests(link);
    link.OpenPort(0);
    link.ProbeModules();
    const auto rows = link::decoderTable();
    std::size_t next = 0;
    for (auto _ : state) {
        requests.Decode(rows[next].decoder);
        benchmark::DoNotOptimize(requests.ValueText);
        next = (next + 1) % rows.size();
    }
    state.counters["virtual_ms_per_read"] = benchmark::Counter(
        static_cast<double>(clock.nowMs()) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_DecodeEveryRow);

void BM_TroubleCodeRead(benchmark::State& state) {
    link::VirtualClock clock;
    sim::Box box(sim::vehicleScenario("diesel-van"));
    sim::InMemoryPort port(box, clock);
    link::Link link(port, clock);
    link::Requests requests(link);
    link.OpenPort(0);
    link.ProbeModules();
    for (auto _ : state) {
        requests.ReadTroubleCodes(1);
        benchmark::DoNotOptimize(requests.TroubleCodes);
    }
}
BENCHMARK(BM_TroubleCodeRead);

}  // namespace

BENCHMARK_MAIN();
