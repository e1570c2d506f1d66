// Peak memory of replaying a long recording: the whole file loaded (as the window's replay
// and, before it streamed, `tarvolinex-cli replay` did) against the command-line replay that
// holds one cycle at a time.
//   replay_memory_bench whole|stream [FILE] [MB]
// FILE (default /tmp/tvx-replay-bench.csv) is written first when it is not there: the
// diesel page, 20 values a cycle, 200 ms apart, about MB megabytes (default 87). Prints
// the file's size and the peak resident set size (VmHWM) of the run in MiB. Run each mode in
// a process of its own: the peak is the process's.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "session/session_state.h"
#include "trend/csv_layout.h"
#include "trend/live_columns.h"
#include "trend/recording_store.h"

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
