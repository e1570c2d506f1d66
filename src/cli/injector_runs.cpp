#include "cli/injector_runs.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iomanip>
#include <map>

#include "session/code_journal.h"

#if TVX_HAVE_RECORD
#include "record/record.h"
#endif

namespace tvx::cli {
namespace {

#if TVX_HAVE_RECORD
session::RunFacts factsOf(const record::ProgrammingRun& run, std::string vin) {
    session::RunFacts facts;
    facts.id = run.id;
    facts.startedAt = run.startedAt;
    facts.restore = run.restore;
    facts.codeBefore = run.codeBefore;
    facts.codeNew = run.codeNew;
    facts.ended = run.endedAt.has_value();
    facts.result = run.result;
    facts.holds = run.unitHolds;
    facts.vin = std::move(vin);
    facts.visit = run.visitId;
    return facts;
}

std::optional<KeptRuns> recordRuns(const std::filesystem::path& dataDirectory, int slot,
                                   const std::string& vin, std::optional<long long> visit,
                                   std::string& whyNot) {
    const auto path = dataDirectory / record::Record::kFileName;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        whyNot = "there is no workshop record in " + dataDirectory.string() + " yet";
        return std::nullopt;
    }
    record::Record::Options options;
    options.mode = record::Database::Mode::ReadOnly;
    record::Record::Opened opened = record::Record::open(path, options);
    if (!opened.record) {
        whyNot = "the workshop record cannot be read: " + opened.problem;
        return std::nullopt;
    }
    try {
        KeptRuns kept{{}, "the record"};
        const auto runs = opened.record->runsOf(
            slot, vin.empty() ? std::nullopt : std::optional<std::string>(vin),
            visit ? std::optional<std::int64_t>(*visit) : std::nullopt);
        for (const record::ProgrammingRun& run : runs) {
            const auto v = opened.record->visit(run.visitId);
            kept.runs.push_back(factsOf(run, v && v->summary.vin ? *v->summary.vin : ""));
        }
        return kept;
    } catch (const record::DbError& failure) {
        whyNot = "the workshop record cannot be read: " + record::Record::plainProblem(failure);
        return std::nullopt;
    }
}
#endif

#if TVX_HAVE_RECORD
// Whether a journal entry is the same run as one the record took late (after the journal
// had guarded it): same car, injector codes and kind, begun within the guard's wait.
bool sameRun(const session::RunFacts& journalled, const session::RunFacts& recorded) {
    constexpr std::int64_t kGuardWaitMs = 60'000;
    return journalled.vin == recorded.vin && journalled.restore == recorded.restore &&
           journalled.codeBefore == recorded.codeBefore && journalled.codeNew == recorded.codeNew &&
           std::llabs(journalled.startedAt - recorded.startedAt) <= kGuardWaitMs;
}

// Adds the journal's runs that the record never took, in the order they began. Their
// numbers are the journal's, which may equal a record's run id, so they carry none: they
// take part in the chain but cannot be chosen with --run.
void addJournalOnlyRuns(std::vector<session::RunFacts>& runs,
                        const std::vector<session::RunFacts>& journalled) {
    const std::vector<session::RunFacts> recorded = runs;
    for (session::RunFacts run : journalled) {
        const bool inRecord = std::any_of(recorded.begin(), recorded.end(),
                                          [&run](const auto& r) { return sameRun(run, r); });
        if (!inRecord) {
            run.id = 0;
            runs.push_back(std::move(run));
        }
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const auto& a, const auto& b) { return a.startedAt < b.startedAt; });
}
#endif

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

std::string wallTime(std::int64_t ms) {
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

std::string runOrigin(const session::RunFacts& run) {
    if (run.id == 0) {
        return "the run kept in the journal (" + wallTime(run.startedAt) + ")";
    }
    return "run " + std::to_string(run.id) + " (" +
           (run.visit != 0 ? "visit " + std::to_string(run.visit) : std::string("the journal")) +
           ", " + wallTime(run.startedAt) + ")";
}

std::optional<KeptRuns> keptRuns(const std::filesystem::path& dataDirectory, int slot,
                                 const std::string& vin, std::optional<long long> visit,
                                 std::string& whyNot) {
#if TVX_HAVE_RECORD
    std::string recordWhyNot;
    auto kept = recordRuns(dataDirectory, slot, vin, visit, recordWhyNot);
    if (visit) {
        whyNot = recordWhyNot;
        return kept;  // a visit is the record's
    }
    // Runs the journal guarded while the record could not take them belong to the chain.
    auto journalled = session::journalRuns(
        session::readJournalFile(dataDirectory / session::CodeJournal::kFileName), slot, vin);
    if (!kept) {
        if (journalled.empty()) {
            whyNot = recordWhyNot;
            return std::nullopt;
        }
        return KeptRuns{std::move(journalled), "the journal"};
    }
    addJournalOnlyRuns(kept->runs, journalled);
    return kept;
#else
    if (visit) {
        whyNot =
            "this build keeps no workshop record (it was built without SQLite), so there are no "
            "visits to choose from";
        return std::nullopt;
    }
    const auto contents = session::readJournalFile(dataDirectory / session::CodeJournal::kFileName);
    return KeptRuns{session::journalRuns(contents, slot, vin), "the journal"};
#endif
}

void tellUnfinishedRuns(const std::filesystem::path& dataDirectory, const std::string& vin,
                        const session::InjectorCodes* codes, Console& console) {
    if (vin.empty()) {
        return;  // which car's runs is not known
    }
    for (int slot = 1; slot <= 4; ++slot) {
        std::string ignored;
        const auto kept = keptRuns(dataDirectory, slot, vin, std::nullopt, ignored);
        if (!kept) {
            return;
        }
        for (const session::RunFacts& run : kept->runs) {
            if (run.ended || !run.endsKept) {
                continue;
            }
            const int injector = injectorOfSlot(slot);
            console.err << "tarvolinex-cli: " << runOrigin(run) << " on injector " << injector
                        << " never finished: the tester was stopped during it (or another "
                           "program is running it now). ";
            if (codes == nullptr) {
                console.err << "What the unit holds is unknown: its codes could not be read.\n";
            } else {
                const std::string& now = (*codes)[static_cast<std::size_t>(slot)];
                console.err << "Injector " << injector << " holds " << now << ", "
                            << session::holdsText(run, now) << " (it began from " << run.codeBefore
                            << ", to write " << run.codeNew << ")\n";
            }
        }
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
        keptRuns(dataDirectory, slot, invocation.vin.value_or(""), std::nullopt, whyNot);
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
            console.out << std::setw(6) << id << std::setw(18) << wallTime(run.startedAt)
                        << std::setw(9) << (run.restore ? "restore" : "program") << std::setw(18)
                        << (run.codeBefore + (session::codeBeforeIsWhole(runs, i) ? "" : "?"))
                        << std::setw(18) << run.codeNew << session::runEndText(run) << '\n';
        }
        const session::RestoreChoice choice = session::chooseRestore(runs);
        if (choice.run) {
            const session::RunFacts& from = runs[*choice.run];
            console.out << "restore writes back " << from.codeBefore << ", the code before "
                        << runOrigin(from) << '\n';
        } else {
            console.out << "restore writes nothing back: " << choice.whyNot << '\n';
        }
    }
    console.out << "(? after a code: read after a run that did not finish; it may be mixed)\n";
    return ExitCode::Ok;
}

}  // namespace tvx::cli
