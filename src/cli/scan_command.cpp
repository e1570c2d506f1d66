#include <string>

#include "cli/commands.h"
#include "cli/module_choice.h"
#include "session/printable_text.h"

namespace tvx::cli {

// The box answered (or the session would not be in its module menu), so the report is the
// module probe and the VIN the session read on the way in.
ExitCode runScan(CommandContext& context) {
    std::ostream& out = context.console.out;
    const auto& protocols = context.tester.moduleProbe().protocols;
    out << "box      " << (context.line.demo() ? "demonstration mode" : "answered") << '\n';
    for (const session::Module module :
         {session::Module::Pcm, session::Module::Tcm, session::Module::Abs, session::Module::AirBag,
          session::Module::Cluster}) {
        const int protocol = protocols[static_cast<std::size_t>(moduleNumber(module))];
        std::string name(moduleName(module));
        name.resize(9, ' ');
        out << name
            << (protocol == 0 ? std::string("absent") : "protocol " + std::to_string(protocol))
            << '\n';
    }
    if (context.tester.offersInjectorUnit()) {
        out << "ICU      offered for this vehicle\n";
    }
    const session::VinReading& vin = context.tester.vin();
    // The VIN is the box's bytes: shown so that none of them can act on the terminal.
    out << "VIN      " << (vin.read ? session::printableText(vin.vin) : std::string("not read"))
        << '\n';
    return ExitCode::Ok;
}

}  // namespace tvx::cli
