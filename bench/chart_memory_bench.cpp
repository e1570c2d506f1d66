// Memory of the chart's model over an eight-hour run of the diesel page on virtual time:
// every value of the page read every 0.34 s (the van's pace at 9600 baud), six of them
// charted, the chart drawn ten times a second of the run; a pause of an hour on the way.
// Prints the points kept and the process's resident memory every half hour, and what one
// drawing of the six lines costs.
//   chart_memory_bench [HOURS]     default 8
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "trend/chart_model.h"

namespace {

using namespace tvx::trend;

constexpr Gauge kGauges[] = {Gauge::rpmd,  Gauge::frpd,  Gauge::mapd, Gauge::batd,  Gauge::app1d,
                             Gauge::app2d, Gauge::app3d, Gauge::chdd, Gauge::iatd,  Gauge::ftsd,
                             Gauge::betd,  Gauge::dtcd,  Gauge::cppd, Gauge::bppd,  Gauge::klimad,
                             Gauge::egrpd, Gauge::egrdd, Gauge::mfdd, Gauge::Barod, Gauge::VSSd};
constexpr Gauge kCharted[] = {Gauge::rpmd, Gauge::frpd, Gauge::iatd,
                              Gauge::chdd, Gauge::batd, Gauge::egrdd};
constexpr std::uint64_t kCycleMs = 340;

double residentMb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double hours = argc >= 2 ? std::stod(argv[1]) : 8;
    ChartModel model;
    model.startPage(kGauges, false);
    for (const Gauge gauge : kCharted)
        model.toggle(gauge, std::string(tvx::session::gaugeName(gauge)), 0x0000FF);
    model.setWindow(TimeWindow::Minutes10);

    std::printf("%8s %14s %10s\n", "hours", "points kept", "RSS MB");
    const auto end = static_cast<std::uint64_t>(hours * 3600 * 1000);
    std::uint64_t nextReport = 1800 * 1000;
    std::uint64_t nextDraw = 0;
    double drawSeconds = 0;
    std::size_t draws = 0;
    std::size_t drawnPoints = 0;
    std::uint32_t cycle = 0;
    for (std::uint64_t t = 0; t <= end; t += kCycleMs, ++cycle) {
        for (std::size_t i = 0; i < std::size(kGauges); ++i) {
            Reading reading;
            reading.gauge = kGauges[i];
            reading.timeMs = t + i * 17;
            reading.cycle = cycle;
            reading.failed = cycle % 97 == 0 && i == 0;  // now and then a failed read
            reading.value =
                reading.failed
                    ? std::nan("")
                    : 800 + 30 * std::sin(0.001 * static_cast<double>(t) + static_cast<double>(i));
            reading.text = "800";
            model.add(reading);
        }
        if (t >= 3600 * 1000 && t < 3600 * 1000 + kCycleMs)
            model.pause();
        if (t >= 7200 * 1000 && t < 7200 * 1000 + kCycleMs)
            model.resume();
        if (t >= nextDraw) {
            nextDraw += 100;
            const auto start = std::chrono::steady_clock::now();
            for (std::size_t s = 0; s < model.series().size(); ++s) {
                for (const auto& run : model.runs(s, 700))
                    drawnPoints += run.size();
                (void)model.axis(s);
            }
            drawSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            ++draws;
        }
        if (t >= nextReport) {
            std::printf("%8.1f %14zu %10.1f%s\n", static_cast<double>(t) / 3600000.0,
                        model.pointCount(), residentMb(), model.paused() ? "  (paused)" : "");
            nextReport += 1800 * 1000;
        }
    }
    std::printf("one drawing of the six lines (10 min window, 700 columns): %.1f us, %.0f points\n",
                1e6 * drawSeconds / static_cast<double>(draws),
                static_cast<double>(drawnPoints) / static_cast<double>(draws));
    return 0;
}
