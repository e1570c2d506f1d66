#include <string>

#include "cli/commands.h"
#include "doctor/printable_text.h"
#include "link/port_info.h"

namespace tvx::cli {
namespace {

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.resize(width, ' ');
    }
    return text + "  ";
}

}  // namespace

// One port a line: the COM number the tester opens it by (or "--" beyond COM8), the device,
// what it is; its lasting name (/dev/serial/by-id/..., Windows' friendly name) below.
ExitCode runPorts(const Invocation& invocation, Console& console) {
    const char language = languageCode(invocation, commandDataDirectory(invocation));
    std::ostream& out = console.out;
    if (invocation.common.portDevice) {
        const link::PortInfo device = link::describeDevice(*invocation.common.portDevice);
        out << "--port " << session::printableText(device.device) << ": "
            << link::describePort(device, language) << " (COM1..COM8 all open it)\n";
    }
    const std::vector<link::PortInfo> ports = link::discoverPorts();
    std::size_t width = 12;
    for (const link::PortInfo& port : ports) {
        width = std::max(width, session::printableText(port.device).size());
    }
    for (const link::PortInfo& port : ports) {
        const std::string com = link::comName(port.comIndex);
        out << padded(com.empty() ? "--" : com, 4)
            << padded(session::printableText(port.device), width)
            << link::describePort(port, language);
        if (port.comIndex < 0) {
            out << (language == '2' ? " (COM8'den sonra: --port ile açın)"
                                    : " (beyond COM8: open it with --port)");
        }
        out << '\n';
        if (!port.alias.empty() && port.alias != port.device) {
            out << padded("", 4) << padded("", width) << session::printableText(port.alias) << '\n';
        }
    }
    if (ports.empty()) {
        console.err << "tarvolinex-cli: no serial port is present on this computer: plug in the "
                       "box's USB adapter or cable\n";
    }
    return ExitCode::Ok;
}

}  // namespace tvx::cli
