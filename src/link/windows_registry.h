#pragma once

#include <windows.h>

#include <string>

namespace tvx::link::windows {

// A text value of an open registry key, "" when it is missing or not text.
inline std::string registryText(HKEY key, const char* value) {
    char data[512] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return std::string(data);
}

// A number (REG_DWORD) of an open registry key, -1 when it is missing or not a number.
inline long long registryNumber(HKEY key, const char* value) {
    DWORD data = 0;
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD) {
        return -1;
    }
    return data;
}

}  // namespace tvx::link::windows
