#pragma once

#include <array>
#include <string>

#include "session/injector_codes.h"
#include "session/keep_going.h"

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
};

}  // namespace tvx::session
