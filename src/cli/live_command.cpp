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

// Where the rows go: the CSV file (opened into CSV_FILE) or a table on stdout; nullptr (said
// on stderr) when the file cannot be written.
std::unique_ptr<LiveLog> openLog(const Invocation& invocation, Console& console,
                                 std::ofstream& csvFile) {
    if (!invocation.csv) {
        return std::make_unique<TerminalTable>(console.out, console.outIsTerminal);
    }
    csvFile.open(*invocation.csv, std::ios::binary | std::ios::trunc);
    if (!csvFile) {
        console.err << "tarvolinex-cli: cannot write " << *invocation.csv << '\n';
        return nullptr;
    }
    return std::make_unique<CsvLog>(csvFile);
}

// What the polling got.
struct Polled {
    int cycles = 0;
    long readings = 0;
    long failed = 0;
    bool lineLost = false;
};

// Polls cycle after cycle into the log (and the recording) until the cycles or seconds asked
// for are done, Ctrl-C, a lost line or a failed write.
Polled pollLive(CommandContext& context, const std::vector<LiveColumn>& columns, LiveLog& log,
                const std::optional<Recording>& recording) {
    const Invocation& invocation = context.invocation;
    const std::uint64_t startMs = context.clock.nowMs();
    Polled polled;
    std::vector<session::LiveReading> readings;
    std::vector<trend::Reading> cycle;
    std::vector<std::string> cells;
    if (context.handlesInterrupt != nullptr) {
        *context.handlesInterrupt = true;
    }
    while (!polled.lineLost) {
        const double seconds = static_cast<double>(context.clock.nowMs() - startMs) / 1000.0;
        if ((context.interrupted != nullptr && context.interrupted->load()) ||
            (invocation.cycles && polled.cycles >= *invocation.cycles) ||
            (invocation.durationS && seconds >= *invocation.durationS)) {
            break;
        }
        polled.lineLost = !context.tester.pollCycle(readings);
        fillCells(columns, readings, cycle, cells);
        log.row(seconds, cells);
        if (!log.failure().empty() || (recording && recording->writeFailed())) {
            break;  // a full disk: the cycles polled from here on could not be kept
        }
        ++polled.cycles;
        polled.readings += static_cast<long>(readings.size());
        for (const session::LiveReading& reading : readings) {
            polled.failed += reading.failed ? 1 : 0;
        }
    }
    if (context.handlesInterrupt != nullptr) {
        *context.handlesInterrupt = false;
    }
    return polled;
}

// Says how the polling of WHAT ended and gives the exit code for it.
ExitCode livePolled(CommandContext& context, const std::string& what, const Polled& polled,
                    const LiveLog& log, std::optional<Recording>& recording) {
    const Invocation& invocation = context.invocation;
    if (!log.failure().empty()) {
        context.console.err << "tarvolinex-cli: cannot write " << *invocation.csv << ": "
                            << log.failure() << "; polling stopped after " << polled.cycles
                            << " whole cycles written (is the disk full?)\n";
    } else if (invocation.csv) {
        context.console.progress(std::to_string(polled.cycles) + " cycles written to " +
                                 *invocation.csv);
    }
    const bool recorded = !recording || recording->finish();
    if (!log.failure().empty() || !recorded) {
        return ExitCode::OutputFailed;
    }
    if (polled.lineLost) {
        return reportOutcome(Outcome::LineLost, "polling " + what, context.console);
    }
    if (polled.failed > 0) {
        context.console.err << "tarvolinex-cli: " << polled.failed << " of " << polled.readings
                            << " readings of " << what << " failed (empty cells)\n";
    }
    if (polled.readings > 0 && polled.failed == polled.readings) {
        // Nothing was read at all: rows of empty cells are no result.
        return reportOutcome(Outcome::ReadFailed, "polling " + what, context.console);
    }
    return ExitCode::Ok;
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
    const std::unique_ptr<LiveLog> log = openLog(invocation, context.console, csvFile);
    if (!log) {
        return ExitCode::BadInput;
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
    const Polled polled = pollLive(context, columns, *log, recording);
    return livePolled(context, what, polled, *log, recording);
}

}  // namespace tvx::cli
