#include <fstream>
#include <memory>

#include "cli/commands.h"
#include "cli/live_log.h"

namespace tvx::cli {
namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// One cell per column: the last text the cycle wrote to the column's gauge, or empty when
// no read of it succeeded (the gauge kept its old value on the window).
std::vector<std::string> cellsOf(const std::vector<LiveColumn>& columns,
                                 const std::vector<std::pair<std::string, std::string>>& writes) {
    std::vector<std::string> cells(columns.size());
    for (const auto& [gauge, text] : writes) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].gauge == gauge) {
                cells[i] = trimmed(text);
            }
        }
    }
    return cells;
}

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
    const std::vector<LiveColumn> columns = liveColumns(*page);

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

    context.console.progress(
        "Polling the live data of " + what +
        (invocation.cycles || invocation.durationS ? std::string(" ...") : " (Ctrl-C stops) ..."));
    const std::uint64_t startMs = context.clock.nowMs();
    int cycles = 0;
    bool polling = true;
    std::vector<std::pair<std::string, std::string>> writes;
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
        polling = context.tester.pollCycle(writes);
        log->row(seconds, cellsOf(columns, writes));
        ++cycles;
    }
    if (context.handlesInterrupt != nullptr) {
        *context.handlesInterrupt = false;
    }
    if (invocation.csv) {
        context.console.progress(std::to_string(cycles) + " cycles written to " + *invocation.csv);
    }
    if (!polling) {
        return reportOutcome(Outcome::LineLost, "polling " + what, context.console);
    }
    return ExitCode::Ok;
}

}  // namespace tvx::cli
