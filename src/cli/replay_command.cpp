#include <cmath>
#include <fstream>

#include "cli/commands.h"
#include "cli/live_log.h"
#include "trend/csv_layout.h"
#include "trend/recording_csv.h"

namespace tvx::cli {
namespace {

// One pass over a recording file, a cycle at a time: a replay holds one cycle, never the
// whole recording.
struct Pass {
    explicit Pass(const std::string& file) : in(file, std::ios::binary) {}
    std::ifstream in;
    trend::RecordingCsvReader reader{in};
};

// Reads the whole file once before anything is shown, so that a bad line is refused with
// nothing half printed. Empty when it can be played, else why not.
std::string problemOf(const std::string& file, std::size_t& cutLine, std::uint32_t& cycles) {
    Pass pass(file);
    if (!pass.in) {
        return "cannot open " + file;
    }
    if (!pass.reader.begin()) {
        return file + ", " + pass.reader.error();
    }
    std::vector<trend::Reading> cycle;
    while (pass.reader.next(cycle)) {
    }
    if (!pass.reader.error().empty()) {
        return file + ", " + pass.reader.error();
    }
    cutLine = pass.reader.cutLine();
    cycles = pass.reader.cycles();
    if (cycles == 0) {
        return file + ", line " + std::to_string(cutLine != 0 ? cutLine : 2) +
               (cutLine != 0 ? ": the only cycle was cut short: the recording holds no readings"
                             : ": the recording holds no readings");
    }
    return {};
}

}  // namespace

ExitCode runReplay(const Invocation& invocation, Console& console, link::Clock& clock,
                   const std::atomic<bool>* interrupted, std::atomic<bool>* handlesInterrupt) {
    std::size_t cutLine = 0;
    std::uint32_t cycles = 0;
    if (const std::string problem = problemOf(invocation.recording, cutLine, cycles);
        !problem.empty()) {
        console.err << "tarvolinex-cli: cannot replay: " << problem << '\n';
        return ExitCode::BadInput;
    }
    if (cutLine != 0) {
        console.err << "tarvolinex-cli: " << invocation.recording << ": line " << cutLine
                    << " was cut short (the recording ended while it was being written) and "
                       "is left out; the "
                    << cycles << " whole cycles before it are played\n";
    }
    Pass pass(invocation.recording);
    pass.reader.begin();
    const std::vector<LiveColumn> columns =
        liveColumns(*pass.reader.page(), pass.reader.recordedGauges());
    std::vector<trend::Reading> cycle;
    if (invocation.replayCsv) {
        console.out << trend::csvHeaderLine(columns);
        while (pass.reader.next(cycle)) {
            console.out << trend::csvRowLine(static_cast<double>(cycle.front().timeMs) / 1000.0,
                                             trend::cycleCells(columns, cycle));
        }
        console.out << std::flush;
        return ExitCode::Ok;
    }

    // The table at the recorded pace, headed REPLAY so it is never taken for live values.
    TerminalTable table(console.out, console.outIsTerminal, "REPLAY");
    table.begin(columns);
    console.progress("Replaying " + invocation.recording + " (nothing is sent) ...");
    if (handlesInterrupt != nullptr) {
        *handlesInterrupt = true;
    }
    std::uint64_t shownMs = 0;
    while (!(interrupted != nullptr && interrupted->load()) && pass.reader.next(cycle)) {
        const std::uint64_t timeMs = cycle.front().timeMs;
        const double waitMs = static_cast<double>(timeMs - shownMs) / invocation.replaySpeed;
        clock.sleepMs(static_cast<unsigned>(std::lround(waitMs)));
        shownMs = timeMs;
        table.row(static_cast<double>(timeMs) / 1000.0, trend::cycleCells(columns, cycle));
    }
    if (handlesInterrupt != nullptr) {
        *handlesInterrupt = false;
    }
    return ExitCode::Ok;
}

}  // namespace tvx::cli
