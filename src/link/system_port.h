#pragma once

#include <memory>
#include <optional>
#include <string>

#include "serial_port.h"

namespace tvx::link {

// The serial port of this platform: kernel32 COM ports on Windows, termios ttys elsewhere
// (see posix_serial_port.h for how an index maps to a device). With a device override
// (the --port DEVICE option) every openIndex opens that device.
std::unique_ptr<SerialPort> makeSystemPort(
    std::optional<std::string> deviceOverride = std::nullopt);

}  // namespace tvx::link
