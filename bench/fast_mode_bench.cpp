// Fast mode against the simulated diesel van on a pseudo-terminal at the wire's pace (9600
// baud, the box's bytes paced), through the real serial port, in one run:
//  - samples per second of one value, of three and of the whole page (FOCUS 1.8 TDCI, 18
//    reads a pass);
//  - a polling pass of the whole page through an adapter that holds each reply in bursts
//    (the simulator's burst-hold fault at 16 ms), and at 1 ms.
//   fast_mode_bench [SECONDS]      seconds per figure, default 5
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/link.h"
#include "link/posix_serial_port.h"
#include "link/requests.h"
#include "session/null_view.h"
#include "session/session.h"
#include "sim/in_memory_port.h"
#include "sim/pty_server.h"
#include "sim/scenario.h"

namespace {

using tvx::session::Session;

// Counts the good readings of each gauge and the passes.
struct Counter final : tvx::session::SessionEvents {
    void liveReading(const tvx::session::LiveReading& e) override {
        if (!e.failed) {
            ++samples[e.gauge];
        }
        failed += e.failed ? 1 : 0;
    }
    void liveCycleEnded(const tvx::session::LiveCycle& e) override { passes += e.complete ? 1 : 0; }
    std::map<tvx::session::Gauge, long> samples;
    long failed = 0;
    long passes = 0;
};

void settle(Session& session) {
    for (int i = 0; i < 400 && !session.isWaiting(); ++i) {
        session.step();
    }
}

struct Figure {
    double perSecond = 0;  // of the first gauge chosen
    double passMs = 0;
    long failed = 0;
};

// Polls the page for `seconds` with the gauges chosen (all when empty).
Figure poll(Session& session, Counter& counter, tvx::link::Clock& clock,
            const std::vector<tvx::session::Gauge>& gauges, double seconds) {
    if (!session.focusLive(gauges)) {
        std::fprintf(stderr, "fast_mode_bench: fast mode refused\n");
        std::exit(1);
    }
    session.step();  // a pass to begin on a clean pass boundary
    counter = Counter{};
    const std::uint64_t start = clock.nowMs();
    while (static_cast<double>(clock.nowMs() - start) < seconds * 1000.0) {
        session.step();
    }
    const double elapsed = static_cast<double>(clock.nowMs() - start) / 1000.0;
    Figure figure;
    figure.perSecond =
        static_cast<double>(
            counter.samples[gauges.empty() ? tvx::session::Gauge::rpmd : gauges.front()]) /
        elapsed;
    figure.passMs =
        counter.passes == 0 ? 0 : elapsed * 1000.0 / static_cast<double>(counter.passes);
    figure.failed = counter.failed;
    return figure;
}

// The figures on one line to the box: through `port`, timed by `clock`; `fault` puts a
// fault on the simulated box (none when nullopt). True when fast mode meets its figures.
bool measure(const char* title, tvx::link::SerialPort& port, tvx::link::Clock& clock,
             const std::function<void(std::optional<tvx::sim::Fault>)>& fault, double seconds,
             const std::filesystem::path& dir) {
    tvx::link::Link link(port, clock);
    tvx::link::Requests requests(link);
    tvx::session::NullView view;
    Session session(link, requests, clock, view, dir);
    Counter counter;
    session.addListener(counter);

    settle(session);
    session.ok();  // past the start picture
    settle(session);
    session.selectDiesel(4);  // FOCUS 1.8 TDCI: the full diesel page
    session.ok();
    settle(session);
    session.ok();  // connect
    settle(session);
    session.selectModule(tvx::session::Module::Pcm);
    session.live();
    session.step();
    session.step();
    if (!session.focusLive({})) {
        std::fprintf(stderr, "fast_mode_bench: no live page (state %d)\n",
                     static_cast<int>(session.state()));
        std::exit(1);
    }
    const Figure one = poll(session, counter, clock, {tvx::session::Gauge::rpmd}, seconds);
    const Figure three = poll(
        session, counter, clock,
        {tvx::session::Gauge::rpmd, tvx::session::Gauge::frpd, tvx::session::Gauge::mapd}, seconds);
    const Figure whole = poll(session, counter, clock, {}, seconds);
    const double bound3 = 0.95 * 1000.0 / (19.54 * 3);
    std::printf("%s\n", title);
    std::printf("  one value     %6.1f samples/s (at least 48, wire bound 51)\n", one.perSecond);
    std::printf("  three values  %6.1f samples/s each (at least %.1f)\n", three.perSecond, bound3);
    std::printf("  whole page    %6.2f samples/s each, a pass %.0f ms\n", whole.perSecond,
                whole.passMs);
    fault(tvx::sim::Fault::burstHold(16));
    const Figure held16 = poll(session, counter, clock, {}, seconds);
    fault(tvx::sim::Fault::burstHold(1));
    const Figure held1 = poll(session, counter, clock, {}, seconds);
    fault(std::nullopt);
    std::printf("  whole page through a 16 ms burst adapter: a pass %.0f ms (%ld failed reads)\n",
                held16.passMs, held16.failed);
    std::printf("  whole page through a  1 ms burst adapter: a pass %.0f ms (%ld failed reads)\n",
                held1.passMs, held1.failed);
    const bool ok = one.perSecond >= 48.0 && three.perSecond >= bound3;
    std::printf("  %s\n", ok ? "fast mode meets its figures" : "FAST MODE MISSES ITS FIGURES");
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const auto dir = std::filesystem::temp_directory_path() / "tvx-fast-mode-bench";
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "tarvol.txt") << "1\n1\n";

    // The wire's pace on virtual time: what the rules allow, whatever else the machine runs.
    tvx::link::VirtualClock virtualClock;
    tvx::sim::Box box(tvx::sim::vehicleScenario("diesel-van"));
    tvx::sim::InMemoryPort wired(box, virtualClock);
    wired.setPacing(true);
    const bool paced = measure(
        "in memory at the wire's pace (virtual time):", wired, virtualClock,
        [&box](std::optional<tvx::sim::Fault> fault) {
            box.clearFaults();
            if (fault) {
                box.addFault(*fault);
            }
        },
        seconds, dir);

    // The real serial port on a pseudo-terminal, the box's bytes paced, in real time.
    tvx::sim::PtyServer server(tvx::sim::vehicleScenario("diesel-van"), {true, {}});
    std::string error;
    if (!server.open(error)) {
        std::fprintf(stderr, "fast_mode_bench: %s\n", error.c_str());
        return 1;
    }
    server.start();
    tvx::link::SteadyClock clock;
    tvx::link::PosixSerialPort port(server.devicePath());
    const bool real = measure(
        "pseudo-terminal at the wire's pace (real time):", port, clock,
        [&server](std::optional<tvx::sim::Fault> fault) {
            server.withBox([&fault](tvx::sim::Box& box) {
                box.clearFaults();
                if (fault) {
                    box.addFault(*fault);
                }
            });
        },
        seconds, dir);
    std::printf(
        "low latency granted on the pseudo-terminal: %s (a pty has no latency timer: "
        "only the simulated burst shows)\n",
        port.lowLatency() ? "yes" : "no");
    server.stop();
    return paced && real ? 0 : 2;
}
