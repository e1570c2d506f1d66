#pragma once

#include <cstdint>
#include <string>

#include "open_error.h"

namespace tvx::link {

// What a single-byte read came back with: a byte, nothing within the time-out, or a line
// that failed (device gone, port closed).
enum class ReadStatus { Byte, TimedOut, Error };

// One serial line to the interface box. Implementations: POSIX (termios), Windows
// (kernel32) and in memory (wired to the simulator).
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens port index 0..7 ("COM1".."COM8"; on POSIX the device the index maps to, or the
    // device given on the command line). 9600 baud, 8 data bits, no parity; every other
    // setting as the port had it. Any other index opens nothing and reports whether the
    // port already held is open.
    virtual bool openIndex(int index) = 0;
    // Opens a device by name ("/dev/ttyUSB0", "/dev/pts/3", "COM3").
    virtual bool openDevice(const std::string& device) = 0;
    virtual bool isOpen() const = 0;
    virtual bool close() = 0;
    // Discards what waits to be sent and what was received but not read.
    virtual void purge() = 0;
    virtual bool writeByte(std::uint8_t byte) = 0;
    // Waits up to timeoutMs for one byte.
    virtual ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) = 0;
    // Human-readable name of the open device, for messages.
    virtual std::string deviceName() const = 0;
    // Why the last open failed (None after one that succeeded). Ports that cannot fail to
    // open keep the default.
    virtual OpenError lastOpenError() const { return {}; }
};

}  // namespace tvx::link
