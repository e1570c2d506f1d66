// Peak memory of replaying a long recording.
//   replay_memory_bench whole|stream|window-whole|window [FILE] [MB]
// whole: the file loaded whole and written out (as `tarvolinex-cli replay` did before it
//   streamed); stream: the command-line replay, a cycle at a time;
// window-whole: the window's replay engine over the recording loaded whole (as the window
//   did before it read from the disk); window: the engine over the file read as it plays.
// The window modes feed the chart's model as the window does, time the opening, then show
// the first cycle, seek to the middle, step back and forward, and play to the end.
// FILE (default /tmp/tvx-replay-bench.csv) is written first when it is not there: the
// diesel page, 20 values a cycle, 200 ms apart, about MB megabytes (default 87). Prints
// the file's size and the peak resident set size (VmHWM) of the run in MiB. Run each mode in
// a process of its own: the peak is the process's.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "session/session_state.h"
#include "trend/chart_model.h"
#include "trend/csv_layout.h"
#include "trend/live_columns.h"
#include "trend/recording_file.h"
#include "trend/recording_store.h"
#include "trend/replay_engine.h"

namespace {

long peakKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

void generate(const std::filesystem::path& file, double megabytes) {
    const tvx::session::LivePage& page = *tvx::session::livePageForModel(true, 4);
    const auto columns = tvx::trend::liveColumns(page);
    std::ofstream out(file, std::ios::binary);
    out << tvx::trend::csvHeaderLine(columns);
    std::vector<std::string> cells(columns.size());
    const auto limit = static_cast<std::uintmax_t>(megabytes * 1024 * 1024);
    std::uintmax_t written = 0;
    for (long cycle = 0; written < limit; ++cycle) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            cells[i] = columns[i].unit.empty() ? (cycle % 3 == 0 ? "ON" : "OFF")
                                               : std::to_string(800 + (cycle + i * 7) % 900) + "." +
                                                     std::to_string(cycle % 10);
        }
        const std::string line = tvx::trend::csvRowLine(static_cast<double>(cycle) * 0.2, cells);
        out << line;
        written += line.size();
    }
}

// What the window does with a replay's readings, less the drawing.
struct ChartSink final : tvx::trend::ReplaySink {
    void replayStarted(const tvx::session::LivePage& page) override {
        const std::vector<tvx::session::Gauge> gauges = tvx::trend::pageGauges(page);
        chart.startPage(gauges, false);
    }
    void replayReading(const tvx::trend::Reading& reading) override {
        chart.add(reading);
        ++readings;
    }
    void replayMoved(std::uint64_t positionMs) override {
        chart.setNow(static_cast<std::int64_t>(positionMs));
    }
    tvx::trend::ChartModel chart;
    std::size_t readings = 0;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int replayInWindow(tvx::trend::ReplaySource& recording, double openSeconds) {
    ChartSink sink;
    tvx::trend::ReplayEngine engine(recording, sink);
    const auto start = std::chrono::steady_clock::now();
    engine.begin();
    engine.seek(engine.duration() / 2);
    engine.stepBack();
    engine.step();
    const double movedSeconds = secondsSince(start);
    engine.setSpeed(tvx::trend::ReplayEngine::kFastest);
    engine.play();
    while (engine.playing()) {
        engine.advance(40);
    }
    if (!engine.error().empty()) {
        std::cerr << engine.error() << '\n';
        return 1;
    }
    std::printf(
        "opened in %.2f s; first cycle, seek, step back and on in %.3f s; %zu cycles, "
        "%zu readings shown, %.1f s played in %.2f s\n",
        openSeconds, movedSeconds, static_cast<std::size_t>(recording.cycles()), sink.readings,
        static_cast<double>(engine.duration()) / 1000.0, secondsSince(start));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "stream";
    const std::filesystem::path file = argc > 2 ? argv[2] : "/tmp/tvx-replay-bench.csv";
    const double megabytes = argc > 3 ? std::atof(argv[3]) : 87;
    if (!std::filesystem::exists(file)) {
        generate(file, megabytes);
    }
    const long before = peakKiB();
    std::ofstream sink("/dev/null");
    if (mode == "whole") {
        const tvx::trend::RecordingRead read = tvx::trend::readRecordingFile(file);
        if (!read.recording) {
            std::cerr << read.error << '\n';
            return 1;
        }
        tvx::trend::writeRecordingCsv(*read.recording, sink);
    } else if (mode == "window-whole") {
        const auto start = std::chrono::steady_clock::now();
        const tvx::trend::RecordingRead read = tvx::trend::readRecordingFile(file);
        if (!read.recording) {
            std::cerr << read.error << '\n';
            return 1;
        }
        tvx::trend::HeldRecording held(*read.recording);
        if (replayInWindow(held, secondsSince(start)) != 0) {
            return 1;
        }
    } else if (mode == "window") {
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        const auto recording = tvx::trend::RecordingFile::open(file, error);
        if (!recording) {
            std::cerr << error << '\n';
            return 1;
        }
        if (replayInWindow(*recording, secondsSince(start)) != 0) {
            return 1;
        }
    } else {
        std::istringstream in;
        std::ostringstream err;
        tvx::cli::Console console{in, sink, err, false};
        const int code = tvx::cli::run({"replay", file.string(), "--csv"}, console, {});
        if (code != 0) {
            std::cerr << err.str();
            return 1;
        }
    }
    std::printf("%s: file %.1f MiB, peak RSS %.1f MiB (%.1f MiB before the replay)\n", mode.c_str(),
                static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0),
                static_cast<double>(peakKiB()) / 1024.0, static_cast<double>(before) / 1024.0);
    return 0;
}
