#include "windows_serial_port.h"

#include <windows.h>

namespace tvx::link {

struct WindowsSerialPort::TimeoutRecord {
    COMMTIMEOUTS value{};
};

WindowsSerialPort::WindowsSerialPort(std::optional<std::string> deviceOverride)
    : m_override(std::move(deviceOverride)),
      m_handle(INVALID_HANDLE_VALUE),
      m_timeouts(new TimeoutRecord) {}

WindowsSerialPort::~WindowsSerialPort() {
    close();
    delete m_timeouts;
}

bool WindowsSerialPort::isOpen() const {
    return m_handle != INVALID_HANDLE_VALUE;
}

bool WindowsSerialPort::openIndex(int index) {
    if (index < 0 || index > 7) {
        return isOpen();  // nothing opened; tells whether the handle held is valid
    }
    if (m_override) {
        return openDevice(*m_override);
    }
    return openDevice("COM" + std::to_string(index + 1));
}

bool WindowsSerialPort::openDevice(const std::string& device) {
    close();
    m_handle = CreateFileA(windowsDevicePath(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DCB state{};
    state.DCBlength = sizeof state;
    GetCommState(m_handle, &state);
    state.BaudRate = 9600;
    state.ByteSize = 8;
    state.Parity = NOPARITY;
    SetCommState(m_handle, &state);
    GetCommTimeouts(m_handle, &m_timeouts->value);
    m_device = device;
    return true;
}

bool WindowsSerialPort::close() {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool closed = CloseHandle(m_handle) != 0;
    m_handle = INVALID_HANDLE_VALUE;
    return closed;
}

void WindowsSerialPort::purge() {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return;
    }
    PurgeComm(m_handle, PURGE_TXCLEAR);
    PurgeComm(m_handle, PURGE_RXCLEAR);
}

bool WindowsSerialPort::writeByte(std::uint8_t byte) {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(m_handle, &byte, 1, &written, nullptr) != 0 && written == 1;
}

ReadStatus WindowsSerialPort::readByte(std::uint8_t& byte, unsigned timeoutMs) {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return ReadStatus::Error;
    }
    m_timeouts->value.ReadTotalTimeoutMultiplier = 0;
    m_timeouts->value.ReadTotalTimeoutConstant = timeoutMs;
    SetCommTimeouts(m_handle, &m_timeouts->value);
    DWORD got = 0;
    if (ReadFile(m_handle, &byte, 1, &got, nullptr) == 0) {
        return ReadStatus::Error;
    }
    return got == 1 ? ReadStatus::Byte : ReadStatus::TimedOut;
}

}  // namespace tvx::link
