#include "datadir/restore_choice.h"

namespace tvx::session {

bool codeBeforeIsWhole(const std::vector<RunFacts>& runs, std::size_t i) {
    // Walks back while each run left the unit as the one before found it.
    for (; i > 0; --i) {
        const RunFacts& run = runs[i];
        const RunFacts& before = runs[i - 1];
        if (before.ended && before.result == "finished") {
            return true;
        }
        if (!before.endsKept && run.codeBefore == before.codeNew) {
            return true;  // a journal of the first form: the only sign its run went through
        }
        if (run.codeBefore != before.codeBefore) {
            return false;
        }
    }
    return true;
}

RestoreChoice chooseRestore(const std::vector<RunFacts>& runs) {
    if (runs.empty()) {
        return {std::nullopt, "there is no programming run of this injector"};
    }
    for (std::size_t i = runs.size(); i-- > 0;) {
        if (!runs[i].restore && codeBeforeIsWhole(runs, i)) {
            return {i, ""};
        }
    }
    return {std::nullopt,
            "no programming run of this injector began from a code the unit was known to hold "
            "whole"};
}

RestoreChoice chooseRestoreOf(const std::vector<RunFacts>& runs, std::int64_t id) {
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].id != id) {
            continue;
        }
        const std::string name = "run " + std::to_string(id);
        if (runs[i].restore) {
            return {std::nullopt, name +
                                      " was itself a restore: its code before is the one it "
                                      "replaced, not one to go back to"};
        }
        if (!codeBeforeIsWhole(runs, i)) {
            return {std::nullopt, name + " began from " + runs[i].codeBefore +
                                      ", read after a run that did not finish: it may be a "
                                      "mixed code"};
        }
        return {i, ""};
    }
    return {std::nullopt, "there is no run " + std::to_string(id) + " of this injector"};
}

std::string runEndText(const RunFacts& run) {
    if (!run.endsKept) {
        return "end not kept (an older journal)";
    }
    if (!run.ended) {
        return "never finished (the tester stopped during it)";
    }
    if (run.result == "finished") {
        return "finished";
    }
    const std::string holds = run.holds == "old"     ? "the code before it"
                              : run.holds == "new"   ? "the new code"
                              : run.holds == "mixed" ? "a MIXED code"
                                                     : "unknown (not read)";
    return run.result + "; the unit then held " + holds;
}

std::string holdsText(const RunFacts& run, const std::string& now) {
    if (now == run.codeNew) {
        return "the code it was to write";
    }
    if (now == run.codeBefore) {
        return "the code it began from";
    }
    if (now.size() == 16 && run.codeNew.size() == 16 && run.codeBefore.size() == 16 &&
        (now.substr(0, 8) == run.codeNew.substr(0, 8) || now.substr(8) == run.codeNew.substr(8))) {
        return "a MIXED code (part of the code it was to write)";
    }
    return "a code that is neither the one it began from nor the one it was to write";
}

}  // namespace tvx::session
