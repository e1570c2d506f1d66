// The workshop record's cost: a live-data cycle with recording on and off (the same run,
// the simulated van paced at 9600 baud, blocks alternating), the size of an hour's
// recording of the largest page, and the time to render the HTML report of that visit.
//   record_bench [CYCLES_PER_BLOCK]      default 8 (four blocks: off, on, off, on)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "keeper/record_keeper.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/requests.h"
#include "live_blocks.h"
#include "record/record.h"
#include "record/report.h"
#include "session/live_columns.h"
#include "session/null_view.h"
#include "session/session.h"
#include "sim/box.h"
#include "sim/in_memory_port.h"
#include "trend/live_recorder.h"

namespace {

using namespace tvx;
using namespace tvx::bench;

// The live cycle with recording off and on.
CycleFigures measureRecording(int cyclesPerBlock) {
    const fs::path dir = freshDirectory("tvx-record-bench-");
    bool recording = false;
    const CycleFigures figures =
        measureCycles(cyclesPerBlock, dir,
                      [&](trend::LiveRecorder& recorder, const session::LivePage& page, bool on) {
                          std::string error;
                          if (on && !recording && !recorder.start(error, &page)) {
                              throw std::runtime_error(error);
                          } else if (!on && recording) {
                              recorder.stop();
                          }
                          recording = on;
                      });
    fs::remove_all(dir);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int cycles = argc > 1 ? std::max(2, std::atoi(argv[1])) : 8;
    const CycleFigures cycle = measureRecording(cycles);
    std::printf("live cycle, recording off: %.1f ms\n", cycle.offMs);
    std::printf("live cycle, recording on:  %.1f ms (%+.2f %%)\n", cycle.onMs,
                100.0 * (cycle.onMs - cycle.offMs) / cycle.offMs);

    // An hour at that rate, written as the keeper writes it: one transaction per pass.
    const fs::path dir = freshDirectory("tvx-record-hour-");
    const int passes = static_cast<int>(3600.0 * 1000.0 / cycle.offMs);
    const int perPass = static_cast<int>(cycle.readingsPerPass + 0.5);
    const auto columns = session::liveColumns(*session::livePageForModel(true, 4));
    std::int64_t visit = 0;
    {
        auto opened = record::Record::open(dir / record::Record::kFileName);
        record::Record& rec = *opened.record;
        visit = rec.beginVisit({1700000000000, false, "FOCUS 1.8 TDCI", true, "en"});
        std::vector<record::Channel> channels;
        for (const auto& column : columns)
            channels.push_back({static_cast<int>(channels.size()),
                                std::string(tvx::session::gaugeName(column.gauge)),
                                std::string(column.name), std::string(column.unit)});
        const auto recording = rec.beginRecording(visit, 71, 1700000000000, channels);
        std::mt19937 noise(7);
        std::uniform_real_distribution<double> wobble(-1.0, 1.0);
        const auto start = Clock::now();
        for (int p = 0; p < passes; ++p) {
            std::vector<record::Reading> readings;
            for (int r = 0; r < perPass; ++r) {
                const int channel = r % static_cast<int>(channels.size());
                // Values like the van's: integral ones (rpm, temperatures) and fractions.
                const double value = channel % 3 == 0 ? 800 + std::round(20 * wobble(noise))
                                                      : 13.8 + 0.3 * wobble(noise);
                readings.push_back(
                    {static_cast<std::int64_t>(p * cycle.offMs + r * 18), channel, value});
            }
            rec.addReadings(recording, readings);
        }
        rec.endRecording(recording, 1700000000000 + 3600000);
        rec.database().exec("PRAGMA wal_checkpoint(TRUNCATE)");
        std::printf("one hour of the largest page: %d passes, %d readings, written in %.1f s\n",
                    passes, passes * perPass, msSince(start) / 1000.0);
    }
    const double mb = static_cast<double>(fs::file_size(dir / record::Record::kFileName)) / 1e6;
    std::printf("record file after that hour: %.2f MB\n", mb);

    auto opened = record::Record::open(dir / record::Record::kFileName);
    std::vector<double> renders;
    std::size_t size = 0;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        const auto report =
            record::buildReport(*opened.record, visit, {"Bench Workshop", "", "", {}});
        size = record::reportHtml(*report, record::ReportLanguage::English).size();
        renders.push_back(msSince(start));
    }
    std::sort(renders.begin(), renders.end());
    std::printf("HTML report of that visit: %.1f ms (median of 5), %zu bytes\n", renders[2], size);
    fs::remove_all(dir);
    return 0;
}
