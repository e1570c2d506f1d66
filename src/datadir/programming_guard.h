#pragma once

#include <array>
#include <string>

#include "link/injector_codes.h"
#include "link/keep_going.h"

namespace tvx::session {

// A programming run about to write to the injector control unit: the injector, the code it
// is to get, and everything read from the unit before (the four codes and the eight raw
// blocks with their addresses), which is what it takes to put the old code back.
struct ProgrammingPlan {
    int injector = 1;  // slot 1..4
    std::string newCode;
    std::string oldCode;                             // the injector's code as read
    InjectorCodes codesRead = blankInjectorCodes();  // slots 1..4 as read
    std::array<InjectorBlock, 9> blocks{};           // reads 1..8 with their addresses
    std::string vin;                                 // "" when none was read
    std::string vehicle;                             // as the lists name it; "" when none chosen
    // False once the tester is closing: a guard that waits gives up at once (nothing is
    // then written to the unit).
    KeepGoing keepGoing;
    bool restore = false;  // the run writes back a code the unit held before ("restore")
};

// What the unit holds for the injector after a run, as read back from it.
enum class UnitHolds {
    NotRead,  // it was not read again (nothing was written, or the read failed)
    OldCode,  // the code it had before the run
    NewCode,  // the code the run was to write
    Mixed,    // anything else: one half of each, or neither
};

// How a programming run ended.
struct ProgrammingEnd {
    enum class Result {
        Finished,     // every request accepted and the code read back as written
        Failed,       // a request was refused or unanswered, or the read-back differs
        Refused,      // the code was refused before anything was sent
        NotVerified,  // every request accepted, but the read-back failed
        NotRecorded,  // the codes read could not be kept safe first: nothing was sent
    };
    int injector = 1;  // slot 1..4
    Result result = Result::Failed;
    CodeProblem problem = CodeProblem::None;  // for Refused
    std::string code;                         // the slot's text as it was to be written
    bool demo = false;
    std::string before;    // the code the unit held before the run, as read
    std::string readBack;  // the code read back after the run; "" when not read
    UnitHolds holds = UnitHolds::NotRead;
    bool writeSent = false;     // a write request went to the unit
    bool restoreTried = false;  // the old code was written back after a failure
    std::string whyNot;         // NotRecorded: why the codes could not be kept
};

// Keeps the codes read from the unit safe before anything is written to it. The session
// asks it synchronously before the first write of every programming run and writes only
// when it says yes: the old code can then always be written back, even after a crash.
class ProgrammingGuard {
public:
    virtual ~ProgrammingGuard() = default;
    // True once the plan is on disk (committed and flushed). False with a short reason
    // (for messages and logs) when it could not be kept: the run then sends nothing.
    virtual bool beforeFirstWrite(const ProgrammingPlan& plan, std::string& whyNot) = 0;
    // Whether a plan could be kept now: asked before the ignition steps begin, so that a
    // run that would be refused is refused at once, not after a minute of prompts.
    virtual bool canKeep(std::string& whyNot) = 0;
    // How a run whose plan it kept ended. False when that could not be kept (the run then
    // reads back as unfinished, which is safe). A guard that hears it as an event keeps
    // nothing here.
    virtual bool runEnded(const ProgrammingEnd&) { return true; }
};

}  // namespace tvx::session
