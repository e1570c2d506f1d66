#include "cli/injector_runs.h"

#include <iomanip>
#include <map>

#include "keeper/kept_runs.h"
#include "keeper/unfinished_runs.h"

namespace tvx::cli {
namespace {

// Runs of the same car in order, so that each chain is weighed on its own car.
std::map<std::string, std::vector<session::RunFacts>> byCar(
    const std::vector<session::RunFacts>& runs) {
    std::map<std::string, std::vector<session::RunFacts>> cars;
    for (const session::RunFacts& run : runs) {
        cars[run.vin].push_back(run);
    }
    return cars;
}

int injectorOfSlot(int slot) {
    return session::injectorLabelNumber(slot);
}

}  // namespace

void tellUnfinishedRuns(const std::filesystem::path& dataDirectory,
                        const std::optional<std::string>& vin, const session::InjectorCodes* codes,
                        char languageCode, Console& console) {
    const auto runs = session::unfinishedRuns(dataDirectory, vin);
    const auto warnings = session::unfinishedRunWarnings(runs, codes, languageCode);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        // Of every car: which car it was.
        const std::string car = vin ? "" : (runs[i].run.vin.empty() ? "?" : runs[i].run.vin) + ": ";
        console.err << "tarvolinex-cli: " << car << warnings[i] << '\n';
    }
}

ExitCode runInjectorsRuns(const Invocation& invocation, Console& console,
                          const std::filesystem::path& dataDirectory) {
    int slot = 1;
    for (int s = 1; s <= 4; ++s) {
        slot = injectorOfSlot(s) == invocation.injector ? s : slot;
    }
    std::string whyNot;
    const auto kept =
        session::keptRuns(dataDirectory, slot, invocation.vin.value_or(""), std::nullopt, whyNot);
    if (!kept) {
        console.err << "tarvolinex-cli: " << whyNot << '\n';
        return ExitCode::RecordFailed;
    }
    if (kept->runs.empty()) {
        console.err << "tarvolinex-cli: " << kept->source
                    << " holds no programming run of injector " << invocation.injector
                    << (invocation.vin ? " on " + *invocation.vin : std::string()) << '\n';
        return ExitCode::Ok;
    }
    for (const auto& [vin, runs] : byCar(kept->runs)) {
        console.out << "Injector " << invocation.injector << " on "
                    << (vin.empty() ? std::string("a car whose VIN was not read") : vin) << ":\n"
                    << std::left << std::setw(6) << "run" << std::setw(18) << "started"
                    << std::setw(9) << "kind" << std::setw(18) << "code before" << std::setw(18)
                    << "code written"
                    << "ended\n";
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const session::RunFacts& run = runs[i];
            // A run only the journal kept has no id to choose it by.
            const std::string id = run.id == 0 ? "j" : std::to_string(run.id);
            console.out << std::setw(6) << id << std::setw(18) << session::wallTime(run.startedAt)
                        << std::setw(9) << (run.restore ? "restore" : "program") << std::setw(18)
                        << (run.codeBefore + (session::codeBeforeIsWhole(runs, i) ? "" : "?"))
                        << std::setw(18) << run.codeNew << session::runEndText(run) << '\n';
        }
        const session::RestoreChoice choice = session::chooseRestore(runs);
        if (choice.run) {
            const session::RunFacts& from = runs[*choice.run];
            console.out << "restore writes back " << from.codeBefore << ", the code before "
                        << session::runOrigin(from) << '\n';
        } else {
            console.out << "restore writes nothing back: " << choice.whyNot << '\n';
        }
    }
    console.out << "(? after a code: read after a run that did not finish; it may be mixed)\n";
    return ExitCode::Ok;
}

}  // namespace tvx::cli
