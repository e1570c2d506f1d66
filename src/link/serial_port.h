#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "clock.h"
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
    // Writes the bytes one by one, each after a pause of pauseMs on the clock. A port that
    // is not a real line (the simulated box) overrides it to pause once for them all.
    virtual void writeBytes(std::span<const std::uint8_t> bytes, unsigned pauseMs, Clock& clock) {
        for (const std::uint8_t byte : bytes) {
            clock.sleepMs(pauseMs);
            writeByte(byte);
        }
    }
    // Waits up to timeoutMs for one byte.
    virtual ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) = 0;
    // Reads bytes.size() bytes as that many readByte calls would, each waited for up to
    // timeoutMs, and stops at the first that does not come. `received` tells how many came;
    // the result is Byte when all came, else what ended the reading. A port that can wait
    // for several bytes at once overrides it to wake less often: a reply's data bytes
    // come one every 1.04 ms at 9600 baud.
    virtual ReadStatus readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                                 std::size_t& received) {
        received = 0;
        for (std::uint8_t& byte : bytes) {
            std::uint8_t next = 0;
            const ReadStatus status = readByte(next, timeoutMs);
            if (status != ReadStatus::Byte) {
                return status;
            }
            byte = next;
            ++received;
        }
        return ReadStatus::Byte;
    }
    // Human-readable name of the open device, for messages.
    virtual std::string deviceName() const = 0;
    // Why the last open failed (None after one that succeeded). Ports that cannot fail to
    // open keep the default.
    virtual OpenError lastOpenError() const { return {}; }
    // How long the adapter behind the open port holds received bytes before passing them on
    // (its latency timer), where it says; nullopt for a port without one.
    virtual std::optional<unsigned> latencyTimerMs() const { return std::nullopt; }
};

}  // namespace tvx::link
