#include <string>

#include "cli/commands.h"
#include "cli/module_choice.h"

namespace tvx::cli {
namespace {

std::string rightTrimmed(std::string text) {
    text.erase(text.find_last_not_of(" \r") + 1);
    return text;
}

// Opens the module named on the command line; Ok or the exit code already reported.
ExitCode openNamedModule(CommandContext& context, session::Module& module) {
    module = *findModule(context.invocation.module);
    const Outcome opened = context.tester.openModule(module);
    return reportOutcome(opened, "opening the " + std::string(moduleName(module)), context.console);
}

}  // namespace

ExitCode runDtcRead(CommandContext& context) {
    session::Module module{};
    if (const ExitCode code = openNamedModule(context, module); code != ExitCode::Ok) {
        return code;
    }
    const std::string name(moduleName(module));
    context.console.progress("Reading the trouble codes of the " + name + " (about 3 s) ...");
    const HeadlessTester::DtcList list = context.tester.readDtc();
    if (list.outcome != Outcome::Ok) {
        return reportOutcome(list.outcome, "reading the trouble codes of the " + name,
                             context.console);
    }
    std::ostream& out = context.console.out;
    out << name << ": " << list.count << " stored trouble code" << (list.count == 1 ? "" : "s")
        << '\n';
    if (list.catalogueMissing) {
        context.console.err << "tarvolinex-cli: the trouble-code catalogue is missing from the "
                               "data directory (--data-dir); codes are shown without texts\n";
        for (const std::string& code : list.codes) {
            out << code << '\n';
        }
    } else {
        for (const std::string& row : list.rows) {
            out << rightTrimmed(row) << '\n';
        }
    }
    if (list.count > static_cast<int>(list.codes.size())) {
        out << "(the module reports " << list.count << "; the box returns the first "
            << list.codes.size() << ")\n";
    }
    return ExitCode::Ok;
}

ExitCode runDtcClear(CommandContext& context) {
    session::Module module{};
    if (const ExitCode code = openNamedModule(context, module); code != ExitCode::Ok) {
        return code;
    }
    const std::string name(moduleName(module));
    if (!context.invocation.yes &&
        !context.console.confirm("Clear the stored trouble codes of the " + name + "?")) {
        context.console.err << "tarvolinex-cli: not confirmed; nothing was cleared\n";
        return ExitCode::Cancelled;
    }
    context.console.progress("Clearing the trouble codes of the " + name + " (about 3 s) ...");
    const Outcome cleared = context.tester.clearDtc();
    if (cleared != Outcome::Ok) {
        return reportOutcome(cleared, "clearing the trouble codes of the " + name, context.console);
    }
    context.console.out << name << ": trouble codes cleared\n";
    return ExitCode::Ok;
}

}  // namespace tvx::cli
