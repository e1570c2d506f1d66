#include <string>

#include "cli/commands.h"
#include "session/injector_codes.h"

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

ExitCode openAndRead(CommandContext& context) {
    if (const ExitCode code = reportOutcome(context.tester.openModule(session::Module::Icu),
                                            "opening the ICU", context.console);
        code != ExitCode::Ok) {
        return code;
    }
    context.console.progress("Reading the injector codes ...");
    return reportOutcome(context.tester.readInjectors(), "reading the injector codes",
                         context.console);
}

const std::string& codeOfInjector(CommandContext& context, int injector) {
    return context.tester.injectorCodes()[static_cast<std::size_t>(slotOfInjector(injector))];
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

ExitCode runInjectorsProgram(CommandContext& context) {
    const Invocation& invocation = context.invocation;
    const int injector = invocation.injector;
    const int slot = slotOfInjector(injector);
    // Checked before connecting; the canonical text is what the read-back must show.
    const std::string wanted =
        session::injectorCodeText(session::checkInjectorCode(invocation.code).bytes);

    if (const ExitCode code = openAndRead(context); code != ExitCode::Ok) {
        return code;
    }
    const std::string before = codeOfInjector(context, injector);
    context.console.err << "Injector " << injector << " now holds " << before << '\n';

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
        return invocation.yes || console.confirm("Program injector " + std::to_string(injector) +
                                                 " with " + wanted + " (now " + before + ")?");
    };
    prompts.countdown = [&](int seconds) {
        console.progress("Please wait " + std::to_string(seconds) + " s ...");
    };

    const HeadlessTester::Programming programmed =
        context.tester.programInjector(slot, invocation.code, prompts);
    if (programmed.outcome == Outcome::Cancelled) {
        if (programmed.sent) {
            console.err << "tarvolinex-cli: stopped after the code was sent: switch the ignition "
                           "off and on, then check with 'injectors read'\n";
            return ExitCode::WriteFailed;
        }
        console.err << "tarvolinex-cli: not confirmed; nothing was written\n";
        return ExitCode::Cancelled;
    }
    const std::string what = "programming injector " + std::to_string(injector);
    if (programmed.outcome != Outcome::Ok) {
        return reportOutcome(programmed.outcome, what, console);
    }

    // Read the codes back from the unit, as a mechanic would after programming.
    if (const ExitCode code = reportOutcome(context.tester.backToModuleMenu(),
                                            "returning to the module menu", console);
        code != ExitCode::Ok) {
        return code;
    }
    if (const ExitCode code = openAndRead(context); code != ExitCode::Ok) {
        return code;
    }
    const std::string after = codeOfInjector(context, injector);
    if (after != wanted) {
        console.err << "tarvolinex-cli: " << what << ": the unit reads back " << after
                    << " instead of " << wanted << '\n';
        return ExitCode::WriteFailed;
    }
    console.out << "Injector " << injector << " programmed: " << after << " (read back)\n";
    return ExitCode::Ok;
}

}  // namespace tvx::cli
