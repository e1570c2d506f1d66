#include <cmath>
#include <memory>

#include "cli/commands.h"
#include "cli/live_log.h"
#include "trend/csv_layout.h"
#include "trend/recording_csv.h"
#include "trend/recording_file.h"

namespace tvx::cli {
namespace {

ExitCode changedWhilePlayed(const trend::RecordingFile& recording, Console& console) {
    console.err << "tarvolinex-cli: replay stopped: " << recording.error() << '\n';
    return ExitCode::BadInput;
}

}  // namespace

ExitCode runReplay(const Invocation& invocation, Console& console, link::Clock& clock,
                   const std::atomic<bool>* interrupted, std::atomic<bool>* handlesInterrupt) {
    // Read through once before anything is shown, so that a bad line is refused with nothing
    // half printed; then played a cycle at a time, never held whole.
    std::string problem;
    const std::unique_ptr<trend::RecordingFile> recording =
        trend::RecordingFile::open(invocation.recording, problem);
    if (!recording) {
        console.err << "tarvolinex-cli: cannot replay: " << problem << '\n';
        return ExitCode::BadInput;
    }
    if (recording->cutLine() != 0) {
        console.err << "tarvolinex-cli: " << invocation.recording << ": line "
                    << recording->cutLine()
                    << " was cut short (the recording ended while it was being written) and "
                       "is left out; the "
                    << recording->cycles() << " whole cycles before it are played\n";
    }
    if (invocation.replayCsv) {
        const bool whole = trend::writeRecordingCsv(*recording, console.out);
        console.out << std::flush;
        return whole ? ExitCode::Ok : changedWhilePlayed(*recording, console);
    }
    const std::vector<LiveColumn> columns = liveColumns(*recording->page(), recording->gauges());

    // The table at the recorded pace, headed REPLAY so it is never taken for live values.
    TerminalTable table(console.out, console.outIsTerminal, "REPLAY");
    table.begin(columns);
    console.progress("Replaying " + invocation.recording + " (nothing is sent) ...");
    if (handlesInterrupt != nullptr) {
        *handlesInterrupt = true;
    }
    std::uint64_t shownMs = 0;
    std::vector<trend::Reading> cycle;
    for (std::uint32_t c = 0;
         c < recording->cycles() && !(interrupted != nullptr && interrupted->load()); ++c) {
        if (!recording->read(c, cycle)) {
            break;
        }
        const std::uint64_t timeMs = cycle.front().timeMs;
        const double waitMs = static_cast<double>(timeMs - shownMs) / invocation.replaySpeed;
        clock.sleepMs(static_cast<unsigned>(std::lround(waitMs)));
        shownMs = timeMs;
        table.row(static_cast<double>(timeMs) / 1000.0, trend::cycleCells(columns, cycle));
    }
    if (handlesInterrupt != nullptr) {
        *handlesInterrupt = false;
    }
    return recording->error().empty() ? ExitCode::Ok : changedWhilePlayed(*recording, console);
}

}  // namespace tvx::cli
