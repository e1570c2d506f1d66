#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>

#include "cli/commands.h"
#include "cli/live_choice.h"
#include "cli/live_log.h"
#include "trend/csv_layout.h"
#include "trend/live_recorder.h"
#include "trend/witnessed_store.h"

namespace tvx::cli {
namespace {

// One cell per column of the cycle's readings, as the recordings lay them out.
void fillCells(const std::vector<LiveColumn>& columns,
               const std::vector<session::LiveReading>& readings,
               std::vector<trend::Reading>& cycle, std::vector<std::string>& cells) {
    cycle.clear();
    for (const session::LiveReading& reading : readings) {
        cycle.push_back(trend::readingOf(reading, 0));
    }
    cells = trend::cycleCells(columns, cycle);
}

// live --record: every reading with its time into a recording, through the recording store,
// for as long as the session is polled.
class Recording {
public:
    Recording(const std::string& file, CommandContext& context)
        : m_file(file),
          m_store(std::make_unique<trend::CsvRecordingFile>(file), context.record.liveStore()),
          m_recorder(m_store, context.clock),
          m_context(context) {}
    ~Recording() { m_context.tester.session().removeListener(m_recorder); }

    bool start(const session::LivePage& page, std::vector<session::Gauge> gauges) {
        std::string error;
        if (!m_recorder.start(error, &page, std::move(gauges))) {
            m_context.console.err << "tarvolinex-cli: cannot record: " << error << '\n';
            return false;
        }
        m_context.tester.session().addListener(m_recorder);
        return true;
    }

    bool writeFailed() const { return m_recorder.writeFailed(); }

    // Ends the recording (a lost line has ended it already); false when it is not whole.
    bool finish() {
        m_recorder.stop();
        const auto ended = m_recorder.lastEnded();
        if (ended && !ended->kept) {
            m_context.console.err << "tarvolinex-cli: the recording stopped: " << ended->error
                                  << "; 'replay' plays it up to there\n";
            return false;
        }
        m_context.console.progress(std::to_string(ended ? ended->cycles : 0) +
                                   " cycles recorded to " + m_file);
        return true;
    }

private:
    std::string m_file;
    trend::WitnessedRecordingStore m_store;  // the file, and the visit in the record
    trend::LiveRecorder m_recorder;
    CommandContext& m_context;
};

bool clusterPageChosen(const Invocation& invocation) {
    return invocation.liveModule == "cluster";
}

}  // namespace

ExitCode runLive(CommandContext& context) {
    const Invocation& invocation = context.invocation;
    const session::Module module =
        clusterPageChosen(invocation) ? session::Module::Cluster : session::Module::Pcm;
    const std::string what = clusterPageChosen(invocation) ? "the cluster" : "the PCM";
    if (const ExitCode code =
            reportOutcome(context.tester.openModule(module), "opening " + what, context.console);
        code != ExitCode::Ok) {
        return code;
    }
    const session::LivePage* page = context.tester.startLive();
    if (page == nullptr) {
        return reportOutcome(Outcome::NoPage, "live data of " + what, context.console);
    }
    std::vector<LiveColumn> columns = liveColumns(*page);
    std::vector<session::Gauge> onlyRecorded;  // fast mode's values; empty: the whole page
    if (invocation.only) {
        // The names were checked before connecting.
        columns = chooseColumns(*page, *invocation.only, '1').columns;
        if (!context.tester.session().focusLive(gaugesOf(columns))) {
            return reportOutcome(Outcome::NoPage, "fast mode of " + what, context.console);
        }
        onlyRecorded = context.tester.session().liveFocus().polledGauges(*page);
        std::erase_if(onlyRecorded, [&columns](session::Gauge gauge) {
            return std::none_of(columns.begin(), columns.end(), [gauge](const LiveColumn& column) {
                return column.gauge == gauge;
            });
        });
    }

    std::ofstream csvFile;
    std::unique_ptr<LiveLog> log;
    if (invocation.csv) {
        csvFile.open(*invocation.csv, std::ios::binary | std::ios::trunc);
        if (!csvFile) {
            context.console.err << "tarvolinex-cli: cannot write " << *invocation.csv << '\n';
            return ExitCode::BadInput;
        }
        log = std::make_unique<CsvLog>(csvFile);
    } else {
        log = std::make_unique<TerminalTable>(context.console.out, context.console.outIsTerminal);
    }
    log->begin(columns);
    if (!log->failure().empty()) {
        context.console.err << "tarvolinex-cli: cannot write " << *invocation.csv << ": "
                            << log->failure() << "; nothing was polled\n";
        return ExitCode::OutputFailed;
    }
    std::optional<Recording> recording;
    if (invocation.record) {
        recording.emplace(*invocation.record, context);
        if (!recording->start(*page, onlyRecorded)) {
            return ExitCode::BadInput;
        }
    }

    context.console.progress(
        "Polling the live data of " + what +
        (invocation.cycles || invocation.durationS ? std::string(" ...") : " (Ctrl-C stops) ..."));
    const std::uint64_t startMs = context.clock.nowMs();
    int cycles = 0;
    bool polling = true;
    std::vector<session::LiveReading> readings;
    std::vector<trend::Reading> cycle;
    std::vector<std::string> cells;
    long readingCount = 0;
    long failedCount = 0;
    if (context.handlesInterrupt != nullptr) {
        *context.handlesInterrupt = true;
    }
    while (polling) {
        const double seconds = static_cast<double>(context.clock.nowMs() - startMs) / 1000.0;
        if ((context.interrupted != nullptr && context.interrupted->load()) ||
            (invocation.cycles && cycles >= *invocation.cycles) ||
            (invocation.durationS && seconds >= *invocation.durationS)) {
            break;
        }
        polling = context.tester.pollCycle(readings);
        fillCells(columns, readings, cycle, cells);
        log->row(seconds, cells);
        if (!log->failure().empty() || (recording && recording->writeFailed())) {
            break;  // a full disk: the cycles polled from here on could not be kept
        }
        ++cycles;
        readingCount += static_cast<long>(readings.size());
        for (const session::LiveReading& reading : readings) {
            failedCount += reading.failed ? 1 : 0;
        }
    }
    if (context.handlesInterrupt != nullptr) {
        *context.handlesInterrupt = false;
    }
    if (!log->failure().empty()) {
        context.console.err << "tarvolinex-cli: cannot write " << *invocation.csv << ": "
                            << log->failure() << "; polling stopped after " << cycles
                            << " whole cycles written (is the disk full?)\n";
    } else if (invocation.csv) {
        context.console.progress(std::to_string(cycles) + " cycles written to " + *invocation.csv);
    }
    const bool recorded = !recording || recording->finish();
    if (!log->failure().empty() || !recorded) {
        return ExitCode::OutputFailed;
    }
    if (!polling) {
        return reportOutcome(Outcome::LineLost, "polling " + what, context.console);
    }
    if (failedCount > 0) {
        context.console.err << "tarvolinex-cli: " << failedCount << " of " << readingCount
                            << " readings of " << what << " failed (empty cells)\n";
    }
    if (readingCount > 0 && failedCount == readingCount) {
        // Nothing was read at all: rows of empty cells are no result.
        return reportOutcome(Outcome::ReadFailed, "polling " + what, context.console);
    }
    return ExitCode::Ok;
}

}  // namespace tvx::cli
