#include "ui/display_check.h"

#include <cstdlib>

namespace tvx::ui {

bool haveDisplay(const EnvironmentLookup& environment) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!environment(name).empty())
            return true;
    return false;
}

bool haveDisplay() {
#ifdef _WIN32
    return true;  // a Windows desktop always has one
#else
    return haveDisplay([](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    });
#endif
}

}  // namespace tvx::ui
