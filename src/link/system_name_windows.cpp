#include <windows.h>

#include "system_name.h"
#include "windows_registry.h"

namespace tvx::link {

std::string operatingSystemName() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return "Windows";
    }
    std::string name = windows::registryText(key, "ProductName");
    const std::string display = windows::registryText(key, "DisplayVersion");
    const std::string build = windows::registryText(key, "CurrentBuild");
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
