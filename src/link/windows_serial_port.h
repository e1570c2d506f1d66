#pragma once

#include <optional>
#include <string>

#include "serial_port.h"

namespace tvx::link {

// The name to hand CreateFileA for a device: "COM10" and above open only through the
// device namespace ("\\.\COM10"); every other name ("COM3", "\\.\COM4") as given.
inline std::string windowsDevicePath(const std::string& device) {
    const bool com = device.size() > 3 && (device[0] == 'C' || device[0] == 'c') &&
                     (device[1] == 'O' || device[1] == 'o') &&
                     (device[2] == 'M' || device[2] == 'm');
    if (!com || device.size() > 6 ||
        device.find_first_not_of("0123456789", 3) != std::string::npos ||
        std::stoi(device.substr(3)) < 10) {
        return device;
    }
    return "\\\\.\\" + device;
}

// Serial port on a Windows COM port through kernel32. Index 0..7 opens "COM1".."COM8";
// a device override (the --port option) is opened for every index instead. Only a
// character device that answers as a serial port is kept open; its settings are those of
// windows_comm_settings.h. While a port is open the system timer runs at 1 ms, so the short
// pauses and read time-outs of the link last what they say.
class WindowsSerialPort final : public SerialPort {
public:
    explicit WindowsSerialPort(std::optional<std::string> deviceOverride = std::nullopt);
    ~WindowsSerialPort() override;
    WindowsSerialPort(const WindowsSerialPort&) = delete;
    WindowsSerialPort& operator=(const WindowsSerialPort&) = delete;

    bool openIndex(int index) override;
    bool openDevice(const std::string& device) override;
    bool isOpen() const override;
    bool close() override;
    void purge() override;
    bool writeByte(std::uint8_t byte) override;
    ReadStatus readByte(std::uint8_t& byte, unsigned timeoutMs) override;
    std::string deviceName() const override { return m_device; }
    OpenError lastOpenError() const override { return m_openError; }

private:
    // Called after a failed ReadFile or WriteFile: clears the port's error state and tells
    // whether the port can still be used.
    bool recoverAfterFailure();
    bool refuse(void* handle, OpenFailure failure, std::string message);

    std::optional<std::string> m_override;
    void* m_handle;  // HANDLE; INVALID_HANDLE_VALUE when nothing is open
    std::string m_device;
    OpenError m_openError;
    bool m_gone = false;  // the open port failed for good (device removed)
    // The port's own time-out record, read once at open with finite write time-outs; only
    // the read fields are changed before each read.
    struct TimeoutRecord;
    TimeoutRecord* m_timeouts = nullptr;
};

}  // namespace tvx::link
