#include "windows_serial_port.h"

#include <windows.h>

#include "windows_comm_settings.h"

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

bool WindowsSerialPort::refuse(void* handle, OpenFailure failure, std::string message) {
    CloseHandle(handle);
    m_openError = {failure, std::move(message)};
    return false;
}

bool WindowsSerialPort::openDevice(const std::string& device) {
    close();
    HANDLE handle = CreateFileA(windowsDevicePath(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_openError = {windows::openFailureOf(error), windows::systemMessage(error)};
        return false;
    }
    // An ordinary file would take the request bytes as its new contents.
    if (GetFileType(handle) != FILE_TYPE_CHAR) {
        return refuse(handle, OpenFailure::NotSerialPort, "not a character device");
    }
    DCB state{};
    state.DCBlength = sizeof state;
    if (GetCommState(handle, &state) == 0) {  // NUL, a console: no serial line
        return refuse(handle, OpenFailure::NotSerialPort, windows::systemMessage(GetLastError()));
    }
    windows::applyLinkSettings(state);
    if (SetCommState(handle, &state) == 0) {
        return refuse(handle, OpenFailure::Other, windows::systemMessage(GetLastError()));
    }
    COMMTIMEOUTS found{};
    GetCommTimeouts(handle, &found);
    m_timeouts->value = windows::withFiniteWrites(found);
    SetCommTimeouts(handle, &m_timeouts->value);
    timeBeginPeriod(1);  // ended in close()
    m_handle = handle;
    m_device = device;
    m_openError = {};
    m_gone = false;
    return true;
}

bool WindowsSerialPort::close() {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool closed = CloseHandle(m_handle) != 0;
    m_handle = INVALID_HANDLE_VALUE;
    timeEndPeriod(1);
    return closed;
}

void WindowsSerialPort::purge() {
    if (m_handle == INVALID_HANDLE_VALUE) {
        return;
    }
    PurgeComm(m_handle, PURGE_TXCLEAR);
    PurgeComm(m_handle, PURGE_RXCLEAR);
}

bool WindowsSerialPort::recoverAfterFailure() {
    const DWORD error = GetLastError();
    DWORD lineErrors = 0;
    COMSTAT status{};
    const bool cleared = ClearCommError(m_handle, &lineErrors, &status) != 0;
    if (windows::classifyLineFailure(error, cleared) == windows::LineFailure::Gone) {
        m_gone = true;
    }
    return !m_gone;
}

bool WindowsSerialPort::writeByte(std::uint8_t byte) {
    if (m_handle == INVALID_HANDLE_VALUE || m_gone) {
        return false;
    }
    // One more try after a cleared line error; a time-out (nothing written) is no error.
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD written = 0;
        if (WriteFile(m_handle, &byte, 1, &written, nullptr) != 0) {
            return written == 1;
        }
        if (!recoverAfterFailure()) {
            return false;
        }
    }
    return false;
}

ReadStatus WindowsSerialPort::readByte(std::uint8_t& byte, unsigned timeoutMs) {
    if (m_handle == INVALID_HANDLE_VALUE || m_gone) {
        return ReadStatus::Error;
    }
    // A cleared line error (noise, a framing error) costs no more than the time left.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    unsigned left = timeoutMs;
    for (;;) {
        COMMTIMEOUTS record = windows::readTimeouts(m_timeouts->value, left);
        DWORD got = 0;
        if (SetCommTimeouts(m_handle, &record) != 0 &&
            ReadFile(m_handle, &byte, 1, &got, nullptr) != 0) {
            return got == 1 ? ReadStatus::Byte : ReadStatus::TimedOut;
        }
        if (!recoverAfterFailure()) {
            return ReadStatus::Error;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return ReadStatus::TimedOut;
        }
        left = static_cast<unsigned>(deadline - now);
    }
}

}  // namespace tvx::link
