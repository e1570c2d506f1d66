#include <string>

#include "cli/commands.h"
#include "cli/module_choice.h"
#include "doctor/printable_text.h"

namespace tvx::cli {
namespace {

constexpr session::Module kProbedModules[] = {session::Module::Pcm, session::Module::Tcm,
                                              session::Module::Abs, session::Module::AirBag,
                                              session::Module::Cluster};

}  // namespace

ExitCode reportLateAnswers(const session::ModuleProbe& probe, std::string_view what,
                           Console& console) {
    std::string late;
    for (const session::Module module : kProbedModules) {
        if (probe.late[static_cast<std::size_t>(moduleNumber(module))]) {
            late += (late.empty() ? "" : ", ") + std::string(moduleName(module));
        }
    }
    if (late.empty()) {
        return ExitCode::Ok;
    }
    console.err << "tarvolinex-cli: " << what << ": the box answers late: the probe answers of "
                << late
                << " came after their time-out and were set aside (a late answer is never "
                   "taken for another module's), so those modules are not known; check the "
                   "box's plug and power and retry, or run 'tarvolinex-cli doctor'\n";
    return ExitCode::BoxLate;
}

// The box answered (or the session would not be in its module menu), so the report is the
// module probe and the VIN the session read on the way in. A module whose answer came
// late is shown as such, and the scan does not end as done.
ExitCode runScan(CommandContext& context) {
    std::ostream& out = context.console.out;
    const auto& protocols = context.tester.moduleProbe().protocols;
    out << "box      " << (context.line.demo() ? "demonstration mode" : "answered") << '\n';
    for (const session::Module module : kProbedModules) {
        const auto number = static_cast<std::size_t>(moduleNumber(module));
        const int protocol = protocols[number];
        std::string name(moduleName(module));
        name.resize(9, ' ');
        out << name
            << (context.tester.moduleProbe().late[number] ? std::string("answered late, set aside")
                : protocol == 0                           ? std::string("absent")
                                                          : "protocol " + std::to_string(protocol))
            << '\n';
    }
    if (context.tester.offersInjectorUnit()) {
        out << "ICU      offered for this vehicle\n";
    }
    const session::VinReading& vin = context.tester.vin();
    // The VIN is the box's bytes: shown so that none of them can act on the terminal.
    out << "VIN      " << (vin.read ? session::printableText(vin.vin) : std::string("not read"))
        << '\n';
    return reportLateAnswers(context.tester.moduleProbe(), "scan", context.console);
}

}  // namespace tvx::cli
