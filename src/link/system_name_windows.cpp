#include <windows.h>

#include "system_name.h"

namespace tvx::link {
namespace {

std::string versionValue(HKEY key, const char* value) {
    char data[128] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return {};
    }
    return data;
}

}  // namespace

std::string operatingSystemName() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return "Windows";
    }
    std::string name = versionValue(key, "ProductName");
    const std::string display = versionValue(key, "DisplayVersion");
    const std::string build = versionValue(key, "CurrentBuild");
    RegCloseKey(key);
    if (name.empty()) {
        name = "Windows";
    }
    if (!display.empty()) {
        name += " " + display;
    }
    if (!build.empty()) {
        name += " (build " + build + ")";
    }
    return name;
}

}  // namespace tvx::link
