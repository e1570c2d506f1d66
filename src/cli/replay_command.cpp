#include <cmath>
#include <span>

#include "cli/commands.h"
#include "cli/live_log.h"
#include "trend/csv_layout.h"
#include "trend/recording_store.h"

namespace tvx::cli {

ExitCode runReplay(const Invocation& invocation, Console& console, link::Clock& clock,
                   const std::atomic<bool>* interrupted, std::atomic<bool>* handlesInterrupt) {
    const trend::RecordingRead read = trend::readRecordingFile(invocation.recording);
    if (!read.recording) {
        console.err << "tarvolinex-cli: cannot replay: " << read.error << '\n';
        return ExitCode::BadInput;
    }
    const trend::LiveRecording& recording = *read.recording;
    if (invocation.replayCsv) {
        trend::writeRecordingCsv(recording, console.out);
        console.out << std::flush;
        return ExitCode::Ok;
    }

    // The table at the recorded pace, headed REPLAY so it is never taken for live values.
    const std::vector<LiveColumn> columns = liveColumns(*recording.page);
    TerminalTable table(console.out, console.outIsTerminal, "REPLAY");
    table.begin(columns);
    console.progress("Replaying " + invocation.recording + " (nothing is sent) ...");
    if (handlesInterrupt != nullptr) {
        *handlesInterrupt = true;
    }
    const std::span<const trend::Reading> readings(recording.readings);
    std::uint64_t shownMs = 0;
    for (const trend::CycleSpan& cycle : trend::cyclesOf(recording)) {
        if (interrupted != nullptr && interrupted->load()) {
            break;
        }
        const double waitMs = static_cast<double>(cycle.timeMs - shownMs) / invocation.replaySpeed;
        clock.sleepMs(static_cast<unsigned>(std::lround(waitMs)));
        shownMs = cycle.timeMs;
        table.row(
            static_cast<double>(cycle.timeMs) / 1000.0,
            trend::cycleCells(columns, readings.subspan(cycle.first, cycle.end - cycle.first)));
    }
    if (handlesInterrupt != nullptr) {
        *handlesInterrupt = false;
    }
    return ExitCode::Ok;
}

}  // namespace tvx::cli
