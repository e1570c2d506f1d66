#pragma once

#include <atomic>
#include <filesystem>
#include <optional>

#include "cli/console.h"
#include "cli/exit_code.h"
#include "cli/headless_tester.h"
#include "cli/line.h"
#include "cli/options.h"
#include "cli/record_commands.h"
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
    CommandRecord& record;  // the workshop record of this run
};

ExitCode runScan(CommandContext& context);
// When module probe answers came late (and were set aside), says which and what to do on
// stderr and gives BoxLate; Ok when none did.
ExitCode reportLateAnswers(const session::ModuleProbe& probe, std::string_view what,
                           Console& console);
ExitCode runDtcRead(CommandContext& context);
ExitCode runDtcClear(CommandContext& context);
ExitCode runLive(CommandContext& context);
ExitCode runInjectorsRead(CommandContext& context);
ExitCode runInjectorsProgram(CommandContext& context);
// Writes back the code the record holds from before a programming run.
ExitCode runInjectorsRestore(CommandContext& context);
// What a programming run did, on stdout and stderr, and its exit code.
ExitCode reportProgramming(CommandContext& context, int injector,
                           const HeadlessTester::Programming& programmed,
                           const std::string& before);

// The data directory the options choose (--data-dir, else the window's).
std::filesystem::path commandDataDirectory(const Invocation& invocation);
// The language of what is printed: --lang, else the settings file's ('1' or '2').
char languageCode(const Invocation& invocation, const std::filesystem::path& dataDirectory);

// ---- Connection doctor and port discovery: no session, they open the port themselves.
// `ports`: the serial ports of this machine and the COM index of each.
ExitCode runPorts(const Invocation& invocation, Console& console);
// `doctor [--save FILE]`: the first stage of the connection that fails, and what to do.
ExitCode runDoctor(const Invocation& invocation, Console& console, link::Clock& clock);
// ----

// `sync setup|status|now|off`: the shared history on a PostgreSQL server (a build without
// libpq says it has none).
ExitCode runSync(const Invocation& invocation, Console& console,
                 const std::filesystem::path& dataDirectory, char languageCode);

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
