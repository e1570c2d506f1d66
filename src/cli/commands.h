#pragma once

#include <atomic>
#include <optional>

#include "cli/console.h"
#include "cli/exit_code.h"
#include "cli/headless_tester.h"
#include "cli/line.h"
#include "cli/options.h"
#include "cli/vehicle_choice.h"
#include "link/clock.h"

namespace tvx::cli {

// Everything a command works with once the tester is connected.
struct CommandContext {
    const Invocation& invocation;
    Console& console;
    HeadlessTester& tester;
    BoxLine& line;
    link::Clock& clock;
    const std::atomic<bool>* interrupted;
    std::atomic<bool>* handlesInterrupt;
    std::optional<VehicleChoice> vehicle;
};

ExitCode runScan(CommandContext& context);
ExitCode runDtcRead(CommandContext& context);
ExitCode runDtcClear(CommandContext& context);
ExitCode runLive(CommandContext& context);
ExitCode runInjectorsRead(CommandContext& context);
ExitCode runInjectorsProgram(CommandContext& context);

// Plays a recording back on the terminal; needs no box and sends nothing.
ExitCode runReplay(const Invocation& invocation, Console& console, link::Clock& clock,
                   const std::atomic<bool>* interrupted, std::atomic<bool>* handlesInterrupt);

// Refusals made before anything is sent: a command the vehicle cannot do, a malformed
// injector code. Ok when the command may go ahead; the message is printed otherwise.
ExitCode checkBeforeConnecting(const Invocation& invocation,
                               const std::optional<VehicleChoice>& vehicle, Console& console);

// Says on stderr what went wrong and gives the exit code for it. `what` names the
// operation ("reading the trouble codes of PCM").
ExitCode reportOutcome(Outcome outcome, std::string_view what, Console& console);

}  // namespace tvx::cli
