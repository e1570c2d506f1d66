#include "windows_comm_settings.h"

namespace tvx::link::windows {

void applyLinkSettings(DCB& state) {
    state.BaudRate = CBR_9600;
    state.ByteSize = 8;
    state.Parity = NOPARITY;
    state.fBinary = TRUE;  // the only mode Windows supports
    state.fOutX = FALSE;
    state.fInX = FALSE;
    state.fNull = FALSE;
    state.fErrorChar = FALSE;
    state.fOutxCtsFlow = FALSE;
    state.fOutxDsrFlow = FALSE;
    state.fDsrSensitivity = FALSE;
    state.fAbortOnError = FALSE;
}

COMMTIMEOUTS readTimeouts(COMMTIMEOUTS found, unsigned timeoutMs) {
    COMMTIMEOUTS record = found;
    record.ReadTotalTimeoutMultiplier = 0;
    if (timeoutMs == 0) {
        record.ReadIntervalTimeout = MAXDWORD;
        record.ReadTotalTimeoutConstant = 0;
        return record;
    }
    if (record.ReadIntervalTimeout == MAXDWORD) {
        record.ReadIntervalTimeout = 0;
    }
    record.ReadTotalTimeoutConstant = timeoutMs;
    return record;
}

COMMTIMEOUTS withFiniteWrites(COMMTIMEOUTS found) {
    found.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
    found.WriteTotalTimeoutConstant = kWriteTimeoutConstantMs;
    return found;
}

LineFailure classifyLineFailure(DWORD error, bool clearCommErrorWorked) {
    if (!clearCommErrorWorked) {
        return LineFailure::Gone;
    }
    switch (error) {
        case ERROR_INVALID_HANDLE:
        case ERROR_ACCESS_DENIED:  // USB serial drivers after the adapter was pulled
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEVICE_REMOVED:
            return LineFailure::Gone;
        default:
            return LineFailure::Transient;  // e.g. ERROR_OPERATION_ABORTED after a line error
    }
}

OpenFailure openFailureOf(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return OpenFailure::None;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_DEV_NOT_EXIST:
            return OpenFailure::Missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return OpenFailure::Busy;
        default:
            return OpenFailure::Other;
    }
}

std::string systemMessage(DWORD error) {
    char buffer[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    return text.empty() ? "error " + std::to_string(error) : text;
}

}  // namespace tvx::link::windows
