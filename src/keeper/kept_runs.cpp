#include "keeper/kept_runs.h"

#include <algorithm>
#include <cstdlib>

#include "datadir/code_journal.h"
#include "plain/local_time.h"

#if TVX_HAVE_RECORD
#include "record/record.h"
#endif

namespace tvx::session {
namespace {

#if TVX_HAVE_RECORD
RunFacts factsOf(const record::ProgrammingRun& run, std::string vin) {
    RunFacts facts;
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
bool sameRun(const RunFacts& journalled, const RunFacts& recorded) {
    constexpr std::int64_t kGuardWaitMs = 60'000;
    return journalled.vin == recorded.vin && journalled.restore == recorded.restore &&
           journalled.codeBefore == recorded.codeBefore && journalled.codeNew == recorded.codeNew &&
           std::llabs(journalled.startedAt - recorded.startedAt) <= kGuardWaitMs;
}

// Adds the journal's runs that the record never took, in the order they began. Their
// numbers are the journal's, which may equal a record's run id, so they carry none: they
// take part in the chain but cannot be chosen with --run.
void addJournalOnlyRuns(std::vector<RunFacts>& runs, const std::vector<RunFacts>& journalled) {
    const std::vector<RunFacts> recorded = runs;
    for (RunFacts run : journalled) {
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

}  // namespace

std::string wallTime(std::int64_t ms) {
    return formatLocalTime(ms, "%Y-%m-%d %H:%M");
}

std::string runOrigin(const RunFacts& run, char languageCode) {
    const bool tr = languageCode == '2';
    const std::string when = wallTime(run.startedAt);
    if (run.id == 0) {
        return tr ? "günlükte kalan çalışma (" + when + ")"
                  : "the run kept in the journal (" + when + ")";
    }
    const std::string where = run.visit == 0 ? std::string(tr ? "günlük" : "the journal")
                              : tr           ? "ziyaret " + std::to_string(run.visit)
                                             : "visit " + std::to_string(run.visit);
    return (tr ? "çalışma " : "run ") + std::to_string(run.id) + " (" + where + ", " + when + ")";
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
    auto journalled =
        journalRuns(readJournalFile(dataDirectory / CodeJournal::kFileName), slot, vin);
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
    const auto contents = readJournalFile(dataDirectory / CodeJournal::kFileName);
    return KeptRuns{journalRuns(contents, slot, vin), "the journal"};
#endif
}

}  // namespace tvx::session
