#pragma once

#include <optional>
#include <string>
#include <vector>

#include "serial_port.h"

namespace tvx::link {

// Serial port on a POSIX tty (real adapters and pseudo-terminals alike), in raw mode.
//
// Port index rule: index n (0..7) opens the n-th entry of the serial devices present,
// listed as /dev/ttyUSB*, then /dev/ttyACM*, then /dev/ttyS* (USB adapters first, each
// group in numeric order: ttyUSB0, ttyUSB1, ..., ttyUSB10; a built-in ttyS without a UART
// behind it is left out): the list of discoverPorts(). When a device override is
// given (the --port DEVICE option), every index opens that device instead. An open device is
// locked (flock) and in exclusive mode (TIOCEXCL) so that a second tester cannot share the
// line; lastOpenError() tells why an open failed (a missing device, no permission for this
// user and the device's group, a lock held and by whom, no tty).
class PosixSerialPort final : public SerialPort {
public:
    explicit PosixSerialPort(std::optional<std::string> deviceOverride = std::nullopt);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool openIndex(int index) override;
    bool openDevice(const std::string& device) override;
    bool isOpen() const override { return m_fd >= 0; }
    bool close() override;
    void purge() override;
    bool writeByte(std::uint8_t byte) override;
    ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override;
    // Takes what has come; while more than one byte is missing it sleeps for the time the
    // line needs to carry all but the last of them (they cannot come sooner), then waits for
    // the last as it comes. A byte that does not come is given up timeoutMs after the port
    // last saw one come, as a readByte begun at that moment would.
    ReadStatus readBytes(std::span<std::uint8_t> bytes, unsigned timeoutMs,
                         std::size_t& received) override;
    std::string deviceName() const override { return m_device; }
    OpenError lastOpenError() const override { return m_openError; }
    std::optional<unsigned> latencyTimerMs() const override;
    // The driver took the request for low latency when the port was opened.
    bool lowLatency() const { return m_lowLatency; }

    // The serial devices present, in index order (see the rule above).
    static std::vector<std::string> listDevices();

private:
    // Closes fd (when open) and keeps why the open of `device` failed.
    bool refuse(const std::string& device, int fd, int error);

    std::optional<std::string> m_override;
    int m_fd = -1;
    std::string m_device;
    OpenError m_openError;
    bool m_lowLatency = false;
};

}  // namespace tvx::link
