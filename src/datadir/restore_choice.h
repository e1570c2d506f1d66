#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tvx::session {

// One programming run of an injector on one car, as the record or the journal keeps it.
struct RunFacts {
    std::int64_t id = 0;         // the record's run id, or the journal's run number
    std::int64_t startedAt = 0;  // wall-clock ms
    bool restore = false;        // it wrote back a code the unit held before
    std::string codeBefore;      // read from the unit just before the run
    std::string codeNew;         // what the run was to write
    bool ended = false;          // how it ended is kept (false: it never finished)
    bool endsKept = true;        // false for journal lines of the first form, which kept none
    std::string result;          // "finished", "failed", "not verified", ...
    std::string holds;           // "old", "new", "mixed", "not read"
    std::string vin;             // the car's, "" when it was not read
    std::int64_t visit = 0;      // the record's visit, 0 in the journal
};

// Whether the code read before run i is one the unit was known to hold whole: the first
// run's, one read after a run that finished (its code read back after the ignition
// cycle), or the same code the run before was read with when that one was whole (the
// unit was left as it was). A code read after a run that never finished, failed or was
// not verified, and that is not the code before it, may be a mixed code.
bool codeBeforeIsWhole(const std::vector<RunFacts>& runs, std::size_t i);

// Which run's code before a restore writes back.
struct RestoreChoice {
    std::optional<std::size_t> run;  // index into the runs
    std::string whyNot;              // when none, in a plain sentence
};
// The last code the unit was known to hold whole before the chain of runs that followed
// it: the latest programming run (never a restore) whose code before is whole.
RestoreChoice chooseRestore(const std::vector<RunFacts>& runs);
// The code before one run, chosen by its id: refused when it was a restore or when its
// code before may be mixed.
RestoreChoice chooseRestoreOf(const std::vector<RunFacts>& runs, std::int64_t id);

// How a run ended, in words: "finished", "never finished (the tester stopped during it)".
std::string runEndText(const RunFacts& run);
// What a unit that holds `now` holds with respect to a run: "the code before it", "the
// code it was to write", "a MIXED code", as a phrase.
std::string holdsText(const RunFacts& run, const std::string& now);

}  // namespace tvx::session
