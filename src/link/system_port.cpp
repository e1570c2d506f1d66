#include "system_port.h"

#ifdef _WIN32
#include "windows_serial_port.h"
#else
#include "posix_serial_port.h"
#endif

namespace tvx::link {

std::unique_ptr<SerialPort> makeSystemPort(std::optional<std::string> deviceOverride) {
#ifdef _WIN32
    return std::make_unique<WindowsSerialPort>(std::move(deviceOverride));
#else
    return std::make_unique<PosixSerialPort>(std::move(deviceOverride));
#endif
}

}  // namespace tvx::link
