#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "port_info.h"

namespace tvx::link {

// Port discovery on Linux with the roots given (tests build a fake tree): the tty class of
// `sysfs` (/sys/class/tty), the lasting names of `dev`/serial/by-id and the device nodes of
// `dev`. Ports are /dev/ttyUSB*, then /dev/ttyACM*, then /dev/ttyS*, each group in numeric
// order; the first eight get COM indexes 0..7. A built-in UART whose type is 0 (no chip
// behind it) and a name without a device node are left out. Without a tty class in `sysfs`
// (another POSIX system) the device nodes of `dev` alone are listed.
std::vector<PortInfo> discoverPortsUnder(const std::filesystem::path& sysfs,
                                         const std::filesystem::path& dev);

// The latency timer in ms of the tty named (a USB serial adapter's usb-serial port under
// `sysfs`/class/tty/NAME/device), nullopt where it has none.
std::optional<unsigned> latencyTimerOfTty(const std::filesystem::path& sysfs,
                                          const std::string& ttyName);

}  // namespace tvx::link
