#include <string>

#include "cli/commands.h"
#include "cli/injector_runs.h"
#include "keeper/kept_runs.h"
#include "keeper/seen_before_watch.h"
#include "link/injector_codes.h"

namespace tvx::cli {
namespace {

// The panel (slot) whose caption carries this injector number: the window lists the
// injectors in firing order, 1, 3, 4, 2.
int slotOfInjector(int injector) {
    for (int slot = 1; slot <= 4; ++slot) {
        if (session::injectorLabelNumber(slot) == injector) {
            return slot;
        }
    }
    return injector;
}

// Opens the unit and reads its codes; then says which earlier runs on this car never
// finished and what the unit holds after them.
ExitCode openAndRead(CommandContext& context) {
    if (const ExitCode code = reportOutcome(context.tester.openModule(session::Module::Icu),
                                            "opening the ICU", context.console);
        code != ExitCode::Ok) {
        return code;
    }
    context.console.progress("Reading the injector codes ...");
    const Outcome read = context.tester.readInjectors();
    const std::filesystem::path& dataDirectory = context.tester.session().dataDirectory();
    const session::VinReading& vin = context.tester.vin();
    tellUnfinishedRuns(dataDirectory, vin.read ? vin.vin : "",
                       read == Outcome::Ok ? &context.tester.injectorCodes() : nullptr,
                       languageCode(context.invocation, dataDirectory), context.console);
    if (read == Outcome::ReadFailed) {
        context.console.err << "tarvolinex-cli: reading the injector codes: the read failed; "
                               "nothing was written, the unit is unchanged. Check the connection "
                               "and try again\n";
        return ExitCode::ReadFailed;
    }
    return reportOutcome(read, "reading the injector codes", context.console);
}

const std::string& codeOfInjector(CommandContext& context, int injector) {
    return context.tester.injectorCodes()[static_cast<std::size_t>(slotOfInjector(injector))];
}

ExitCode programRead(CommandContext& context, int injector, const std::string& code,
                     const std::string& question, bool restore = false) {
    const Invocation& invocation = context.invocation;
    const std::string before = codeOfInjector(context, injector);
    Console& console = context.console;
    HeadlessTester::ProgrammingPrompts prompts;
    prompts.ignition = [&](const std::string& display) {
        if (invocation.yes) {
            console.progress(display);
            return true;
        }
        return console.waitForEnter(display + "  -- press Enter when done: ");
    };
    prompts.confirm = [&](const std::string& display) {
        console.progress(display);
        return invocation.yes || console.confirm(question + " (now " + before + ")?");
    };
    prompts.countdown = [&](int seconds) {
        console.progress("Please wait " + std::to_string(seconds) + " s ...");
    };

    const HeadlessTester::Programming programmed =
        context.tester.programInjector(slotOfInjector(injector), code, prompts, restore);
    if (programmed.outcome == Outcome::Cancelled) {
        if (programmed.sent) {
            console.err << "tarvolinex-cli: stopped after the new code "
                        << session::injectorCodeText(session::checkInjectorCode(code).bytes)
                        << " was written, before it was read back: the unit most likely holds "
                           "it, not verified. The old code "
                        << before
                        << " is kept in the record. Switch the ignition off and on, then check "
                           "with 'injectors read'\n";
            return ExitCode::WriteFailed;
        }
        console.err << "tarvolinex-cli: not confirmed; nothing was written\n";
        return ExitCode::Cancelled;
    }
    return reportProgramming(context, injector, programmed, before);
}

}  // namespace

ExitCode runInjectorsRead(CommandContext& context) {
    if (const ExitCode code = openAndRead(context); code != ExitCode::Ok) {
        return code;
    }
    for (int injector = 1; injector <= 4; ++injector) {
        context.console.out << "Injector " << injector << "  " << codeOfInjector(context, injector)
                            << '\n';
    }
    return ExitCode::Ok;
}

// Programs one injector with a valid code after its codes were read: the ignition prompts,
// the confirmation, the run, and what it did.
ExitCode runInjectorsProgram(CommandContext& context) {
    const int injector = context.invocation.injector;
    // Checked before connecting; the canonical text is what the read-back must show.
    const std::string wanted =
        session::injectorCodeText(session::checkInjectorCode(context.invocation.code).bytes);
    if (const ExitCode code = openAndRead(context); code != ExitCode::Ok) {
        return code;
    }
    context.console.err << "Injector " << injector << " now holds "
                        << codeOfInjector(context, injector) << '\n';
    return programRead(context, injector, context.invocation.code,
                       "Program injector " + std::to_string(injector) + " with " + wanted);
}

ExitCode runInjectorsRestore(CommandContext& context) {
    const Invocation& invocation = context.invocation;
    const int injector = invocation.injector;
    const session::VinReading& vin = context.tester.vin();
    Console& console = context.console;
    if (!vin.read && !invocation.visit) {
        console.err << "tarvolinex-cli: the car's VIN could not be read, so the record cannot "
                       "tell which car's code to restore: name the visit with --visit ID (see "
                       "'history')\n";
        return ExitCode::BadInput;
    }
    std::string whyNot;
    const auto kept =
        session::keptRuns(context.tester.session().dataDirectory(), slotOfInjector(injector),
                          vin.read ? vin.vin : "", invocation.visit, whyNot);
    if (!kept) {
        console.err << "tarvolinex-cli: nothing to restore: " << whyNot << '\n';
        return ExitCode::RecordFailed;
    }
    const session::RestoreChoice choice =
        invocation.run ? session::chooseRestoreOf(kept->runs, *invocation.run)
                       : session::chooseRestore(kept->runs);
    if (!choice.run) {
        console.err << "tarvolinex-cli: nothing to restore on injector " << injector << ": "
                    << choice.whyNot << " (see 'injectors runs " << injector << "')\n";
        return invocation.run ? ExitCode::BadInput : ExitCode::RecordFailed;
    }
    const session::RunFacts& from = kept->runs[*choice.run];
    const std::filesystem::path& dataDirectory = context.tester.session().dataDirectory();
    if (const std::string bay = session::otherBayOfVisit(dataDirectory, from.visit); !bay.empty()) {
        console.err << (languageCode(invocation, dataDirectory) == '2'
                            ? "Bu kod atölyenin başka bir bölmesinde kaydedildi: "
                            : "This code was saved at another bay of the workshop: ")
                    << bay << '\n';
    }
    if (const ExitCode code = openAndRead(context); code != ExitCode::Ok) {
        return code;
    }
    const std::string now = codeOfInjector(context, injector);
    console.err << "Injector " << injector << " now holds " << now << "; " << kept->source
                << " holds " << from.codeBefore << " from before " << session::runOrigin(from)
                << '\n';
    if (now == from.codeBefore) {
        console.out << "Injector " << injector << " already holds " << now
                    << ", the code from before " << session::runOrigin(from)
                    << ": nothing to restore, nothing was written\n";
        return ExitCode::Ok;
    }
    return programRead(context, injector, from.codeBefore,
                       "Restore injector " + std::to_string(injector) + " to " + from.codeBefore,
                       true);
}

ExitCode reportProgramming(CommandContext& context, int injector,
                           const HeadlessTester::Programming& programmed,
                           const std::string& before) {
    Console& console = context.console;
    const std::string what = "programming injector " + std::to_string(injector);
    const std::string tell = "tarvolinex-cli: " + what + ": ";
    if (programmed.outcome == Outcome::LineLost && programmed.sent) {
        console.err << tell
                    << "the line to the box was lost after the code was sent: the unit may hold "
                       "the old code, the new one or a MIXED code, and could not be read. The old "
                    << "code " << before << " is kept in the record: plug the box in again, "
                    << "check with 'injectors read' and run 'injectors restore " << injector
                    << "'\n";
        return ExitCode::UnitUncertain;
    }
    if (!programmed.end) {
        return reportOutcome(programmed.outcome, what, console);
    }
    const session::ProgrammingEnd& end = *programmed.end;
    using Result = session::ProgrammingEnd::Result;
    using session::UnitHolds;
    switch (end.result) {
        case Result::Finished:
            console.out << "Injector " << injector << " programmed: " << end.readBack
                        << " (read back)\n";
            return ExitCode::Ok;
        case Result::Refused:
            return reportOutcome(Outcome::CodeRefused, what, console);
        case Result::NotRecorded:
            console.err << tell << "nothing was written: the codes read could not be kept first ("
                        << end.whyNot << ")\n";
            return ExitCode::NotRecorded;
        case Result::NotVerified:
            console.err << tell << "the new code " << end.code << " was written, but reading it "
                        << "back failed: the unit most likely holds the new code, not verified. "
                        << "The old code " << end.before << " is kept in the record. Check with "
                        << "'injectors read'\n";
            return ExitCode::NotVerified;
        case Result::Failed:
            break;
    }
    if (!end.writeSent) {
        console.err << tell << "it failed before anything was written: the unit is "
                    << "unchanged and holds its old code " << end.before
                    << ". Check the connection and try again\n";
        return ExitCode::WriteFailed;
    }
    switch (end.holds) {
        case UnitHolds::OldCode:
            if (end.restoreTried) {
                console.err << tell << "it failed part-way; the old code " << end.before
                            << " was written back and read: the unit is as it was\n";
                return ExitCode::OldCodeRestored;
            }
            console.err << tell << "the unit reads back " << end.readBack << " instead of "
                        << end.code << ": it kept its old code; nothing changed\n";
            return ExitCode::WriteFailed;
        case UnitHolds::NewCode:
            console.err << tell << "the last step failed, but the new code was written and the "
                        << "unit reads it back: it holds the new code " << end.readBack
                        << "; switch the ignition off and on\n";
            console.out << "Injector " << injector << " programmed: " << end.readBack
                        << " (read back)\n";
            return ExitCode::Ok;
        case UnitHolds::Mixed:
            console.err << tell << "it failed part-way and the unit now holds a MIXED code: first "
                        << "half " << end.readBack.substr(0, 8) << ", second half "
                        << end.readBack.substr(8, 8) << " (old " << end.before << ", new "
                        << end.code << "). Run 'injectors restore " << injector << "'\n";
            return ExitCode::UnitUncertain;
        case UnitHolds::NotRead:
            break;
    }
    console.err << tell << "it failed part-way after writing began, and the unit could not be "
                << "read again: it may hold the old code, the new one or a MIXED code. The old "
                << "code " << end.before << " is kept in the record: run 'injectors restore "
                << injector << "'\n";
    return ExitCode::UnitUncertain;
}

}  // namespace tvx::cli
